// The grid window: draws a CGridModel with fixed header rows and columns
// that stay in place while the rest scrolls, and turns keys, mouse and
// commands into calls on the model (focus moves, selection, the edit path,
// clipboard). Repaints only the cells the model reports as changed.
#pragma once

#include <QAbstractScrollArea>
#include <QPointer>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

#include "grid/cell_range.h"
#include "grid/grid_cell_painter.h"
#include "grid/grid_model.h"
#include "grid/in_place_edit.h"

class QPrinter;

namespace zentiq {

class CTitleTip;

class CGridCtrl : public QAbstractScrollArea {
    Q_OBJECT
public:
    // Width of the zone around a header divider where dragging resizes.
    static constexpr int kResizeCaptureZone = 3;

    explicit CGridCtrl(QWidget* parent = nullptr, int controlId = 0);
    ~CGridCtrl() override;

    CGridModel& model() { return m_model; }
    const CGridModel& model() const { return m_model; }

    int controlId() const { return m_controlId; }
    void setControlId(int id) { m_controlId = id; }

    // The owner's answer to notifications (below zero refuses a begin-edit
    // or an end-edit). Every notification is also emitted as notification().
    // Install it here, not on the model, which keeps the window's own hook.
    void setNotifyHandler(CGridModel::NotifyFn fn) { m_ownerNotify = std::move(fn); }
    // The owner's tooltip of a cell (empty: none), asked when the mouse
    // rests on it.
    using ToolTipFn = std::function<QString(int row, int col)>;
    void setToolTipHandler(ToolTipFn fn) { m_toolTip = std::move(fn); }

    // ---- scrolling ------------------------------------------------------------
    // Scroll positions in pixels of the scrolled part. A position beyond
    // the current range is kept and applied once the table or window has
    // grown enough (a document restores them before the window is sized).
    int getScrollPos(Qt::Orientation orientation) const;
    void setScrollPos(Qt::Orientation orientation, int pos);
    int getScrollPosV() const { return getScrollPos(Qt::Vertical); }
    int getScrollPosH() const { return getScrollPos(Qt::Horizontal); }
    void setScrollPosV(int pos) { setScrollPos(Qt::Vertical, pos); }
    void setScrollPosH(int pos) { setScrollPos(Qt::Horizontal, pos); }
    // First non-fixed cell drawn at the top left.
    CCellID topLeftNonFixedCell() const;
    // Scrolls so that the cell is entirely visible (as far as the window
    // allows); fixed rows and columns are always visible.
    void ensureCellVisible(int row, int col);

    // ---- geometry -------------------------------------------------------------
    // The cell's rectangle in the coordinates of viewport() (right = left +
    // width - 1); none for an invalid cell or one scrolled out above or to
    // the left. Cells below or to the right lie outside the window.
    std::optional<QRect> cellRect(int row, int col) const;
    // The cell under a point of viewport(); (-1, -1) over no cell.
    CCellID cellAt(const QPoint& pos) const;

    // ---- sizes ----------------------------------------------------------------
    // Style 1 header rows, 2 data rows, 3 both, 0 the grid's default style.
    bool autoSizeColumn(int col, int style = 0, bool redraw = true);
    bool autoSizeRow(int row, bool redraw = true);
    // Every column, then every row.
    void autoSize(int style = 0);

    // ---- editing --------------------------------------------------------------
    // An edit attempt on a cell as the key would start it (a Qt::Key, 0 for
    // a double-click; text: what the key typed). A cell that cannot be
    // edited only gets the begin-edit notification with the character.
    bool editCell(int row, int col, int key = 0, const QString& text = QString());
    bool isEditing() const { return m_editor != nullptr; }
    CInPlaceEdit* inPlaceEdit() const { return m_editor; }
    // Ends an open edit keeping its text.
    void endEditing();

    // ---- commands -------------------------------------------------------------
    bool OnCommand(int id);
    void OnUpdateCommand(int id, bool& enabled) const;
    void copy();
    void cut();
    void paste();
    void selectAll();

    // ---- printing -------------------------------------------------------------
    // Title of the nearest enclosing window that has one.
    QString printTitle() const;
    // Prints the pages the printer asks for; returns how many were printed.
    int print(QPrinter& printer) const;

    CTitleTip* titleTip() const { return m_titleTip; }

signals:
    void notification(int code, int row, int column, int character);

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    bool viewportEvent(QEvent* e) override;
    bool focusNextPrevChild(bool next) override;

private:
    enum class MouseMode { None, SelectCells, SelectColumns, SelectRows, ResizeColumn, ResizeRow };

    int onNotify(const GridNotification& n);
    void onInvalidate(const CCellRange& range);
    void onLayoutChanged();
    void onEditEnded(int row, int col, const QString& text, int key, Qt::KeyboardModifiers mods);

    void updateScrollBars();
    int maxScroll(Qt::Orientation orientation) const;
    // Pixels of the scrolled part before a row or column (its scroll position).
    int offsetOf(Qt::Orientation orientation, int index) const;
    // The row or column at a position of viewport(); -1 past the table.
    int indexAt(Qt::Orientation orientation, int pos) const;
    // The screen span [first, end) of the rows or columns lo..hi, if any is shown.
    std::optional<std::pair<int, int>> screenSpan(Qt::Orientation orientation, int lo,
                                                  int hi) const;
    void scrollLines(Qt::Orientation orientation, int lines);

    // Moves the focus as the key does; false when the key is no move.
    bool navigate(int key, Qt::KeyboardModifiers mods);
    int pageStepRow(int row, int direction) const;
    // The header divider under the point: the column or row it resizes.
    int columnDividerAt(const QPoint& pos) const;
    int rowDividerAt(const QPoint& pos) const;
    void selectColumns(int fromCol, int toCol);
    void selectRows(int fromRow, int toRow);
    void dragSelectTo(const QPoint& pos);
    void updateHover(const QPoint& pos);
    void hideTitleTip();
    bool gridHasFocus() const;

    CGridModel m_model;
    CGridCellPainter m_cellPainter;
    int m_controlId = 0;
    CGridModel::NotifyFn m_ownerNotify;
    ToolTipFn m_toolTip;

    QPointer<CInPlaceEdit> m_editor;
    CTitleTip* m_titleTip = nullptr;
    bool m_destroying = false;
    // Where every row and column lies on screen for the current scroll
    // position, size and layout, so that marking a changed cell (125 of them
    // per poll) costs no walk over the axis. Rebuilt when any of those moved.
    struct AxisSpans {
        int scroll = -1;
        int limit = -1;
        unsigned generation = 0;
        std::vector<std::pair<int, int>> spans;  // start, end; start -1 = off screen
    };
    mutable AxisSpans m_axisSpans[2];
    unsigned m_layoutGeneration = 1;
    const AxisSpans& axisSpans(Qt::Orientation orientation) const;

    int m_pendingScroll[2] = {-1, -1};  // horizontal, vertical
    bool m_adjustingScrollBars = false;
    int m_wheelRemainder[2] = {0, 0};

    MouseMode m_mouseMode = MouseMode::None;
    CCellID m_pressCell;
    int m_anchorIndex = -1;  // first column or row of a header drag
    int m_resizeIndex = -1;
    int m_resizeStartPos = 0;
    int m_resizeStartSize = 0;
};

}  // namespace zentiq
