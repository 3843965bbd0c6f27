#include "engine/answer_spin.h"

#include <poll.h>
#include <sched.h>
#include <sys/ioctl.h>

#include <algorithm>

#include "engine/line_cancel.h"

namespace zentiq {

namespace {
// Bounds the loop by count as well as by time.
constexpr int kMostLooks = 2000;
}  // namespace

void AnswerSpin::Note(Clock::duration took) {
    if (took < Clock::duration::zero()) took = Clock::duration::zero();
    // One slow answer among fast ones moves the figure by an eighth of the
    // difference, so a hiccup does not switch the look off, while a peer
    // that became slow is soon slept for.
    m_typical = m_typical ? *m_typical + (took - *m_typical) / 8 : took;
}

AnswerSpin::Clock::duration AnswerSpin::Budget() const {
    if (!m_typical || *m_typical > kLongest) return Clock::duration::zero();
    return std::min<Clock::duration>(2 * *m_typical, kLongest);
}

bool AnswerSpin::Look(int fd, const LineCancel* cancel, Probe probe) const {
    const Clock::duration budget = Budget();
    if (budget == Clock::duration::zero() || fd < 0) return false;
    const auto until = m_sentAt + budget;
    for (int i = 0; i < kMostLooks && Clock::now() < until; ++i) {
        if (cancel != nullptr && cancel->Raised()) return false;
        if (probe == Probe::InputQueue) {
            int queued = 0;
            // A failing probe (the device went away) is left to the wait,
            // which reports it.
            if (::ioctl(fd, FIONREAD, &queued) != 0) return false;
            if (queued > 0) return true;
        } else {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 0) == 1) return (p.revents & POLLIN) != 0;
        }
        // Whatever else wants this processor (the slave itself, on a
        // single core) runs first.
        sched_yield();
    }
    return false;
}

}  // namespace zentiq
