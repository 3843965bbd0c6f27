// Prints a grid over as many pages as its rows need: the grid's width
// scaled to the page, the fixed rows repeated on every page, a bold header
// (window title, application title, a rule) and a footer (a rule, page
// number, date and time).
#pragma once

#include <QDateTime>
#include <QFont>
#include <QSizeF>
#include <QString>
#include <utility>
#include <vector>

class QPainter;
class QPaintDevice;
class QPrinter;

namespace zentiq {

class CGridModel;

class CGridPrinter {
public:
    // Vertical margins in lines, horizontal ones in characters of the print
    // font.
    struct Margins {
        int header = 2;
        int footer = 2;
        int left = 4;
        int right = 4;
        int top = 1;
        int bottom = 1;
        int gap = 1;  // between header and grid, and grid and footer
    };

    explicit CGridPrinter(const CGridModel& grid);

    void setMargins(const Margins& margins) { m_margins = margins; }
    const Margins& margins() const { return m_margins; }

    // Prepares a job on a page of pageSize device pixels: print font,
    // scale, page breaks. screenDpi converts cell fonts given in points
    // (0: the primary screen's).
    void beginPrinting(QPaintDevice& device, const QSizeF& pageSize, qreal screenDpi = 0);
    int pageCount() const { return static_cast<int>(m_pages.size()); }
    // Non-fixed rows first..last of a page (1-based); (-1, -1) when the
    // page holds none.
    std::pair<int, int> pageRows(int page) const;
    // Device pixels per unit of the grid.
    qreal scale() const { return m_scale; }
    void printPage(QPainter& painter, int page, const QString& title, const QDateTime& when);
    void endPrinting();

    // The whole job on a printer, honouring its page range. Returns the
    // number of pages printed; 0 when the printer could not start.
    int print(QPrinter& printer, const QString& title);

private:
    const CGridModel& m_grid;
    Margins m_margins;
    QFont m_font;
    bool m_active = false;
    qreal m_charWidth = 0;
    qreal m_lineHeight = 0;
    qreal m_scale = 1;
    qreal m_screenDpi = 96;
    QSizeF m_logicalPage;
    std::vector<std::pair<int, int>> m_pages;
};

}  // namespace zentiq
