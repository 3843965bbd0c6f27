#include "documents/zentiq_doc.h"

#include <QCoreApplication>
#include <QDialog>
#include <QFileInfo>
#include <QPointer>
#include <ctime>

#include "framework/dialog_data_exchange.h"
#include "framework/settings_store.h"
#include "framework/slot_results.h"
#include "framework/user_interaction.h"
#include "framework/file_dialog.h"
#include "documents/data_logger.h"
#include "documents/grid_layout_bridge.h"
#include "values/csv_log.h"
#include "values/log_line.h"
#include "values/value_format.h"
#include "documents/mb_log_setup.h"
#include "documents/poll_document_model.h"
#include "documents/poll_result_intake.h"
#include "documents/polled_value_lookup.h"
#include "documents/polled_values_copy.h"
#include "documents/register_map_commands.h"
#include "documents/stored_log.h"
#include "documents/zentiq_setup.h"
#include "framework/connection_directory.h"
#include "documents/zqd_file.h"
#include "engine/modbus_line.h"
#include "grid/grid_ctrl.h"
#include "resources/strings.h"

namespace zentiq {

namespace {

// Untitled documents are numbered for the life of the process.
int g_untitledCount = 0;

// Part n (0-based) of the document type string: "\nZentiq\nZentiq\n<filter>\n.zqd\n...".
QString documentTypePart(int n, const char* fallback) {
    const QStringList parts = LoadString(ids::DocumentType).split(QLatin1Char('\n'));
    return n < parts.size() && !parts[n].isEmpty() ? parts[n] : QString::fromLatin1(fallback);
}

QString defaultExtension() { return documentTypePart(4, ".zqd"); }

FileRequest documentFileRequest(bool save, const QString& proposed) {
    return {save, proposed, CZentiqDoc::FileFilter(), defaultExtension().mid(1)};
}

int formatOfCommand(int id) {
    using namespace cmd;
    switch (id) {
    case FormatSigned: return Code(DisplayFormat::Signed);
    case FormatUnsigned: return Code(DisplayFormat::Unsigned);
    case FormatHex: return Code(DisplayFormat::Hex);
    case FormatBinary: return Code(DisplayFormat::Binary);
    case FormatFloat: return Code(DisplayFormat::Float);
    case FormatFloatInverse: return Code(DisplayFormat::FloatInverse);
    case FormatDouble: return Code(DisplayFormat::Double);
    case FormatDoubleInverse: return Code(DisplayFormat::DoubleInverse);
    case FormatLong: return Code(DisplayFormat::Long);
    case FormatLongInverse: return Code(DisplayFormat::LongInverse);
    default: return -1;
    }
}

bool formatAllowed(int format, int function) {
    return RegistersPerValue(format) == 1 ? PollDocumentModel::IntegerFormatsAllowed(function)
                                          : PollDocumentModel::WideFormatsAllowed(function);
}

// A document file's log, for runs without windows that log it again.
void rememberLog(CZentiqDoc& doc) {
    if (doc.GetPathName().isEmpty() || !doc.Logger().active())
        return;
    SettingsStore store;
    StoredLog::Remember(store, doc.GetPathName(), {doc.Logger().path(), doc.Logger().options()});
}

// "记录..": the log file's name, then the options, then the file.
void startLogging(CZentiqDoc& doc) {
    QWidget* parent = doc.View();
    // CSV logs are chosen by their extension, so the dialog offers it too.
    const QString path = FileDialog::Ask(
        parent, {true, QStringLiteral("logfile.txt"),
                 QCoreApplication::translate("zentiq::CZentiqDoc", "Modbus 记录数据 (*.txt)") +
                     QStringLiteral(";;CSV (*.csv)")});
    if (path.isEmpty())
        return;
    CMBLogSetup dialog(doc.Logger().options(), parent);
    if (userInteraction().runModal(dialog) != QDialog::Accepted)
        return;
    doc.Logger().setOptions(dialog.options());
    if (!doc.Logger().Start(path)) {
        // Another log of the file is named as such: the user can stop it.
        const QString reason = DataLogger::RefusalText(doc.Logger().refusal());
        DialogDataExchange::ShowWarning(
            parent,
            reason.isEmpty()
                ? DataLogger::FileOpenErrorText()
                : QStringLiteral("%1: %2 %3").arg(DataLogger::FileOpenErrorText(), path, reason));
        return;
    }
    rememberLog(doc);
}

}  // namespace

struct CZentiqDoc::Private {
    Private() : model(SettingsStore()) {}

