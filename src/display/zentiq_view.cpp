#include "display/zentiq_view.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QDateTime>
#include <QGuiApplication>
#include <QMenu>
#include <QPaintEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "framework/atomic_save.h"
#include "framework/contrast.h"
#include "framework/dialog_data_exchange.h"
#include "framework/file_dialog.h"
#include "framework/poll_pause.h"
#include "framework/user_interaction.h"
#include "display/decode_window.h"
#include "display/device_identity_dialog.h"
#include "display/error_counter.h"
#include "display/row_type_dialog.h"
#include "values/address_labels.h"
#include "values/last_good_read.h"
#include "values/status_texts.h"
#include "display/trend_items.h"
#include "display/trend_window.h"
#include "values/value_format.h"
#include "documents/poll_document_model.h"
#include "documents/poll_result_intake.h"
#include "documents/zentiq_doc.h"
#include "engine/modbus_line.h"
#include "grid/grid_clipboard.h"
#include "grid/grid_ctrl.h"
#include "resources/menus.h"
#include "resources/strings.h"
#include "testcenter/test_center.h"
#include "writes/multi_write_commands.h"
#include "writes/single_write_opener.h"
#include "writes/write_poll_value_editor.h"

namespace zentiq {

namespace {

constexpr std::uint32_t kHeaderFormat = grid_format::Right | grid_format::SingleLine;
constexpr std::uint32_t kCellFormat = grid_format::Right | grid_format::VCenter |
                                      grid_format::SingleLine | grid_format::NoPrefix |
                                      grid_format::EndEllipsis;

// Blanks that follow line 1, so that a shorter text covers a longer one.
constexpr int kLine1Blanks = 26;
constexpr int kLine1DisabledBlanks = 24;

struct MenuItem {
    int id;  // 0: separator
    const char* text;
};

// The grid's context menu. Its fourth entry is copy: a second "select all"
// there would leave the menu without a way to copy.
constexpr std::array<MenuItem, 14> kContextMenu = {{
    {cmd::PollDefinition, QT_TRANSLATE_NOOP("Menus", "读写定义\tF8")},
    {0, nullptr},
    {cmd::EditCut, QT_TRANSLATE_NOOP("Menus", "剪切\tCtrl+X")},
    {cmd::EditCopy, QT_TRANSLATE_NOOP("Menus", "复制\tCtrl+C")},
    {cmd::EditPaste, QT_TRANSLATE_NOOP("Menus", "粘贴\tCtrl+V")},
    {cmd::EditSelectAll, QT_TRANSLATE_NOOP("Menus", "全选\tCtrl+A")},
    {0, nullptr},
    {cmd::CellTextColour, QT_TRANSLATE_NOOP("Menus", "前景色\tCtrl+F")},
    {cmd::CellBackgroundColour, QT_TRANSLATE_NOOP("Menus", "背景色\tCtrl+B")},
    {cmd::CellFont, QT_TRANSLATE_NOOP("Menus", "字体")},
    {0, nullptr},
    {cmd::RowType, QT_TRANSLATE_NOOP("Menus", "数据类型")},
    {cmd::Decode, QT_TRANSLATE_NOOP("Menus", "解码助手")},
    {cmd::Trend, QT_TRANSLATE_NOOP("Menus", "趋势图")},
}};

bool isGridCommand(int id) {
    return id == cmd::EditCopy || id == cmd::EditCut || id == cmd::EditPaste ||
           id == cmd::EditSelectAll;
}

bool isPrintCommand(int id) {
    return id == cmd::FilePrint || id == cmd::FilePrintDirect || id == cmd::FilePrintPreview;
}

// Commands whose window the view opens for its document.
bool isWindowCommand(int id) {
    using namespace cmd;
    return id == WriteSingleCoil || id == WriteSingleRegister || id == WriteMultipleCoils ||
           id == WriteMultipleRegisters || id == MaskWrite || id == ReadWriteRegisters ||
           id == ErrorCounter || id == TestCenter || id == DeviceIdentity;
}

// Characters after the padding blanks.
qsizetype unpaddedLength(const QString& text) {
    qsizetype blanks = 0;
    while (blanks < text.size() && text[blanks] == QLatin1Char(' '))
        ++blanks;
    return text.size() - blanks;
}

int floorMod(int a, int m) {
    const int r = a % m;
    return r < 0 ? r + m : r;
}

}  // namespace

CZentiqView::CZentiqView(CZentiqDoc* doc, QWidget* parent) : QWidget(parent), m_doc(doc) {
    if (doc != nullptr) {
        m_grid = doc->Grid();
        doc->AttachView(this);
        connect(doc, &CZentiqDoc::updateRequested, this, &CZentiqView::OnUpdate);
        connect(doc, &CZentiqDoc::valuesChanged, this, [this](bool all) {
            FillCells(all);
            update();
        });
        connect(doc, &CZentiqDoc::closing, this, &CZentiqView::documentGone);
        connect(doc, &CZentiqDoc::resultTaken, this, &CZentiqView::showResult);
        connect(doc, &CZentiqDoc::connectionChanged, this, &CZentiqView::showConnectionChange);
        // Cells of read polls open the single-value write dialogs; values
        // of register write polls go through the value entry dialogs. Each
        // acts only for its own functions.
        connect(this, &CZentiqView::valueEditRequested, this, [this](const ValueEditRequest& r) {
            if (!m_doc)
                return;
            SingleWriteOpener::OpenForCell(*m_doc, r);
            WritePollValueEditor::Edit(*m_doc, r);
        });
    }
    if (m_grid) {
        m_grid->setNotifyHandler([this](const GridNotification& n) { return onGridNotify(n); });
        m_grid->setToolTipHandler([this](int row, int column) { return CellToolTip(row, column); });
    }
    // A scan that owns the line holds the polls back: the band says why.
    followLinePause();
    if (doc != nullptr)
        connect(doc, &CZentiqDoc::lineChanged, this, &CZentiqView::followLinePause);
    setFocusPolicy(Qt::StrongFocus);
    m_refreshTimer.setSingleShot(true);
    connect(&m_refreshTimer, &QTimer::timeout, this, &CZentiqView::refresh);
}

CZentiqView::~CZentiqView() {
    if (m_grid) {
        m_grid->setNotifyHandler(nullptr);
        m_grid->setToolTipHandler(nullptr);
    }
    if (m_doc)
        m_doc->DetachView(this);  // gives the slot back and takes the grid home
}

void CZentiqView::documentGone() {
    if (m_grid) {
        m_grid->setNotifyHandler(nullptr);
        m_grid->setToolTipHandler(nullptr);
    }
    m_grid = nullptr;
    m_doc = nullptr;
}

CGridCtrl* CZentiqView::Grid() const { return m_grid; }

QRect CZentiqView::gridRect() const {
    return QRect(0, kStatusBandHeight, width(), std::max(0, height() - kStatusBandHeight));
}

void CZentiqView::createGridWindow() {
    if (!m_grid)
        return;
    m_grid->setParent(this);
    m_grid->setControlId(kGridControlId);
    m_grid->setGeometry(gridRect());
    m_grid->show();
    m_gridCreated = true;
}

// ---- updates -------------------------------------------------------------------------

void CZentiqView::OnInitialUpdate() {
    if (m_initialUpdateDone)
        return;
    m_initialUpdateDone = true;
    if (m_doc)
        m_doc->ViewInitialUpdateDone();
    OnUpdate();
    if (!m_doc || !m_grid)
        return;
    PollDocumentModel& m = m_doc->Model();
    CGridModel& g = m_grid->model();
    if (g.isValid(m.focusRow, m.focusColumn) && !g.isCellFixed(m.focusRow, m.focusColumn)) {
        g.setSelectedRange(m.focusRow, m.focusColumn, m.focusRow, m.focusColumn);
        g.setFocusCell(m.focusRow, m.focusColumn);
    }
    m_doc->RegisterWithEngine();
    g.setModified(false);
    m_grid->setScrollPosV(m.scrollV);
    m_grid->setScrollPosH(m.scrollH);
    m_grid->setFocus();
}

void CZentiqView::OnUpdate() {
    if (!m_gridCreated)
        createGridWindow();
    if (m_doc && m_grid) {
        Rebuild();
        FillCells(true);
        fitAliasColumns();
    }
    m_statusCause.reset();
    update();
}

void CZentiqView::Rebuild() {
    if (!m_doc || !m_grid)
        return;
    PollDocumentModel& m = m_doc->Model();
    const PollDefinition& def = m.def;
    CGridModel& g = m_grid->model();
    const AddressLabelFormats formats =
        AddressLabelFormats::For(def.FunctionValue, def.OneBased, def.Address, def.Length);
    m_headerFormat = QString::fromLatin1(formats.headerFormat());
    m_cellPrefixFormat = QString::fromLatin1(formats.cellPrefixFormat());

    CGridModel::ProgramFill fill(g);
    const int columns = g.columnCount();
    const int rows = g.rowCount();
    const int rowsPerColumn = std::max(m.rowsPerColumn, 1);
    m_fittedLength.assign(std::size_t(std::max(columns, 0)), 0);
    for (int c = 1; c < columns; ++c) {
        g.setItemFormat(0, c, kHeaderFormat);
        if (c % 2 == 1) {
            g.setItemText(0, c, tr("标注"));
            if (def.HideAlias) {
                g.setColumnWidth(c, 0);
            } else if (m.restoreAliasColumns) {
                g.setColumnWidth(c, 1);
                m_grid->autoSizeColumn(c, CGridModel::kAutoSizeBoth, false);
            }
        } else {
            g.setItemText(0, c, formats.HeaderLabel(def.Address, rowsPerColumn, c / 2 - 1));
        }
    }
    m.restoreAliasColumns = false;
    for (int r = 1; r < rows; ++r) {
        g.setItemText(r, 0, AddressLabelFormats::RowLabel(def.OneBased, r));
        g.setItemFormat(r, 0, kHeaderFormat);
    }
    for (int c = 1; c < columns; ++c) {
        // Value cells are read-only, so typing on them asks for a write
        // instead of opening the editor; alias cells take typed texts.
        const bool valueColumn = c % 2 == 0;
        for (int r = 1; r < rows; ++r) {
            g.setItemFormat(r, c, kCellFormat);
            g.setItemReadOnly(r, c, valueColumn);
        }
    }
    m_grid->autoSizeColumn(0, CGridModel::kAutoSizeBoth, false);
    if (g.isValid(1, 2)) {
        g.setSelectedRange(1, 2, 1, 2);
        g.setFocusCell(1, 2);
    }
    m_grid->viewport()->update();
}

void CZentiqView::FillCells(bool all) {
    if (!m_doc || !m_grid)
        return;
    PollDocumentModel& m = m_doc->Model();
    const PollDefinition& def = m.def;
    CGridModel& g = m_grid->model();
    const int rowsPerColumn = m.rowsPerColumn;
    if (rowsPerColumn <= 0)
        return;
    CGridModel::ProgramFill fill(g);
    if (all) {
        // Cells that hold no item: above the first one and after the last.
        for (int c = 2; c < g.columnCount(); c += 2)
            for (int r = 1; r < g.rowCount(); ++r)
                if (m.ItemAtCell(r, c) < 0) {
                    g.setItemText(r, c, QString());
                    g.setItemStale(r, c, false);
                }
    }
    // One poll reads every value: all cells turn stale or live together,
    // so their look is set only when that changes (or everything is filled).
    const bool stale = m.ValuesStale();
    const bool restyle = all || stale != m_cellsStale;
    m_cellsStale = stale;
    const AddressLabelFormats formats =
        AddressLabelFormats::For(def.FunctionValue, def.OneBased, def.Address, def.Length);
    const bool withPrefix = def.DisplayAddr != 0 && formats.cellPrefixFormat()[0] != '\0';
    const ValueForm form = def.DisplayAddr ? ValueForm::ZeroPadded : ValueForm::Padded;
    const std::span<const std::uint8_t> values(m.values.data(), m.values.size());
    const std::span<std::uint8_t> previous(m.previousValues.data(), m.previousValues.size());
    const int first = floorMod(def.Address, rowsPerColumn);
    const int length = std::clamp(def.Length, 0, PollDocumentModel::kValueBytes);
    // Most results change few values: an item whose bytes equal the shown
    // copy needs no formatting (FormatValue would report it unchanged),
    // except a floating-point NaN, which always counts as changed.
    const bool coils = IsCoilFunction(def.FunctionValue);
    const int registers = coils ? 1 : RegistersPerValue(def.DisplayFormat);
    const int format = def.DisplayFormat;
    // A read poll without a good result yet shows no numbers at all rather
    // than zeros that look like readings; its cells are emptied once, not
    // on each of its failed polls.
    const bool blank = m.valuesUnknown && PollDefinition::IsReadFunction(def.FunctionValue);
    const bool emptyCells = blank && (all || !m_cellsBlank);
    m_cellsBlank = blank;
    if (restyle) {
        for (int i = 0; i < length; ++i) {
            const int position = first + i;
            g.setItemStale(1 + position % rowsPerColumn, 2 + 2 * (position / rowsPerColumn), stale);
        }
    }
    if (blank && !emptyCells)
        return;
    const auto unchanged = [&](int i) {
        const std::size_t offset = coils ? std::size_t(i) : 2 * std::size_t(i - i % registers);
        const std::size_t size = coils ? 1 : 2 * std::size_t(registers);
        if (offset + size > values.size() ||
            std::memcmp(values.data() + offset, previous.data() + offset, size) != 0)
            return false;
        if (coils)
            return true;
        if (format == DisplayFormat::Float || format == DisplayFormat::FloatInverse) {
            float f;
            std::memcpy(&f, values.data() + offset, sizeof f);
            return !std::isnan(f);
        }
        if (format == DisplayFormat::Double || format == DisplayFormat::DoubleInverse) {
            double d;
            std::memcpy(&d, values.data() + offset, sizeof d);
            return !std::isnan(d);
        }
        return true;
    };
    const std::span<const ItemPlan> plan =
        m_itemPlan.For(def.Address, length, def.FunctionValue, m.rowTypes, all);
    const bool typed = m_itemPlan.AnyTyped();
    const std::span<const std::uint16_t> words(m.words.data(),
                                               std::min<std::size_t>(m.words.size(), length));
    if (typed && m_shownWords.size() != words.size())
        m_shownWords.assign(words.size(), 0);
    for (int i = 0; i < length; ++i) {
        const int position = first + i;
        const int row = 1 + position % rowsPerColumn;
        const int column = 2 + 2 * (position / rowsPerColumn);
        if (!g.isValid(row, column))
            break;  // a grid smaller than the poll (damaged file): the rest has no cell
        if (blank) {
            if (emptyCells)
                g.setItemText(row, column, QString());
            continue;
        }
        if (typed && (plan[std::size_t(i)].covered || plan[std::size_t(i)].type != nullptr)) {
            const RowType* type = plan[std::size_t(i)].type;
            if (type == nullptr) {
                if (all)
                    g.setItemText(row, column, QString());
                continue;
            }
            // A typed value is formatted only when its registers changed.
            const std::size_t n = std::min<std::size_t>(std::size_t(type->Registers()),
                                                        words.size() - std::size_t(i));
            const auto now = words.subspan(std::size_t(i), n);
            const auto shown = std::span(m_shownWords).subspan(std::size_t(i), n);
            if (!all && std::equal(now.begin(), now.end(), shown.begin()))
                continue;
            std::copy(now.begin(), now.end(), shown.begin());
            const QString v = TypedText(words, i, *type, form);
            const QString text =
                withPrefix ? formats.CellPrefix(def.OneBased, def.Address, i) + v : v;
            // Typed texts differ in length from cell to cell far more than a
            // format's padded ones: a value longer than the cell had is measured.
            const bool grew = unpaddedLength(text) > unpaddedLength(g.itemText(row, column));
            g.setItemText(row, column, text);
            if (grew && g.columnWidth(column) > 0)
                g.widenColumnToCell(row, column);
            fitColumn(row, column, text.size());
            continue;
        }
        if (!all && unchanged(i))
            continue;
        const FormattedValue v = FormatValue(values, previous, def.Length, def.FunctionValue,
                                             def.DisplayFormat, i, form, true);
        if (!v.changed && !all)
            continue;
        const QString text =
            withPrefix ? formats.CellPrefix(def.OneBased, def.Address, i) + v.text : v.text;
        g.setItemText(row, column, text);
        fitColumn(row, column, text.size());
    }
}

// A value or alias longer than any the column was fitted to widens it, so
// that no text is cut (Binary, exponents, long aliases); measuring only then
// keeps a poll result cheap. A hidden alias column stays hidden.
void CZentiqView::fitColumn(int row, int column, qsizetype length) {
    if (column < 0 || column >= int(m_fittedLength.size()) || length <= m_fittedLength[column])
        return;
    m_fittedLength[column] = length;
    CGridModel& g = m_grid->model();
    if (g.columnWidth(column) > 0)
        g.widenColumnToCell(row, column);
}

void CZentiqView::fitAliasColumns() {
    CGridModel& g = m_grid->model();
    CGridModel::ProgramFill fill(g);  // fitting is no change of the user's
    for (int c = 1; c < g.columnCount(); c += 2)
        for (int r = 1; r < g.rowCount(); ++r)
            fitColumn(r, c, g.itemText(r, c).size());
}

// ---- results ---------------------------------------------------------------------------

void CZentiqView::showResult(EngineStatus status, int slot, const TakenPollResult& taken) {
    m_statusCause = StatusCause{status, taken.writeFlags, taken.readFlags};
    if (slot != 0 && status == status::Ok)
        emit valuesTaken();
    else if (slot != 0)
        emit valuesMissed();
    if (taken.firstValues)
        FillCells(true);  // the blanks give way even where the value is 0
    if (slot != 0 || status == status::Ok) {
        scheduleRefresh();
    } else {
        DialogDataExchange::ShowWarning(this, taken.statusText);
    }
}

void CZentiqView::showConnectionChange() {
    emit valuesMissed();
    m_statusCause.reset();
    refresh();
    update();
}

QString CZentiqView::CellToolTip(int row, int column) const {
    if (!m_doc || !m_grid || !(m_grid->model().itemState(row, column) & GVIS_STALE))
        return QString();
    const PollDocumentModel& m = m_doc->Model();
    if (!m.ValuesStale() || m.ItemAtCell(row, column) < 0)
        return QString();
    return LastGoodReadText(m.lastGoodRead, QDateTime::currentMSecsSinceEpoch());
}

void CZentiqView::followLinePause() {
    disconnect(m_pauseConnection);
    PollPause& pause = PollPause::Of(m_doc ? m_doc->Line() : DefaultLine());
    m_pauseConnection =
        connect(&pause, &PollPause::changed, this, &CZentiqView::invalidateStatusBand);
    invalidateStatusBand();
}

void CZentiqView::invalidateStatusBand() { update(0, 0, width(), kStatusBandHeight); }

void CZentiqView::refresh() {
    m_refreshClock.start();
    invalidateStatusBand();
    FillCells(false);
}

void CZentiqView::scheduleRefresh() {
    // Redrawing costs far more than taking a result in. At fast scan rates
    // the changed cells and the band are brought up to date at most once per
    // kRefreshMs, always with the newest values; a slower poll shows at once.
    if (!m_refreshClock.isValid() || m_refreshClock.elapsed() >= kRefreshMs)
        refresh();
    else if (!m_refreshTimer.isActive())
        m_refreshTimer.start(int(kRefreshMs - m_refreshClock.elapsed()));
}

// ---- status band -----------------------------------------------------------------------

QString CZentiqView::StatusText() const {
    if (!m_statusCause)
        return QString();
    return zentiq::StatusText(m_statusCause->status, StatusFlavour::DataView,
                              m_statusCause->writeFlags, m_statusCause->readFlags);
}

QString CZentiqView::StatusLine1() const {
    if (!m_doc)
        return QString();
    const PollDocumentModel& m = m_doc->Model();
    const bool enabled = m.def.bEnable != 0;
    char buffer[192];
    const int n =
        std::snprintf(buffer, sizeof buffer,
                      enabled ? "Tx = %i: Err = %i: ID = %i: F = %02i: SR = %ims"
                              : "Tx = %i: Err = %i: ID = %i: F = %02i: SR = %ims  (DISABLED)",
                      static_cast<int>(m.txCount), static_cast<int>(m.txCount - m.okCount),
                      m.def.SlaveID, m.def.FunctionValue, m.def.ScanRate);
    if (n < 0)
        return QString();
    return QString::fromLatin1(buffer) +
           QString(enabled ? kLine1Blanks : kLine1DisabledBlanks, QLatin1Char(' '));
}

QString CZentiqView::StatusLine2() const {
    // Not polling outlasts any connection: say so first.
    if (m_doc) {
        const QString notPolling = m_doc->NotPollingText();
        if (!notPolling.isEmpty())
            return notPolling;
    }
    const ModbusLine& line = m_doc ? m_doc->Line() : DefaultLine();
    if (line.IsConnected() && line.PollSlotsPaused())
        return tr("总线扫描占用通讯线路，暂停轮询");
    if (!line.IsConnected())
        return LoadString(ids::NoConnection);
    // A failed poll says so first; what became of the log's file stands
    // while the window polls well.
    const QString status = StatusText();
    return status.isEmpty() && m_doc ? m_doc->LogNotice() : status;
}

void CZentiqView::paintEvent(QPaintEvent* e) {
    if (m_printing)
        return;
    QPainter painter(this);
    const QRect band(0, 0, width(), kStatusBandHeight);
    if (!e->rect().intersects(band))
        return;
    const QColor background = palette().color(QPalette::Base);
    painter.fillRect(band, background);
    const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(QRect(0, 0, width(), kLineHeight), flags, StatusLine1());
    painter.setPen(StatusErrorColour(background));
    painter.drawText(QRect(0, kLineHeight, width(), kLineHeight), flags, StatusLine2());
}

QColor CZentiqView::StatusErrorColour(const QColor& background) {
    // Pure red is too faint on white and on dark backgrounds alike: the
    // nearest red that reads well on this one.
    return ReadableOn(QColor(255, 0, 0), background);
}

void CZentiqView::changeEvent(QEvent* e) {
    QWidget::changeEvent(e);
    // The band's texts come from the tables in the language now installed.
    if (e->type() == QEvent::LanguageChange)
        invalidateStatusBand();
}

void CZentiqView::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    if (m_gridCreated && m_grid)
        m_grid->setGeometry(gridRect());
    invalidateStatusBand();
}

