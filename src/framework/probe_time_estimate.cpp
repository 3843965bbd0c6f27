#include "framework/probe_time_estimate.h"

#include <algorithm>

namespace zentiq {

void ProbeTimeEstimate::Plan(int count, std::uint32_t timeoutMs) {
    if (count <= 0)
        return;
    m_left += count;
    m_nominalLeft += std::int64_t{count} * timeoutMs;
}

void ProbeTimeEstimate::Skip(int count, std::uint32_t timeoutMs) {
    count = std::clamp(count, 0, m_left);
    m_left -= count;
    m_nominalLeft = std::max<std::int64_t>(0, m_nominalLeft - std::int64_t{count} * timeoutMs);
}

void ProbeTimeEstimate::Done(std::uint32_t timeoutMs, std::int64_t elapsedMs) {
    Skip(1, timeoutMs);
    m_nominalDone += timeoutMs;
    m_measuredDone += std::max<std::int64_t>(0, elapsedMs);
}

std::int64_t ProbeTimeEstimate::RemainingMs() const {
    if (m_nominalDone <= 0)
        return m_nominalLeft;
    return m_nominalLeft * m_measuredDone / m_nominalDone;
}

}  // namespace zentiq
