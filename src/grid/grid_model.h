// The grid's table without any window: sizes, cells and their attributes,
// the four default cells, selection, focus cell, modified flags, the edit
// path and the notifications to the owner. The grid window draws this model
// and turns keys and mouse into calls on it.
#pragma once

#include <QFont>
#include <QRect>
#include <QSize>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "grid/cell_range.h"

class QPalette;
#include "grid/grid_cell.h"
#include "grid/grid_default_cell.h"
#include "grid/grid_item.h"
#include "grid/grid_types.h"

namespace zentiq {

class CGridModel {
public:
    // Answers a notification; below zero refuses (begin-edit, end-edit).
    using NotifyFn = std::function<int(const GridNotification&)>;
    // Accepts or rejects the text an edit is about to put into a cell.
    using ValidateFn = std::function<bool(int row, int col, const QString& text)>;
    // Cells whose look changed and need drawing again.
    using InvalidateFn = std::function<void(const CCellRange& cells)>;
    // Row or column count, a width or a height changed.
    using LayoutFn = std::function<void()>;

    enum class EditResult { Changed, Unchanged, Rejected };

    // Limits that keep a damaged file or a careless caller from asking for
    // gigabytes or overflowing pixel sums.
    static constexpr int kMaxRows = 100000;
    static constexpr int kMaxColumns = 100000;
    static constexpr std::int64_t kMaxCells = 1000000;
    static constexpr int kMaxExtent = 10000;  // pixels of one row or column

    static constexpr int kAutoSizeHeader = 1;
    static constexpr int kAutoSizeData = 2;
    static constexpr int kAutoSizeBoth = 3;

    // Saves the grid's modified flag and puts it back when it ends. In
    // between, texts, items and sizes set by the program mark nothing, so a
    // fill by program never counts as an edit by the user.
    class ProgramFill {
    public:
        explicit ProgramFill(CGridModel& grid);
        ~ProgramFill();
        ProgramFill(const ProgramFill&) = delete;
        ProgramFill& operator=(const ProgramFill&) = delete;

    private:
        CGridModel& m_grid;
        bool m_wasModified;
    };

    explicit CGridModel(int rows = 0, int cols = 0, int fixedRows = 0, int fixedCols = 0);
    CGridModel(const CGridModel&) = delete;
    CGridModel& operator=(const CGridModel&) = delete;

    // ---- owner hooks --------------------------------------------------------
    void setNotifyHandler(NotifyFn fn) { m_notify = std::move(fn); }
    void setEditValidator(ValidateFn fn) { m_validate = std::move(fn); }
    void setInvalidateHandler(InvalidateFn fn) { m_invalidate = std::move(fn); }
    void setLayoutHandler(LayoutFn fn) { m_layout = std::move(fn); }
    // Replaces the text measurement (the window passes one based on its
    // screen); the default cells' metrics are derived again.
    void setTextMeasure(TextMeasureFn fn);
    // Sends a notification to the owner; 0 when nobody listens.
    int sendNotification(int code, int row, int col, int character = 0);

    // ---- table size ---------------------------------------------------------
    int rowCount() const { return m_rows; }
    int columnCount() const { return m_cols; }
    int fixedRowCount() const { return m_fixedRows; }
    int fixedColumnCount() const { return m_fixedCols; }
    // Cells inside the new size keep all their attributes, the others are
    // dropped; new cells, rows and columns take the defaults. False (nothing
    // changed) for a negative count or one beyond the limits.
    bool setRowCount(int rows);
    bool setColumnCount(int cols);
    bool setFixedRowCount(int fixedRows);
    bool setFixedColumnCount(int fixedCols);

    bool isValid(int row, int col) const {
        return row >= 0 && col >= 0 && row < m_rows && col < m_cols;
    }
    bool isValid(CCellID c) const { return isValid(c.row, c.col); }
    bool isCellFixed(int row, int col) const { return row < m_fixedRows || col < m_fixedCols; }

    // ---- widths and heights (0 = hidden) ------------------------------------
    int columnWidth(int col) const;  // -1 for an invalid column
    int rowHeight(int row) const;    // -1 for an invalid row
    // A value different from the old one marks the grid modified.
    bool setColumnWidth(int col, int width);
    bool setRowHeight(int row, int height);
    bool isColumnVisible(int col) const { return columnWidth(col) > 0; }
    bool isRowVisible(int row) const { return rowHeight(row) > 0; }

    int autoSizeStyle() const { return m_autoSizeStyle; }
    void setAutoSizeStyle(int style) { m_autoSizeStyle = style & kAutoSizeBoth; }
    // Width of the widest cell of the column among the header rows (1), the
    // data rows (2) or both (3); 0 = the grid's style. False when the column
    // is invalid or text cannot be measured.
    bool autoSizeColumn(int col, int style = 0);
    // Height of the tallest cell of the row.
    bool autoSizeRow(int row);
    // Text extent of a cell plus its margin on each side.
    std::optional<QSize> cellExtent(int row, int col) const;