void CZentiqView::focusInEvent(QFocusEvent* e) {
    QWidget::focusInEvent(e);
    if (m_gridCreated && m_grid)
        m_grid->setFocus();
}

void CZentiqView::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (!m_initialUpdateDone)
        OnInitialUpdate();
}

// ---- value editing ----------------------------------------------------------------------

int CZentiqView::TypedKeyCode(int function, int displayFormat, int character) {
    if (character == kEditByMouseOrF2)
        return -1;
    if (IsCoilFunction(function))
        return (character == ' ' || character == '0' || character == '1') ? character : kNoKeyCode;
    if (!IsRegisterFunction(function))
        return kNoKeyCode;
    if (displayFormat == DisplayFormat::Binary)
        return (character == '0' || character == '1') ? character - '0' : kNoKeyCode;
    if (character >= '0' && character <= '9')
        return character - '0';
    if (displayFormat == DisplayFormat::Hex) {
        if (character >= 'a' && character <= 'f')
            return character - 'a' + 10;
        if (character >= 'A' && character <= 'F')
            return character - 'A' + 10;
    }
    if (character == '-' &&
        (displayFormat == DisplayFormat::Signed || RegistersPerValue(displayFormat) > 1))
        return -2;
    return kNoKeyCode;
}

bool CZentiqView::OnValueEdit(int row, int column, int character) {
    if (!m_doc || character == 0 || row < 1 || column < 2 || column % 2 != 0)
        return false;
    PollDocumentModel& m = m_doc->Model();
    const PollDefinition& def = m.def;
    const int item = m.ItemAtCell(row, column);
    if (item < 0 || item >= def.Length || item >= PollDocumentModel::kValueBytes)
        return false;
    // A typed row writes in its own type: the value it begins, also from a
    // register the value spans.
    std::optional<RowType> rowType;
    int typedItem = item;
    if (PollDefinition::IsReadFunction(def.FunctionValue) && !m.rowTypes.empty()) {
        const std::span<const ItemPlan> plan =
            m_itemPlan.For(def.Address, std::clamp(def.Length, 0, PollDocumentModel::kValueBytes),
                           def.FunctionValue, m.rowTypes, true);
        while (typedItem > 0 && std::size_t(typedItem) < plan.size() &&
               plan[std::size_t(typedItem)].covered)
            --typedItem;
        if (std::size_t(typedItem) < plan.size() && plan[std::size_t(typedItem)].covered)
            return false;  // the value begins before the poll
        if (std::size_t(typedItem) < plan.size() && plan[std::size_t(typedItem)].type)
            rowType = *plan[std::size_t(typedItem)].type;
    }
    const int keyFormat = !rowType                                     ? def.DisplayFormat
                          : rowType->reading.kind == DecodeKind::Hex16 ? int(DisplayFormat::Hex)
                                                                       : int(DisplayFormat::Float);
    const int code = TypedKeyCode(def.FunctionValue, keyFormat, character);
    if (code == kNoKeyCode)
        return false;
    const auto requestEdit = [&](int firstItem) {
        ValueEditRequest request;
        request.function = def.FunctionValue;
        request.displayFormat = def.DisplayFormat;
        request.item = firstItem;
        request.shownAddress = def.Address + def.OneBased + firstItem;
        request.keyCode = code;
        request.rowType = rowType;
        emit valueEditRequested(request);
        return true;
    };
    if (rowType)
        return requestEdit(typedItem);

    if (def.FunctionValue == FunctionCode::WriteSingleCoil ||
        def.FunctionValue == FunctionCode::WriteMultipleCoils) {
        // The coil of a write poll changes at once; the next poll sends it.
        if (code == -1)
            return false;
        quint8& coil = m.values[static_cast<std::size_t>(item)];
        coil = code == ' ' ? (coil ? 0 : 1) : (code == '1' ? 1 : 0);
        if (m.slotIndex != -1)
            m_doc->Line().SetWriteBytes(
                m.slotIndex, std::min(def.Length, PollDocumentModel::kValueBytes), m.values.data());
        m_doc->SetModifiedFlag(true);
        m_doc->RefreshValues(false);
        return true;
    }

    int firstItem = item;
    if (IsRegisterFunction(def.FunctionValue)) {
        const int registers = RegistersPerValue(def.DisplayFormat);
        firstItem = item - item % registers;
        // A pair or group cut off by the end of the poll has no value.
        if (registers > 1 && registers * (def.Length / registers) < item + 1)
            return false;
    }
    return requestEdit(firstItem);
}

