#include "grid/grid_model.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPalette>
#include <algorithm>

namespace zentiq {

namespace {

bool haveGuiApplication() {
    // Fonts can only be measured (and the palette read) once a GUI
    // application object exists.
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
}

}  // namespace

// ---- ProgramFill ---------------------------------------------------------------

CGridModel::ProgramFill::ProgramFill(CGridModel& grid)
    : m_grid(grid), m_wasModified(grid.m_modified) {
    ++m_grid.m_programFill;
}

CGridModel::ProgramFill::~ProgramFill() {
    --m_grid.m_programFill;
    m_grid.m_modified = m_wasModified;
}

// ---- construction and hooks ------------------------------------------------------

CGridModel::CGridModel(int rows, int cols, int fixedRows, int fixedCols) {
    if (haveGuiApplication()) {
        setDefaultColours(QGuiApplication::palette());
    } else {
        for (int i = 0; i < 4; ++i) {
            m_defaults[i].setTextColour(gridRgb(0, 0, 0));
            m_defaults[i].setBackgroundColour(i == 0 ? gridRgb(255, 255, 255)
                                                     : gridRgb(240, 240, 240));
        }
    }
    for (int i = 0; i < 4; ++i) {
        CGridDefaultCell& d = m_defaults[i];
        d.setFont(QFont(), [this](const QFont& f, const QString& t) { return measure(f, t); });
    }
    rows = std::clamp(rows, 0, kMaxRows);
    cols = std::clamp(cols, 0, kMaxColumns);
    if (static_cast<std::int64_t>(rows) * cols > kMaxCells)
        rows = cols = 0;
    reshape(rows, cols, std::clamp(fixedRows, 0, rows), std::clamp(fixedCols, 0, cols));
}

void CGridModel::setDefaultColours(const QPalette& palette) {
    // Each background with the text role made for it, so that a dark palette
    // stays readable.
    for (int i = 0; i < 4; ++i) {
        const bool plain = i == 0;
        m_defaults[i].setTextColour(
            fromQColor(palette.color(plain ? QPalette::Text : QPalette::ButtonText)));
        m_defaults[i].setBackgroundColour(
            fromQColor(palette.color(plain ? QPalette::Base : QPalette::Button)));
    }
}

void CGridModel::setTextMeasure(TextMeasureFn fn) {
    m_measure = std::move(fn);
    for (bool fr : {false, true})
        for (bool fc : {false, true})
            setDefaultFont(fr, fc, defaultCell(fr, fc).effectiveFont());
}

std::optional<QSize> CGridModel::measure(const QFont& font, const QString& text) const {
    if (m_measure)
        return m_measure(font, text);
    if (!haveGuiApplication())
        return std::nullopt;
    return QFontMetrics(font).size(Qt::TextSingleLine, text);
}

int CGridModel::sendNotification(int code, int row, int col, int character) {
    if (!m_notify)
        return 0;
    return m_notify(GridNotification{code, row, col, character});
}

// ---- table size ----------------------------------------------------------------

bool CGridModel::reshape(int rows, int cols, int fixedRows, int fixedCols) {
    if (rows < 0 || cols < 0 || rows > kMaxRows || cols > kMaxColumns ||
        static_cast<std::int64_t>(rows) * cols > kMaxCells)
        return false;
    fixedRows = std::clamp(fixedRows, 0, rows);
    fixedCols = std::clamp(fixedCols, 0, cols);

    if (rows != m_rows || cols != m_cols) {
        std::vector<CGridCell> cells(static_cast<std::size_t>(rows) * cols);
        const int keepRows = std::min(rows, m_rows);
        const int keepCols = std::min(cols, m_cols);
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < cols; ++c) {
                CGridCell& dst = cells[static_cast<std::size_t>(r) * cols + c];
                if (r < keepRows && c < keepCols)
                    dst = std::move(at(r, c));
                else
                    dst.reset(defaultCell(r < fixedRows, c < fixedCols).format());
            }
        }
        m_cells = std::move(cells);
        for (int r = m_rows; r < rows; ++r)
            m_rowHeights.push_back(defaultCell(r < fixedRows, false).height());
        m_rowHeights.resize(static_cast<std::size_t>(rows));
        for (int c = m_cols; c < cols; ++c)
            m_colWidths.push_back(defaultCell(false, c < fixedCols).width());
        m_colWidths.resize(static_cast<std::size_t>(cols));
        m_rows = rows;
        m_cols = cols;
    }
    m_fixedRows = fixedRows;
    m_fixedCols = fixedCols;

    // Headers are never selected nor focused.
    for (int r = 0; r < m_rows; ++r)
        for (int c = 0; c < m_cols; ++c)
            if (isCellFixed(r, c))
                at(r, c).removeState(GVIS_SELECTED | GVIS_FOCUSED);
    if (!isValid(m_focus) || isCellFixed(m_focus.row, m_focus.col))
        m_focus = CCellID();
    if (!isValid(m_selStart) || isCellFixed(m_selStart.row, m_selStart.col))
        m_selStart = CCellID();
    recountSelection();

    layoutChanged();
    invalidate(CCellRange(0, 0, m_rows - 1, m_cols - 1));
    return true;
}