    PollDocumentModel model;
    QPointer<CGridCtrl> grid;
    QPointer<QWidget> view;
    // Where the engine posts the results of the document's slot; a child
    // of the document.
    SlotResults* results = nullptr;
    bool viewInitialUpdateDone = false;
    QString title;
    QString pathName;
    bool modified = false;
    bool ownedByClient = false;
    DataLogger logger;
    // What the status band says about the log's file, while it logs (as a
    // notice, so that its text follows a change of language).
    DataLogger::Notice logNotice = DataLogger::Notice::None;
    const std::shared_ptr<PolledValuesCopy> polledCopy = std::make_shared<PolledValuesCopy>();
    // Every alias the user gave, by protocol address; the grid's alias cells
    // are the truth for the addresses they show, and are read back into this
    // before the grid changes its layout.
    std::map<int, QString> aliases;
    // The layout the alias cells were last placed for; rows 0: unknown
    // (a file's grid, whose cells are taken as they are).
    int aliasBase = 0;
    int aliasRows = 0;
};

namespace {

// The protocol address that alias cell (row, column) names in a grid whose
// first value column starts at `base` with `rows` rows.
int aliasAddress(int base, int rows, int row, int column) {
    return base + ((column + 1) / 2 - 1) * rows + (row - 1);
}

}  // namespace

CZentiqDoc::CZentiqDoc(QObject* parent) : QObject(parent), d(std::make_unique<Private>()) {
    // The grid lives as long as the document; the view only lends it a place.
    d->grid = new CGridCtrl(nullptr, kGridControlId);
    sizeGrid();
    d->results = new SlotResults(this);
    connect(d->results, &SlotResults::result, this, &CZentiqDoc::TakePollResult);
    connect(d->results, &SlotResults::connectionChanged, this, &CZentiqDoc::TakeConnectionChange);
    PolledValueLookup::Instance().Add(this);
}

CZentiqDoc::~CZentiqDoc() {
    PolledValueLookup::Instance().Remove(this);
    {
        SettingsStore store;
        PollDocumentModel::StoreApplicationWide(store);
    }
    d->logger.Stop();
    emit closing();
    d->model.ReleaseFromEngine();
    delete d->grid.data();
}

// ---- names and flags ---------------------------------------------------------------

bool CZentiqDoc::OnNewDocument() {
    if (d->title.isEmpty())
        SetTitle(documentTypePart(1, "Zentiq") + QString::number(++g_untitledCount));
    SetModifiedFlag(false);
    return true;
}

QString CZentiqDoc::GetTitle() const {
    if (d->title.isEmpty())
        d->title = documentTypePart(1, "Zentiq") + QString::number(++g_untitledCount);
    return d->title;
}

void CZentiqDoc::SetTitle(const QString& title) {
    if (title == d->title)
        return;
    d->title = title;
    emit titleChanged(title);
}

QString CZentiqDoc::GetPathName() const { return d->pathName; }

void CZentiqDoc::SetPathName(const QString& path) {
    const QFileInfo info(path);
    d->pathName = info.absoluteFilePath();
    SetTitle(info.fileName());
}

bool CZentiqDoc::IsModified() const { return d->modified; }

void CZentiqDoc::SetModifiedFlag(bool modified) {
    if (modified == d->modified)
        return;
    d->modified = modified;
    emit modifiedChanged(modified);
}

QString CZentiqDoc::SaveQuestion() const {
    return tr("保存%1吗？").arg(d->pathName.isEmpty() ? GetTitle() : d->pathName);
}

// ---- files ----------------------------------------------------------------------------

QString CZentiqDoc::FileFilter() { return documentTypePart(3, "Zentiq Files (*.zqd)"); }

QString CZentiqDoc::AskOpenFileName(QWidget* parent) {
    return userInteraction().chooseFile(parent, documentFileRequest(false, QString()));
}

bool CZentiqDoc::OnOpenDocument(const QString& path, QString* error) {
    GridLayoutData layout;
    const ZqdResult result = ZqdFile::Load(path, d->model, layout);
    publishValues(true);
    switch (result.status) {
    case ZqdStatus::Ok:
        // The file's alias cells are taken as they are, not re-placed.
        d->aliases.clear();
        d->aliasRows = 0;
        if (layout.columnCount() > 0 && layout.rowCount() > 0 && d->grid)
            ApplyGridLayout(layout, d->grid->model());
        sizeGrid();
        break;
    case ZqdStatus::UnknownVersion:
        // The document opens with its defaults under the file's name, but
        // is not bound to the file: a save must not replace what this
        // program cannot read, so it asks for a name.
        DialogDataExchange::ShowWarning(d->view, ZqdFile::FormatErrorText());
        d->pathName.clear();
        SetTitle(QFileInfo(path).fileName());
        SetModifiedFlag(false);
        if (d->grid)
            d->grid->model().setModified(false);
        return true;
    case ZqdStatus::Damaged:
    case ZqdStatus::IoError:
        if (error)
            *error = result.message;
        return false;
    }
    SetPathName(path);
    SetModifiedFlag(false);
    if (d->grid)
        d->grid->model().setModified(false);
    return true;
}

bool CZentiqDoc::OnSaveDocument(const QString& path, QString* error) {
    d->model.placement.length = WindowPlacement::kRecordLength;
    emit placementRequested(&d->model.placement);
    d->model.placement.length = WindowPlacement::kRecordLength;
    GridLayoutData layout;
    if (d->grid)
        layout = CaptureGridLayout(d->grid->model(), d->model.font, d->grid->getScrollPosV(),
                                   d->grid->getScrollPosH());
    const ZqdResult result = ZqdFile::Save(path, d->model, layout);
    if (!result.ok()) {
        if (error)
            *error = result.message;
        return false;
    }
    // The typed alias texts are in the file now: closing need not ask again.
    if (d->grid)
        d->grid->model().setModified(false);
    return true;
}

bool CZentiqDoc::DoFileSave() { return DoSave(d->pathName, true); }

bool CZentiqDoc::DoSave(const QString& path, bool replace) {
    QString target = path;
    if (target.isEmpty()) {
        QString proposed = d->pathName;
        if (proposed.isEmpty()) {
            proposed = GetTitle();
            if (!proposed.endsWith(defaultExtension(), Qt::CaseInsensitive))
                proposed += defaultExtension();
        }
        target = userInteraction().chooseFile(d->view, documentFileRequest(true, proposed));
        if (target.isEmpty())
            return false;
        if (QFileInfo(target).suffix().isEmpty())
            target += defaultExtension();
    }
    QString error;
    if (!OnSaveDocument(target, &error)) {
        DialogDataExchange::ShowWarning(d->view, error);
        return false;
    }
    if (const std::size_t notStored = AliasesOffGrid().size(); notStored > 0 && !d->ownedByClient)
        userInteraction().notify(
            d->view, LoadString(ids::AppTitle),
            tr("%1 个标注属于当前轮询范围之外的地址，没有存入文件。本窗口打开期间它们仍保留，"
               "导出寄存器表时也会写出。")
                .arg(notStored));
    if (replace) {
        SetPathName(target);
        rememberLog(*this);
    }
    SetModifiedFlag(false);
    return true;
}

bool CZentiqDoc::SaveModified() {
    // The client decides what becomes of its document; the user never saw it.
    if (d->ownedByClient)
        return true;
    // Typed alias texts count as a change of the document.
    if (d->grid && d->grid->model().isModified())
        SetModifiedFlag(true);
    if (!IsModified())
        return true;
    const QString text = SaveQuestion();
    const QMessageBox::StandardButton answer = userInteraction().question(
        d->view, LoadString(ids::AppTitle), text,
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
    switch (answer) {
    case QMessageBox::Yes: return DoFileSave();
    case QMessageBox::No: return true;
    default: return false;
    }
}

// ---- view, grid, model ------------------------------------------------------------

void CZentiqDoc::AttachView(QWidget* view) {
    d->view = view;
    d->viewInitialUpdateDone = false;
}

void CZentiqDoc::ViewInitialUpdateDone() { d->viewInitialUpdateDone = true; }

QWidget* CZentiqDoc::View() const { return d->view; }
CGridCtrl* CZentiqDoc::Grid() const { return d->grid; }
PollDocumentModel& CZentiqDoc::Model() { return d->model; }
const PollDocumentModel& CZentiqDoc::Model() const { return d->model; }
const WindowPlacement& CZentiqDoc::LoadedPlacement() const { return d->model.placement; }
DataLogger& CZentiqDoc::Logger() { return d->logger; }

QString CZentiqDoc::LogNotice() const {
    return d->logger.active()
               ? DataLogger::NoticeText(d->logNotice, QFileInfo(d->logger.path()).fileName())
               : QString();
}

void CZentiqDoc::DetachView(QWidget* view) {
    if (view != d->view)
        return;
    d->model.ReleaseFromEngine();
    if (d->grid && d->grid->parent() == view) {
        d->grid->hide();
        d->grid->setParent(nullptr);
    }
    d->view = nullptr;
    d->viewInitialUpdateDone = false;
}

void CZentiqDoc::sizeGrid() {
    if (!d->grid)
        return;
    CGridModel& g = d->grid->model();
    CGridModel::ProgramFill fill(g);
    // Aliases belong to addresses: a shrunk or moved poll must not drop or
    // shift them.
    const bool known = takeAliasesFromGrid();
    const GridSize size = d->model.gridSize();
    g.setRowCount(std::max(size.rows, 1));
    g.setColumnCount(std::max(size.columns, 1));
    g.setFixedRowCount(1);
    g.setFixedColumnCount(1);
    if (known)
        putAliasesOnGrid();
    const int rows = std::max(d->model.rowsPerColumn, 1);
    d->aliasRows = rows;
    d->aliasBase = d->model.def.Address - d->model.def.Address % rows;
}

bool CZentiqDoc::takeAliasesFromGrid() {
    if (!d->grid || d->aliasRows <= 0)
        return false;
    const CGridModel& g = d->grid->model();
    const int lastRow = std::min(g.rowCount() - 1, d->aliasRows);
    for (int column = 1; column < g.columnCount(); column += 2) {
        for (int row = 1; row <= lastRow; ++row) {
            const int address = aliasAddress(d->aliasBase, d->aliasRows, row, column);
            const QString text = g.itemText(row, column);
            if (text.isEmpty())
                d->aliases.erase(address);
            else
                d->aliases[address] = text;
        }
    }
    return true;
}

void CZentiqDoc::putAliasesOnGrid() {
    CGridModel& g = d->grid->model();
    const int rows = std::max(d->model.rowsPerColumn, 1);
    const int base = d->model.def.Address - d->model.def.Address % rows;
    const int lastRow = std::min(g.rowCount() - 1, rows);
    for (int column = 1; column < g.columnCount(); column += 2) {
        for (int row = 1; row <= lastRow; ++row) {
            const auto found = d->aliases.find(aliasAddress(base, rows, row, column));
            const QString text = found == d->aliases.end() ? QString() : found->second;
            if (g.itemText(row, column) != text)
                g.setItemText(row, column, text);
        }
    }
}

std::map<int, QString> CZentiqDoc::AliasesOffGrid() const {
    std::map<int, QString> off;
    if (!d->grid || d->aliasRows <= 0)
        return off;
    const CGridModel& g = d->grid->model();
    const int first = d->aliasBase;
    const int end = first + std::max(g.columnCount() - 1, 0) / 2 * d->aliasRows;
    for (const auto& [address, alias] : d->aliases)
        if (address < first || address >= end)
            off.emplace(address, alias);
    return off;
}

void CZentiqDoc::ComputeGridSize() {
    d->model.ComputeGridSize();
    sizeGrid();
}

ModbusLine& CZentiqDoc::Line() const { return d->model.Line(); }

bool CZentiqDoc::SetLine(ModbusLine& line) {
    if (&line == &Line())
        return true;
    return reportRegistration(moveToLine(line));
}

bool CZentiqDoc::SetLineQuietly(ModbusLine& line) {
    if (&line == &Line())
        return true;
    const bool registered = moveToLine(line);
    RefreshValues(true);
    return registered;
}

bool CZentiqDoc::moveToLine(ModbusLine& line) {
    // A document refused a slot tries the new line once its view is there,
    // as it registers only then.
    const WindowHandle receiver = resultsHandleOn(line);
    const bool registered =
        d->model.MoveToLine(line, d->view || d->model.slotIndex != -1 ? receiver : 0);
    emit lineChanged();
    return registered;
}

WindowHandle CZentiqDoc::resultsHandleOn(ModbusLine& line) { return d->results->HandleOn(line); }

bool CZentiqDoc::RegisterWithEngine() { return reportRegistration(RegisterQuietly()); }

bool CZentiqDoc::RegisterQuietly() {
    return d->model.RegisterWithEngine(resultsHandleOn(Line()));
}

bool CZentiqDoc::reportRegistration(bool registered) {
    // Cells blank or filled, and the band saying whether it polls.
    RefreshValues(true);
    if (registered)
        return true;
    if (!d->ownedByClient)
        DialogDataExchange::ShowWarning(d->view, RefusalMessage());
    return false;
}

QString CZentiqDoc::RefusalMessage() const {
    if (d->model.slotRefusal == PollDocumentModel::SlotRefusal::ReadFromBroadcast)
        return tr(
            "从站 ID 0 是广播地址，不能用于读取：此窗口不轮询。请在读写定义 (F8) 中选择 1 到 255 "
            "的从站 ID。");
    return LoadString(ids::OutOfSlots);
}

QString CZentiqDoc::NotPollingText() const {
    if (d->model.slotIndex != -1)
        return QString();
    switch (d->model.slotRefusal) {
    case PollDocumentModel::SlotRefusal::None: return QString();
    case PollDocumentModel::SlotRefusal::ReadFromBroadcast:
        return tr("不轮询：从站 ID 0 是广播地址，不能用于读取。");
    case PollDocumentModel::SlotRefusal::NoFreeSlot:
        return tr("不轮询：32 个轮询窗口已满。关闭一个窗口后，按 F8 再按确定。");
    }
    return QString();
}

void CZentiqDoc::SetOwnedByClient(bool owned) {
    if (d->ownedByClient == owned)
        return;
    d->ownedByClient = owned;
    emit ownedByClientChanged(owned);
}

bool CZentiqDoc::OwnedByClient() const { return d->ownedByClient; }

void CZentiqDoc::UpdateAllViews() {
    publishValues(true);
    emit updateRequested();
}

void CZentiqDoc::RefreshValues(bool all) {
    publishValues(false);
    emit valuesChanged(all);
}

TakenPollResult CZentiqDoc::TakePollResult(EngineStatus status, int slot) {
    const TakenPollResult taken = PollResultIntake::Take(d->model, status, slot);
    if (!taken.accepted)
        return taken;
    publishValues(false);
    if (taken.freshnessChanged)
        emit freshnessChanged();
    if (taken.valuesRead)
        emit valuesRead();
    LogResult(status == status::Ok, taken.logStatusText);
    emit resultTaken(status, slot, taken);
    return taken;
}

void CZentiqDoc::TakeConnectionChange() {
    // Whatever was read before came over the old connection.
    MarkValuesStale();
    emit connectionChanged();
}

void CZentiqDoc::MarkValuesStale() {
    if (d->model.MarkValuesStale())
        emit freshnessChanged();
}

std::shared_ptr<const PolledValuesCopy> CZentiqDoc::PolledValues() const { return d->polledCopy; }

void CZentiqDoc::publishValues(bool all) { d->polledCopy->Store(d->model, all); }

void CZentiqDoc::UpdateAndMarkModified() {
    UpdateAllViews();
    SetModifiedFlag(true);
}

bool CZentiqDoc::SetRowTypes(const std::vector<int>& addresses,
                             const std::optional<RowType>& type) {
    if (type && !type->Valid())
        return false;
    RowTypes next = d->model.rowTypes;
    for (const int address : addresses) {
        if (address < 0 || address > 0xFFFF)
            return false;
        if (type)
            next[address] = *type;
        else
            next.erase(address);
    }
    return ReplaceRowTypes(next);
}

bool CZentiqDoc::ReplaceRowTypes(const RowTypes& types) {
    for (const auto& [address, type] : types)
        if (address < 0 || address > 0xFFFF || !type.Valid())
            return false;
    if (types == d->model.rowTypes)
        return true;
    d->model.rowTypes = types;
    UpdateAndMarkModified();
    return true;
}

void CZentiqDoc::ApplyDefinition(const DefinitionDialogValues& values) {
    const ApplyDefinitionResult result = d->model.ApplyDefinition(values);
    if (!result.changed) {
        // OK on an unchanged definition is how the user asks a window that
        // was refused a slot to try again.
        if (!result.rejected && d->model.slotIndex == -1 && d->view && d->viewInitialUpdateDone)
            RegisterWithEngine();
        return;
    }
    sizeGrid();
    RegisterWithEngine();
    UpdateAndMarkModified();
}

void CZentiqDoc::LogResult(bool ok, const QString& statusText) {
    const DataLogger::Outcome outcome =
        d->logger.LogPoll(ok, RegisterMapCommands::PollOf(*this), statusText,
                          [this](int item) { return RegisterMapCommands::AliasOf(*this, item); });
    if (outcome == DataLogger::Outcome::WriteFailed)
        DialogDataExchange::ShowWarning(d->view, DataLogger::WriteErrorText());
    // Said in the band, not in a box: the log goes on by itself.
    if (const DataLogger::Notice notice = d->logger.TakeNotice();
        notice != DataLogger::Notice::None)
        d->logNotice = notice;
}

// ---- commands ------------------------------------------------------------------------

void CZentiqDoc::setFormat(int format) {
    if (!formatAllowed(format, d->model.def.FunctionValue))
        return;
    d->model.def.DisplayFormat = format;
    UpdateAndMarkModified();
}

void CZentiqDoc::formatSelectedCells(int id) {
    if (!d->grid)
        return;
    CGridModel& g = d->grid->model();
    const std::vector<CCellID> cells = g.selectedCells();
    if (id == cmd::CellFont) {
        const QFont initial = g.gridFont();
        const std::optional<QFont> font = userInteraction().chooseFont(d->view, initial);
        if (!font)
            return;
        for (const CCellID& c : cells)
            if (!g.isCellFixed(c.row, c.col))
                g.setItemFont(c.row, c.col, *font);
    } else {
        const bool text = id == cmd::CellTextColour;
        const CCellID focus = g.focusCell();
        const QColor initial = g.isValid(focus)
                                   ? toQColor(text ? g.effectiveFgColour(focus.row, focus.col)
                                                   : g.effectiveBkColour(focus.row, focus.col))
                                   : QColor(Qt::black);
        const QColor colour = userInteraction().chooseColour(d->view, initial);
        if (!colour.isValid())
            return;
        const GridColour value = fromQColor(colour);
        for (const CCellID& c : cells) {
            if (g.isCellFixed(c.row, c.col))
                continue;
            if (text)
                g.setItemFgColour(c.row, c.col, value);
            else
                g.setItemBkColour(c.row, c.col, value);
        }
    }
    d->grid->viewport()->update();
    SetModifiedFlag(true);
}

void CZentiqDoc::afterDialogAction(int result) {
    using R = CZentiqSetup::ActionResult;
    switch (static_cast<R>(result)) {
    case R::Unsound: return;
    case R::SameDefinition: break;
    case R::Redefined: sizeGrid(); break;
    case R::NoSlot:
        sizeGrid();
        DialogDataExchange::ShowWarning(d->view, RefusalMessage());
        break;
    }
    UpdateAndMarkModified();
}

void CZentiqDoc::openSetupDialog() {
    CZentiqSetup dialog(CZentiqSetup::FromModel(d->model), d->view);
    dialog.SetLine(Line());
    if (const ConnectionDirectory* directory = ConnectionDirectory::Active())
        dialog.SetConnections(directory->Entries(), directory->IndexOf(Line()));
    // The chosen connection first, so that the definition is registered on it.
    auto moveToChosen = [this, &dialog] {
        if (ModbusLine* chosen = dialog.ChosenLine(); chosen != nullptr && chosen != &Line())
            SetLine(*chosen);
    };
    dialog.setApplyHandler([this, moveToChosen](const DefinitionDialogValues& v) {
        moveToChosen();
        const WindowHandle window = resultsHandleOn(Line());
        afterDialogAction(static_cast<int>(CZentiqSetup::ApplyToModel(d->model, v, window)));
    });
    dialog.setReadOnceHandler([this](const DefinitionDialogValues& v) {
        const WindowHandle window = resultsHandleOn(Line());
        afterDialogAction(static_cast<int>(CZentiqSetup::ReadOnceOnModel(d->model, v, window)));
    });
    const int result = userInteraction().runModal(dialog);
    if (result == QDialog::Accepted) {
        moveToChosen();
        ApplyDefinition(dialog.values());
    }
}

bool CZentiqDoc::OnCommand(int id) {
    using namespace cmd;
    PollDocumentModel& m = d->model;
    if (const int format = formatOfCommand(id); format >= 0) {
        setFormat(format);
        return true;
    }
    switch (id) {
    case cmd::PollDefinition: openSetupDialog(); return true;
    case ReadOnce:
        if (m.slotIndex != -1) {
            m.Line().SetPollMode(m.slotIndex, Once);
            UpdateAndMarkModified();
        }
        return true;
    case EnableReadWrite:
        if (m.slotIndex != -1) {
            m.def.bEnable = m.def.bEnable ? 0 : 1;
            m.Line().SetPollMode(m.slotIndex, m.def.bEnable ? Continuous : Stopped);
            UpdateAndMarkModified();
        }
        return true;
    case StartLogging:
        if (!d->logger.active()) {
            d->logNotice = DataLogger::Notice::None;
            startLogging(*this);
        }
        return true;
    case StopLogging:
        d->logger.Stop();
        d->logNotice = DataLogger::Notice::None;
        return true;
    case ImportRegisterMap: RegisterMapCommands::Import(*this); return true;
    case ExportRegisterMap: RegisterMapCommands::Export(*this); return true;
    case ClearCounters:
        m.ClearCounters();
        UpdateAllViews();
        return true;
    case SetAsDefault: {
        SettingsStore store;
        m.SetAsDefault(store);
        store.Sync();
        return true;
    }
    case PlcAddresses:
    case ProtocolAddresses:
        m.def.OneBased = id == PlcAddresses ? 1 : 0;
        UpdateAndMarkModified();
        return true;
    case CellTextColour:
    case CellBackgroundColour:
    case CellFont: formatSelectedCells(id); return true;
    case FileSave: DoFileSave(); return true;
    case FileSaveAs: DoSave(QString(), true); return true;
    default: return false;
    }
}

bool CZentiqDoc::OnUpdateCommand(int id, CommandState& state) {
    const PollDefinition& def = d->model.def;
    using namespace cmd;
    state.handled = true;
    if (const int format = formatOfCommand(id); format >= 0) {
        state.checked = def.DisplayFormat == format;
        state.enabled = formatAllowed(format, def.FunctionValue);
        return true;
    }
    switch (id) {
    case ReadOnce: state.enabled = def.bEnable == 0 && Line().IsConnected() != 0; return true;
    case EnableReadWrite:
        state.enabled = true;
        state.checked = def.bEnable == 1;
        return true;
    case StartLogging: state.enabled = !d->logger.active(); return true;
    case StopLogging: state.enabled = d->logger.active(); return true;
    case PlcAddresses:
        state.enabled = true;
        state.checked = def.OneBased == 1;
        return true;
    case ProtocolAddresses:
        state.enabled = true;
        state.checked = def.OneBased == 0;
        return true;
    case cmd::PollDefinition:
    case ClearCounters:
    case SetAsDefault:
    case CellTextColour:
    case CellBackgroundColour:
    case CellFont:
    case FileSave:
    case FileSaveAs:
    case ImportRegisterMap:
    case ExportRegisterMap: state.enabled = true; return true;
    default: state.handled = false; return false;
    }
}

}  // namespace zentiq
