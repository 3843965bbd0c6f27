#include "grid/grid_ctrl.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>
#include <QWheelEvent>
#include <algorithm>
#include <climits>
#include <cstdint>
#include <vector>

#include "grid/grid_clipboard.h"
#include "grid/grid_printer.h"
#include "grid/in_place_edit.h"
#include "grid/title_tip.h"

namespace zentiq {

namespace {

constexpr int axisIndex(Qt::Orientation o) { return o == Qt::Horizontal ? 0 : 1; }

// The character a begin-edit notification carries for a key.
int editCharacter(int key, const QString& text) {
    if (key == 0 || key == Qt::Key_F2)
        return kEditByMouseOrF2;
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        return '\r';
    if (key == Qt::Key_Backspace)
        return '\b';
    const QList<uint> ucs4 = text.toUcs4();
    return ucs4.isEmpty() ? 0 : static_cast<int>(ucs4.front());
}

bool clipboardHasText() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data != nullptr && data->hasText() && !data->text().isEmpty();
}

}  // namespace

CGridCtrl::CGridCtrl(QWidget* parent, int controlId)
    : QAbstractScrollArea(parent), m_cellPainter(m_model, palette()), m_controlId(controlId) {
    m_model.setNotifyHandler([this](const GridNotification& n) { return onNotify(n); });
    m_model.setInvalidateHandler([this](const CCellRange& r) { onInvalidate(r); });
    m_model.setLayoutHandler([this] { onLayoutChanged(); });

    // Every exposed pixel is painted by paintEvent, so nothing is erased
    // first and the backing store gets each pixel once.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAutoFillBackground(false);
    viewport()->setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    m_titleTip = new CTitleTip(viewport());
    updateScrollBars();
}

CGridCtrl::~CGridCtrl() {
    m_destroying = true;
    if (m_editor != nullptr) {
        m_editor->disconnect(this);
        delete m_editor.data();
    }
    delete m_titleTip;
    m_model.setNotifyHandler(nullptr);
    m_model.setInvalidateHandler(nullptr);
    m_model.setLayoutHandler(nullptr);
}

// ---- hooks from the model ----------------------------------------------------------

int CGridCtrl::onNotify(const GridNotification& n) {
    emit notification(n.code, n.row, n.column, n.character);
    return m_ownerNotify ? m_ownerNotify(n) : 0;
}

void CGridCtrl::onInvalidate(const CCellRange& range) {
    if (m_destroying || !range.isValid())
        return;
    const auto xs = screenSpan(Qt::Horizontal, range.minCol(), range.maxCol());
    if (!xs)
        return;
    const auto ys = screenSpan(Qt::Vertical, range.minRow(), range.maxRow());
    if (!ys)
        return;
    viewport()->update(QRect(xs->first, ys->first, xs->second - xs->first, ys->second - ys->first));
}

void CGridCtrl::onLayoutChanged() {
    if (m_destroying)
        return;
    ++m_layoutGeneration;
    updateScrollBars();
    viewport()->update();
    if (m_editor != nullptr && !m_editor->isFinished()) {
        const std::optional<QRect> r = cellRect(m_editor->row(), m_editor->column());
        if (r && r->width() > 1 && r->height() > 1)
            m_editor->setGeometry(r->x(), r->y(), std::max(m_editor->width(), r->width() - 1),
                                  r->height() - 1);
        else
            endEditing();
    }
}

// ---- scrolling -------------------------------------------------------------------------

int CGridCtrl::offsetOf(Qt::Orientation o, int index) const {
    const bool v = o == Qt::Vertical;
    const int fixed = v ? m_model.fixedRowCount() : m_model.fixedColumnCount();
    std::int64_t pos = 0;
    for (int i = fixed; i < index; ++i)
        pos += v ? m_model.rowHeight(i) : m_model.columnWidth(i);
    return static_cast<int>(std::min<std::int64_t>(pos, INT_MAX));
}

int CGridCtrl::maxScroll(Qt::Orientation o) const {
    const bool v = o == Qt::Vertical;
    const int count = v ? m_model.rowCount() : m_model.columnCount();
    const int fixed = v ? m_model.fixedRowCount() : m_model.fixedColumnCount();
    const int avail = v ? viewport()->height() - m_model.fixedRowsHeight()
                        : viewport()->width() - m_model.fixedColumnsWidth();
    auto size = [&](int i) { return v ? m_model.rowHeight(i) : m_model.columnWidth(i); };
    std::int64_t total = 0;
    for (int i = fixed; i < count; ++i)
        total += size(i);
    if (total <= avail)
        return 0;
    // The smallest row (column) start from which the rest fits, so that the
    // last one can be seen whole.
    std::int64_t fitting = 0;
    std::int64_t last = 0;
    for (int i = count - 1; i >= fixed; --i) {
        const int s = size(i);
        if (s == 0)
            continue;
        if (last == 0)
            last = s;
        if (fitting + s > avail)
            break;
        fitting += s;
    }
    return static_cast<int>(std::min<std::int64_t>(total - std::max(fitting, last), INT_MAX));
}