int CZentiqView::onGridNotify(const GridNotification& n) {
    if (n.code == GVN_BEGINLABELEDIT && m_grid && m_grid->controlId() == kGridControlId)
        OnValueEdit(n.row, n.column, n.character);
    if (n.code == GVN_ENDLABELEDIT && m_grid)
        fitColumn(n.row, n.column, m_grid->model().itemText(n.row, n.column).size());
    return 0;
}

// ---- commands ------------------------------------------------------------------------------

bool CZentiqView::OnCommand(int id) {
    if (m_gridCreated && m_grid && isGridCommand(id))
        return m_grid->OnCommand(id);
    if (isPrintCommand(id)) {
        runPrintCommand(id);
        return true;
    }
    if (id == cmd::Trend) {
        OpenTrendWindow();
        return true;
    }
    if (id == cmd::CopyCsv) {
        if (m_grid && m_grid->model().canCopy())
            QGuiApplication::clipboard()->setText(CGridClipboard::copyCsv(m_grid->model()));
        return true;
    }
    if (id == cmd::ExportDataCsv) {
        ExportCsv();
        return true;
    }
    if (id == cmd::Decode) {
        OpenDecodeWindow();
        return true;
    }
    if (id == cmd::RowType) {
        SetTypeOfSelectedRows();
        return true;
    }
    if (runWindowCommand(id))
        return true;
    return m_doc ? m_doc->OnCommand(id) : false;
}

