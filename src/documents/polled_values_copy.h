// A copy of one document's polled values for readers on other threads: the
// GUI thread stores the values whenever they change, and the automation
// object on the bus thread answers value reads from the copy without waiting
// for the GUI thread. Shared by pointer, so a reader that still holds it
// after the document has gone reads the last values instead of freed memory.
#pragma once

#include <QtGlobal>
#include <array>
#include <mutex>

#include "engine/engine_types.h"

namespace zentiq {

class PolledValuesCopy {
public:
    using Buffer = std::array<quint8, kDataSize>;

    // Replaces the copy with `values`.
    void Store(const Buffer& values);
    // `read(const Buffer&)` on the copy while no store can change it; keep it
    // short, the GUI thread waits for it.
    template <class F>
    auto Read(F&& read) const {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return read(static_cast<const Buffer&>(m_values));
    }
    Buffer Snapshot() const;

private:
    mutable std::mutex m_mutex;
    Buffer m_values{};
};

}  // namespace zentiq