void CGridCtrl::updateScrollBars() {
    m_adjustingScrollBars = true;
    for (Qt::Orientation o : {Qt::Horizontal, Qt::Vertical}) {
        QScrollBar* bar = o == Qt::Horizontal ? horizontalScrollBar() : verticalScrollBar();
        const int max = maxScroll(o);
        const bool v = o == Qt::Vertical;
        const int avail = v ? viewport()->height() - m_model.fixedRowsHeight()
                            : viewport()->width() - m_model.fixedColumnsWidth();
        bar->setRange(0, max);
        bar->setPageStep(std::max(1, avail));
        bar->setSingleStep(std::max(1, v ? m_model.defaultCell(false, false).height()
                                         : m_model.defaultCell(false, false).width()));
        int& pending = m_pendingScroll[axisIndex(o)];
        if (pending >= 0) {
            bar->setValue(std::min(pending, max));
            if (pending <= max)
                pending = -1;
        }
    }
    m_adjustingScrollBars = false;
}

int CGridCtrl::getScrollPos(Qt::Orientation o) const {
    const int pending = m_pendingScroll[axisIndex(o)];
    if (pending >= 0)
        return pending;
    return (o == Qt::Horizontal ? horizontalScrollBar() : verticalScrollBar())->value();
}

void CGridCtrl::setScrollPos(Qt::Orientation o, int pos) {
    QScrollBar* bar = o == Qt::Horizontal ? horizontalScrollBar() : verticalScrollBar();
    pos = std::max(0, pos);
    m_pendingScroll[axisIndex(o)] = pos > bar->maximum() ? pos : -1;
    m_adjustingScrollBars = true;
    bar->setValue(std::min(pos, bar->maximum()));
    m_adjustingScrollBars = false;
}

void CGridCtrl::scrollContentsBy(int dx, int dy) {
    if (!m_adjustingScrollBars) {
        // The user moved a scroll bar: an older wish is void.
        if (dx != 0)
            m_pendingScroll[0] = -1;
        if (dy != 0)
            m_pendingScroll[1] = -1;
    }
    hideTitleTip();
    endEditing();
    viewport()->update();
}

CCellID CGridCtrl::topLeftNonFixedCell() const {
    return m_model.topLeftNonFixedCell(horizontalScrollBar()->value(),
                                       verticalScrollBar()->value());
}

void CGridCtrl::scrollLines(Qt::Orientation o, int lines) {
    const bool v = o == Qt::Vertical;
    const CCellID tl = topLeftNonFixedCell();
    int index = v ? tl.row : tl.col;
    if (index < 0 || lines == 0)
        return;
    const int step = lines > 0 ? 1 : -1;
    for (int i = 0; i != lines; i += step) {
        const int next =
            v ? m_model.nextVisibleRow(index, step) : m_model.nextVisibleColumn(index, step);
        if (next < 0)
            break;
        index = next;
    }
    setScrollPos(o, std::min(offsetOf(o, index), maxScroll(o)));
}

void CGridCtrl::ensureCellVisible(int row, int col) {
    if (!m_model.isValid(row, col))
        return;
    const CCellID tl = topLeftNonFixedCell();
    for (Qt::Orientation o : {Qt::Horizontal, Qt::Vertical}) {
        const bool v = o == Qt::Vertical;
        const int index = v ? row : col;
        const int fixed = v ? m_model.fixedRowCount() : m_model.fixedColumnCount();
        const int top = v ? tl.row : tl.col;
        const int size = v ? m_model.rowHeight(index) : m_model.columnWidth(index);
        if (index < fixed || size <= 0 || top < 0)
            continue;
        const int avail = v ? viewport()->height() - m_model.fixedRowsHeight()
                            : viewport()->width() - m_model.fixedColumnsWidth();
        const std::int64_t start = offsetOf(o, index);
        const std::int64_t end = start + size;
        std::int64_t pos = offsetOf(o, top);
        if (start < pos) {
            pos = start;
        } else if (end - pos > avail) {
            // Move the top down row by row until the cell's end fits, but
            // never past the cell itself.
            int k = top;
            while (end - pos > avail && k < index) {
                pos += v ? m_model.rowHeight(k) : m_model.columnWidth(k);
                ++k;
            }
        } else {
            continue;
        }
        setScrollPos(o, static_cast<int>(pos));
    }
}

// ---- geometry --------------------------------------------------------------------------

std::optional<QRect> CGridCtrl::cellRect(int row, int col) const {
    return m_model.cellRect(row, col, topLeftNonFixedCell());
}