void CGridModel::recountSelection() {
    m_selCount = 0;
    CCellRange bounds;
    for (int r = m_fixedRows; r < m_rows; ++r)
        for (int c = m_fixedCols; c < m_cols; ++c)
            if (at(r, c).hasState(GVIS_SELECTED)) {
                ++m_selCount;
                bounds = bounds.united(CCellRange(r, c, r, c));
            }
    m_selBounds = bounds;
}

bool CGridModel::setRowCount(int rows) {
    return reshape(rows, m_cols, std::min(m_fixedRows, std::max(rows, 0)), m_fixedCols);
}

bool CGridModel::setColumnCount(int cols) {
    return reshape(m_rows, cols, m_fixedRows, std::min(m_fixedCols, std::max(cols, 0)));
}

bool CGridModel::setFixedRowCount(int fixedRows) {
    if (fixedRows < 0)
        return false;
    return reshape(std::max(m_rows, fixedRows), m_cols, fixedRows, m_fixedCols);
}

bool CGridModel::setFixedColumnCount(int fixedCols) {
    if (fixedCols < 0)
        return false;
    return reshape(m_rows, std::max(m_cols, fixedCols), m_fixedRows, fixedCols);
}

// ---- widths and heights ------------------------------------------------------------

int CGridModel::columnWidth(int col) const {
    return (col >= 0 && col < m_cols) ? m_colWidths[static_cast<std::size_t>(col)] : -1;
}

int CGridModel::rowHeight(int row) const {
    return (row >= 0 && row < m_rows) ? m_rowHeights[static_cast<std::size_t>(row)] : -1;
}

bool CGridModel::setColumnWidth(int col, int width) {
    if (col < 0 || col >= m_cols || width < 0 || width > kMaxExtent)
        return false;
    int& w = m_colWidths[static_cast<std::size_t>(col)];
    if (w != width) {
        w = width;
        if (m_programFill == 0)
            m_modified = true;
        layoutChanged();
    }
    return true;
}

bool CGridModel::setRowHeight(int row, int height) {
    if (row < 0 || row >= m_rows || height < 0 || height > kMaxExtent)
        return false;
    int& h = m_rowHeights[static_cast<std::size_t>(row)];
    if (h != height) {
        h = height;
        if (m_programFill == 0)
            m_modified = true;
        layoutChanged();
    }
    return true;
}

