// A short look for the answer before the worker goes to sleep for it. A slave
// on this machine answers within some tens of microseconds, about as long as
// the wake-up from a sleep takes; looking a few times meanwhile saves that
// wake-up on every transaction. A peer whose recent answers took longer (a
// device across a network, a converter, a busy simulator) is never waited
// for this way, so the look costs nothing where it cannot help.
#pragma once

#include <chrono>
#include <optional>

namespace zentiq {

class LineCancel;

class AnswerSpin {
public:
    using Clock = std::chrono::steady_clock;
    // Answers slower than this are slept for; the look never lasts longer.
    static constexpr std::chrono::microseconds kLongest{100};

    // The request has just left.
    void Sent() { m_sentAt = Clock::now(); }
    // How a look asks whether the answer is there. A terminal's poll waits
    // for the kernel's worker that is still handing the slave's bytes over,
    // so that every look would sleep as long as the wait it is meant to
    // save; the count of bytes already in its input queue is asked without
    // waiting.
    enum class Probe { Poll, InputQueue };
    // Looks for fd to turn readable within the budget, giving the processor
    // away between looks; true when it did. Ends early on a cancel.
    bool Look(int fd, const LineCancel* cancel, Probe probe = Probe::Poll) const;
    // The first bytes of the answer to the last request were seen now.
    void Answered() { Note(Clock::now() - m_sentAt); }
    // A new peer (a new connection): what was learnt no longer holds.
    void Forget() { m_typical.reset(); }

    // Records how long an answer took.
    void Note(Clock::duration took);
    // How long Look may last for the next answer: twice the typical answer
    // time, at most kLongest, nothing while answers take longer than that.
    Clock::duration Budget() const;

private:
    std::optional<Clock::duration> m_typical;  // smoothed over the last answers
    Clock::time_point m_sentAt{};
};

}  // namespace zentiq
