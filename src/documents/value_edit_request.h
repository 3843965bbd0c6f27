// A value cell the user double-clicked or typed on, for the write dialogs.
#pragma once

#include <optional>

#include "values/row_type.h"

namespace zentiq {

struct ValueEditRequest {
    int function = 0;
    int displayFormat = 0;
    int item = 0;          // poll item of the cell
    int shownAddress = 0;  // address as the user sees it; the first register of a 32/64-bit value
    int keyCode = 0;       // -1 double-click/F2, -2 "-", 0..15 a digit, 32/48/49 for coils
    // The row's own type when the value has one (item is then where it begins).
    std::optional<RowType> rowType;
};

}  // namespace zentiq
