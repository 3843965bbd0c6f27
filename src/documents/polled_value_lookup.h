// Which open poll windows read a block of a slave's coils or registers, and
// what they read last: a write dialog shows it beside the value it is about
// to send. Documents enter as they are made and leave as they go; readers
// hear of new readings through the documents' signals, never by asking on
// a timer.
#pragma once

#include <QObject>

#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

namespace zentiq {

class CZentiqDoc;
class ModbusLine;

// The four tables a read poll reads, numbered by the function that reads them.
enum class PollTable { Coils = 1, DiscreteInputs = 2, HoldingRegisters = 3, InputRegisters = 4 };

// `count` items of one slave's table from protocol address `first`, on
// one connection: the same slave ID on another line is another device.
struct PolledRange {
    int slaveId = 0;
    PollTable table = PollTable::HoldingRegisters;
    int first = 0;
    int count = 0;
    const ModbusLine* line = nullptr;

    bool Overlaps(const PolledRange& other) const;
};

// One item as read: a register as the slave sent it, a coil 0 or 1; none
// where no window polls the item or none has read it yet.
using PolledItem = std::optional<std::uint16_t>;

class PolledValueLookup final : public QObject {
    Q_OBJECT
public:
    static PolledValueLookup& Instance();

    void Add(CZentiqDoc* doc);
    void Remove(CZentiqDoc* doc);

    // The block a document polls: a read poll that holds its slot.
    static std::optional<PolledRange> PolledBy(const CZentiqDoc& doc);

    // Each item of `range`, from the window that read it most recently.
    std::vector<PolledItem> Read(const PolledRange& range) const;

signals:
    // A window read new values of `range`.
    void valuesRead(const PolledRange& range);
    // What the windows poll may have changed (a definition, a slot, a window
    // gone): every range is to be read again.
    void pollsChanged();

private:
    PolledValueLookup() = default;
    void noteRead(CZentiqDoc* doc);

    // Documents in the order they were made, with the number of the last
    // reading each took (higher is newer, 0 none yet).
    std::vector<CZentiqDoc*> m_documents;
    std::unordered_map<const CZentiqDoc*, std::uint64_t> m_lastRead;
    std::uint64_t m_readings = 0;
};

}  // namespace zentiq