bool CZentiqView::runWindowCommand(int id) {
    if (!m_doc)
        return false;
    CZentiqDoc& doc = *m_doc;
    using namespace cmd;
    switch (id) {
    case WriteSingleCoil: SingleWriteOpener::OpenCoilCommand(doc); return true;
    case WriteSingleRegister: SingleWriteOpener::OpenRegisterCommand(doc); return true;
    case WriteMultipleCoils: MultiWriteCommands::ForceMultipleCoils(doc); return true;
    case WriteMultipleRegisters: MultiWriteCommands::PresetMultipleRegisters(doc); return true;
    case MaskWrite: MultiWriteCommands::MaskWrite(doc); return true;
    case ReadWriteRegisters: MultiWriteCommands::ReadWriteRegisters(doc); return true;
    case ErrorCounter: {
        const PollDocumentModel& m = doc.Model();
        CErrorCounter dialog(
            m.errorCounters, [&m] { return m.CountingMs(); }, this);
        userInteraction().runModal(dialog);
        return true;
    }
    case TestCenter: CTestCenter::Open(this, doc.Line()); return true;
    // Owned by the main frame: it stays open when this poll window closes.
    case DeviceIdentity:
        DeviceIdentityDialog::Open(doc.Line(), doc.Model().def.SlaveID, window());
        return true;
    default: return false;
    }
}

