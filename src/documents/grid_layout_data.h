// The part of a poll window's grid that its document file carries: sizes,
// per-cell colours, fonts and texts, and the view state to restore. The
// document copies it from and to its grid; the file codec never touches a
// widget.
#pragma once

#include <QString>
#include <QVector>
#include <QtGlobal>

#include "documents/doc_font.h"

namespace zentiq {

struct GridCellData {
    static constexpr quint32 kDefaultColour = 0xFF000000u;  // "use the default cell's colour"

    quint32 background = kDefaultColour;
    quint32 textColour = kDefaultColour;
    DocFont font;
    QString text;

    bool operator==(const GridCellData&) const = default;
};

struct GridLayoutData {
    QVector<qint32> columnWidths;
    QVector<qint32> rowHeights;
    QVector<GridCellData> cells;  // column by column: index = column * rowCount() + row

    qint32 scrollV = 0;
    qint32 scrollH = 0;
    qint32 focusRow = -1;
    qint32 focusColumn = -1;

    int columnCount() const { return static_cast<int>(columnWidths.size()); }
    int rowCount() const { return static_cast<int>(rowHeights.size()); }

    // Resizes to rows x columns of default cells; sizes are set to 0.
    void reset(int rows, int columns) {
        columnWidths.fill(0, qMax(columns, 0));
        rowHeights.fill(0, qMax(rows, 0));
        cells.fill(GridCellData(), qsizetype(qMax(rows, 0)) * qMax(columns, 0));
    }

    bool isValidCell(int row, int column) const {
        return row >= 0 && column >= 0 && row < rowCount() && column < columnCount() &&
               cells.size() == qsizetype(rowCount()) * columnCount();
    }
    // nullptr for a cell outside the table.
    const GridCellData* cell(int row, int column) const {
        return isValidCell(row, column) ? &cells[qsizetype(column) * rowCount() + row] : nullptr;
    }
    GridCellData* cell(int row, int column) {
        return isValidCell(row, column) ? &cells[qsizetype(column) * rowCount() + row] : nullptr;
    }

    bool operator==(const GridLayoutData&) const = default;
};

}  // namespace zentiq
