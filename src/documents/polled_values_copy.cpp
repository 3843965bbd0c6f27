#include "documents/polled_values_copy.h"

namespace zentiq {

void PolledValuesCopy::Store(const Buffer& values) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_values = values;
}

PolledValuesCopy::Buffer PolledValuesCopy::Snapshot() const {
    return Read([](const Buffer& values) { return values; });
}

}  // namespace zentiq