bool CZentiqView::OnUpdateCommand(int id, CommandState& state) {
    if (m_gridCreated && m_grid && isGridCommand(id)) {
        bool enabled = false;
        m_grid->OnUpdateCommand(id, enabled);
        state.enabled = enabled;
        state.handled = true;
        return true;
    }
    if (isPrintCommand(id)) {
        state.enabled = m_grid != nullptr;
        state.handled = true;
        return true;
    }
    if (id == cmd::Trend) {
        state.enabled = !SelectedTrendItems().empty();
        state.handled = true;
        return true;
    }
    if (id == cmd::CopyCsv || id == cmd::ExportDataCsv) {
        state.enabled = m_grid && (id == cmd::ExportDataCsv || m_grid->model().canCopy());
        state.handled = true;
        return true;
    }
    if (id == cmd::RowType) {
        // Types are shown on read polls of registers.
        state.enabled = !SelectedDecodeItems().empty();
        state.handled = true;
        return true;
    }
    if (id == cmd::Decode) {
        // Without selected registers it decodes typed ones.
        state.enabled = m_doc != nullptr;
        state.handled = true;
        return true;
    }
    if (isWindowCommand(id) && m_doc) {
        state.enabled = true;
        state.handled = true;
        return true;
    }
    return m_doc ? m_doc->OnUpdateCommand(id, state) : false;
}