const CGridCtrl::AxisSpans& CGridCtrl::axisSpans(Qt::Orientation o) const {
    const bool v = o == Qt::Vertical;
    AxisSpans& cache = m_axisSpans[v ? 1 : 0];
    const int scroll = v ? verticalScrollBar()->value() : horizontalScrollBar()->value();
    const int limit = v ? viewport()->height() : viewport()->width();
    const int count = v ? m_model.rowCount() : m_model.columnCount();
    if (cache.generation == m_layoutGeneration && cache.scroll == scroll && cache.limit == limit &&
        static_cast<int>(cache.spans.size()) == count)
        return cache;
    cache.generation = m_layoutGeneration;
    cache.scroll = scroll;
    cache.limit = limit;
    cache.spans.assign(static_cast<std::size_t>(count), {-1, -1});
    const int fixed = v ? m_model.fixedRowCount() : m_model.fixedColumnCount();
    const CCellID tl = topLeftNonFixedCell();
    const int top = v ? tl.row : tl.col;
    int pos = 0;
    auto take = [&](int i) {
        const int s = v ? m_model.rowHeight(i) : m_model.columnWidth(i);
        if (s > 0)
            cache.spans[static_cast<std::size_t>(i)] = {pos, pos + s};
        pos += s;
    };
    for (int i = 0; i < fixed && i < count && pos < limit; ++i)
        take(i);
    if (top >= 0)
        for (int i = std::max(top, fixed); i < count && pos < limit; ++i)
            take(i);
    return cache;
}

std::optional<std::pair<int, int>> CGridCtrl::screenSpan(Qt::Orientation o, int lo, int hi) const {
    const AxisSpans& axis = axisSpans(o);
    lo = std::max(lo, 0);
    hi = std::min(hi, static_cast<int>(axis.spans.size()) - 1);
    int first = -1;
    int end = -1;
    for (int i = lo; i <= hi; ++i) {
        const auto& span = axis.spans[static_cast<std::size_t>(i)];
        if (span.first < 0)
            continue;
        if (first < 0 || span.first < first)
            first = span.first;
        end = std::max(end, span.second);
    }
    if (first < 0 || first >= axis.limit)
        return std::nullopt;
    return std::make_pair(first, std::min(end, axis.limit));
}

int CGridCtrl::indexAt(Qt::Orientation o, int at) const {
    if (at < 0)
        return -1;
    const bool v = o == Qt::Vertical;
    const int count = v ? m_model.rowCount() : m_model.columnCount();
    const int fixed = v ? m_model.fixedRowCount() : m_model.fixedColumnCount();
    auto size = [&](int i) { return v ? m_model.rowHeight(i) : m_model.columnWidth(i); };
    int pos = 0;
    for (int i = 0; i < fixed && i < count; ++i) {
        if (at < pos + size(i))
            return i;
        pos += size(i);
    }
    const CCellID tl = topLeftNonFixedCell();
    const int top = v ? tl.row : tl.col;
    if (top < 0)
        return -1;
    for (int i = std::max(top, fixed); i < count && pos <= at; ++i) {
        if (at < pos + size(i))
            return i;
        pos += size(i);
    }
    return -1;
}

CCellID CGridCtrl::cellAt(const QPoint& p) const {
    const int row = indexAt(Qt::Vertical, p.y());
    const int col = indexAt(Qt::Horizontal, p.x());
    if (row < 0 || col < 0)
        return {};
    return {row, col};
}

// ---- sizes -------------------------------------------------------------------------------

bool CGridCtrl::autoSizeColumn(int col, int style, bool redraw) {
    // Repaints are coalesced by Qt, so there is nothing to hold back when
    // the caller asks for no redraw.
    (void)redraw;
    return m_model.autoSizeColumn(col, style);
}

bool CGridCtrl::autoSizeRow(int row, bool redraw) {
    (void)redraw;
    return m_model.autoSizeRow(row);
}

void CGridCtrl::autoSize(int style) {
    for (int c = 0; c < m_model.columnCount(); ++c)
        m_model.autoSizeColumn(c, style);
    for (int r = 0; r < m_model.rowCount(); ++r)
        m_model.autoSizeRow(r);
}

// ---- painting ------------------------------------------------------------------------------

void CGridCtrl::paintEvent(QPaintEvent* e) {
    QPainter painter(viewport());
    const QRegion& region = e->region();
    const QRect exposed = region.boundingRect();
    const bool oneRect = region.rectCount() <= 1;
    const int vw = viewport()->width();
    const int vh = viewport()->height();

    m_cellPainter.setPalette(palette());
    m_cellPainter.setActive(gridHasFocus());
    m_cellPainter.begin();

    // The rows and columns on screen with their positions: fixed ones
    // first, then the scrolled part from the top-left cell on.
    const CCellID tl = topLeftNonFixedCell();
    auto layout = [&](bool v, std::vector<std::pair<int, int>>& out) {
        const int count = v ? m_model.rowCount() : m_model.columnCount();
        const int fixed = v ? m_model.fixedRowCount() : m_model.fixedColumnCount();
        const int limit = v ? vh : vw;
        int pos = 0;
        auto add = [&](int i) {
            const int s = v ? m_model.rowHeight(i) : m_model.columnWidth(i);
            if (s > 0)
                out.emplace_back(i, pos);
            pos += s;
        };
        for (int i = 0; i < fixed && i < count && pos < limit; ++i)
            add(i);
        const int top = v ? tl.row : tl.col;
        if (top >= 0)
            for (int i = std::max(top, fixed); i < count && pos < limit; ++i)
                add(i);
        return pos;
    };
    std::vector<std::pair<int, int>> rows;
    std::vector<std::pair<int, int>> cols;
    const int gridBottom = layout(true, rows);
    const int gridRight = layout(false, cols);

    for (const auto& [row, y] : rows) {
        const int h = m_model.rowHeight(row);
        if (y + h <= exposed.top() || y > exposed.bottom())
            continue;
        for (const auto& [col, x] : cols) {
            const QRect rect(x, y, m_model.columnWidth(col), h);
            if (!rect.intersects(exposed) || (!oneRect && !region.intersects(rect)))
                continue;
            m_cellPainter.drawCell(painter, row, col, rect);
        }
    }

    // Beyond the table.
    const QColor background = palette().color(QPalette::Window);
    if (gridRight < vw)
        painter.fillRect(QRect(gridRight, 0, vw - gridRight, vh) & exposed, background);
    if (gridBottom < vh)
        painter.fillRect(QRect(0, gridBottom, std::min(gridRight, vw), vh - gridBottom) & exposed,
                         background);
}

