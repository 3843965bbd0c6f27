#include "documents/polled_values_copy.h"

#include <utility>

#include "documents/poll_document_model.h"

namespace zentiq {

LogLine::Poll PolledValuesCopy::Data::Poll() const {
    LogLine::Poll poll;
    poll.address = address;
    poll.oneBased = oneBased;
    poll.function = function;
    poll.length = length;
    poll.displayFormat = displayFormat;
    poll.values = values;
    poll.valuesRead = valuesRead;
    poll.words = words;
    poll.rowTypes = rowTypes.get();
    return poll;
}

void PolledValuesCopy::Store(const Buffer& values) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_data.values = values;
}

void PolledValuesCopy::Store(const PollDocumentModel& m, bool typesChanged) {
    // The types are built outside the lock: readers wait only for the copy.
    std::shared_ptr<const RowTypes> types;
    if (typesChanged) {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (*m_data.rowTypes != m.rowTypes)
            types = std::make_shared<const RowTypes>(m.rowTypes);
    }
    std::shared_ptr<const RowTypes> old;  // let go of outside the lock
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_data.values = m.values;
    m_data.words = m.words;
    m_data.address = m.def.Address;
    m_data.oneBased = m.def.OneBased;
    m_data.function = m.def.FunctionValue;
    m_data.length = m.def.Length;
    m_data.displayFormat = m.def.DisplayFormat;
    m_data.valuesRead = !(m.valuesUnknown && PollDefinition::IsReadFunction(m.def.FunctionValue));
    if (types)
        old = std::exchange(m_data.rowTypes, std::move(types));
}

PolledValuesCopy::Buffer PolledValuesCopy::Snapshot() const {
    return Read([](const Data& data) { return data.values; });
}

}  // namespace zentiq