std::vector<TrendItem> CZentiqView::SelectedTrendItems() const {
    if (!m_doc || !m_grid)
        return {};
    const CGridModel& g = m_grid->model();
    return TrendItemsOf(m_doc->Model(), g, g.selectedCells());
}

TrendWindow* CZentiqView::OpenTrendWindow() {
    std::vector<TrendItem> items = SelectedTrendItems();
    if (items.empty())
        return nullptr;
    // A child of the view: it goes when the poll window goes.
    auto* window = new TrendWindow(m_doc, std::move(items), this);
    connect(this, &CZentiqView::valuesTaken, window, &TrendWindow::Sample);
    connect(this, &CZentiqView::valuesMissed, window, &TrendWindow::SampleMissed);
    window->show();
    return window;
}

std::vector<int> CZentiqView::SelectedDecodeItems() const {
    if (!m_doc || !m_grid)
        return {};
    const PollDocumentModel& m = m_doc->Model();
    if (m.def.FunctionValue != 3 && m.def.FunctionValue != 4)
        return {};
    std::vector<int> items;
    for (const CCellID& cell : m_grid->model().selectedCells()) {
        if (cell.col < 2 || cell.col % 2 != 0)
            continue;
        const int item = m.ItemAtCell(cell.row, cell.col);
        if (item >= 0 && item < m.def.Length)
            items.push_back(item);
    }
    std::sort(items.begin(), items.end());
    items.erase(std::unique(items.begin(), items.end()), items.end());
    return items;
}

