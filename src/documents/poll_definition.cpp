#include "documents/poll_definition.h"

namespace zentiq {

namespace {
constexpr int kFunctions[PollDefinition::kFunctionCount] = {1, 2, 3, 4, 5, 6, 15, 16};

bool isFlag(qint32 v) { return v == 0 || v == 1; }
}  // namespace

int PollDefinition::FunctionFromIndex(int index) {
    return (index >= 0 && index < kFunctionCount) ? kFunctions[index] : 0;
}

int PollDefinition::IndexFromFunction(int function) {
    for (int i = 0; i < kFunctionCount; ++i)
        if (kFunctions[i] == function)
            return i;
    return -1;
}

int PollDefinition::MaxLength(int function) {
    switch (function) {
    case 1:
    case 2:
    case 15: return 2000;
    case 3:
    case 4:
    case 16: return 127;
    case 5:
    case 6: return 1;
    default: return -1;
    }
}

int PollDefinition::RowsForIndex(int rowsDialog) {
    return (rowsDialog >= 0 && rowsDialog < 4) ? kRowChoices[rowsDialog] : 0;
}

bool PollDefinition::IsSound() const {
    const int maxLength = MaxLength(FunctionValue);
    // Length 0 is possible through the automation interface.
    return Address >= 0 && Address <= 65535 && maxLength > 0 && Length >= 0 &&
           Length <= maxLength && ScanRate >= 0 && ScanRate <= 65535 && SlaveID >= 0 &&
           SlaveID <= 255 && isFlag(bEnable) && DisplayFormat >= 0 && DisplayFormat <= 9 &&
           isFlag(OneBased) && isFlag(HideAlias) && isFlag(DisplayAddr) &&
           RowsForIndex(RowsDialog) > 0;
}

}  // namespace zentiq
