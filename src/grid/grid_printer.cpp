#include "grid/grid_printer.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QLocale>
#include <QPainter>
#include <QPrinter>
#include <QScreen>
#include <algorithm>

#include "grid/grid_cell_painter.h"
#include "grid/grid_model.h"
#include "resources/strings.h"

namespace zentiq {

CGridPrinter::CGridPrinter(const CGridModel& grid) : m_grid(grid) {}

void CGridPrinter::beginPrinting(QPaintDevice& device, const QSizeF& pageSize, qreal screenDpi) {
    if (screenDpi <= 0) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        screenDpi = screen != nullptr ? screen->logicalDotsPerInchY() : 96.0;
    }
    m_screenDpi = screenDpi > 0 ? screenDpi : 96.0;

    // One unit of the printout is one pixel of the grid on screen; the
    // print font is 10 of them high.
    m_font = QFont(QStringLiteral("Arial"));
    m_font.setPixelSize(10);
    m_font.setWeight(QFont::Normal);
    const QFontMetricsF fm(m_font, &device);
    const QString letters = QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");
    m_charWidth = fm.horizontalAdvance(letters) / 52.0;
    m_lineHeight = fm.height();

    const qreal width = m_grid.totalWidth() + (m_margins.left + m_margins.right) * m_charWidth;
    m_scale = (pageSize.width() > 0 && width > 0) ? pageSize.width() / width : 1.0;
    m_logicalPage = QSizeF(width, pageSize.height() / m_scale);

    // Rows fill the space between header and footer below the fixed rows;
    // each page takes at least one row even if it is taller than that.
    const qreal reserved = (m_margins.top + m_margins.header + 2 * m_margins.gap +
                            m_margins.footer + m_margins.bottom) *
                           m_lineHeight;
    const qreal room = m_logicalPage.height() - reserved - m_grid.fixedRowsHeight();
    m_pages.clear();
    int first = -1;
    int last = -1;
    qreal used = 0;
    for (int r = m_grid.fixedRowCount(); r < m_grid.rowCount(); ++r) {
        const int h = m_grid.rowHeight(r);
        if (h <= 0)
            continue;
        if (first >= 0 && used + h > room) {
            m_pages.emplace_back(first, last);
            first = -1;
            used = 0;
        }
        if (first < 0)
            first = r;
        last = r;
        used += h;
    }
    if (first >= 0)
        m_pages.emplace_back(first, last);
    if (m_pages.empty())
        m_pages.emplace_back(-1, -1);
    m_active = true;
}

std::pair<int, int> CGridPrinter::pageRows(int page) const {
    if (page < 1 || page > pageCount())
        return {-1, -1};
    return m_pages[static_cast<std::size_t>(page - 1)];
}

void CGridPrinter::printPage(QPainter& painter, int page, const QString& title,
                             const QDateTime& when) {
    if (!m_active || page < 1 || page > pageCount())
        return;
    painter.save();
    painter.scale(m_scale, m_scale);

    const qreal line = m_lineHeight;
    const qreal left = m_margins.left * m_charWidth;
    const qreal right = m_logicalPage.width() - m_margins.right * m_charWidth;
    const QColor ink(0, 0, 0);
    QFont bold = m_font;
    bold.setBold(true);

    // Header: window title centred, application title on the right, a rule.
    const qreal headerTop = m_margins.top * line;
    const QRectF headerText(left, headerTop, right - left, line);
    painter.setFont(bold);
    painter.setPen(ink);
    painter.drawText(headerText, Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine, title);
    painter.drawText(headerText, Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine,
                     LoadString(ids::AppTitle));
    const qreal headerRule = headerTop + (m_margins.header - 0.5) * line;
    painter.drawLine(QPointF(left, headerRule), QPointF(right, headerRule));

    // Footer position first: the grid is clipped above it.
    const qreal footerTop = m_logicalPage.height() - (m_margins.bottom + m_margins.footer) * line;
    const qreal gridTop = headerTop + (m_margins.header + m_margins.gap) * line;
    const qreal gridBottom = footerTop - m_margins.gap * line;

    // Grid: the fixed rows, then the rows of this page.
    {
        CGridCellPainter cells(m_grid, QGuiApplication::palette());
        cells.setPrinting(true, m_screenDpi);
        cells.begin();
        painter.save();
        painter.setClipRect(
            QRectF(left, gridTop, right - left + 1, std::max<qreal>(0, gridBottom - gridTop)));
        // Cells are laid out on whole units of the grid.
        const int x0 = static_cast<int>(left);
        int y = static_cast<int>(gridTop);
        auto drawRow = [&](int r) {
            const int h = m_grid.rowHeight(r);
            if (h <= 0)
                return;
            int x = x0;
            for (int c = 0; c < m_grid.columnCount(); ++c) {
                const int w = m_grid.columnWidth(c);
                if (w <= 0)
                    continue;
                cells.drawCell(painter, r, c, QRect(x, y, w, h));
                x += w;
            }
            y += h;
        };
        for (int r = 0; r < m_grid.fixedRowCount(); ++r)
            drawRow(r);
        const auto [firstRow, lastRow] = m_pages[static_cast<std::size_t>(page - 1)];
        if (firstRow >= 0)
            for (int r = firstRow; r <= lastRow; ++r)
                drawRow(r);
        // Cells draw their right and bottom lines; close the frame.
        const int top = static_cast<int>(gridTop);
        if (y > top && m_grid.totalWidth() > 0) {
            const QColor line = toQColor(m_grid.gridLineColour());
            painter.fillRect(QRect(x0, top, m_grid.totalWidth(), 1), line);
            painter.fillRect(QRect(x0, top, 1, y - top), line);
        }
        painter.restore();
    }

    // Footer: a rule, the page number on the left, date and time on the right.
    const qreal footerRule = footerTop + 0.5 * line;
    painter.setPen(ink);
    painter.drawLine(QPointF(left, footerRule), QPointF(right, footerRule));
    painter.setFont(bold);
    const QRectF footerText(left, footerTop + (m_margins.footer - 1) * line, right - left, line);
    painter.drawText(footerText, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     QString::asprintf("Page %d of %d", page, pageCount()));
    painter.drawText(footerText, Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine,
                     QLocale::system().toString(when, QLocale::ShortFormat));
    painter.restore();
}

void CGridPrinter::endPrinting() {
    m_active = false;
    m_font = QFont();
    m_pages.clear();
}

int CGridPrinter::print(QPrinter& printer, const QString& title) {
    QPainter painter;
    if (!painter.begin(&printer))
        return 0;
    beginPrinting(printer, QSizeF(printer.width(), printer.height()));
    int first = 1;
    int last = pageCount();
    if (printer.fromPage() > 0)
        first = std::max(first, printer.fromPage());
    if (printer.toPage() > 0)
        last = std::min(last, printer.toPage());
    const QDateTime now = QDateTime::currentDateTime();
    int printed = 0;
    for (int page = first; page <= last; ++page) {
        if (printed > 0 && !printer.newPage())
            break;
        printPage(painter, page, title, now);
        ++printed;
    }
    painter.end();
    endPrinting();
    return printed;
}

}  // namespace zentiq