    int fixedRowsHeight() const;
    int fixedColumnsWidth() const;
    int totalHeight() const;
    int totalWidth() const;
    // The first non-fixed cell shown when the scrolled part is moved by
    // scrollX, scrollY pixels; hidden rows and columns are never that cell.
    CCellID topLeftNonFixedCell(int scrollX, int scrollY) const;
    // Rectangle of a cell in client coordinates when the scrolled part begins
    // at topLeft (right = left + width - 1). None for an invalid cell or one
    // scrolled out above or to the left.
    std::optional<QRect> cellRect(int row, int col, CCellID topLeft) const;

    // ---- default cells ------------------------------------------------------
    CGridDefaultCell& defaultCell(bool fixedRow, bool fixedCol);
    const CGridDefaultCell& defaultCell(bool fixedRow, bool fixedCol) const;
    const CGridDefaultCell& defaultCellOf(int row, int col) const;
    // Sets one default cell's font, deriving its margin and default size.
    void setDefaultFont(bool fixedRow, bool fixedCol, const QFont& font);
    // Text and background of the default cells from a palette (the
    // application's at construction): plain cells as edit fields, fixed
    // cells as buttons.
    void setDefaultColours(const QPalette& palette);
    // The grid's font: all four default cells.
    void setGridFont(const QFont& font);
    QFont gridFont() const { return defaultCell(false, false).effectiveFont(); }

    // ---- cells --------------------------------------------------------------
    // nullptr for an invalid cell. Valid until the table is resized.
    const CGridCell* cell(int row, int col) const;

    // Sets the masked attributes; marks the cell and the grid modified.
    bool setItem(const GridItem& item);
    // Fills the masked attributes of item.row, item.col.
    bool getItem(GridItem& item) const;

    QString itemText(int row, int col) const;
    // Marks the cell and the grid modified.
    bool setItemText(int row, int col, const QString& text);
    // Widens the cell's column to its text, when that is wider (never
    // narrows it); true when the width changed.
    bool widenColumnToCell(int row, int col);

    std::uint32_t itemState(int row, int col) const;
    // Replaces the state bits; the selected bit also updates the selection.
    // Fixed cells never take the selected bit.
    bool setItemState(int row, int col, std::uint32_t state);
    bool setItemReadOnly(int row, int col, bool readOnly);
    // The stale look (GVIS_STALE); redraws the cell only when it changes.
    bool setItemStale(int row, int col, bool stale);

    std::uint32_t itemFormat(int row, int col) const;
    bool setItemFormat(int row, int col, std::uint32_t format);
    int itemImage(int row, int col) const;
    bool setItemImage(int row, int col, int image);
    std::intptr_t itemData(int row, int col) const;
    bool setItemData(int row, int col, std::intptr_t data);

    // The cell's own colour, kDefaultColour when it has none (or is invalid).
    GridColour itemBkColour(int row, int col) const;
    GridColour itemFgColour(int row, int col) const;
    bool setItemBkColour(int row, int col, GridColour colour);
    bool setItemFgColour(int row, int col, GridColour colour);
    // The colour the cell is drawn in: its own or its default cell's.
    GridColour effectiveBkColour(int row, int col) const;
    GridColour effectiveFgColour(int row, int col) const;

    // The cell's font, or its default cell's when it has none of its own.
    QFont itemFont(int row, int col) const;
    bool hasItemFont(int row, int col) const;
    bool setItemFont(int row, int col, const QFont& font);
    bool clearItemFont(int row, int col);

    // The cell's margin, or its default cell's when it has none (-1).
    int itemMargin(int row, int col) const;
    bool setItemMargin(int row, int col, int margin);

    // ---- switches -----------------------------------------------------------
    bool isEditable() const { return m_editable; }
    void setEditable(bool on) { m_editable = on; }
    bool isSelectable() const { return m_selectable; }
    void setSelectable(bool on) { m_selectable = on; }
    bool highlightsFocusHeaders() const { return m_focusHeaders; }
    void setHighlightsFocusHeaders(bool on) { m_focusHeaders = on; }
    GridColour gridLineColour() const { return m_gridLineColour; }
    void setGridLineColour(GridColour c) { m_gridLineColour = c; }

    // Valid, not fixed, editing enabled and the read-only bit clear.
    bool isCellEditable(int row, int col) const;
    bool isCellSelected(int row, int col) const;

    // ---- selection and focus ------------------------------------------------
    int selectedCount() const { return m_selCount; }
    // Smallest range holding every selected cell; empty when none is.
    CCellRange selectedCellRange() const;
    // Selected cells row by row.
    std::vector<CCellID> selectedCells() const;
    // Selects exactly the range, its first row and column raised to the fixed
    // counts and its last ones cut to the table. An empty range clears.
    void setSelectedRange(const CCellRange& range);
    void setSelectedRange(int minRow, int minCol, int maxRow, int maxCol) {
        setSelectedRange(CCellRange(minRow, minCol, maxRow, maxCol));
    }
    void clearSelection() { setSelectedRange(CCellRange()); }
    // The user's select-all: every non-fixed cell between SELCHANGING and
    // SELCHANGED.
    void selectAll();
    // Corner the selection is extended from by Shift moves.
    CCellID selectionStartCell() const { return m_selStart; }

