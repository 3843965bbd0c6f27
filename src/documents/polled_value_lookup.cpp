#include "documents/polled_value_lookup.h"

#include <algorithm>
#include <array>

#include "documents/poll_definition.h"
#include "documents/poll_document_model.h"
#include "documents/zentiq_doc.h"
#include "engine/modbus_line.h"

namespace zentiq {

bool PolledRange::Overlaps(const PolledRange& other) const {
    return line == other.line && slaveId == other.slaveId && table == other.table && count > 0 &&
           other.count > 0 && first < other.first + other.count && other.first < first + count;
}

PolledValueLookup& PolledValueLookup::Instance() {
    static PolledValueLookup lookup;
    return lookup;
}

void PolledValueLookup::Add(CZentiqDoc* doc) {
    m_documents.push_back(doc);
    connect(doc, &CZentiqDoc::valuesRead, this, [this, doc] { noteRead(doc); });
    // A new definition or slot comes with a redraw of the window.
    connect(doc, &CZentiqDoc::updateRequested, this, &PolledValueLookup::pollsChanged);
    connect(doc, &CZentiqDoc::valuesChanged, this, &PolledValueLookup::pollsChanged);
}

void PolledValueLookup::Remove(CZentiqDoc* doc) {
    const auto it = std::find(m_documents.begin(), m_documents.end(), doc);
    if (it == m_documents.end())
        return;
    m_documents.erase(it);
    m_lastRead.erase(doc);
    disconnect(doc, nullptr, this, nullptr);
    emit pollsChanged();
}

std::optional<PolledRange> PolledValueLookup::PolledBy(const CZentiqDoc& doc) {
    const PollDocumentModel& m = doc.Model();
    if (!PollDefinition::IsReadFunction(m.def.FunctionValue) || m.slotIndex == -1)
        return std::nullopt;
    return PolledRange{m.def.SlaveID, static_cast<PollTable>(m.def.FunctionValue), m.def.Address,
                       m.def.Length, &m.Line()};
}

void PolledValueLookup::noteRead(CZentiqDoc* doc) {
    m_lastRead[doc] = ++m_readings;
    if (const std::optional<PolledRange> range = PolledBy(*doc))
        emit valuesRead(*range);
}

std::vector<PolledItem> PolledValueLookup::Read(const PolledRange& range) const {
    const int count = std::max(range.count, 0);
    std::vector<PolledItem> items(static_cast<std::size_t>(count));
    std::vector<std::uint64_t> readAt(items.size(), 0);
    for (const CZentiqDoc* doc : m_documents) {
        const std::optional<PolledRange> polled = PolledBy(*doc);
        const auto read = m_lastRead.find(doc);
        if (!polled || !polled->Overlaps(range) || !doc->Model().valuesRead ||
            read == m_lastRead.end())
            continue;
        // The slot's data as the slave sent it, whatever the window's
        // display format made of it.
        const PollDocumentModel& m = doc->Model();
        const int slot = m.slotIndex;
        const bool coils =
            range.table == PollTable::Coils || range.table == PollTable::DiscreteInputs;
        std::array<std::uint16_t, kDataSize / 2> registers{};
        std::array<std::uint8_t, kDataSize> bits{};
        if (coils)
            m.Line().ReadBytes(slot, bits.data());
        else
            m.Line().ReadRegisters(slot, registers.data());
        const std::size_t slotItems = coils ? bits.size() : registers.size();
        const int from = std::max(range.first, polled->first);
        const int to = std::min(range.first + count, polled->first + polled->count);
        for (int address = from; address < to; ++address) {
            const auto inSlot = static_cast<std::size_t>(address - polled->first);
            const auto inRange = static_cast<std::size_t>(address - range.first);
            if (inSlot >= slotItems || read->second <= readAt[inRange])
                continue;
            readAt[inRange] = read->second;
            items[inRange] = coils ? std::uint16_t(bits[inSlot] != 0) : registers[inSlot];
        }
    }
    return items;
}

}  // namespace zentiq
