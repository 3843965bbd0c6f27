// A short look for the answer before the TCP line goes to sleep for it. A
// slave on this machine answers within some tens of microseconds, about as
// long as the wake-up from a sleep takes; looking a few times meanwhile saves
// that wake-up on every transaction. A peer whose recent answers took longer (a
// device across a network, a converter, a busy simulator) is never waited
// for this way, so the look costs nothing where it cannot help.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <utility>

#include "engine/line_cancel.h"
#include "engine/processor_pressure.h"

namespace zentiq {

class AnswerSpin {
public:
    using Clock = std::chrono::steady_clock;
    // pressurePath: where the machine's processor pressure is read (see
    // ProcessorPressure); tests name a file of their own.
    explicit AnswerSpin(std::string pressurePath = "/proc/pressure/cpu") : m_pressure(std::move(pressurePath)) {}
    // Answers slower than this are slept for; the look never lasts longer.
    static constexpr std::chrono::microseconds kLongest{100};
    // On a busy machine a looking worker competes for the processor like
    // any busy program and waits a time slice for its turn, while a
    // sleeping one is woken at once: there is no look while the machine's
    // processor pressure says so, and a look that lost the processor for
    // longer than kPreempted was pre-empted by another program that wants
    // it (an interrupt or a kernel worker takes a few microseconds, a time
    // slice milliseconds); the look then rests for kRest.
    static constexpr std::chrono::microseconds kPreempted{200};
    static constexpr std::chrono::milliseconds kRest{1000};

    // The request has just left.
    void Sent() { m_sentAt = Clock::now(); }
    // What one look at the line found.
    enum class Seen { Nothing, Answer, GiveUp };
    // Looks with probe (() -> Seen) until it sees the answer, within the
    // budget (nothing while no pace is learnt); true when it did. Ends
    // early on a cancel or a GiveUp.
    template <typename Probe>
    bool Look(const LineCancel* cancel, Probe&& probe);
    // The first bytes of the answer to the last request were seen now.
    void Answered() { Note(Clock::now() - m_sentAt); }
    // A new peer (a new connection): what was learnt no longer holds.
    void Forget() { m_typical.reset(); }

    // Records how long an answer took.
    void Note(Clock::duration took);
    // How long Look may last for the next answer: twice the typical answer
    // time, at most kLongest, nothing while answers take longer than that
    // or while the look rests.
    Clock::duration Budget() const;
    bool Resting() const { return Clock::now() < m_restUntil; }

private:
    // Between two looks: a breath for the processor, not a system call. A
    // yield would hand the processor to any busy program for a whole time
    // slice, far longer than the answer takes.
    static void Breathe();

    std::optional<Clock::duration> m_typical;  // smoothed over the last answers
    Clock::time_point m_sentAt{};
    Clock::time_point m_restUntil{};
    ProcessorPressure m_pressure;
};

template <typename Probe>
bool AnswerSpin::Look(const LineCancel* cancel, Probe&& probe) {
    const Clock::duration budget = Budget();
    if (budget == Clock::duration::zero() || (cancel != nullptr && cancel->Raised()) || m_pressure.Busy())
        return false;
    const auto until = m_sentAt + budget;
    auto last = m_sentAt;
    // At least one look, however late the worker comes to it; bounded by
    // count as well as by time.
    for (int i = 0; i < 100000; ++i) {
        if (cancel != nullptr && cancel->Raised()) return false;
        switch (probe()) {
        case Seen::Answer: return true;
        case Seen::GiveUp: return false;
        case Seen::Nothing: break;
        }
        const auto now = Clock::now();
        if (now - last > kPreempted) {
            m_restUntil = now + kRest;
            return false;
        }
        if (now >= until) return false;
        last = now;
        Breathe();
    }
    return false;
}

}  // namespace zentiq