    CCellID focusCell() const { return m_focus; }
    // Moves the focus cell, raised to the fixed counts like a range; (-1, -1)
    // clears it; a cell beyond the table changes nothing. Returns the
    // previous focus cell.
    CCellID setFocusCell(int row, int col);
    // A user move (key or click) to a non-fixed cell: SELCHANGING, the new
    // selection (extended from the start cell when extend is set, else the
    // single cell), SELCHANGED, then the focus cell. False when nothing moved.
    bool moveFocus(int row, int col, bool extend);

    // Next row (step +1) or previous row (step -1) that is visible and not
    // fixed, -1 when none; the same for columns.
    int nextVisibleRow(int row, int step) const;
    int nextVisibleColumn(int col, int step) const;
    int firstVisibleRow() const { return nextVisibleRow(m_fixedRows - 1, 1); }
    int lastVisibleRow() const { return nextVisibleRow(m_rows, -1); }
    int firstVisibleColumn() const { return nextVisibleColumn(m_fixedCols - 1, 1); }
    int lastVisibleColumn() const { return nextVisibleColumn(m_cols, -1); }
    CCellID firstVisibleNonFixedCell() const;

    // ---- modified flags -----------------------------------------------------
    // (-1, -1): the grid's flag; otherwise the cell's.
    bool isModified(int row = -1, int col = -1) const;
    // Clearing the grid's flag clears every cell's; marking a cell also marks
    // the grid.
    bool setModified(bool modified, int row = -1, int col = -1);

    // ---- edit path ----------------------------------------------------------
    // An edit attempt on a cell. For an editable cell BEGINLABELEDIT goes out
    // with character 0 and true means the editor may open unless the owner
    // refused. For a valid cell that cannot be edited only BEGINLABELEDIT
    // with the character goes out and the answer is false.
    bool beginEdit(int row, int col, int character);
    // The edit ends with text: when it differs and the validator accepts it,
    // the text is set, the cell and the grid marked modified and
    // ENDLABELEDIT sent; a refusal puts back the old text and flags.
    EditResult endEdit(int row, int col, const QString& text);
    // A whole edit without an editor (paste, delete): BEGINLABELEDIT, then
    // endEdit. Only editable cells whose text changes are touched.
    EditResult editCellText(int row, int col, const QString& text);
    // Clears every selected cell through the edit path; returns how many
    // texts changed.
    int deleteSelection();

    bool canCopy() const { return m_selCount > 0; }
    bool canCut() const { return m_editable && m_selCount > 0; }
    bool canPaste(bool clipboardHasText) const;
    // First cell of the selection, else the focus cell, else the first
    // visible non-fixed cell.
    CCellID pasteTarget() const;

private:
    CGridCell& at(int row, int col) {
        return m_cells[static_cast<std::size_t>(row) * m_cols + col];
    }
    const CGridCell& at(int row, int col) const {
        return m_cells[static_cast<std::size_t>(row) * m_cols + col];
    }
    static int defaultIndex(bool fixedRow, bool fixedCol) {
        return (fixedRow ? 2 : 0) + (fixedCol ? 1 : 0);
    }
    std::optional<QSize> measure(const QFont& font, const QString& text) const;
    bool reshape(int rows, int cols, int fixedRows, int fixedCols);
    void recountSelection();
    void markModified(CGridCell& c);
    void changeSelectedBit(int row, int col, bool selected);
    void invalidate(const CCellRange& r) {
        if (m_invalidate && r.isValid())
            m_invalidate(r);
    }
    void invalidateCell(int row, int col) { invalidate(CCellRange(row, col, row, col)); }
    void invalidateFocusHeaders(CCellID cell);
    void layoutChanged() {
        if (m_layout)
            m_layout();
    }

    int m_rows = 0;
    int m_cols = 0;
    int m_fixedRows = 0;
    int m_fixedCols = 0;
    std::vector<CGridCell> m_cells;  // row by row
    std::vector<int> m_rowHeights;
    std::vector<int> m_colWidths;
    std::array<CGridDefaultCell, 4> m_defaults;

    CCellID m_focus;
    CCellID m_selStart;
    CCellRange m_selBounds;  // holds every selected cell, maybe more
    int m_selCount = 0;

    bool m_modified = false;
    int m_programFill = 0;
    bool m_editable = true;
    bool m_selectable = true;
    bool m_focusHeaders = true;
    int m_autoSizeStyle = kAutoSizeBoth;
    GridColour m_gridLineColour = gridRgb(192, 192, 192);

    NotifyFn m_notify;
    ValidateFn m_validate;
    InvalidateFn m_invalidate;
    LayoutFn m_layout;
    TextMeasureFn m_measure;
};

}  // namespace zentiq
