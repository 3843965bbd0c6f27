// Time left of a run of probes whose slowest case is known: the timeout of
// every probe still to come, scaled by how long the probes so far took
// against their own timeouts (answers come sooner, reopening a line costs
// extra). Pure arithmetic: the caller measures.
#pragma once

#include <cstdint>

namespace zentiq {

class ProbeTimeEstimate {
public:
    // `count` more probes, each waiting at most `timeoutMs`.
    void Plan(int count, std::uint32_t timeoutMs);
    // Planned probes that will not be made after all.
    void Skip(int count, std::uint32_t timeoutMs);
    // One planned probe of that timeout ended, `elapsedMs` after the last.
    void Done(std::uint32_t timeoutMs, std::int64_t elapsedMs);
    std::int64_t RemainingMs() const;
    int ProbesLeft() const { return m_left; }

private:
    int m_left = 0;
    std::int64_t m_nominalLeft = 0;
    std::int64_t m_nominalDone = 0;
    std::int64_t m_measuredDone = 0;
};

}  // namespace zentiq
