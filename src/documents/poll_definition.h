// What one poll window polls or writes, and how it shows it. Field names are
// the settings-store keys of section "PollDefinition".
#pragma once

#include <QtGlobal>

#include "engine/engine_types.h"

namespace zentiq {

struct PollDefinition {
    qint32 Address = 0;  // first protocol address, 0-based
    qint32 FunctionValue = Code(FunctionCode::ReadHoldingRegisters);
    qint32 Length = 10;
    qint32 ScanRate = 1000;
    qint32 SlaveID = 1;
    qint32 bEnable = 1;
    qint32 DisplayFormat = 0;
    qint32 OneBased = 0;
    qint32 HideAlias = 0;
    qint32 DisplayAddr = 0;
    qint32 RowsDialog = 0;

    static constexpr int kFunctionCount = 8;
    static constexpr int kRowChoices[4] = {10, 20, 50, 100};

    static bool IsReadFunction(int function) {
        return function == FunctionCode::ReadCoils ||
               function == FunctionCode::ReadDiscreteInputs ||
               function == FunctionCode::ReadHoldingRegisters ||
               function == FunctionCode::ReadInputRegisters;
    }
    static bool IsWriteFunction(int function) {
        return function == FunctionCode::WriteSingleCoil ||
               function == FunctionCode::WriteSingleRegister ||
               function == FunctionCode::WriteMultipleCoils ||
               function == FunctionCode::WriteMultipleRegisters;
    }
    static bool IsCoilFunction(int function) {
        return function == FunctionCode::ReadCoils ||
               function == FunctionCode::ReadDiscreteInputs ||
               function == FunctionCode::WriteSingleCoil ||
               function == FunctionCode::WriteMultipleCoils;
    }
    // Function of a dialog index 0..7 (1, 2, 3, 4, 5, 6, 15, 16), or 0.
    static int FunctionFromIndex(int index);
    // Dialog index of a function, or -1.
    static int IndexFromFunction(int function);
    // Largest length the engine and the 2000-byte value buffer can carry for
    // a function (2000 coils, 127 registers, 1 for the single writes); -1 for
    // an unknown function.
    static int MaxLength(int function);
    // Rows per column pair for a RowsDialog index; 0 for an index outside 0..3.
    static int RowsForIndex(int rowsDialog);

    // True when every field lies within what the program itself can produce
    // and what the grid arithmetic and the value buffer can hold safely.
    bool IsSound() const;

    bool operator==(const PollDefinition&) const = default;
};

}  // namespace zentiq
