#include "documents/grid_layout_bridge.h"

#include <algorithm>

#include "grid/grid_model.h"

namespace zentiq {

GridLayoutData CaptureGridLayout(const CGridModel& grid, const DocFont& fontBase, int scrollV,
                                 int scrollH) {
    GridLayoutData data;
    const int rows = grid.rowCount();
    const int columns = grid.columnCount();
    data.reset(rows, columns);
    for (int c = 0; c < columns; ++c)
        data.columnWidths[c] = std::max(grid.columnWidth(c), 0);
    for (int r = 0; r < rows; ++r)
        data.rowHeights[r] = std::max(grid.rowHeight(r), 0);
    for (int c = 0; c < columns; ++c) {
        for (int r = 0; r < rows; ++r) {
            GridCellData* cell = data.cell(r, c);
            cell->background = grid.itemBkColour(r, c);
            cell->textColour = grid.itemFgColour(r, c);
            cell->font = DocFont::fromQFont(grid.itemFont(r, c), fontBase);
            cell->text = grid.itemText(r, c);
        }
    }
    data.scrollV = scrollV;
    data.scrollH = scrollH;
    data.focusRow = grid.focusCell().row;
    data.focusColumn = grid.focusCell().col;
    return data;
}

void ApplyGridLayout(const GridLayoutData& data, CGridModel& grid) {
    CGridModel::ProgramFill fill(grid);
    const int rows = data.rowCount();
    const int columns = data.columnCount();
    if (!grid.setRowCount(rows) || !grid.setColumnCount(columns))
        return;
    for (int c = 0; c < columns; ++c)
        grid.setColumnWidth(c, std::clamp(data.columnWidths[c], 0, CGridModel::kMaxExtent));
    for (int r = 0; r < rows; ++r)
        grid.setRowHeight(r, std::clamp(data.rowHeights[r], 0, CGridModel::kMaxExtent));
    for (int c = 0; c < columns; ++c) {
        for (int r = 0; r < rows; ++r) {
            const GridCellData* cell = data.cell(r, c);
            if (!cell)
                return;
            grid.setItemBkColour(r, c, cell->background);
            grid.setItemFgColour(r, c, cell->textColour);
            grid.setItemFont(r, c, cell->font.toQFont());
            if (c % 2 == 1)
                grid.setItemText(r, c, cell->text);
        }
    }
}

}  // namespace zentiq