std::optional<QSize> CGridModel::cellExtent(int row, int col) const {
    if (!isValid(row, col))
        return std::nullopt;
    std::optional<QSize> size = measure(itemFont(row, col), at(row, col).text());
    if (!size)
        return std::nullopt;
    const int margin = itemMargin(row, col);
    // The cell's last column of pixels holds the grid line, not text: a
    // column exactly as wide as text and margins would cut the text.
    return QSize(size->width() + 2 * margin + 1, size->height() + 2 * margin);
}

bool CGridModel::autoSizeColumn(int col, int style) {
    if (col < 0 || col >= m_cols)
        return false;
    if (style == 0)
        style = m_autoSizeStyle;
    const int first = (style & kAutoSizeHeader) ? 0 : m_fixedRows;
    const int last = (style & kAutoSizeData) ? m_rows - 1 : m_fixedRows - 1;
    if (first > last)
        return false;
    int width = 0;
    for (int r = first; r <= last; ++r) {
        std::optional<QSize> extent = cellExtent(r, col);
        if (!extent)
            return false;
        width = std::max(width, extent->width());
    }
    return setColumnWidth(col, std::min(width, kMaxExtent));
}

bool CGridModel::autoSizeRow(int row) {
    if (row < 0 || row >= m_rows || m_cols == 0)
        return false;
    int height = 0;
    for (int c = 0; c < m_cols; ++c) {
        std::optional<QSize> extent = cellExtent(row, c);
        if (!extent)
            return false;
        height = std::max(height, extent->height());
    }
    return setRowHeight(row, std::min(height, kMaxExtent));
}

int CGridModel::fixedRowsHeight() const {
    int h = 0;
    for (int r = 0; r < m_fixedRows; ++r)
        h += m_rowHeights[static_cast<std::size_t>(r)];
    return h;
}

int CGridModel::fixedColumnsWidth() const {
    int w = 0;
    for (int c = 0; c < m_fixedCols; ++c)
        w += m_colWidths[static_cast<std::size_t>(c)];
    return w;
}

int CGridModel::totalHeight() const {
    std::int64_t h = 0;
    for (int v : m_rowHeights)
        h += v;
    return static_cast<int>(std::min<std::int64_t>(h, INT32_MAX));
}

int CGridModel::totalWidth() const {
    std::int64_t w = 0;
    for (int v : m_colWidths)
        w += v;
    return static_cast<int>(std::min<std::int64_t>(w, INT32_MAX));
}

CCellID CGridModel::topLeftNonFixedCell(int scrollX, int scrollY) const {
    auto first = [](const std::vector<int>& sizes, int fixed, int scroll) {
        const int count = static_cast<int>(sizes.size());
        std::int64_t end = 0;
        int last = -1;
        for (int i = fixed; i < count; ++i) {
            const int s = sizes[static_cast<std::size_t>(i)];
            if (s == 0)
                continue;
            last = i;
            end += s;
            if (end > scroll)
                return i;
        }
        return last;
    };
    return {first(m_rowHeights, m_fixedRows, scrollY), first(m_colWidths, m_fixedCols, scrollX)};
}

std::optional<QRect> CGridModel::cellRect(int row, int col, CCellID topLeft) const {
    if (!isValid(row, col))
        return std::nullopt;
    auto origin = [](const std::vector<int>& sizes, int fixed, int index,
                     int scrolledFrom) -> std::optional<int> {
        std::int64_t pos = 0;
        if (index < fixed) {
            for (int i = 0; i < index; ++i)
                pos += sizes[static_cast<std::size_t>(i)];
        } else {
            scrolledFrom = std::max(scrolledFrom, fixed);
            if (index < scrolledFrom)
                return std::nullopt;
            for (int i = 0; i < fixed; ++i)
                pos += sizes[static_cast<std::size_t>(i)];
            for (int i = scrolledFrom; i < index; ++i)
                pos += sizes[static_cast<std::size_t>(i)];
        }
        return static_cast<int>(std::min<std::int64_t>(pos, INT32_MAX / 2));
    };
    const std::optional<int> x = origin(m_colWidths, m_fixedCols, col, topLeft.col);
    const std::optional<int> y = origin(m_rowHeights, m_fixedRows, row, topLeft.row);
    if (!x || !y)
        return std::nullopt;
    return QRect(*x, *y, m_colWidths[static_cast<std::size_t>(col)],
                 m_rowHeights[static_cast<std::size_t>(row)]);
}

