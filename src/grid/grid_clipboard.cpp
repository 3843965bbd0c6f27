#include "grid/grid_clipboard.h"

#include "grid/grid_model.h"
#include "values/csv_text.h"

namespace zentiq {

namespace {

// The visible cells of `range` row by row; `selectedOnly` leaves the text of
// unselected cells out (their place stays). Rows end in CR LF, without one
// after the last.
template <class FieldFn>
QString rangeText(const CGridModel& grid, const CCellRange& range, bool selectedOnly,
                  QChar separator, FieldFn field) {
    QString out;
    if (!range.isValid())
        return out;
    bool firstRow = true;
    for (int r = range.minRow(); r <= range.maxRow(); ++r) {
        if (!grid.isRowVisible(r))
            continue;
        if (!firstRow)
            out += QStringLiteral("\r\n");
        firstRow = false;
        bool firstCol = true;
        for (int c = range.minCol(); c <= range.maxCol(); ++c) {
            if (!grid.isColumnVisible(c))
                continue;
            if (!firstCol)
                out += separator;
            firstCol = false;
            if (!selectedOnly || grid.isCellSelected(r, c))
                out += field(grid.cell(r, c)->text());
        }
    }
    return out;
}

QString csvField(const QString& text) { return CsvText::Field(text.trimmed()); }

}  // namespace

QString CGridClipboard::copyText(const CGridModel& grid) {
    return rangeText(grid, grid.selectedCellRange(), true, u'\t',
                     [](const QString& text) { return text; });
}

QString CGridClipboard::copyCsv(const CGridModel& grid) {
    return rangeText(grid, grid.selectedCellRange(), true, u',', csvField);
}

QString CGridClipboard::allCsv(const CGridModel& grid) {
    if (grid.rowCount() == 0 || grid.columnCount() == 0)
        return QString();
    QString text = rangeText(grid, CCellRange(0, 0, grid.rowCount() - 1, grid.columnCount() - 1),
                             false, u',', csvField);
    return text.isEmpty() ? text : text + QLatin1StringView(CsvText::kLineEnd);
}

QString CGridClipboard::cut(CGridModel& grid) {
    if (!grid.isEditable())
        return QString();
    QString text = copyText(grid);
    grid.deleteSelection();
    return text;
}

int CGridClipboard::paste(CGridModel& grid, QStringView text) {
    return paste(grid, text, grid.pasteTarget());
}

int CGridClipboard::paste(CGridModel& grid, QStringView text, CCellID target) {
    if (!grid.isEditable() || !grid.isValid(target) || grid.isCellFixed(target.row, target.col))
        return 0;
    if (text.isEmpty())
        return 0;
    // A final line break ends the last line rather than opening an empty one.
    if (text.endsWith(u'\n'))
        text.chop(1);

    int changed = 0;
    int row = grid.isRowVisible(target.row) ? target.row : grid.nextVisibleRow(target.row, 1);
    const int firstCol =
        grid.isColumnVisible(target.col) ? target.col : grid.nextVisibleColumn(target.col, 1);
    qsizetype pos = 0;
    while (row >= 0 && firstCol >= 0 && pos <= text.size()) {
        qsizetype lf = text.indexOf(u'\n', pos);
        if (lf < 0)
            lf = text.size();
        QStringView line = text.mid(pos, lf - pos);
        if (line.endsWith(u'\r'))
            line.chop(1);

        int col = firstCol;
        qsizetype start = 0;
        for (qsizetype i = 0; i <= line.size() && col >= 0; ++i) {
            if (i < line.size() && line[i] != u'\t' && line[i] != u',')
                continue;
            const QString field = line.mid(start, i - start).toString();
            start = i + 1;
            // The owner's answers may resize the table: every call below
            // checks the cell again.
            const CGridModel::EditResult result = grid.editCellText(row, col, field);
            if (result == CGridModel::EditResult::Changed)
                ++changed;
            if (result != CGridModel::EditResult::Rejected)
                grid.setItemState(row, col, grid.itemState(row, col) & ~GVIS_SELECTED);
            col = grid.nextVisibleColumn(col, 1);
        }
        pos = lf + 1;
        row = grid.nextVisibleRow(row, 1);
    }
    return changed;
}

}  // namespace zentiq
