// The item record: several attributes of one cell at once, with a mask that
// says which of them a set changes or a get fills in.
#pragma once

#include <QFont>
#include <QString>
#include <cstdint>
#include <optional>

#include "grid/grid_types.h"

namespace zentiq {

struct GridItem {
    int row = -1;
    int col = -1;
    std::uint32_t mask = 0;  // GVIF_* bits
    QString text;
    int image = -1;
    std::intptr_t data = 0;
    std::uint32_t state = 0;   // GVIS_* bits
    std::uint32_t format = 0;  // grid_format flags
    GridColour bkColour = kDefaultColour;
    GridColour fgColour = kDefaultColour;
    std::optional<QFont> font;  // none: the default cell's font
    int margin = -1;            // -1: the default cell's margin
};

}  // namespace zentiq
