#include "engine/answer_spin.h"

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

void AnswerSpin::Breathe() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#elif defined(__aarch64__)
    asm volatile("yield" ::: "memory");
#endif
}

}  // namespace zentiq
