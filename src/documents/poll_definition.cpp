#include "documents/poll_definition.h"

#include "values/value_format.h"

namespace zentiq {

namespace {
constexpr FunctionCode kFunctions[PollDefinition::kFunctionCount] = {
    FunctionCode::ReadCoils,
    FunctionCode::ReadDiscreteInputs,
    FunctionCode::ReadHoldingRegisters,
    FunctionCode::ReadInputRegisters,
    FunctionCode::WriteSingleCoil,
    FunctionCode::WriteSingleRegister,
    FunctionCode::WriteMultipleCoils,
    FunctionCode::WriteMultipleRegisters};

bool isFlag(qint32 v) { return v == 0 || v == 1; }
}  // namespace

int PollDefinition::FunctionFromIndex(int index) {
    return (index >= 0 && index < kFunctionCount) ? Code(kFunctions[index]) : 0;
}

int PollDefinition::IndexFromFunction(int function) {
    for (int i = 0; i < kFunctionCount; ++i)
        if (kFunctions[i] == function)
            return i;
    return -1;
}

int PollDefinition::MaxLength(int function) {
    switch (static_cast<FunctionCode>(function)) {
    case FunctionCode::ReadCoils:
    case FunctionCode::ReadDiscreteInputs:
    case FunctionCode::WriteMultipleCoils: return 2000;
    case FunctionCode::ReadHoldingRegisters:
    case FunctionCode::ReadInputRegisters:
    case FunctionCode::WriteMultipleRegisters: return 127;
    case FunctionCode::WriteSingleCoil:
    case FunctionCode::WriteSingleRegister: return 1;
    default: return -1;
    }
}

int PollDefinition::RowsForIndex(int rowsDialog) {
    return (rowsDialog >= 0 && rowsDialog < 4) ? kRowChoices[rowsDialog] : 0;
}

bool PollDefinition::IsSound() const {
    const int maxLength = MaxLength(FunctionValue);
    // Length 0 came through the automation interface of earlier versions:
    // files saved then still load.
    return Address >= 0 && Address <= 65535 && maxLength > 0 && Length >= 0 &&
           Length <= maxLength && ScanRate >= 0 && ScanRate <= 65535 && SlaveID >= 0 &&
           SlaveID <= 255 && isFlag(bEnable) && IsDisplayFormat(DisplayFormat) &&
           isFlag(OneBased) && isFlag(HideAlias) && isFlag(DisplayAddr) &&
           RowsForIndex(RowsDialog) > 0;
}

}  // namespace zentiq
