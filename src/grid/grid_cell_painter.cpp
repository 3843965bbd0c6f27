#include "grid/grid_cell_painter.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "framework/contrast.h"
#include "grid/grid_model.h"

namespace zentiq {

CGridCellPainter::CGridCellPainter(const CGridModel& grid, const QPalette& palette)
    : m_grid(grid), m_palette(palette) {}

void CGridCellPainter::setPrinting(bool printing, qreal screenDpi) {
    m_printing = printing;
    m_screenDpi = screenDpi > 0 ? screenDpi : 96.0;
    m_haveLastFont = false;
}

bool CGridCellPainter::isFocusHeader(int row, int col) const {
    if (m_printing || !m_grid.highlightsFocusHeaders())
        return false;
    const CCellID focus = m_grid.focusCell();
    if (!m_grid.isValid(focus))
        return false;
    const bool fixedRow = row < m_grid.fixedRowCount();
    const bool fixedCol = col < m_grid.fixedColumnCount();
    // Only the header cells that label the focus cell's row or column, not
    // the corner where both header kinds meet.
    return (fixedCol && !fixedRow && row == focus.row) ||
           (fixedRow && !fixedCol && col == focus.col);
}

void CGridCellPainter::begin() {
    m_haveLastFont = false;
    // Many palettes pair white with a bright blue: the selection is deepened
    // until its text reads well, the text keeps its colour.
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
        m_selection[group == QPalette::Active ? 0 : 1] =
            ReadableOn(m_palette.color(group, QPalette::Highlight),
                       m_palette.color(group, QPalette::HighlightedText));
    for (int i = 0; i < 4; ++i)
        m_defaultFonts[i] = m_grid.defaultCell(i >= 2, (i & 1) != 0).effectiveFont();
}

QFont CGridCellPainter::cellFont(int row, int col) const {
    return adjustedFont(row, col, m_grid.itemFont(row, col));
}

QFont CGridCellPainter::adjustedFont(int row, int col, QFont font) const {
    if (isFocusHeader(row, col))
        font.setBold(true);
    if (const CGridCell* cell = m_grid.cell(row, col); cell != nullptr && cell->hasState(GVIS_STALE))
        font.setItalic(true);
    if (m_printing && font.pixelSize() <= 0) {
        // On paper one unit is one screen pixel of the grid, so a point size
        // is turned into the pixels it has on screen.
        const qreal points = font.pointSizeF() > 0 ? font.pointSizeF() : 10.0;
        font.setPixelSize(std::max(1, static_cast<int>(std::lround(points * m_screenDpi / 72.0))));
    }
    return font;
}

QRect CGridCellPainter::textRect(int row, int col, const QRect& rect) const {
    const int margin = m_grid.itemMargin(row, col);
    // The last column and row of pixels hold the grid line or the edge.
    QRect r(rect.left() + margin, rect.top(), rect.width() - 1 - 2 * margin, rect.height() - 1);
    const std::uint32_t format = m_grid.itemFormat(row, col);
    if (!(format & (grid_format::VCenter | grid_format::Bottom)))
        r.setTop(r.top() + 1);
    return r;
}

bool CGridCellPainter::textOverflows(int row, int col, const QRect& rect) const {
    const CGridCell* cell = m_grid.cell(row, col);
    if (cell == nullptr || cell->text().isEmpty())
        return false;
    const QFontMetrics fm(cellFont(row, col));
    return fm.horizontalAdvance(cell->text()) > textRect(row, col, rect).width();
}

void CGridCellPainter::drawText(QPainter& painter, int row, int col, const QRect& rect,
                                const QColor& colour, const QFont& font) {
    const CGridCell* cell = m_grid.cell(row, col);
    if (cell == nullptr || cell->text().isEmpty())
        return;
    const QRect area = textRect(row, col, rect);
    if (area.width() <= 0 || area.height() <= 0)
        return;
    if (!m_haveLastFont || !(font == m_lastFont)) {
        painter.setFont(font);
        m_lastFont = font;
        m_lastMetrics = painter.fontMetrics();
        m_haveLastFont = true;
    }
    painter.setPen(colour);

    const std::uint32_t format = cell->format();
    const QString& text = cell->text();
    if (!(format & grid_format::SingleLine) && (format & grid_format::WordBreak)) {
        painter.drawText(
            area, static_cast<int>(grid_format::toAlignment(format)) | Qt::TextWordWrap, text);
        return;
    }

    // One line placed by hand: much cheaper than the general text layout
    // of the rectangle variant, and this runs for every cell of every paint.
    const QFontMetrics& fm = m_lastMetrics;
    QString elided;
    const QString* shown = &text;
    int width = fm.horizontalAdvance(text);
    bool clip = false;
    if (width > area.width()) {
        if (format & grid_format::EndEllipsis) {
            elided = fm.elidedText(text, Qt::ElideRight, area.width());
            shown = &elided;
            width = fm.horizontalAdvance(elided);
        } else {
            clip = true;
        }
    }
    int x = area.left();
    switch (format & 0x3) {
    case grid_format::Center: x += (area.width() - width) / 2; break;
    case grid_format::Right: x = area.left() + area.width() - width; break;
    default: break;
    }
    int baseline = area.top() + fm.ascent();
    if (format & grid_format::VCenter)
        baseline = area.top() + (area.height() - fm.height()) / 2 + fm.ascent();
    else if (format & grid_format::Bottom)
        baseline = area.top() + area.height() - fm.descent();
    if (clip || fm.height() > area.height()) {
        painter.save();
        painter.setClipRect(area, Qt::IntersectClip);
        painter.drawText(QPoint(x, baseline), *shown);
        painter.restore();
    } else {
        painter.drawText(QPoint(x, baseline), *shown);
    }
}

void CGridCellPainter::drawCell(QPainter& painter, int row, int col, const QRect& rect) {
    const CGridCell* cell = m_grid.cell(row, col);
    if (cell == nullptr || rect.width() <= 0 || rect.height() <= 0)
        return;
    const bool fixed = m_grid.isCellFixed(row, col);
    QColor background = toQColor(m_grid.effectiveBkColour(row, col));
    QColor foreground = toQColor(m_grid.effectiveFgColour(row, col));
    const std::optional<QFont>& own = cell->font();
    const int kind =
        (row < m_grid.fixedRowCount() ? 2 : 0) + (col < m_grid.fixedColumnCount() ? 1 : 0);
    const QFont font = adjustedFont(row, col, own ? *own : m_defaultFonts[kind]);
    const QColor gridLine = toQColor(m_grid.gridLineColour());

    if (fixed) {
        painter.fillRect(rect, background);
        const QRect right(rect.right(), rect.top(), 1, rect.height());
        const QRect bottom(rect.left(), rect.bottom(), rect.width(), 1);
        if (m_printing) {
            painter.fillRect(right, gridLine);
            painter.fillRect(bottom, gridLine);
        } else {
            // Raised edge; the headers of the focus row and column look
            // pressed so that they show where the focus cell is.
            const bool pressed = isFocusHeader(row, col);
            const QColor light = m_palette.color(QPalette::Light);
            const QColor dark = m_palette.color(QPalette::Dark);
            painter.fillRect(QRect(rect.left(), rect.top(), rect.width(), 1),
                             pressed ? dark : light);
            painter.fillRect(QRect(rect.left(), rect.top(), 1, rect.height()),
                             pressed ? dark : light);
            painter.fillRect(right, pressed ? light : dark);
            painter.fillRect(bottom, pressed ? light : dark);
        }
        drawText(painter, row, col, rect, foreground, font);
        return;
    }

    const bool focused = !m_printing && cell->hasState(GVIS_FOCUSED);
    const bool selected = !m_printing && cell->hasState(GVIS_SELECTED);
    if (selected && !focused) {
        const QPalette::ColorGroup group = m_active ? QPalette::Active : QPalette::Inactive;
        foreground = m_palette.color(group, QPalette::HighlightedText);
        background = m_selection[m_active ? 0 : 1];
    }
    // Background and the grid lines on the right and bottom edge as plain
    // fills: the cheapest way through the raster engine.
    painter.fillRect(QRect(rect.left(), rect.top(), rect.width() - 1, rect.height() - 1),
                     background);
    painter.fillRect(QRect(rect.right(), rect.top(), 1, rect.height()), gridLine);
    painter.fillRect(QRect(rect.left(), rect.bottom(), rect.width() - 1, 1), gridLine);
    if (focused && rect.width() > 2 && rect.height() > 2) {
        painter.setPen(m_palette.color(QPalette::Text));
        painter.drawRect(rect.adjusted(0, 0, -2, -2));
    }
    if (cell->hasState(GVIS_STALE))
        foreground = staleColour(foreground, background);
    drawText(painter, row, col, rect, foreground, font);
}

QColor CGridCellPainter::staleColour(const QColor& text, const QColor& background) {
    if (m_staleFor[0] == text && m_staleFor[1] == background)
        return m_stale;
    // A neutral grey halfway between the text and its background, whatever
    // colours the palette or the user chose, then just as far from the
    // background as reading needs.
    const int level = (qGray(text.rgb()) + qGray(background.rgb())) / 2;
    m_staleFor[0] = text;
    m_staleFor[1] = background;
    m_stale = ReadableOn(QColor(level, level, level), background);
    return m_stale;
}

}  // namespace zentiq
