// Draws single cells of a grid model: background, header edges or grid
// lines, selection and focus marks, and the text in the cell's format,
// colours and font. Shared by the grid window and its printout so that both
// show a cell the same way.
#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QPalette>
#include <QRect>
#include <QString>

#include "grid/cell_range.h"

class QPainter;

namespace zentiq {

class CGridModel;

class CGridCellPainter {
public:
    CGridCellPainter(const CGridModel& grid, const QPalette& palette);

    // On paper there is no selection, no focus and no raised header edge,
    // and cell fonts are given in the grid's own pixels (screenDpi converts
    // point sizes) so that they scale with the page.
    void setPrinting(bool printing, qreal screenDpi = 96.0);
    // Selected cells use the active or the inactive highlight.
    void setActive(bool active) { m_active = active; }
    void setPalette(const QPalette& palette) { m_palette = palette; }

    // Starts a paint pass on a new painter: forgets which font it holds and
    // takes the default cells' fonts once rather than for every cell.
    void begin();
    // rect is the cell as the model gives it (right = left + width - 1).
    void drawCell(QPainter& painter, int row, int col, const QRect& rect);

    // The font the cell is drawn in.
    QFont cellFont(int row, int col) const;
    // Where the cell's text goes inside rect.
    QRect textRect(int row, int col, const QRect& rect) const;
    // True when the cell's text is wider than its text area.
    bool textOverflows(int row, int col, const QRect& rect) const;

private:
    bool isFocusHeader(int row, int col) const;
    QFont adjustedFont(int row, int col, QFont font) const;
    void drawText(QPainter& painter, int row, int col, const QRect& rect, const QColor& colour,
                  const QFont& font);
    // The grey in which a stale cell's text is drawn on `background`.
    QColor staleColour(const QColor& text, const QColor& background);

    const CGridModel& m_grid;
    QPalette m_palette;
    // Selection background while active and inactive, taken by begin().
    QColor m_selection[2];
    bool m_printing = false;
    bool m_active = true;
    qreal m_screenDpi = 96.0;
    // The painter's font is only replaced when a cell needs another one.
    QFont m_lastFont;
    QFontMetrics m_lastMetrics{QFont()};
    bool m_haveLastFont = false;
    QFont m_defaultFonts[4];  // by fixed row * 2 + fixed column, for one pass
    // The last stale grey and the text and background colours it was made
    // for: stale cells come in runs of the same colours.
    QColor m_staleFor[2];
    QColor m_stale;
};

}  // namespace zentiq
