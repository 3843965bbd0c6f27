// A copy of one document's polled values for readers on other threads: the
// GUI thread stores the values whenever they change, and the automation
// object on the bus thread answers value reads from the copy without waiting
// for the GUI thread. Shared by pointer, so a reader that still holds it
// after the document has gone reads the last values instead of freed memory.
// Besides the value buffer it holds the registers as read, what the poll
// reads and the row types, so that a reader tells each value as the window
// shows it.
#pragma once

#include <QtGlobal>
#include <array>
#include <memory>
#include <mutex>

#include "engine/engine_types.h"
#include "values/log_line.h"
#include "values/row_type.h"

namespace zentiq {

class PollDocumentModel;

class PolledValuesCopy {
public:
    using Buffer = std::array<quint8, kDataSize>;
    using Words = std::array<quint16, kDataSize / 2>;

    struct Data {
        Buffer values{};
        Words words{};
        int address = 0;
        int oneBased = 0;
        int function = 3;
        int length = 0;
        int displayFormat = 0;
        bool valuesRead = false;
        // Shared between stores until the types change; never null.
        std::shared_ptr<const RowTypes> rowTypes = std::make_shared<const RowTypes>();
        // The poll over this data, as logs and exports take it; valid
        // while the data is.
        LogLine::Poll Poll() const;
    };

    // Replaces the copy with the value buffer alone (what the poll reads
    // and the types stay).
    void Store(const Buffer& values);
    // Replaces the copy with the model's values, registers and poll.
    // `typesChanged` false keeps the stored types (they are compared and
    // copied only when they may have changed).
    void Store(const PollDocumentModel& model, bool typesChanged);
    // `read(const Data&)` on the copy while no store can change it; keep it
    // short, the GUI thread waits for it.
    template <class F>
    auto Read(F&& read) const {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return read(static_cast<const Data&>(m_data));
    }
    Buffer Snapshot() const;

private:
    mutable std::mutex m_mutex;
    Data m_data;
};

}  // namespace zentiq