DecodeWindow* CZentiqView::OpenDecodeWindow() {
    if (!m_doc)
        return nullptr;
    // A child of the view: it goes when the poll window goes.
    auto* window = new DecodeWindow(m_doc, SelectedDecodeItems(), this);
    connect(this, &CZentiqView::valuesTaken, window, &DecodeWindow::ValuesArrived);
    window->show();
    return window;
}

bool CZentiqView::SetTypeOfSelectedRows() {
    const std::vector<int> items = SelectedDecodeItems();
    if (!m_doc || items.empty())
        return false;
    const PollDocumentModel& m = m_doc->Model();
    const int first = m.def.Address + items.front();
    const auto own = m.rowTypes.find(first);
    const RowType start =
        own != m.rowTypes.end() ? own->second : RowTypeOfFormat(m.def.DisplayFormat);
    const QString rows =
        items.size() == 1
            ? QString::number(first)
            : tr("%1 … %2（%3 行）").arg(first).arg(m.def.Address + items.back()).arg(items.size());
    RowTypeDialog dialog(
        start, rows,
        [this, item = items.front()](const RowType& type) {
            const PollDocumentModel& now = m_doc->Model();
            if (now.valuesUnknown)
                return QString();
            const std::size_t length =
                std::min<std::size_t>(now.words.size(), std::size_t(std::max(0, now.def.Length)));
            return TypedText(std::span<const std::uint16_t>(now.words.data(), length), item, type,
                             ValueForm::Plain);
        },
        this);
    if (userInteraction().runModal(dialog) != QDialog::Accepted)
        return false;
    // The document redraws its views from scratch; the user's selection stays
    // so that the rows can be typed again or given back at once.
    CGridModel& g = m_grid->model();
    const CCellRange selected = g.selectedCellRange();
    const CCellID focus = g.focusCell();
    const bool changed = m_doc->ReplaceRowTypes(
        TypesOverSelection(m.rowTypes, m.def.Address, items, dialog.Chosen()));
    if (g.isValid(selected.minRow(), selected.minCol()) &&
        g.isValid(selected.maxRow(), selected.maxCol())) {
        g.setSelectedRange(selected.minRow(), selected.minCol(), selected.maxRow(),
                           selected.maxCol());
        g.setFocusCell(focus.row, focus.col);
    }
    return changed;
}