void CGridCtrl::changeEvent(QEvent* e) {
    QAbstractScrollArea::changeEvent(e);
    // A desktop switched to a dark theme (or back) while the grid is open.
    if (e->type() == QEvent::PaletteChange) {
        m_model.setDefaultColours(palette());
        viewport()->update();
    }
}

void CGridCtrl::resizeEvent(QResizeEvent* e) {
    QAbstractScrollArea::resizeEvent(e);
    updateScrollBars();
}

// ---- keyboard ---------------------------------------------------------------------------------

bool CGridCtrl::focusNextPrevChild(bool) {
    // Tab and Shift+Tab move the focus cell, not the keyboard focus.
    return false;
}

int CGridCtrl::pageStepRow(int row, int direction) const {
    const int avail = std::max(1, viewport()->height() - m_model.fixedRowsHeight());
    int result = row;
    int used = 0;
    for (int r = row;;) {
        const int next = m_model.nextVisibleRow(r, direction);
        if (next < 0)
            break;
        used += m_model.rowHeight(next);
        if (used > avail && result != row)
            break;
        result = next;
        r = next;
        if (used >= avail)
            break;
    }
    return result;
}

bool CGridCtrl::navigate(int key, Qt::KeyboardModifiers mods) {
    const bool shift = mods & Qt::ShiftModifier;
    const bool ctrl = mods & Qt::ControlModifier;
    switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End: break;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        if (ctrl)
            return false;
        break;
    default: return false;
    }

    const CCellID focus = m_model.focusCell();
    if (!m_model.isValid(focus)) {
        const CCellID first = m_model.firstVisibleNonFixedCell();
        if (m_model.isValid(first)) {
            m_model.moveFocus(first.row, first.col, false);
            ensureCellVisible(first.row, first.col);
        }
        return true;
    }

    const bool tab = key == Qt::Key_Tab || key == Qt::Key_Backtab;
    const bool extend = shift && !tab;
    CCellID next = focus;
    auto setRow = [&](int r) {
        if (r >= 0)
            next.row = r;
    };
    auto setCol = [&](int c) {
        if (c >= 0)
            next.col = c;
    };
    switch (key) {
    case Qt::Key_Down: setRow(m_model.nextVisibleRow(focus.row, 1)); break;
    case Qt::Key_Up: setRow(m_model.nextVisibleRow(focus.row, -1)); break;
    case Qt::Key_Right: setCol(m_model.nextVisibleColumn(focus.col, 1)); break;
    case Qt::Key_Left: setCol(m_model.nextVisibleColumn(focus.col, -1)); break;
    case Qt::Key_Tab: setCol(m_model.nextVisibleColumn(focus.col, shift ? -1 : 1)); break;
    case Qt::Key_Backtab: setCol(m_model.nextVisibleColumn(focus.col, -1)); break;
    case Qt::Key_PageDown: setRow(pageStepRow(focus.row, 1)); break;
    case Qt::Key_PageUp: setRow(pageStepRow(focus.row, -1)); break;
    case Qt::Key_Home:
        setCol(m_model.firstVisibleColumn());
        if (ctrl)
            setRow(m_model.firstVisibleRow());
        break;
    case Qt::Key_End:
        setCol(m_model.lastVisibleColumn());
        if (ctrl)
            setRow(m_model.lastVisibleRow());
        break;
    default: break;
    }
    if (next == focus)
        return true;

    // Page keys move the view by as much as the focus moves, so the focus
    // cell keeps its place on screen.
    if (key == Qt::Key_PageDown || key == Qt::Key_PageUp)
        setScrollPos(Qt::Vertical, verticalScrollBar()->value() + offsetOf(Qt::Vertical, next.row) -
                                       offsetOf(Qt::Vertical, focus.row));
    m_model.moveFocus(next.row, next.col, extend);
    const CCellID now = m_model.focusCell();
    if (key == Qt::Key_Home) {
        setScrollPos(Qt::Horizontal, 0);
        if (ctrl)
            setScrollPos(Qt::Vertical, 0);
    } else if (key == Qt::Key_End) {
        setScrollPos(Qt::Horizontal, maxScroll(Qt::Horizontal));
        if (ctrl)
            setScrollPos(Qt::Vertical, maxScroll(Qt::Vertical));
    }
    ensureCellVisible(now.row, now.col);
    return true;
}

