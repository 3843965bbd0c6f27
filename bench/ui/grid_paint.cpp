// Painting cost of the grid window on a poll-sized table (101 x 41 cells,
// header row and column): a full repaint of the visible window rendered into
// an image, and the update a poll causes, 125 changed value cells set by
// program followed by the partial repaint through the backing store. Qt's
// QTableWidget does the same work on the same table in the same run; the
// ratios grid / QTableWidget are printed next to the figures.
//
//   QT_QPA_PLATFORM=offscreen bench_grid_paint [repetitions, default 300]
#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QScrollBar>
#include <QTableWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "grid/grid_ctrl.h"

namespace {

using Clock = std::chrono::steady_clock;
using zentiq::CGridCtrl;
using zentiq::CGridModel;

constexpr int kRows = 101;
constexpr int kCols = 41;
constexpr int kRowsPerColumn = kRows - 1;
constexpr int kChanged = 125;
constexpr int kWidth = 1000;
constexpr int kHeight = 640;

void flushPaints()
{
    for (int round = 0; round < 2; ++round) {
        QApplication::processEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
    }
}

// Microseconds per call, median of the repetitions.
double medianMicros(int repetitions, const std::function<void(int)>& step)
{
    std::vector<double> times;
    times.reserve(static_cast<std::size_t>(repetitions));
    for (int i = 0; i < repetitions; ++i) {
        const auto t0 = Clock::now();
        step(i);
        times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Item i of a poll starting at address 0 sits in value column 2 + 2 * (i /
// R), row 1 + i % R.
int rowOf(int item) { return 1 + item % kRowsPerColumn; }
int colOf(int item) { return 2 + 2 * (item / kRowsPerColumn); }

void fillGrid(CGridCtrl& grid)
{
    CGridModel& m = grid.model();
    CGridModel::ProgramFill fill(m);
    m.setRowCount(kRows);
    m.setColumnCount(kCols);
    m.setFixedRowCount(1);
    m.setFixedColumnCount(1);
    const std::uint32_t format = zentiq::grid_format::Right | zentiq::grid_format::VCenter |
                                 zentiq::grid_format::SingleLine | zentiq::grid_format::NoPrefix |
                                 zentiq::grid_format::EndEllipsis;
    for (int r = 0; r < kRows; ++r)
        for (int c = 0; c < kCols; ++c) {
            m.setItemFormat(r, c, format);
            if (r == 0)
                m.setItemText(r, c, c % 2 == 1 ? QStringLiteral("Alias") : QStringLiteral("%1").arg(c * 50));
            else if (c == 0)
                m.setItemText(r, c, QString::number(r - 1));
            else if (c % 2 == 0) {
                m.setItemText(r, c, QString::number(r * c));
                m.setItemReadOnly(r, c, true);
            }
        }
}

void fillTable(QTableWidget& table)
{
    table.setRowCount(kRows - 1);
    table.setColumnCount(kCols - 1);
    for (int r = 1; r < kRows; ++r)
        for (int c = 1; c < kCols; ++c)
            table.setItem(r - 1, c - 1,
                          new QTableWidgetItem(c % 2 == 0 ? QString::number(r * c) : QString()));
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int repetitions = argc > 1 ? std::max(10, std::atoi(argv[1])) : 300;

    CGridCtrl grid;
    fillGrid(grid);
    grid.resize(kWidth, kHeight);
    grid.show();
    flushPaints();

    QTableWidget table;
    fillTable(table);
    table.resize(kWidth, kHeight);
    table.show();
    flushPaints();

    QImage image(grid.size(), QImage::Format_ARGB32_Premultiplied);

    // ---- full repaint of the visible window ----------------------------------------
    const double gridFull = medianMicros(repetitions, [&](int) { grid.render(&image); });
    const double tableFull = medianMicros(repetitions, [&](int) { table.render(&image); });

    // ---- a poll's update: 125 new values, then the partial repaint ------------------
    int visibleChanged = 0;
    for (int i = 0; i < kChanged; ++i)
        if (const auto r = grid.cellRect(rowOf(i), colOf(i)); r && r->top() < grid.viewport()->height() &&
                                                              r->left() < grid.viewport()->width())
            ++visibleChanged;

    const double gridUpdate = medianMicros(repetitions, [&](int round) {
        {
            CGridModel::ProgramFill fill(grid.model());
            for (int i = 0; i < kChanged; ++i)
                grid.model().setItemText(rowOf(i), colOf(i), QString::number(round * 1000 + i));
        }
        flushPaints();
    });
    const double tableUpdate = medianMicros(repetitions, [&](int round) {
        for (int i = 0; i < kChanged; ++i)
            table.item(rowOf(i) - 1, colOf(i) - 1)->setText(QString::number(round * 1000 + i));
        flushPaints();
    });

    // The same update with nothing visible changing (all 125 cells scrolled
    // out): the floor of bookkeeping without painting.
    grid.setScrollPosH(grid.horizontalScrollBar()->maximum());
    flushPaints();
    const double gridHidden = medianMicros(repetitions, [&](int round) {
        {
            CGridModel::ProgramFill fill(grid.model());
            for (int i = 0; i < kChanged; ++i)
                grid.model().setItemText(rowOf(i), colOf(i), QString::number(round * 1000 + i + 7));
        }
        flushPaints();
    });

    std::printf("grid %d x %d cells, window %d x %d, %d repetitions (medians)\n", kRows, kCols, kWidth,
                kHeight, repetitions);
    std::printf("full repaint (render)         grid %8.1f us   QTableWidget %8.1f us   ratio %.2f\n",
                gridFull, tableFull, gridFull / tableFull);
    std::printf("update %3d cells (%d visible)  grid %8.1f us   QTableWidget %8.1f us   ratio %.2f\n",
                kChanged, visibleChanged, gridUpdate, tableUpdate, gridUpdate / tableUpdate);
    std::printf("update %3d cells (0 visible)   grid %8.1f us\n", kChanged, gridHidden);
    return 0;
}
