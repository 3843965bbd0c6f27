// The poll document's 15, 16, 22 and 23 commands: each opens its dialog
// with the poll's slave, addresses and, when the poll reads the table the
// dialog writes, the poll's current values.
#pragma once

namespace zentiq {

class CZentiqDoc;

class MultiWriteCommands {
public:
    static void ForceMultipleCoils(CZentiqDoc& doc);
    static void PresetMultipleRegisters(CZentiqDoc& doc);
    static void MaskWrite(CZentiqDoc& doc);
    static void ReadWriteRegisters(CZentiqDoc& doc);
};

}  // namespace zentiq