std::unique_ptr<QMenu> CZentiqView::CreateContextMenu() {
    auto menu = std::make_unique<QMenu>();
    for (const MenuItem& item : kContextMenu) {
        if (item.id == 0) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(MenuString(item.text));
        action->setData(item.id);
        CommandState state;
        OnUpdateCommand(item.id, state);
        action->setEnabled(state.enabled);
        const int id = item.id;
        connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
    }
    return menu;
}

QPoint CZentiqView::ContextMenuPosition() const {
    if (!m_grid || !m_gridCreated)
        return mapToGlobal(rect().center());
    const CCellID focus = m_grid->model().focusCell();
    if (const std::optional<QRect> cell = m_grid->cellRect(focus.row, focus.col)) {
        const QPoint corner = cell->bottomRight();
        if (m_grid->viewport()->rect().contains(corner))
            return m_grid->viewport()->mapToGlobal(corner);
    }
    return m_grid->mapToGlobal(m_grid->rect().center());
}

void CZentiqView::contextMenuEvent(QContextMenuEvent* e) {
    const std::unique_ptr<QMenu> menu = CreateContextMenu();
    menu->exec(ContextMenuPosition());
    e->accept();
}

// ---- CSV export -----------------------------------------------------------------------------

bool CZentiqView::ExportCsv() {
    if (!m_grid)
        return false;
    const QString path = FileDialog::Ask(
        this, {true, QStringLiteral("pollvalues.csv"), QStringLiteral("CSV (*.csv)"),
               QStringLiteral("csv"), tr("导出数据")});
    return !path.isEmpty() && ExportCsvTo(path);
}

bool CZentiqView::ExportCsvTo(const QString& path) {
    if (!m_grid)
        return false;
    switch (SaveAtomically(path, CGridClipboard::allCsv(m_grid->model()).toUtf8())) {
    case SaveResult::Ok: return true;
    case SaveResult::OpenFailed:
        DialogDataExchange::ShowWarning(this, FileOpenErrorText());
        return false;
    case SaveResult::WriteFailed:
        DialogDataExchange::ShowWarning(this, DiskErrorText());
        return false;
    }
    return false;
}

// ---- printing -------------------------------------------------------------------------------

int CZentiqView::PrintTo(QPrinter& printer) {
    if (!m_grid)
        return 0;
    m_printing = true;
    const int pages = m_grid->print(printer);
    m_printing = false;
    update();
    return pages;
}

void CZentiqView::runPrintCommand(int id) {
    if (!m_grid)
        return;
    QPrinter printer(QPrinter::HighResolution);
    if (id == cmd::FilePrintDirect) {
        PrintTo(printer);
    } else if (id == cmd::FilePrint) {
        QPrintDialog dialog(&printer, this);
        if (userInteraction().runModal(dialog) == QDialog::Accepted)
            PrintTo(printer);
    } else {
        QPrintPreviewDialog preview(&printer, this);
        connect(&preview, &QPrintPreviewDialog::paintRequested, this,
                [this](QPrinter* p) { PrintTo(*p); });
        userInteraction().runModal(preview);
    }
}

}  // namespace zentiq