// ---- default cells -----------------------------------------------------------------

CGridDefaultCell& CGridModel::defaultCell(bool fixedRow, bool fixedCol) {
    return m_defaults[static_cast<std::size_t>(defaultIndex(fixedRow, fixedCol))];
}

const CGridDefaultCell& CGridModel::defaultCell(bool fixedRow, bool fixedCol) const {
    return m_defaults[static_cast<std::size_t>(defaultIndex(fixedRow, fixedCol))];
}

const CGridDefaultCell& CGridModel::defaultCellOf(int row, int col) const {
    return defaultCell(row >= 0 && row < m_fixedRows, col >= 0 && col < m_fixedCols);
}

void CGridModel::setDefaultFont(bool fixedRow, bool fixedCol, const QFont& font) {
    defaultCell(fixedRow, fixedCol).setFont(font, [this](const QFont& f, const QString& t) {
        return measure(f, t);
    });
    invalidate(CCellRange(0, 0, m_rows - 1, m_cols - 1));
}

void CGridModel::setGridFont(const QFont& font) {
    for (bool fr : {false, true})
        for (bool fc : {false, true})
            setDefaultFont(fr, fc, font);
}

// ---- cells -----------------------------------------------------------------------------

const CGridCell* CGridModel::cell(int row, int col) const {
    return isValid(row, col) ? &at(row, col) : nullptr;
}

void CGridModel::markModified(CGridCell& c) {
    if (m_programFill != 0)
        return;
    c.addState(GVIS_MODIFIED);
    m_modified = true;
}

void CGridModel::changeSelectedBit(int row, int col, bool selected) {
    CGridCell& c = at(row, col);
    if (c.hasState(GVIS_SELECTED) == selected)
        return;
    if (selected) {
        c.addState(GVIS_SELECTED);
        ++m_selCount;
        m_selBounds = m_selBounds.united(CCellRange(row, col, row, col));
    } else {
        c.removeState(GVIS_SELECTED);
        --m_selCount;
    }
}

bool CGridModel::setItem(const GridItem& item) {
    if (!isValid(item.row, item.col))
        return false;
    CGridCell& c = at(item.row, item.col);
    if (item.mask & GVIF_TEXT)
        c.setText(item.text);
    if (item.mask & GVIF_IMAGE)
        c.setImage(item.image);
    if (item.mask & GVIF_PARAM)
        c.setData(item.data);
    if (item.mask & GVIF_STATE) {
        std::uint32_t state = item.state;
        if (isCellFixed(item.row, item.col))
            state &= ~GVIS_SELECTED;
        const bool selected = (state & GVIS_SELECTED) != 0;
        changeSelectedBit(item.row, item.col, selected);
        c.setState(state);
    }
    if (item.mask & GVIF_BKCLR)
        c.setBackgroundColour(item.bkColour);
    if (item.mask & GVIF_FGCLR)
        c.setTextColour(item.fgColour);
    if (item.mask & GVIF_FORMAT)
        c.setFormat(item.format);
    if (item.mask & GVIF_FONT) {
        if (item.font)
            c.setFont(*item.font);
        else
            c.clearFont();
    }
    if (item.mask & GVIF_MARGIN)
        c.setMargin(std::max(-1, item.margin));
    markModified(c);
    invalidateCell(item.row, item.col);
    return true;
}