void CGridCtrl::keyPressEvent(QKeyEvent* e) {
    const int key = e->key();
    const Qt::KeyboardModifiers mods = e->modifiers();
    const bool ctrl = mods & Qt::ControlModifier;
    hideTitleTip();
    e->accept();

    if (ctrl && !(mods & Qt::AltModifier)) {
        switch (key) {
        case Qt::Key_C:
        case Qt::Key_Insert: copy(); return;
        case Qt::Key_X: cut(); return;
        case Qt::Key_V: paste(); return;
        case Qt::Key_A: selectAll(); return;
        default: break;
        }
    }
    const CCellID focus = m_model.focusCell();
    if (key == Qt::Key_F2 && !ctrl) {
        if (m_model.isValid(focus))
            editCell(focus.row, focus.col, Qt::Key_F2);
        return;
    }
    if (key == Qt::Key_Delete && !ctrl) {
        m_model.deleteSelection();
        return;
    }
    if (navigate(key, mods))
        return;

    // A typed character starts an edit of the focus cell (Enter and
    // Backspace count as characters; Escape and Tab do not).
    if (!(mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) &&
        key != Qt::Key_Escape && key != Qt::Key_Tab && key != Qt::Key_Backtab &&
        m_model.isValid(focus)) {
        const QString text = e->text();
        const bool typed = key == Qt::Key_Return || key == Qt::Key_Enter ||
                           key == Qt::Key_Backspace || (!text.isEmpty() && text.at(0).isPrint());
        if (typed) {
            editCell(focus.row, focus.col, key, text);
            return;
        }
    }
    e->ignore();
}

// ---- editing -----------------------------------------------------------------------------------

bool CGridCtrl::editCell(int row, int col, int key, const QString& text) {
    if (!m_model.isValid(row, col))
        return false;
    endEditing();
    hideTitleTip();
    // A walk from cell to cell (Tab, arrows) types nothing, so a cell that
    // cannot be edited learns of it with character 0.
    const int character = editCharacter(key, text);
    if (!m_model.isCellEditable(row, col)) {
        m_model.beginEdit(row, col, character);
        return false;
    }
    ensureCellVisible(row, col);
    const std::optional<QRect> rect = cellRect(row, col);
    if (!rect || rect->width() <= 1 || rect->height() <= 1)
        return false;
    if (!m_model.beginEdit(row, col, 0))
        return false;
    // The owner may have changed the table while answering.
    const std::optional<QRect> now = cellRect(row, col);
    if (!now || now->width() <= 1 || now->height() <= 1)
        return false;
    auto* editor =
        new CInPlaceEdit(viewport(), QRect(now->x(), now->y(), now->width() - 1, now->height() - 1),
                         row, col, m_model.itemText(row, col), m_model.gridFont(), key, text);
    connect(editor, &CInPlaceEdit::editEnded, this, &CGridCtrl::onEditEnded);
    m_editor = editor;
    editor->show();
    editor->setFocus(Qt::OtherFocusReason);
    return true;
}

void CGridCtrl::endEditing() {
    if (m_editor != nullptr && !m_editor->isFinished())
        m_editor->finish(0, Qt::NoModifier);
}

void CGridCtrl::onEditEnded(int row, int col, const QString& text, int key,
                            Qt::KeyboardModifiers mods) {
    CInPlaceEdit* editor = m_editor;
    m_editor = nullptr;
    if (editor != nullptr) {
        editor->disconnect(this);
        editor->deleteLater();
    }
    if (m_destroying)
        return;
    // Ended by a key: the editor had the keyboard focus, the grid takes it
    // back. Ended by focus loss: the focus stays where it went.
    if (key != 0)
        setFocus(Qt::OtherFocusReason);
    m_model.endEdit(row, col, text);
    if (CInPlaceEdit::continuesEditing(key)) {
        const CCellID before = m_model.focusCell();
        navigate(key, mods);
        const CCellID after = m_model.focusCell();
        if (m_model.isValid(after) && !(after == before))
            editCell(after.row, after.col, key, QString());
    }
}

// ---- mouse -------------------------------------------------------------------------------------

int CGridCtrl::columnDividerAt(const QPoint& pos) const {
    if (pos.y() < 0 || pos.y() >= m_model.fixedRowsHeight())
        return -1;
    const CCellID tl = topLeftNonFixedCell();
    const int limit = viewport()->width();
    int best = -1;
    int bestDistance = kResizeCaptureZone + 1;
    int x = 0;
    auto consider = [&](int c) {
        const int w = m_model.columnWidth(c);
        if (w <= 0)
            return;
        x += w;
        const int d = std::abs(pos.x() - x);
        if (d <= kResizeCaptureZone && d < bestDistance) {
            best = c;
            bestDistance = d;
        }
    };
    for (int c = 0; c < m_model.fixedColumnCount() && x <= limit; ++c)
        consider(c);
    if (tl.col >= 0)
        for (int c = tl.col;
             c < m_model.columnCount() && x <= std::min(limit, pos.x() + kResizeCaptureZone); ++c)
            consider(c);
    return best;
}

