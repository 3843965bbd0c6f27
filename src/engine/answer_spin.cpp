#include "engine/answer_spin.h"

#include <sys/ioctl.h>

#include <algorithm>

namespace zentiq {

void AnswerSpin::Note(Clock::duration took) {
    if (took < Clock::duration::zero()) took = Clock::duration::zero();
    // One slow answer among fast ones moves the figure by an eighth of the
    // difference, so a hiccup does not switch the look off, while a peer
    // that became slow is soon slept for.
    m_typical = m_typical ? *m_typical + (took - *m_typical) / 8 : took;
}

AnswerSpin::Clock::duration AnswerSpin::Budget() const {
    if (!m_typical || *m_typical > kLongest || Resting()) return Clock::duration::zero();
    return std::min<Clock::duration>(2 * *m_typical, kLongest);
}

AnswerSpin::Seen AnswerSpin::InputQueued(int fd) {
    int queued = 0;
    // A failing probe (the device went away) is left to the wait, which
    // reports it.
    if (fd < 0 || ::ioctl(fd, FIONREAD, &queued) != 0) return Seen::GiveUp;
    return queued > 0 ? Seen::Answer : Seen::Nothing;
}

void AnswerSpin::Breathe() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#elif defined(__aarch64__)
    asm volatile("yield" ::: "memory");
#endif
}

}  // namespace zentiq