bool CGridModel::getItem(GridItem& item) const {
    if (!isValid(item.row, item.col))
        return false;
    const CGridCell& c = at(item.row, item.col);
    if (item.mask & GVIF_TEXT)
        item.text = c.text();
    if (item.mask & GVIF_IMAGE)
        item.image = c.image();
    if (item.mask & GVIF_PARAM)
        item.data = c.data();
    if (item.mask & GVIF_STATE)
        item.state = c.state();
    if (item.mask & GVIF_BKCLR)
        item.bkColour = c.backgroundColour();
    if (item.mask & GVIF_FGCLR)
        item.fgColour = c.textColour();
    if (item.mask & GVIF_FORMAT)
        item.format = c.format();
    if (item.mask & GVIF_FONT)
        item.font = c.font();
    if (item.mask & GVIF_MARGIN)
        item.margin = c.margin();
    return true;
}

QString CGridModel::itemText(int row, int col) const {
    return isValid(row, col) ? at(row, col).text() : QString();
}

bool CGridModel::setItemText(int row, int col, const QString& text) {
    if (!isValid(row, col))
        return false;
    CGridCell& c = at(row, col);
    c.setText(text);
    markModified(c);
    invalidateCell(row, col);
    return true;
}

bool CGridModel::widenColumnToCell(int row, int col) {
    const std::optional<QSize> extent = cellExtent(row, col);
    if (!extent || extent->width() <= columnWidth(col))
        return false;
    return setColumnWidth(col, std::min(extent->width(), kMaxExtent));
}

std::uint32_t CGridModel::itemState(int row, int col) const {
    return isValid(row, col) ? at(row, col).state() : 0;
}

bool CGridModel::setItemState(int row, int col, std::uint32_t state) {
    if (!isValid(row, col))
        return false;
    if (isCellFixed(row, col))
        state &= ~GVIS_SELECTED;
    changeSelectedBit(row, col, (state & GVIS_SELECTED) != 0);
    at(row, col).setState(state);
    invalidateCell(row, col);
    return true;
}

bool CGridModel::setItemReadOnly(int row, int col, bool readOnly) {
    if (!isValid(row, col))
        return false;
    const std::uint32_t s = at(row, col).state();
    return setItemState(row, col, readOnly ? (s | GVIS_READONLY) : (s & ~GVIS_READONLY));
}

bool CGridModel::setItemStale(int row, int col, bool stale) {
    if (!isValid(row, col))
        return false;
    CGridCell& c = at(row, col);
    if (c.hasState(GVIS_STALE) != stale) {
        stale ? c.addState(GVIS_STALE) : c.removeState(GVIS_STALE);
        invalidateCell(row, col);
    }
    return true;
}

std::uint32_t CGridModel::itemFormat(int row, int col) const {
    return isValid(row, col) ? at(row, col).format() : 0;
}

bool CGridModel::setItemFormat(int row, int col, std::uint32_t format) {
    if (!isValid(row, col))
        return false;
    at(row, col).setFormat(format);
    invalidateCell(row, col);
    return true;
}

int CGridModel::itemImage(int row, int col) const {
    return isValid(row, col) ? at(row, col).image() : -1;
}

bool CGridModel::setItemImage(int row, int col, int image) {
    if (!isValid(row, col))
        return false;
    at(row, col).setImage(image);
    invalidateCell(row, col);
    return true;
}

std::intptr_t CGridModel::itemData(int row, int col) const {
    return isValid(row, col) ? at(row, col).data() : 0;
}

bool CGridModel::setItemData(int row, int col, std::intptr_t data) {
    if (!isValid(row, col))
        return false;
    at(row, col).setData(data);
    return true;
}

GridColour CGridModel::itemBkColour(int row, int col) const {
    return isValid(row, col) ? at(row, col).backgroundColour() : kDefaultColour;
}

GridColour CGridModel::itemFgColour(int row, int col) const {
    return isValid(row, col) ? at(row, col).textColour() : kDefaultColour;
}