int CGridCtrl::rowDividerAt(const QPoint& pos) const {
    if (pos.x() < 0 || pos.x() >= m_model.fixedColumnsWidth())
        return -1;
    const CCellID tl = topLeftNonFixedCell();
    const int limit = viewport()->height();
    int best = -1;
    int bestDistance = kResizeCaptureZone + 1;
    int y = 0;
    auto consider = [&](int r) {
        const int h = m_model.rowHeight(r);
        if (h <= 0)
            return;
        y += h;
        const int d = std::abs(pos.y() - y);
        if (d <= kResizeCaptureZone && d < bestDistance) {
            best = r;
            bestDistance = d;
        }
    };
    for (int r = 0; r < m_model.fixedRowCount() && y <= limit; ++r)
        consider(r);
    if (tl.row >= 0)
        for (int r = tl.row;
             r < m_model.rowCount() && y <= std::min(limit, pos.y() + kResizeCaptureZone); ++r)
            consider(r);
    return best;
}

void CGridCtrl::selectColumns(int fromCol, int toCol) {
    if (!m_model.isSelectable())
        return;
    const CCellID focus = m_model.focusCell();
    const int row = m_model.isValid(focus) ? focus.row : m_model.firstVisibleRow();
    if (row < 0)
        return;
    m_model.sendNotification(GVN_SELCHANGING, row, toCol);
    m_model.setSelectedRange(m_model.fixedRowCount(), std::min(fromCol, toCol),
                             m_model.rowCount() - 1, std::max(fromCol, toCol));
    m_model.sendNotification(GVN_SELCHANGED, row, toCol);
    m_model.setFocusCell(row, toCol);
}

void CGridCtrl::selectRows(int fromRow, int toRow) {
    if (!m_model.isSelectable())
        return;
    const CCellID focus = m_model.focusCell();
    const int col = m_model.isValid(focus) ? focus.col : m_model.firstVisibleColumn();
    if (col < 0)
        return;
    m_model.sendNotification(GVN_SELCHANGING, toRow, col);
    m_model.setSelectedRange(std::min(fromRow, toRow), m_model.fixedColumnCount(),
                             std::max(fromRow, toRow), m_model.columnCount() - 1);
    m_model.sendNotification(GVN_SELCHANGED, toRow, col);
    m_model.setFocusCell(toRow, col);
}

void CGridCtrl::dragSelectTo(const QPoint& pos) {
    // Dragging past an edge scrolls one row or column that way.
    const int fixedW = m_model.fixedColumnsWidth();
    const int fixedH = m_model.fixedRowsHeight();
    if (pos.y() >= viewport()->height())
        scrollLines(Qt::Vertical, 1);
    else if (pos.y() < fixedH)
        scrollLines(Qt::Vertical, -1);
    if (pos.x() >= viewport()->width())
        scrollLines(Qt::Horizontal, 1);
    else if (pos.x() < fixedW)
        scrollLines(Qt::Horizontal, -1);

    const QPoint p(std::clamp(pos.x(), fixedW, std::max(fixedW, viewport()->width() - 1)),
                   std::clamp(pos.y(), fixedH, std::max(fixedH, viewport()->height() - 1)));
    // Past the end of a small table: the last row or column.
    int row = indexAt(Qt::Vertical, p.y());
    int col = indexAt(Qt::Horizontal, p.x());
    if (row < 0)
        row = m_model.lastVisibleRow();
    if (col < 0)
        col = m_model.lastVisibleColumn();
    const CCellID cell(row, col);
    if (!m_model.isValid(cell) || m_model.isCellFixed(cell.row, cell.col) ||
        cell == m_model.focusCell())
        return;
    m_model.moveFocus(cell.row, cell.col, true);
    ensureCellVisible(cell.row, cell.col);
}

bool CGridCtrl::gridHasFocus() const {
    return hasFocus() || (m_editor != nullptr && m_editor->hasFocus());
}

void CGridCtrl::hideTitleTip() {
    if (m_titleTip != nullptr)
        m_titleTip->hideTip();
}

