// Numbers and small value types shared by the grid's table model and the
// grid window: item mask bits, cell state bits, notification codes, text
// format flags and the 32-bit colour value.
#pragma once

#include <QColor>
#include <Qt>
#include <cstdint>

#include "resources/menus.h"  // the command ids the grid answers

namespace zentiq {

// ---- item record mask: which attributes a set/get touches ------------------
inline constexpr std::uint32_t GVIF_TEXT = 0x01;
inline constexpr std::uint32_t GVIF_IMAGE = 0x02;
inline constexpr std::uint32_t GVIF_PARAM = 0x04;
inline constexpr std::uint32_t GVIF_STATE = 0x08;
inline constexpr std::uint32_t GVIF_BKCLR = 0x10;
inline constexpr std::uint32_t GVIF_FGCLR = 0x20;
inline constexpr std::uint32_t GVIF_FORMAT = 0x40;
inline constexpr std::uint32_t GVIF_FONT = 0x80;
inline constexpr std::uint32_t GVIF_MARGIN = 0x100;
inline constexpr std::uint32_t GVIF_ALL = 0x1FF;

// ---- cell state bits ---------------------------------------------------------
inline constexpr std::uint32_t GVIS_FOCUSED = 0x01;
inline constexpr std::uint32_t GVIS_SELECTED = 0x02;
inline constexpr std::uint32_t GVIS_READONLY = 0x08;
inline constexpr std::uint32_t GVIS_MODIFIED = 0x80;
// The text is no longer current (a value from before a failed read): drawn
// grey and italic.
inline constexpr std::uint32_t GVIS_STALE = 0x100;

// ---- notification codes sent to the grid's owner -----------------------------
inline constexpr int GVN_CLICK = -2;
inline constexpr int GVN_DBLCLK = -3;
inline constexpr int GVN_SELCHANGING = -100;
inline constexpr int GVN_SELCHANGED = -101;
inline constexpr int GVN_BEGINDRAG = -109;
inline constexpr int GVN_BEGINLABELEDIT = -175;
inline constexpr int GVN_ENDLABELEDIT = -176;

// Character of a begin-edit notification that was started by a double-click
// or F2 rather than by a typed character.
inline constexpr int kEditByMouseOrF2 = 1;

// What the owner learns with every notification. An answer below zero
// refuses where refusing means something (begin-edit, end-edit).
struct GridNotification {
    int code = 0;
    int row = -1;
    int column = -1;
    int character = 0;
};

// ---- text format flags of a cell ---------------------------------------------
// Horizontal alignment sits in the two low bits; the rest are independent.
namespace grid_format {
inline constexpr std::uint32_t Left = 0x0000;
inline constexpr std::uint32_t Center = 0x0001;
inline constexpr std::uint32_t Right = 0x0002;
inline constexpr std::uint32_t VCenter = 0x0004;
inline constexpr std::uint32_t Bottom = 0x0008;
inline constexpr std::uint32_t WordBreak = 0x0010;
inline constexpr std::uint32_t SingleLine = 0x0020;
inline constexpr std::uint32_t NoPrefix = 0x0800;
inline constexpr std::uint32_t EndEllipsis = 0x8000;

// Alignment flags for QPainter::drawText.
inline Qt::Alignment toAlignment(std::uint32_t format) {
    Qt::Alignment a;
    switch (format & 0x3) {
    case Center: a |= Qt::AlignHCenter; break;
    case Right: a |= Qt::AlignRight; break;
    default: a |= Qt::AlignLeft; break;
    }
    if (format & VCenter)
        a |= Qt::AlignVCenter;
    else if (format & Bottom)
        a |= Qt::AlignBottom;
    else
        a |= Qt::AlignTop;
    return a;
}
}  // namespace grid_format

// ---- colours -----------------------------------------------------------------
// A colour as the document file stores it: red in the low byte, then green,
// then blue; the top byte 0xFF marks "use the default cell's colour".
using GridColour = std::uint32_t;
inline constexpr GridColour kDefaultColour = 0xFF000000u;

constexpr GridColour gridRgb(int r, int g, int b) {
    return static_cast<GridColour>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int gridRed(GridColour c) { return static_cast<int>(c & 0xFF); }
constexpr int gridGreen(GridColour c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int gridBlue(GridColour c) { return static_cast<int>((c >> 16) & 0xFF); }
constexpr bool isDefaultColour(GridColour c) { return (c & 0xFF000000u) != 0; }

inline QColor toQColor(GridColour c) { return QColor(gridRed(c), gridGreen(c), gridBlue(c)); }
inline GridColour fromQColor(const QColor& c) {
    return c.isValid() ? gridRgb(c.red(), c.green(), c.blue()) : kDefaultColour;
}

}  // namespace zentiq
