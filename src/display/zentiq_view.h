// The data view of a poll document: a two-line status band above the
// document's grid, which shows the poll as a memory map (an alias column in
// front of each value column). Shows what the document made of its
// results: values, counters and status text.
#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <climits>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "framework/command_target.h"
#include "documents/value_edit_request.h"
#include "documents/zentiq_doc.h"
#include "engine/engine_types.h"
#include "display/trend_items.h"
#include "grid/grid_ctrl.h"
#include "values/typed_items.h"

class QMenu;
class QPrinter;

namespace zentiq {

class DecodeWindow;
class TrendWindow;

class CZentiqView : public QWidget, public CommandTarget {
    Q_OBJECT
public:
    static constexpr int kLineHeight = 20;
    static constexpr int kStatusBandHeight = 2 * kLineHeight;
    static constexpr int kGridControlId = CZentiqDoc::kGridControlId;
    static constexpr int kContextMenuId = 152;
    // TypedKeyCode's answer for a character that starts nothing.
    static constexpr int kNoKeyCode = INT_MIN;

    // The document's one view; it belongs to its parent widget.
    explicit CZentiqView(CZentiqDoc* doc, QWidget* parent = nullptr);
    ~CZentiqView() override;

    CZentiqDoc* GetDocument() const { return m_doc; }
    CGridCtrl* Grid() const;

    // Once, when the view is first shown (called on the first show if the
    // frame has not called it before): update, restore focus cell, register
    // with the engine, clear the grid's modified flag, restore scrolling.
    void OnInitialUpdate();
    bool InitialUpdateDone() const { return m_initialUpdateDone; }
    // Every document update: grid window created on the first one, grid
    // rebuilt and refilled, status text cleared.
    void OnUpdate();
    // Headers, labels, cell formats and read-only flags from the definition.
    void Rebuild();
    // Cell texts from the document's values: all of them, or only those
    // whose value changed since they were last shown.
    void FillCells(bool all);

    // A stale value cell's tooltip: when its value was last read well.
    // Empty for any other cell.
    QString CellToolTip(int row, int column) const;

    // The status band: the text of the last failure, and the two lines as
    // they are drawn (blanks included; while polls succeed, the second
    // says what became of the log's file, if anything). Made from the last
    // result in the language now installed, so a language switch shows at
    // once.
    QString StatusText() const;
    QString StatusLine1() const;
    QString StatusLine2() const;
    // The red of the second line on a band of colour `background`.
    static QColor StatusErrorColour(const QColor& background);

    // Value editing: the typed-key code of a character for a poll, or
    // kNoKeyCode. character 1 = double-click or F2.
    static int TypedKeyCode(int function, int displayFormat, int character);
    // A begin-edit notification for a cell that cannot be edited. Coil write
    // polls (5, 15) change the coil at once; every other valid cell emits
    // valueEditRequested. Returns true when something happened.
    bool OnValueEdit(int row, int column, int character);

    // The grid's context menu (items carry their command id as data, their
    // enabled state from the routing) and where it opens, in global
    // coordinates.
    std::unique_ptr<QMenu> CreateContextMenu();
    QPoint ContextMenuPosition() const;

    // A trend window for the values of the selected cells (at most
    // kMaxTrendSeries), or nullptr when no selected cell shows a value.
    // The window belongs to the view.
    TrendWindow* OpenTrendWindow();
    std::vector<TrendItem> SelectedTrendItems() const;

    // The whole grid as the window shows it, headers and aliases included,
    // as CSV: asks for the file name, or writes `path`. Failures say so in
    // the standard messages.
    bool ExportCsv();
    bool ExportCsvTo(const QString& path);
    // The decode assistant for the registers of the selected value cells
    // (every register of a selected cell, in the order of the poll; none
    // when the poll does not read registers, and the assistant then decodes
    // typed registers). The window belongs to the view.
    DecodeWindow* OpenDecodeWindow();
    std::vector<int> SelectedDecodeItems() const;
    // The "数据类型" dialog for the selected register rows; true when the
    // user chose a type or the display format back.
    bool SetTypeOfSelectedRows();

    // Prints the grid; returns the pages printed.
    int PrintTo(QPrinter& printer);

    // Grid first (copy, cut, paste, select all), then the view's print
    // commands and the windows it opens (write dialogs, error counter,
    // test center), then the document.
    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, CommandState& state) override;

signals:
    // A value cell of a read poll or of a register write poll asks for its
    // write or value-entry dialog.
    void valueEditRequested(const ValueEditRequest& request);
    // A good result of the poll is in the document's values.
    void valuesTaken();
    // A poll of the document brought no values (it failed, or the connection
    // opened or closed in between): what came before and after do not join.
    void valuesMissed();

protected:
    void changeEvent(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    void fitColumn(int row, int column, qsizetype length);
    void fitAliasColumns();
    void createGridWindow();
    QRect gridRect() const;
    int onGridNotify(const GridNotification& n);
    void invalidateStatusBand();
    // A result the document took: its status for the band, the trend's
    // sample, and a redraw of the changed cells and the band, at once or,
    // while results come faster than one per 40 ms, with the next refresh
    // at most 40 ms later. A failed one-off request says so in a box.
    void showResult(EngineStatus status, int slot, const TakenPollResult& taken);
    // The connection opened or closed: the document's values are stale.
    void showConnectionChange();
    // Listens to the pause of the document's line (a scan holding it back).
    void followLinePause();
    void scheduleRefresh();
    void refresh();
    void runPrintCommand(int id);
    bool runWindowCommand(int id);
    // The document is going away before the view.
    void documentGone();

    QPointer<CZentiqDoc> m_doc;
    QPointer<CGridCtrl> m_grid;
    QMetaObject::Connection m_pauseConnection;
    // What the status text is made from: the last result's status and the
    // serial port's error flags; none after a clear.
    struct StatusCause {
        EngineStatus status;
        std::uint32_t writeFlags;
        std::uint32_t readFlags;
    };
    std::optional<StatusCause> m_statusCause;
    QString m_headerFormat;
    // Per grid column: the longest text it has been fitted to since the
    // grid was laid out.
    std::vector<qsizetype> m_fittedLength;
    QString m_cellPrefixFormat;
    bool m_gridCreated = false;
    // Whether the value cells have the stale look, and whether they were
    // emptied for a read poll without values.
    bool m_cellsStale = false;
    // Rows with a type of their own: the plan of the poll's items and the
    // registers their texts were last made from.
    ItemPlanCache m_itemPlan;
    std::vector<std::uint16_t> m_shownWords;
    bool m_cellsBlank = false;
    bool m_initialUpdateDone = false;
    bool m_printing = false;
    static constexpr qint64 kRefreshMs = 40;
    QElapsedTimer m_refreshClock;
    QTimer m_refreshTimer;
};

}  // namespace zentiq
