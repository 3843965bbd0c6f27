// Shared by the grid window tests: a widget application on the offscreen
// platform, a grid laid out like a poll window (header row and column,
// alias columns editable, value columns read-only) and an owner that
// records notifications and answers them as told.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QtTest/QTest>
#include <functional>
#include <memory>
#include <vector>

#include "grid/grid_ctrl.h"
#include "support/qt_test_app.h"

namespace zentiq::grid_widget_test {

struct Recorder {
    std::vector<GridNotification> seen;
    std::function<int(const GridNotification&)> answer;

    void attach(CGridCtrl& grid)
    {
        grid.setNotifyHandler([this](const GridNotification& n) {
            seen.push_back(n);
            return answer ? answer(n) : 0;
        });
    }
    std::vector<int> codes() const
    {
        std::vector<int> out;
        for (const GridNotification& n : seen)
            out.push_back(n.code);
        return out;
    }
    int count(int code) const
    {
        int k = 0;
        for (const GridNotification& n : seen)
            k += n.code == code ? 1 : 0;
        return k;
    }
};

constexpr int kColumnWidth = 60;
constexpr int kRowHeight = 20;

// rows x cols including the header row and column; columns 2, 4, ... are
// read-only value columns, 1, 3, ... editable alias columns. Cell (r, c)
// holds "r.c". Everything is set as a fill by program: nothing is modified.
inline void layOutPollGrid(CGridCtrl& grid, int rows, int cols)
{
    CGridModel& m = grid.model();
    CGridModel::ProgramFill fill(m);
    m.setRowCount(rows);
    m.setColumnCount(cols);
    m.setFixedRowCount(1);
    m.setFixedColumnCount(1);
    for (int c = 0; c < cols; ++c)
        m.setColumnWidth(c, kColumnWidth);
    for (int r = 0; r < rows; ++r)
        m.setRowHeight(r, kRowHeight);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) {
            m.setItemText(r, c, QStringLiteral("%1.%2").arg(r).arg(c));
            if (r > 0 && c > 0 && c % 2 == 0)
                m.setItemReadOnly(r, c, true);
        }
}

// Shows the grid as the active window with the keyboard focus.
inline void showFocused(QWidget& w)
{
    w.show();
    QApplication::setActiveWindow(w.window());
    w.activateWindow();
    w.setFocus(Qt::OtherFocusReason);
    QApplication::processEvents();
}

// Delivers pending layouts and repaints now (a layout may post a repaint
// of its own, hence a few rounds).
inline void flushPaints()
{
    for (int round = 0; round < 3; ++round) {
        QApplication::processEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
    }
}

// Centre of a cell in viewport coordinates.
inline QPoint centreOf(const CGridCtrl& grid, int row, int col)
{
    const std::optional<QRect> r = grid.cellRect(row, col);
    return r ? r->center() : QPoint(-1, -1);
}

}  // namespace zentiq::grid_widget_test