bool CGridModel::setItemBkColour(int row, int col, GridColour colour) {
    if (!isValid(row, col))
        return false;
    at(row, col).setBackgroundColour(colour);
    invalidateCell(row, col);
    return true;
}

bool CGridModel::setItemFgColour(int row, int col, GridColour colour) {
    if (!isValid(row, col))
        return false;
    at(row, col).setTextColour(colour);
    invalidateCell(row, col);
    return true;
}

GridColour CGridModel::effectiveBkColour(int row, int col) const {
    const GridColour own = itemBkColour(row, col);
    return isDefaultColour(own) ? defaultCellOf(row, col).backgroundColour() : own;
}

GridColour CGridModel::effectiveFgColour(int row, int col) const {
    const GridColour own = itemFgColour(row, col);
    return isDefaultColour(own) ? defaultCellOf(row, col).textColour() : own;
}

QFont CGridModel::itemFont(int row, int col) const {
    if (isValid(row, col) && at(row, col).font())
        return *at(row, col).font();
    return defaultCellOf(row, col).effectiveFont();
}

bool CGridModel::hasItemFont(int row, int col) const {
    return isValid(row, col) && at(row, col).font().has_value();
}

bool CGridModel::setItemFont(int row, int col, const QFont& font) {
    if (!isValid(row, col))
        return false;
    at(row, col).setFont(font);
    invalidateCell(row, col);
    return true;
}

bool CGridModel::clearItemFont(int row, int col) {
    if (!isValid(row, col))
        return false;
    at(row, col).clearFont();
    invalidateCell(row, col);
    return true;
}

int CGridModel::itemMargin(int row, int col) const {
    if (isValid(row, col) && at(row, col).margin() >= 0)
        return at(row, col).margin();
    return std::max(0, defaultCellOf(row, col).margin());
}

bool CGridModel::setItemMargin(int row, int col, int margin) {
    if (!isValid(row, col) || margin > kMaxExtent)
        return false;
    at(row, col).setMargin(std::max(-1, margin));
    invalidateCell(row, col);
    return true;
}

bool CGridModel::isCellEditable(int row, int col) const {
    return m_editable && isValid(row, col) && !isCellFixed(row, col) &&
           !at(row, col).hasState(GVIS_READONLY);
}

bool CGridModel::isCellSelected(int row, int col) const {
    return isValid(row, col) && at(row, col).hasState(GVIS_SELECTED);
}

// ---- selection and focus -----------------------------------------------------------

CCellRange CGridModel::selectedCellRange() const {
    if (m_selCount == 0)
        return {};
    CCellRange exact;
    for (int r = m_selBounds.minRow(); r <= m_selBounds.maxRow(); ++r)
        for (int c = m_selBounds.minCol(); c <= m_selBounds.maxCol(); ++c)
            if (at(r, c).hasState(GVIS_SELECTED))
                exact = exact.united(CCellRange(r, c, r, c));
    return exact;
}

std::vector<CCellID> CGridModel::selectedCells() const {
    std::vector<CCellID> out;
    if (m_selCount == 0)
        return out;
    out.reserve(static_cast<std::size_t>(m_selCount));
    for (int r = m_selBounds.minRow(); r <= m_selBounds.maxRow(); ++r)
        for (int c = m_selBounds.minCol(); c <= m_selBounds.maxCol(); ++c)
            if (at(r, c).hasState(GVIS_SELECTED))
                out.emplace_back(r, c);
    return out;
}