void CGridCtrl::updateHover(const QPoint& pos) {
    if (columnDividerAt(pos) >= 0)
        viewport()->setCursor(Qt::SplitHCursor);
    else if (rowDividerAt(pos) >= 0)
        viewport()->setCursor(Qt::SplitVCursor);
    else
        viewport()->unsetCursor();

    const CCellID cell = cellAt(pos);
    if (!gridHasFocus() || !m_model.isValid(cell) ||
        (m_editor != nullptr && m_editor->row() == cell.row && m_editor->column() == cell.col)) {
        hideTitleTip();
        return;
    }
    if (m_titleTip->isShowing() && m_titleTip->cell() == cell)
        return;
    const std::optional<QRect> rect = cellRect(cell.row, cell.col);
    if (!rect || !m_cellPainter.textOverflows(cell.row, cell.col, *rect)) {
        hideTitleTip();
        return;
    }
    const QRect text = m_cellPainter.textRect(cell.row, cell.col, *rect);
    const QRect global(viewport()->mapToGlobal(rect->topLeft()), rect->size());
    m_titleTip->showTip(cell, global, viewport()->mapToGlobal(text.topLeft()).x(),
                        m_model.itemText(cell.row, cell.col),
                        m_cellPainter.cellFont(cell.row, cell.col));
}

void CGridCtrl::mousePressEvent(QMouseEvent* e) {
    hideTitleTip();
    endEditing();
    if (!hasFocus())
        setFocus(Qt::MouseFocusReason);
    if (e->button() != Qt::LeftButton)
        return;
    const QPoint pos = e->position().toPoint();

    if (const int col = columnDividerAt(pos); col >= 0) {
        m_mouseMode = MouseMode::ResizeColumn;
        m_resizeIndex = col;
        m_resizeStartPos = pos.x();
        m_resizeStartSize = m_model.columnWidth(col);
        return;
    }
    if (const int row = rowDividerAt(pos); row >= 0) {
        m_mouseMode = MouseMode::ResizeRow;
        m_resizeIndex = row;
        m_resizeStartPos = pos.y();
        m_resizeStartSize = m_model.rowHeight(row);
        return;
    }

    const CCellID cell = cellAt(pos);
    if (!m_model.isValid(cell))
        return;
    m_pressCell = cell;
    const bool shift = e->modifiers() & Qt::ShiftModifier;
    const bool fixedRow = cell.row < m_model.fixedRowCount();
    const bool fixedCol = cell.col < m_model.fixedColumnCount();
    const CCellID focus = m_model.focusCell();
    if (fixedRow && fixedCol) {
        m_model.selectAll();
        m_mouseMode = MouseMode::None;
    } else if (fixedRow) {
        m_anchorIndex = shift && m_model.isValid(focus) ? focus.col : cell.col;
        selectColumns(m_anchorIndex, cell.col);
        m_mouseMode = MouseMode::SelectColumns;
    } else if (fixedCol) {
        m_anchorIndex = shift && m_model.isValid(focus) ? focus.row : cell.row;
        selectRows(m_anchorIndex, cell.row);
        m_mouseMode = MouseMode::SelectRows;
    } else {
        m_model.moveFocus(cell.row, cell.col, shift);
        ensureCellVisible(cell.row, cell.col);
        m_mouseMode = MouseMode::SelectCells;
    }
}

void CGridCtrl::mouseMoveEvent(QMouseEvent* e) {
    const QPoint pos = e->position().toPoint();
    const bool left = e->buttons() & Qt::LeftButton;
    switch (m_mouseMode) {
    case MouseMode::ResizeColumn:
        m_model.setColumnWidth(
            m_resizeIndex,
            std::clamp(m_resizeStartSize + pos.x() - m_resizeStartPos, 0, CGridModel::kMaxExtent));
        return;
    case MouseMode::ResizeRow:
        m_model.setRowHeight(
            m_resizeIndex,
            std::clamp(m_resizeStartSize + pos.y() - m_resizeStartPos, 0, CGridModel::kMaxExtent));
        return;
    case MouseMode::SelectCells:
        if (left)
            dragSelectTo(pos);
        return;
    case MouseMode::SelectColumns:
        if (left) {
            const int col = indexAt(Qt::Horizontal, pos.x());
            if (col >= m_model.fixedColumnCount())
                selectColumns(m_anchorIndex, col);
        }
        return;
    case MouseMode::SelectRows:
        if (left) {
            const int row = indexAt(Qt::Vertical, pos.y());
            if (row >= m_model.fixedRowCount())
                selectRows(m_anchorIndex, row);
        }
        return;
    case MouseMode::None: break;
    }
    if (!left)
        updateHover(pos);
}

void CGridCtrl::mouseReleaseEvent(QMouseEvent* e) {
    const MouseMode mode = m_mouseMode;
    const CCellID pressed = m_pressCell;
    m_mouseMode = MouseMode::None;
    m_pressCell = CCellID();
    if (e->button() == Qt::LeftButton && m_model.isValid(pressed) &&
        (mode == MouseMode::SelectCells || mode == MouseMode::SelectColumns ||
         mode == MouseMode::SelectRows))
        m_model.sendNotification(GVN_CLICK, pressed.row, pressed.col);
}

