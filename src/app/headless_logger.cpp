#include "app/headless_logger.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <functional>

#include "app/command_line.h"
#include "app/connection_controller.h"
#include "app/headless_log_plan.h"
#include "app/mb_comm_setup.h"
#include "app/shutdown_signals.h"
#include "app/workspace_file.h"
#include "documents/data_logger.h"
#include "documents/grid_layout_data.h"
#include "documents/poll_document_model.h"
#include "documents/poll_result_intake.h"
#include "documents/register_map_commands.h"
#include "documents/zqd_file.h"
#include "engine/engine.h"
#include "engine/modbus_line.h"
#include "framework/language.h"
#include "framework/settings_store.h"
#include "framework/slot_results.h"
#include "framework/window_registry.h"

namespace zentiq {

// One poll document without a window: it takes the results of its slot.
struct HeadlessDocument : QObject {
    HeadlessDocument(const SettingsStore& store, const QString& path)
        : model(store), path(path), name(QFileInfo(path).fileName()) {
        connect(&results, &SlotResults::result, this, &HeadlessDocument::take);
    }

    void take(EngineStatus status, int slot);
    QString aliasOf(int item) const {
        int row = 0, column = 0;
        if (!model.CellOfItem(item, row, column))
            return QString();
        const GridCellData* cell = layout.cell(row, column - 1);
        return cell != nullptr ? cell->text : QString();
    }
    SlotResults results;
    PollDocumentModel model;
    GridLayoutData layout;
    DataLogger logger;
    QString path;
    QString name;
    // The last failed poll in the log's words ("连接被拒绝").
    QString lastFailure;
    // Told what became of the log's file.
    std::function<void(HeadlessDocument&, DataLogger::Notice)> onLogNotice;
};

void HeadlessDocument::take(EngineStatus status, int slot) {
    if (slot < 1)
        return;  // no one-off request is made in its name
    const TakenPollResult taken = PollResultIntake::Take(model, status, slot);
    if (!taken.accepted)
        return;
    if (status != status::Ok)
        lastFailure = taken.logStatusText;
    if (!logger.active())
        return;
    logger.LogPoll(status == status::Ok, RegisterMapCommands::PollOf(model), taken.logStatusText,
                   [this](int item) { return aliasOf(item); });
    if (const DataLogger::Notice notice = logger.TakeNotice();
        notice != DataLogger::Notice::None && onLogNotice)
        onLogNotice(*this, notice);
}

// One connection of the run: a line and its controller.
struct HeadlessConnection {
    std::unique_ptr<ModbusLine> ownLine;  // none for the first: the default line
    std::unique_ptr<ConnectionController> controller;
    // Whether a document polls on it: only those are opened.
    bool used = false;
};

namespace {

void say(const QString& text) {
    std::fprintf(stderr, "zentiq: %s\n", qUtf8Printable(text));
    std::fflush(stderr);
}

QString native(const QString& path) { return QDir::toNativeSeparators(path); }

// The status-line interval: an environment variable for tests, 60 s else.
int statusSeconds() {
    bool ok = false;
    const int seconds = qEnvironmentVariableIntValue("ZENTIQ_HEADLESS_STATUS_SECONDS", &ok);
    return ok && seconds >= 1 && seconds <= 86400 ? seconds : HeadlessLogger::kDefaultStatusSeconds;
}

}  // namespace

HeadlessLogger::HeadlessLogger(SettingsStore& store, QObject* parent)
    : QObject(parent), m_store(store) {
    m_statusTimer = new QTimer(this);
    connect(m_statusTimer, &QTimer::timeout, this, [this] { say(StatusLine()); });
    addConnection(nullptr);
}

HeadlessConnection& HeadlessLogger::addConnection(std::unique_ptr<ModbusLine> ownLine) {
    auto added = std::make_unique<HeadlessConnection>();
    added->ownLine = std::move(ownLine);
    ModbusLine& line = added->ownLine ? *added->ownLine : DefaultLine();
    line.InitEngine();
    InstallEnginePoster(line);
    added->controller = std::make_unique<ConnectionController>(m_store, line);
    ConnectionController* controller = added->controller.get();
    connect(controller, &ConnectionController::connectFailed, this,
            [this, controller](const QString& text) {
                fail(kOpenError, QStringLiteral("%1: %2").arg(controller->PaneText(), text));
            });
    connect(controller, &ConnectionController::stateChanged, this,
            [this, controller](ConnectionController::State state) {
                if (state == ConnectionController::State::Connected)
                    connected(*controller);
            });
    m_connections.push_back(std::move(added));
    return *m_connections.back();
}

HeadlessLogger::~HeadlessLogger() { Stop(); }

void HeadlessLogger::fail(int exitCode, const QString& message) {
    say(message);
    emit ended(exitCode);
}

int HeadlessLogger::Start(const Options& options) {
    if (!openDocuments(options))
        return kOpenError;
    // The slots before the logs, so that a run refused one creates no file
    // and no folder; nothing polls before the line is open.
    for (HeadlessDocument* doc : m_documents) {
        if (doc->model.RegisterWithEngine(doc->results.HandleOn(doc->model.Line())))
            continue;
        say(doc->model.slotRefusal == PollDocumentModel::SlotRefusal::ReadFromBroadcast
                ? tr("%1：从站 ID 0 是广播地址，不能用于读取。").arg(native(doc->path))
                : tr("%1：最多可以同时轮询 32 个文档。").arg(native(doc->path)));
        return kOpenError;
    }
    if (!startLogs(options))
        return kOpenError;
    m_statusTimer->setInterval(options.statusSeconds * 1000);
    m_running = true;
    for (const auto& connection : m_connections) {
        if (!connection->used)
            continue;
        CMBCommSetup::LoadPortDevices(m_store, connection->controller->Line());
        // A failure has been said through connectFailed.
        if (connection->controller->Connect(false) == ConnectionController::State::Unconnected)
            return kOpenError;
    }
    return 0;
}

bool HeadlessLogger::openDocuments(const Options& options) {
    const bool workspace = WorkspaceFile::HasWorkspaceExtension(options.files.value(0));
    if (!workspace) {
        for (const QString& file : options.files)
            if (!openDocument(QFileInfo(file).absoluteFilePath(), *m_connections.front()))
                return false;
        return true;
    }
    const QString absolute = QFileInfo(options.files.first()).absoluteFilePath();
    WorkspaceFile::Contents contents;
    const WorkspaceFile::Status status =
        WorkspaceFile::Load(absolute, m_connections.front()->controller->Settings(), &contents);
    if (status != WorkspaceFile::Status::Ok) {
        QString text = WorkspaceFile::StatusText(status, native(options.files.first()));
        if (text.isEmpty())
            text = tr("工程 %1 无法读取。").arg(native(absolute));
        if (status == WorkspaceFile::Status::NotFound)
            if (const QString cause = WorkspaceFile::UnreadableCause(absolute); !cause.isEmpty())
                text += QStringLiteral(" (%1)").arg(cause);
        say(text);
        return false;
    }
    if (contents.cutEntries > 0) {
        say(tr("工程 %1 在一个文档条目的中途结束。").arg(native(absolute)));
        return false;
    }
    if (contents.documents.isEmpty()) {
        say(tr("工程 %1 中没有轮询文档。").arg(native(absolute)));
        return false;
    }
    // Each connection as the workspace has it, whether it was saved open or not.
    for (int i = 0; i < contents.ConnectionCount(); ++i) {
        HeadlessConnection& connection =
            i == 0 ? *m_connections.front() : addConnection(std::make_unique<ModbusLine>());
        connection.controller->SetSettings(contents.ConnectionAt(i).settings);
    }
    const QString folder = WorkspaceFile::FolderOf(absolute);
    for (const WorkspaceFile::Document& entry : contents.documents) {
        const QString path = WorkspaceFile::PathToOpen(entry.storedPath, folder);
        if (!openDocument(QFileInfo(path).absoluteFilePath(),
                          *m_connections.at(std::size_t(entry.connection))))
            return false;
    }
    return true;
}

bool HeadlessLogger::openDocument(const QString& path, HeadlessConnection& connection) {
    for (const HeadlessDocument* doc : m_documents)
        if (QFileInfo(doc->path) == QFileInfo(path))
            return true;  // named twice: polled and logged once
    if (WorkspaceFile::HasWorkspaceExtension(path)) {
        say(QStringLiteral("%1 is a workspace file, not a poll document.").arg(native(path)));
        return false;
    }
    auto* doc = new HeadlessDocument(m_store, path);
    doc->setParent(this);
    const ZqdResult result = ZqdFile::Load(path, doc->model, doc->layout);
    if (!result.ok()) {
        say(result.status == ZqdStatus::UnknownVersion
                ? QStringLiteral("%1: %2").arg(native(path), ZqdFile::FormatErrorText())
                : result.message);
        delete doc;
        return false;
    }
    // Holding no slot yet, the document only takes the line.
    doc->model.MoveToLine(connection.controller->Line(), 0);
    connection.used = true;
    doc->onLogNotice = [](HeadlessDocument& d, DataLogger::Notice notice) {
        const QString file = native(d.logger.path());
        if (notice == DataLogger::Notice::WriteStalled)
            say(QStringLiteral("%1: %2").arg(DataLogger::WriteErrorText(), d.name));
        say(notice == DataLogger::Notice::WriteStalled
                ? d.logger.StalledText(file) + QLatin1Char(' ') +
                      DataLogger::NoticeText(notice, file)
                : DataLogger::NoticeText(notice, file));
    };
    m_documents << doc;
    return true;
}

bool HeadlessLogger::startLogs(const Options& options) {
    QStringList paths;
    for (const HeadlessDocument* doc : m_documents)
        paths << doc->path;
    if (!options.logDir.isEmpty() && !QDir().mkpath(options.logDir)) {
        say(tr("无法创建记录文件夹 %1。").arg(native(options.logDir)));
        return false;
    }
    const QList<HeadlessLog> logs = HeadlessLogPlan::Assign(m_store, paths, options.logDir);
    int logging = 0;
    for (int i = 0; i < m_documents.size(); ++i) {
        HeadlessDocument& doc = *m_documents[i];
        const HeadlessLog& log = logs[i];
        if (log.file.isEmpty()) {
            say(tr("%1：没有为它设置数据记录（--log-dir DIR 记录每个文档），它只轮询。")
                    .arg(native(doc.path)));
            continue;
        }
        DataLogger::Options logOptions = log.options;
        logOptions.dated = options.logDate;
        doc.logger.setOptions(logOptions);
        // Nobody is there to start it again: a full disk only pauses it.
        doc.logger.setWriteFailure(DataLogger::WriteFailure::Retry);
        // Appended: a logger started again keeps what it wrote before.
        if (!doc.logger.Start(log.file, DataLogger::Opening::Append)) {
            // Without windows, the other log of this process is another document's.
            const DataLogger::Refusal refusal = doc.logger.refusal();
            const QString reason = refusal == DataLogger::Refusal::LoggedHere
                                       ? tr("已被本次运行的另一个文档记录")
                                       : DataLogger::RefusalText(refusal);
            QString text =
                QStringLiteral("%1: %2").arg(DataLogger::FileOpenErrorText(), native(log.file));
            if (!reason.isEmpty())
                text += QLatin1Char(' ') + reason;
            say(text);
            return false;
        }
        say(tr("%1 记录到 %2").arg(doc.name, native(log.file)));
        if (const DataLogger::Notice notice = doc.logger.TakeNotice();
            notice != DataLogger::Notice::None)
            say(DataLogger::NoticeText(notice, native(log.file)));
        ++logging;
    }
    if (logging == 0) {
        say(
            tr("没有要记录的文档。用 --log-dir DIR 记录每个文档，或者在窗口中用"
               "“记录..”为文档设置记录。"));
        return false;
    }
    return true;
}

void HeadlessLogger::connected(const ConnectionController& connection) {
    say(tr("已连接 %1。").arg(connection.PaneText()));
    // The status lines once every line polls.
    for (const auto& c : m_connections)
        if (c->used && !c->controller->IsConnected())
            return;
    if (!m_statusTimer->isActive())
        m_statusTimer->start();
}

void HeadlessLogger::Stop() {
    if (m_stopped)
        return;
    m_stopped = true;
    m_statusTimer->stop();
    // Nothing polls any more before the logs close: each ends with a whole line.
    for (const auto& connection : m_connections)
        connection->controller->Shutdown();
    for (HeadlessDocument* doc : m_documents) {
        doc->model.ReleaseFromEngine();
        doc->logger.Stop();
    }
    qDeleteAll(m_documents);
    m_documents.clear();
}

QString HeadlessLogger::UsageProblem(const QStringList& files) {
    if (files.isEmpty())
        return tr("--headless 需要一个工程文件 (.zqw) 或一个或多个轮询文档 (.zqd)。");
    for (const QString& file : files)
        if (WorkspaceFile::HasWorkspaceExtension(file) && files.size() > 1)
            return tr("--headless 只接受一个工程文件，且不能与轮询文档同时给出。");
    return QString();
}

QString HeadlessLogger::StatusLine() const {
    QStringList parts;
    for (const HeadlessDocument* doc : m_documents) {
        const PollDocumentModel& m = doc->model;
        QString part = QStringLiteral("%1: Tx = %2, Err = %3")
                           .arg(doc->name)
                           .arg(m.txCount)
                           .arg(m.txCount - m.okCount);
        if (m.txCount > 0 && m.lastStatus != status::Ok && !doc->lastFailure.isEmpty())
            part += QStringLiteral(", ") + doc->lastFailure;
        // Said on every line until it writes again: a count of errors that
        // stays at 0 must not pass for a log that is being written.
        if (doc->logger.stalled())
            part += QStringLiteral(", ") + doc->logger.StalledText(native(doc->logger.path()));
        parts << part;
    }
    return QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss ")) +
           parts.join(QStringLiteral(" | "));
}

int HeadlessLogger::Run(const QStringList& arguments) {
    // Every text of the run in the language of the interface, the first
    // problem with the line too. Qt's own texts are never shown here.
    SettingsStore store;
    ApplyProgramLanguage(CommandLine::Parse(arguments).language.value_or(StoredLanguage(store)));
    const CommandLine line = CommandLine::Parse(arguments);
    QString problem = line.error;
    if (problem.isEmpty() && (line.automation || !line.printFile.isEmpty()))
        problem = tr("--headless 不能与 --automation 或 --print 一起使用");
    if (problem.isEmpty())
        problem = UsageProblem(line.files);
    if (!problem.isEmpty()) {
        say(problem);
        std::fprintf(stderr, "%s\n", qUtf8Printable(CommandLine::UsageText()));
        return kUsageError;
    }
    // A file-size limit (ulimit -f, systemd's LimitFSIZE=) then fails a
    // write with EFBIG, which the logs wait out as a full disk, instead of
    // ending the run.
    std::signal(SIGXFSZ, SIG_IGN);

    HeadlessLogger logger(store);
    int exitCode = 0;
    // A signal ends the run as its end: no line is cut.
    ShutdownSignals endSignals;
    QObject::connect(&endSignals, &ShutdownSignals::requested, &logger,
                     [] { QCoreApplication::exit(0); });
    QObject::connect(&logger, &HeadlessLogger::ended, &logger, [&exitCode](int code) {
        exitCode = code;
        QCoreApplication::exit(code);
    });
    Options options;
    options.files = line.files;
    options.logDir = line.logDir;
    options.logDate = line.logDate;
    options.statusSeconds = statusSeconds();
    const int started = logger.Start(options);
    if (started != 0) {
        logger.Stop();
        return started;
    }
    const int code = QCoreApplication::exec();
    logger.Stop();
    return exitCode != 0 ? exitCode : code;
}

}  // namespace zentiq

// Compiled here rather than with the folder's other meta-objects, so that
// zentiq-headless links this class without the windows beside it.
#include "moc_headless_logger.cpp"
