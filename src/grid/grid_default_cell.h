// Defaults for one kind of cell (ordinary, fixed row, fixed column, both):
// font, colours, format, margin and the size new rows and columns take.
#pragma once

#include <QFont>
#include <QSize>
#include <QString>
#include <functional>
#include <optional>

#include "grid/grid_cell.h"

namespace zentiq {

// Measures the extent of a single line of text in a font; an empty optional
// means that no measurement is possible (no screen to measure on).
using TextMeasureFn = std::function<std::optional<QSize>(const QFont& font, const QString& text)>;

class CGridDefaultCell : public CGridCell {
public:
    static constexpr int kUnmeasuredMargin = 3;
    static constexpr int kUnmeasuredWidth = 40;
    static constexpr int kUnmeasuredHeight = 16;

    CGridDefaultCell();

    int width() const { return m_width; }
    void setWidth(int width) { m_width = width; }
    int height() const { return m_height; }
    void setHeight(int height) { m_height = height; }

    // Sets the font and derives margin, width and height from it: the margin
    // is one blank, the width that of " XXXXXXXXXXXX ", the height 3/2 of the
    // text height. Without a measurement 3, 40 and 16 are used.
    void setFont(const QFont& font, const TextMeasureFn& measure);
    // The font this default cell hands to cells without their own.
    // A default QFont is made only when no font is set (it takes a lock).
    QFont effectiveFont() const { return font() ? *font() : QFont(); }

private:
    using CGridCell::setFont;

    int m_width = kUnmeasuredWidth;
    int m_height = kUnmeasuredHeight;
};

}  // namespace zentiq