void CGridCtrl::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton)
        return;
    const QPoint pos = e->position().toPoint();
    m_mouseMode = MouseMode::None;
    if (const int col = columnDividerAt(pos); col >= 0) {
        autoSizeColumn(col);
        return;
    }
    if (const int row = rowDividerAt(pos); row >= 0) {
        autoSizeRow(row);
        return;
    }
    const CCellID cell = cellAt(pos);
    if (!m_model.isValid(cell))
        return;
    m_model.sendNotification(GVN_DBLCLK, cell.row, cell.col);
    if (!m_model.isCellFixed(cell.row, cell.col) && cell == m_model.focusCell())
        editCell(cell.row, cell.col, 0);
}

void CGridCtrl::wheelEvent(QWheelEvent* e) {
    hideTitleTip();
    int lines = QApplication::wheelScrollLines();
    if (lines <= 0)
        lines = 3;
    const QPoint delta = e->angleDelta();
    for (Qt::Orientation o : {Qt::Vertical, Qt::Horizontal}) {
        int& remainder = m_wheelRemainder[axisIndex(o)];
        remainder += o == Qt::Vertical ? delta.y() : delta.x();
        const int notches = remainder / 120;
        remainder -= notches * 120;
        // A turn away from the user (positive) scrolls up or left.
        if (notches != 0)
            scrollLines(o, -notches * lines);
    }
    e->accept();
}

void CGridCtrl::focusInEvent(QFocusEvent* e) {
    QAbstractScrollArea::focusInEvent(e);
    viewport()->update();
}

void CGridCtrl::focusOutEvent(QFocusEvent* e) {
    QAbstractScrollArea::focusOutEvent(e);
    hideTitleTip();
    viewport()->update();
}

bool CGridCtrl::viewportEvent(QEvent* e) {
    if (e->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(e);
        const CCellID cell = cellAt(help->pos());
        const QString text =
            m_toolTip && m_model.isValid(cell) ? m_toolTip(cell.row, cell.col) : QString();
        if (text.isEmpty()) {
            QToolTip::hideText();
            e->ignore();
        } else {
            // It goes as soon as the mouse leaves the cell.
            const std::optional<QRect> area = cellRect(cell.row, cell.col);
            QToolTip::showText(help->globalPos(), text, viewport(), area.value_or(QRect()));
        }
        return true;
    }
    if (e->type() == QEvent::Leave) {
        hideTitleTip();
        if (m_mouseMode == MouseMode::None)
            viewport()->unsetCursor();
    }
    return QAbstractScrollArea::viewportEvent(e);
}

// ---- commands ------------------------------------------------------------------------------------

bool CGridCtrl::OnCommand(int id) {
    switch (id) {
    case cmd::EditCopy: copy(); return true;
    case cmd::EditCut: cut(); return true;
    case cmd::EditPaste: paste(); return true;
    case cmd::EditSelectAll: selectAll(); return true;
    default: return false;
    }
}

void CGridCtrl::OnUpdateCommand(int id, bool& enabled) const {
    const bool inEditor = m_editor != nullptr && m_editor->hasFocus();
    switch (id) {
    case cmd::EditCopy: enabled = inEditor ? m_editor->hasSelectedText() : m_model.canCopy(); break;
    case cmd::EditCut: enabled = inEditor ? m_editor->hasSelectedText() : m_model.canCut(); break;
    case cmd::EditPaste: enabled = m_model.canPaste(clipboardHasText()); break;
    case cmd::EditSelectAll: enabled = true; break;
    default: break;
    }
}

void CGridCtrl::copy() {
    // While the user edits a cell the editing commands act on its text.
    if (m_editor != nullptr && m_editor->hasFocus()) {
        m_editor->copy();
        return;
    }
    if (!m_model.canCopy())
        return;
    QGuiApplication::clipboard()->setText(CGridClipboard::copyText(m_model));
}

void CGridCtrl::cut() {
    if (m_editor != nullptr && m_editor->hasFocus()) {
        m_editor->cut();
        return;
    }
    if (!m_model.canCut())
        return;
    QGuiApplication::clipboard()->setText(CGridClipboard::copyText(m_model));
    m_model.deleteSelection();
}

void CGridCtrl::paste() {
    if (!m_model.canPaste(clipboardHasText()))
        return;
    const QString text = QGuiApplication::clipboard()->text();
    const CCellID target = m_model.pasteTarget();
    if (m_editor != nullptr && !m_editor->isFinished()) {
        if (m_editor->row() == target.row && m_editor->column() == target.col) {
            m_editor->insert(text);
            return;
        }
        endEditing();
    }
    CGridClipboard::paste(m_model, text);
}

void CGridCtrl::selectAll() {
    if (m_editor != nullptr && m_editor->hasFocus()) {
        m_editor->selectAll();
        return;
    }
    m_model.selectAll();
}

// ---- printing ------------------------------------------------------------------------------------

QString CGridCtrl::printTitle() const {
    for (const QWidget* w = this; w != nullptr; w = w->parentWidget()) {
        QString title = w->windowTitle();
        title = title.remove(QStringLiteral("[*]")).trimmed();
        if (!title.isEmpty())
            return title;
    }
    return QString();
}

int CGridCtrl::print(QPrinter& printer) const {
    CGridPrinter job(m_model);
    return job.print(printer, printTitle());
}

}  // namespace zentiq