void CGridModel::setSelectedRange(const CCellRange& range) {
    CCellRange wanted(std::max(range.minRow(), m_fixedRows), std::max(range.minCol(), m_fixedCols),
                      std::min(range.maxRow(), m_rows - 1), std::min(range.maxCol(), m_cols - 1));
    if (!wanted.isValid())
        wanted = CCellRange();

    // Only cells inside the old bounds can be selected now, so scanning them
    // and the new range finds every cell whose state changes.
    const CCellRange scan = m_selBounds.united(wanted);
    CCellRange dirty;
    for (int r = scan.isValid() ? scan.minRow() : 0; scan.isValid() && r <= scan.maxRow(); ++r) {
        for (int c = scan.minCol(); c <= scan.maxCol(); ++c) {
            CGridCell& cell = at(r, c);
            const bool select = wanted.contains(r, c);
            if (cell.hasState(GVIS_SELECTED) != select) {
                if (select)
                    cell.addState(GVIS_SELECTED);
                else
                    cell.removeState(GVIS_SELECTED);
                dirty = dirty.united(CCellRange(r, c, r, c));
            }
        }
    }
    m_selBounds = wanted;
    m_selCount = wanted.rowSpan() * wanted.colSpan();
    invalidate(dirty);
}

void CGridModel::selectAll() {
    if (!m_selectable)
        return;
    sendNotification(GVN_SELCHANGING, m_focus.row, m_focus.col);
    setSelectedRange(m_fixedRows, m_fixedCols, m_rows - 1, m_cols - 1);
    sendNotification(GVN_SELCHANGED, m_focus.row, m_focus.col);
}

void CGridModel::invalidateFocusHeaders(CCellID cell) {
    if (!isValid(cell))
        return;
    invalidateCell(cell.row, cell.col);
    if (m_fixedCols > 0)
        invalidate(CCellRange(cell.row, 0, cell.row, m_fixedCols - 1));
    if (m_fixedRows > 0)
        invalidate(CCellRange(0, cell.col, m_fixedRows - 1, cell.col));
}

CCellID CGridModel::setFocusCell(int row, int col) {
    const CCellID previous = m_focus;
    CCellID next;
    if (row != -1 || col != -1) {
        next = CCellID(std::max(row, m_fixedRows), std::max(col, m_fixedCols));
        if (!isValid(next))
            return previous;
    }
    if (next == previous)
        return previous;
    if (isValid(previous))
        at(previous.row, previous.col).removeState(GVIS_FOCUSED);
    if (isValid(next))
        at(next.row, next.col).addState(GVIS_FOCUSED);
    m_focus = next;
    invalidateFocusHeaders(previous);
    invalidateFocusHeaders(next);
    return previous;
}

bool CGridModel::moveFocus(int row, int col, bool extend) {
    if (!isValid(row, col) || isCellFixed(row, col))
        return false;
    const CCellID target(row, col);
    if (target == m_focus && !extend && m_selCount == 1 && isCellSelected(row, col))
        return false;
    sendNotification(GVN_SELCHANGING, row, col);
    // The owner may have resized the table while answering.
    if (!isValid(row, col) || isCellFixed(row, col))
        return false;
    if (m_selectable) {
        if (extend) {
            if (!isValid(m_selStart) || isCellFixed(m_selStart.row, m_selStart.col))
                m_selStart = isValid(m_focus) ? m_focus : target;
            setSelectedRange(CCellRange::spanning(m_selStart, target));
        } else {
            m_selStart = target;
            setSelectedRange(CCellRange::single(target));
        }
    }
    sendNotification(GVN_SELCHANGED, row, col);
    setFocusCell(row, col);
    return true;
}

int CGridModel::nextVisibleRow(int row, int step) const {
    if (step == 0)
        return -1;
    step = step > 0 ? 1 : -1;
    for (int r = std::clamp(row, m_fixedRows - 1, m_rows) + step; r >= m_fixedRows && r < m_rows;
         r += step)
        if (m_rowHeights[static_cast<std::size_t>(r)] > 0)
            return r;
    return -1;
}

int CGridModel::nextVisibleColumn(int col, int step) const {
    if (step == 0)
        return -1;
    step = step > 0 ? 1 : -1;
    for (int c = std::clamp(col, m_fixedCols - 1, m_cols) + step; c >= m_fixedCols && c < m_cols;
         c += step)
        if (m_colWidths[static_cast<std::size_t>(c)] > 0)
            return c;
    return -1;
}

