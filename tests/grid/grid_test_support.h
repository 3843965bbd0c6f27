// Shared by the grid tests: a GUI application for fonts and palettes, a
// text measurement whose numbers the tests can predict, and an owner that
// records notifications and answers them as told.
#pragma once

#include <gtest/gtest.h>

#include <QFont>
#include <QGuiApplication>
#include <QSize>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "grid/grid_model.h"
#include "support/qt_test_app.h"

namespace zentiq::grid_test {

// 7 pixels per character (10 in a font larger than 12 points), 13 high.
inline std::optional<QSize> fixedMeasure(const QFont& font, const QString& text)
{
    const int perChar = font.pointSize() > 12 ? 10 : 7;
    return QSize(perChar * static_cast<int>(text.size()), 13);
}

struct Owner {
    std::vector<GridNotification> seen;
    std::function<int(const GridNotification&)> answer;

    void attach(CGridModel& grid)
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
    int count(int code, int row, int col) const
    {
        int k = 0;
        for (const GridNotification& n : seen)
            if (n.code == code && n.row == row && n.column == col)
                ++k;
        return k;
    }
};

}  // namespace zentiq::grid_test