CCellID CGridModel::firstVisibleNonFixedCell() const {
    const int r = firstVisibleRow();
    const int c = firstVisibleColumn();
    return (r >= 0 && c >= 0) ? CCellID(r, c) : CCellID();
}

// ---- modified flags --------------------------------------------------------------

bool CGridModel::isModified(int row, int col) const {
    if (row == -1 && col == -1)
        return m_modified;
    return isValid(row, col) && at(row, col).hasState(GVIS_MODIFIED);
}

bool CGridModel::setModified(bool modified, int row, int col) {
    if (row == -1 && col == -1) {
        m_modified = modified;
        if (!modified)
            for (CGridCell& c : m_cells)
                c.removeState(GVIS_MODIFIED);
        return true;
    }
    if (!isValid(row, col))
        return false;
    if (modified) {
        at(row, col).addState(GVIS_MODIFIED);
        m_modified = true;
    } else {
        at(row, col).removeState(GVIS_MODIFIED);
    }
    return true;
}

// ---- edit path ---------------------------------------------------------------------

bool CGridModel::beginEdit(int row, int col, int character) {
    if (!isValid(row, col))
        return false;
    if (!isCellEditable(row, col)) {
        sendNotification(GVN_BEGINLABELEDIT, row, col, character);
        return false;
    }
    if (sendNotification(GVN_BEGINLABELEDIT, row, col, 0) < 0)
        return false;
    return isCellEditable(row, col);
}

CGridModel::EditResult CGridModel::endEdit(int row, int col, const QString& text) {
    if (!isCellEditable(row, col))
        return EditResult::Rejected;
    if (at(row, col).text() == text)
        return EditResult::Unchanged;
    if (m_validate && !m_validate(row, col, text))
        return EditResult::Rejected;
    if (!isCellEditable(row, col))
        return EditResult::Rejected;

    CGridCell& c = at(row, col);
    const QString oldText = c.text();
    const bool cellWasModified = c.hasState(GVIS_MODIFIED);
    const bool gridWasModified = m_modified;
    c.setText(text);
    c.addState(GVIS_MODIFIED);
    m_modified = true;
    invalidateCell(row, col);

    if (sendNotification(GVN_ENDLABELEDIT, row, col, 0) < 0) {
        // The owner may have resized the table while answering; put back
        // only what still exists.
        if (isValid(row, col)) {
            CGridCell& again = at(row, col);
            again.setText(oldText);
            if (!cellWasModified)
                again.removeState(GVIS_MODIFIED);
            invalidateCell(row, col);
        }
        m_modified = gridWasModified;
        return EditResult::Rejected;
    }
    return EditResult::Changed;
}

CGridModel::EditResult CGridModel::editCellText(int row, int col, const QString& text) {
    if (!isCellEditable(row, col))
        return EditResult::Rejected;
    if (at(row, col).text() == text)
        return EditResult::Unchanged;
    if (sendNotification(GVN_BEGINLABELEDIT, row, col, 0) < 0)
        return EditResult::Rejected;
    return endEdit(row, col, text);
}

int CGridModel::deleteSelection() {
    if (!m_editable)
        return 0;
    int changed = 0;
    // Collected first: the owner's answers may change the selection.
    for (const CCellID& id : selectedCells())
        if (editCellText(id.row, id.col, QString()) == EditResult::Changed)
            ++changed;
    return changed;
}

bool CGridModel::canPaste(bool clipboardHasText) const {
    return clipboardHasText && m_editable && isCellEditable(m_focus.row, m_focus.col);
}

CCellID CGridModel::pasteTarget() const {
    if (m_selCount > 0)
        return selectedCellRange().topLeft();
    if (isValid(m_focus))
        return m_focus;
    return firstVisibleNonFixedCell();
}

}  // namespace zentiq
