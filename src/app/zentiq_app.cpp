#include "app/zentiq_app.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QPrinter>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <optional>

#include "app/automation_connection.h"
#include "app/automation_server.h"
#include "app/child_frame.h"
#include "app/command_line.h"
#include "app/connection_controller.h"
#include "app/connection_set.h"
#include "app/context_help.h"
#include "display/help_window.h"
#include "app/document_frames.h"
#include "app/document_manager.h"
#include "app/instance_hand_over.h"
#include "app/main_frame.h"
#include "app/mb_comm_setup.h"
#include "app/poll_window_for_range.h"
#include "app/scanner_line_host.h"
#include "app/workspace_controller.h"
#include "display/bus_scanner_window.h"
#include "display/bus_statistics_window.h"
#include "display/communication.h"
#include "display/zentiq_view.h"
#include "documents/data_logger.h"
#include "documents/poll_document_model.h"
#include "documents/zentiq_doc.h"
#include "engine/modbus_line.h"
#include "framework/appearance.h"
#include "framework/language.h"
#include "framework/log_categories.h"
#include "framework/user_interaction.h"
#include "framework/settings_store.h"
#include "framework/window_registry.h"
#include "resources/menus.h"
#include "resources/strings.h"
#include "zentiq_version.h"

namespace zentiq {
namespace {

CZentiqApp* g_instance = nullptr;

const QString kConnectionTitle = QStringLiteral("Connection");
const char* const kVersion = ZENTIQ_VERSION;

Language languageOfCommand(int id) {
    return id == cmd::LanguageEnglish ? Language::English : Language::Chinese;
}

std::optional<Appearance> appearanceOfCommand(int id) {
    switch (id) {
    case cmd::AppearanceSystem: return Appearance::System;
    case cmd::AppearanceLight: return Appearance::Light;
    case cmd::AppearanceDark: return Appearance::Dark;
    default: return std::nullopt;
    }
}

bool sameFile(const QString& a, const QString& b) {
    const QString canonicalA = QFileInfo(a).canonicalFilePath();
    return !canonicalA.isEmpty() ? canonicalA == QFileInfo(b).canonicalFilePath()
                                 : QDir::cleanPath(a) == QDir::cleanPath(b);
}

}  // namespace

// ---- life -------------------------------------------------------------------------------------

CZentiqApp::CZentiqApp(QObject* parent)
    : QObject(parent), m_store(std::make_unique<SettingsStore>()) {
    g_instance = this;
    // The first connection's line is the engine's default one.
    DefaultLine().InitEngine();
    m_connections = std::make_unique<ConnectionSet>(*m_store);
    for (int i = 0; i < m_connections->Count(); ++i)
        adoptConnection(m_connections->At(i));
    connect(m_connections.get(), &ConnectionSet::added, this, &CZentiqApp::adoptConnection);
    connect(m_connections.get(), &ConnectionSet::changed, this, [this] {
        if (m_mainFrame)
            m_mainFrame->UpdateIdle();
    });
    m_documents = std::make_unique<DocumentManager>(*m_store);
    m_startupTimer = new QTimer(this);
    m_startupTimer->setSingleShot(true);
    m_startupTimer->setInterval(kStartupCheckMs);
    connect(m_startupTimer, &QTimer::timeout, this, &CZentiqApp::startupConnectionCheck);

    m_documents->SetOpenFileAsker(
        [this] { return CZentiqDoc::AskOpenFileName(m_mainFrame.get()); });
    connect(m_documents.get(), &DocumentManager::failed, this, [this](const QString& text) {
        ShowMessage(m_mainFrame.get(), LoadString(ids::AppTitle), text);
    });
}

void CZentiqApp::adoptConnection(ConnectionController& connection) {
    InstallEnginePoster(connection.Line());
    // The dialog and the message boxes come from here, the logic from the objects.
    connection.SetSettingsAsker([this, &connection](ConnectionSettings& settings) {
        return runCommSetup(connection, settings);
    });
    connect(&connection, &ConnectionController::connectFailed, this,
            [this, &connection](const QString& text) {
        // A client's open hears of its failure as its answer.
        if (m_automation != nullptr && m_automation->ClientAwaitsOpen(connection))
            return;
        // With several connections the box says which one failed.
        const int index = m_connections != nullptr ? m_connections->IndexOfLine(connection.Line()) : -1;
        ShowMessage(m_mainFrame.get(), kConnectionTitle,
                    m_connections != nullptr && m_connections->Count() > 1 && index >= 0
                        ? tr("%1: %2").arg(m_connections->NameAt(index), text)
                        : text);
    });
    connect(&connection, &ConnectionController::stateChanged, this, [this] {
        if (m_mainFrame)
            m_mainFrame->UpdateIdle();
    });
}

CZentiqApp::~CZentiqApp() {
    m_startupTimer->stop();
    // Windows first: each view releases its slot, each document stores its
    // application-wide values; then the worker and the connection.
    m_automation.reset();  // no client reaches documents that are going
    m_workspaces.reset();
    m_documents->SetWindows(nullptr);
    m_mainFrame.reset();
    m_frames.reset();
    ExitInstance();
    if (g_instance == this)
        g_instance = nullptr;
}

CZentiqApp* CZentiqApp::instance() { return g_instance; }

ConnectionController& CZentiqApp::Connection() const { return m_connections->Current(); }

CMainFrame* CZentiqApp::MainFrame() const { return m_mainFrame.get(); }

namespace {

// The open tool window of `tools` on `line`; nullptr when none is open.
template <class W, class LineOf>
W* toolOn(const QList<QPointer<W>>& tools, const ModbusLine& line, LineOf lineOf) {
    for (const QPointer<W>& tool : tools)
        if (tool && &lineOf(*tool) == &line)
            return tool.data();
    return nullptr;
}

ModbusLine& monitoredLine(const CCommunication& monitor) { return monitor.Line(); }
ModbusLine& countedLine(const BusStatisticsWindow& window) { return window.Bus(); }

}  // namespace

CCommunication* CZentiqApp::Monitor() const {
    return toolOn(m_monitors, Connection().Line(), monitoredLine);
}

BusScannerWindow* CZentiqApp::BusScanner() const { return m_scanner.data(); }

void CZentiqApp::openBusScanner() {
    if (m_scanner) {
        m_scanner->raise();
        m_scanner->activateWindow();
        return;
    }
    // On the connection that is current now, for as long as the window is open.
    m_scannerLine = std::make_unique<ScannerLineHost>(Connection());
    BusScannerWindow::Hooks hooks;
    hooks.serial = m_scannerLine.get();
    hooks.tcp = m_scannerLine.get();
    ConnectionController* connection = &m_scannerLine->Connection();
    hooks.applySettings = [connection](const ConnectionSettings& s) {
        connection->ApplySerial(s);
    };
    hooks.openPollWindow = [this, connection](int slave, int function, int address, int quantity) {
        // The window polls where the range was found, even after the user
        // made another connection current: that connection becomes current.
        m_connections->SetCurrent(m_connections->IndexOfLine(connection->Line()));
        OpenPollWindowForRange(*m_documents, slave, function, address, quantity);
    };
    hooks.line = &connection->Line();
    hooks.freePollWindows = [this, connection] {
        int polling = 0;
        for (const CZentiqDoc* doc : Documents())
            polling += doc->Model().slotIndex != -1 && &doc->Line() == &connection->Line() ? 1 : 0;
        return kLastSlot - polling;
    };
    // Owned by the main frame, which takes it along when it goes.
    m_scanner = new BusScannerWindow(std::move(hooks), m_mainFrame.get());
    nameConnectionIn(m_scanner);
    m_scanner->show();
}
BusStatisticsWindow* CZentiqApp::StatisticsWindow() const {
    return toolOn(m_statistics, Connection().Line(), countedLine);
}

SettingsStore& CZentiqApp::Store() const { return *m_store; }

bool CZentiqApp::StartupCheckPending() const { return m_startupTimer->isActive(); }

bool CZentiqApp::runCommSetup(ConnectionController& connection, ConnectionSettings& settings) {
    CMBCommSetup dialog(settings, m_mainFrame.get(), m_store.get());
    dialog.SetLine(connection.Line());
    const int index = m_connections->IndexOfLine(connection.Line());
    // With one connection the dialog stays as it always was.
    if (m_connections->Count() > 1)
        dialog.SetConnectionName(m_connections->NameAt(index), [this, index](const QString& name) {
            return m_connections->NameRefusal(name, index);
        });
    const int result = userInteraction().runModal(dialog);
    if (result != QDialog::Accepted)
        return false;
    settings = dialog.settings();
    if (!dialog.ConnectionName().isEmpty())
        m_connections->Rename(index, dialog.ConnectionName());
    loadPortDevices();
    return true;
}

void CZentiqApp::nameConnectionIn(QWidget* tool) const {
    // A tool works on the connection that was current when it opened.
    if (m_connections->Count() > 1)
        tool->setWindowTitle(tr("%1 — %2").arg(tool->windowTitle(),
                                               m_connections->NameAt(m_connections->CurrentIndex())));
}

void CZentiqApp::openBusStatistics() {
    // Owned by the main frame and one per connection, like the traffic
    // monitor; a second command brings the open one to the front.
    if (StatisticsWindow() == nullptr) {
        ConnectionController* connection = &Connection();
        auto* window = new BusStatisticsWindow(
            connection->Line(),
            [this, connection] {
                std::vector<PollWindowRequest> requests;
                // Slot numbers are per line: only this connection's windows.
                for (const CZentiqDoc* doc : Documents())
                    if (&doc->Line() == &connection->Line())
                        requests.push_back(
                            BusStatisticsWindow::RequestOf(*doc, connection->Line()));
                return requests;
            },
            m_mainFrame.get());
        window->SetConnectionSource(
            [connection]() -> std::optional<ConnectionSettings> {
                if (!connection->IsConnected())
                    return std::nullopt;
                return connection->Settings();
            });
        window->SetFiguresSince(m_startedAt);
        nameConnectionIn(window);
        m_statistics.removeAll(nullptr);
        m_statistics << window;
    }
    BusStatisticsWindow* window = StatisticsWindow();
    window->show();
    window->raise();
    window->activateWindow();
}

void CZentiqApp::loadPortDevices() {
    for (int i = 0; i < m_connections->Count(); ++i)
        CMBCommSetup::LoadPortDevices(*m_store, m_connections->At(i).Line());
}

void CZentiqApp::newConnection() {
    if (m_connections->Count() >= ConnectionSet::kMaxConnections) {
        ShowMessage(m_mainFrame.get(), kConnectionTitle,
                    tr("最多可以有 %1 个连接").arg(ConnectionSet::kMaxConnections));
        return;
    }
    // The current connection's settings are the likeliest start.
    CMBCommSetup dialog(Connection().Settings(), m_mainFrame.get(), m_store.get());
    dialog.SetConnectionName(m_connections->ProposedName(), [this](const QString& name) {
        return m_connections->NameRefusal(name);
    });
    if (userInteraction().runModal(dialog) != QDialog::Accepted)
        return;
    QString why;
    const int index = m_connections->Add(dialog.ConnectionName(), dialog.settings(), &why);
    if (index < 0) {
        ShowMessage(m_mainFrame.get(), kConnectionTitle, why);
        return;
    }
    loadPortDevices();
    m_connections->SetCurrent(index);
    m_connections->At(index).Connect(false);
}

QString CZentiqApp::connectionInUse(int index) const {
    const ModbusLine& line = m_connections->At(index).Line();
    int windows = 0;
    for (const CZentiqDoc* doc : Documents())
        windows += &doc->Line() == &line ? 1 : 0;
    if (windows > 0)
        return tr("连接“%1”仍有 %2 个读写窗口，请先关闭它们或改用其他连接")
            .arg(m_connections->NameAt(index))
            .arg(windows);
    const bool toolOpen = toolOn(m_monitors, line, monitoredLine) != nullptr ||
                          toolOn(m_statistics, line, countedLine) != nullptr ||
                          (m_scanner && m_scannerLine && &m_scannerLine->Connection().Line() == &line);
    if (toolOpen)
        return tr("连接“%1”的工具窗口仍然打开").arg(m_connections->NameAt(index));
    return {};
}

void CZentiqApp::removeConnection() {
    const int index = m_connections->CurrentIndex();
    QString why = connectionInUse(index);
    if (why.isEmpty() && !m_connections->Remove(index, &why))
        ShowMessage(m_mainFrame.get(), kConnectionTitle, why);
    else if (!why.isEmpty())
        ShowMessage(m_mainFrame.get(), kConnectionTitle, why);
}

bool CZentiqApp::InitInstance(const QStringList& arguments) {
    QApplication::setApplicationName(LoadString(ids::AppTitle));
    QApplication::setApplicationVersion(QString::fromLatin1(kVersion));

    // Before the first text, so that every one comes up in it: on stderr as
    // in the windows.
    const std::optional<Language> asked = CommandLine::Parse(arguments).language;
    if (!ApplyLanguage(asked.value_or(StoredLanguage(*m_store))))
        qWarning("zentiq: %s", qUtf8Printable(tr("无法加载英文翻译，界面仍为中文")));
    m_connections->LanguageChanged();
    const CommandLine line = CommandLine::Parse(arguments);
    if (!line.error.isEmpty()) {
        std::fprintf(stderr, "zentiq: %s\n%s\n", qUtf8Printable(line.error),
                     qUtf8Printable(CommandLine::UsageText()));
        m_startupExitCode = 2;
        return false;
    }

    // A Zentiq that runs already (it owns the bus name) shows itself and
    // opens the files instead of a second program beside it.
    if (m_mayHandOver && !line.automation && line.printFile.isEmpty()) {
        QString reason;
        switch (instance_hand_over::Offer(
            line.files, instance_hand_over::OptionsOf(m_store->FileName()), &reason)) {
        case instance_hand_over::Outcome::HandedOver: m_startupExitCode = 0; return false;
        case instance_hand_over::Outcome::Declined:
            std::fprintf(stderr, "zentiq: %s\n",
                         qUtf8Printable(tr("正在运行的 Zentiq 没有接受这次启动：%1").arg(reason)));
            break;
        case instance_hand_over::Outcome::NobodyRuns: break;
        }
    }

    // The settings store (chosen before this object was made) and the
    // recent-file list; the device behind every serial port number.
    m_documents->LoadRecentFiles();
    loadPortDevices();

    if (m_withoutDisplay)
        std::fprintf(stderr, "zentiq: %s\n", qUtf8Printable(WithoutDisplayText()));
    m_mainFrame = std::make_unique<CMainFrame>(m_store.get());
    m_frames = std::make_unique<DocumentFrames>(*m_mainFrame);
    m_help = std::make_unique<ContextHelp>();
    m_documents->SetWindows(m_frames.get());
    m_workspaces =
        std::make_unique<WorkspaceController>(*m_mainFrame, *m_frames, *m_connections, *m_documents);
    connect(m_workspaces.get(), &WorkspaceController::failed, this, [this](const QString& text) {
        ShowMessage(m_mainFrame.get(), LoadString(ids::AppTitle), text);
    });
    m_documents->SetWorkspaceOpener(
        [this](const QString& path) { return m_workspaces->OpenWorkspace(path, false); });

    m_startupTimer->start();

    // The bus name and, at a normal start of the user's own program, the
    // activation file.
    m_automation = std::make_unique<AutomationServer>(
        *this,
        activation_file::StartKind{line.automation, m_privateSettings, !line.printFile.isEmpty()});
    // Not with the last window: the clients' documents keep the program
    // alive after the user closed the main frame, and it ends with them.
    QApplication::setQuitOnLastWindowClosed(false);
    connect(m_mainFrame.get(), &CMainFrame::frameClosed, m_automation.get(),
            &AutomationServer::CheckLifetime, Qt::QueuedConnection);
    if (line.automation)
        return true;  // an automation client drives us: no window, no document
    if (!line.printFile.isEmpty()) {
        // Print and end, as a shell's print verb expects; nothing is shown.
        QPrinter printer(QPrinter::HighResolution);
        QString error;
        if (printer.outputFormat() != QPrinter::NativeFormat)
            error = tr("没有设置打印机");
        else if (PrintDocumentFile(line.printFile, printer, &error) > 0)
            m_startupExitCode = 0;
        if (m_startupExitCode != 0)
            std::fprintf(
                stderr, "zentiq: %s\n",
                qUtf8Printable(
                    tr("%1 无法打印：%2").arg(QDir::toNativeSeparators(line.printFile), error)));
        return false;
    }
    // The first file decides the start; any others open after it.
    if (DocumentManager::IsWorkspaceName(line.fileName)) {
        m_startedWithWorkspace = true;
        m_workspaces->OpenWorkspace(line.fileName, true);
    } else if (!line.fileName.isEmpty()) {
        if (m_documents->OpenDocumentFile(line.fileName) == nullptr)
            return false;
    } else {
        m_documents->NewDocument();
    }
    for (const QString& file : line.files.mid(1))
        m_documents->OpenByName(file);
    m_mainFrame->show();
    return true;
}

QString CZentiqApp::WithoutDisplayText() { return tr("没有显示器，仅以自动化模式运行"); }

QString CZentiqApp::ScreenshotFailedText(const QString& path) {
    return tr("无法写入 %1").arg(QDir::toNativeSeparators(path));
}

CZentiqApp::Refusal CZentiqApp::RefuseTakeOver(const QString& settingsFile) const {
    if (m_withoutDisplay || m_mainFrame == nullptr)
        return {instance_hand_over::kNoDisplayError,
                tr("正在运行的 Zentiq 是在没有显示器的情况下启动的，无法显示窗口")};
    if (!settingsFile.isEmpty() && !sameFile(settingsFile, m_store->FileName()))
        return {instance_hand_over::kOtherSettingsError,
                tr("正在运行的 Zentiq 的设置保存在 %1，而不是 %2")
                    .arg(QDir::toNativeSeparators(m_store->FileName()),
                         QDir::toNativeSeparators(settingsFile))};
    return {};
}

void CZentiqApp::TakeOverStart(const QStringList& files) {
    if (m_mainFrame == nullptr)
        return;
    // The window first, so that a box about a file has it to stand on.
    if (m_mainFrame->isMinimized())
        m_mainFrame->showNormal();
    else
        m_mainFrame->show();
    m_mainFrame->raise();
    m_mainFrame->activateWindow();
    for (const QString& file : files)
        m_documents->OpenByName(file);
    if (files.isEmpty() && m_mainFrame->ChildFrames().isEmpty())
        m_documents->NewDocument();
}

void CZentiqApp::ExitInstance() {
    if (m_exited)
        return;
    m_exited = true;
    m_connections->ShutdownAll();
}

void CZentiqApp::EndAtExit() {
    CZentiqApp* app = g_instance;
    if (app == nullptr) {
        // Left main normally: the application object has done all this.
        DefaultLine().StopPolling();
        return;
    }
    for (CZentiqDoc* doc : app->Documents())
        doc->Logger().Stop();
    app->ExitInstance();
}

void CZentiqApp::startupConnectionCheck() {
    m_startupTimer->stop();
    // A workspace from the command line asks here for the connections it
    // saved connected, as the flag of each settings block.
    QList<ConnectionController*> toOpen;
    ConnectionController& first = m_connections->At(0);
    if ((first.AutoEnable() && !m_startedWithWorkspace) || first.IsConnected())
        toOpen << &first;
    if (m_workspaces != nullptr)
        for (const QString& name : m_workspaces->TakeStartupConnect())
            if (ConnectionController* c = m_connections->Find(name); c && !toOpen.contains(c))
                toOpen << c;
    for (ConnectionController* c : toOpen)
        c->Connect(false);
}

// ---- messages ---------------------------------------------------------------------------------

void CZentiqApp::ShowMessage(QWidget* parent, const QString& title, const QString& text) {
    userInteraction().error(parent, title, text);
}

// ---- documents --------------------------------------------------------------------------------

CZentiqDoc* CZentiqApp::OnFileNew() { return m_documents->NewDocument(); }

QList<CZentiqDoc*> CZentiqApp::Documents() const { return m_documents->Documents(); }

QList<CChildFrame*> CZentiqApp::ChildFrames() const {
    return m_mainFrame ? m_mainFrame->AllChildFrames() : QList<CChildFrame*>();
}

int CZentiqApp::PrintDocumentFile(const QString& path, QPrinter& printer, QString* error) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    auto* doc = new CZentiqDoc;
    QString why;
    if (!m_frames || !doc->OnOpenDocument(absolute, &why)) {
        delete doc;
        if (error != nullptr)
            *error = why.isEmpty() ? tr("无法读取该文件") : why;
        return 0;
    }
    doc->SetModifiedFlag(false);
    // The view lays the grid out in its initial update; its frame stays in
    // the hidden main frame and goes with the document.
    std::unique_ptr<CChildFrame> frame(m_frames->CreateFrame(doc));
    frame->InitialUpdateFrame();
    auto* view = qobject_cast<CZentiqView*>(frame->View());
    const int pages = view != nullptr ? view->PrintTo(printer) : 0;
    if (pages == 0 && error != nullptr)
        *error = tr("打印机没有接受任何一页");
    return pages;
}

// ---- commands ---------------------------------------------------------------------------------

void CZentiqApp::showAbout() {
    userInteraction().notify(m_mainFrame.get(), tr("关于 Zentiq"),
                             tr("<b>Zentiq %1</b><br>用于测试和调试 Modbus 从站设备的 Modbus 主站"
                                "（RTU、ASCII、Modbus/TCP、RTU over TCP）。")
                                 .arg(QString::fromLatin1(kVersion)));
}

bool CZentiqApp::OnCommand(int id) {
    if (id >= cmd::ConnectionFirst && id <= cmd::ConnectionLast) {
        m_connections->SetCurrent(id - cmd::ConnectionFirst);
        return true;
    }
    // Connecting at start-up is the first connection's, whichever is current.
    if ((id == cmd::AutoConnectOn || id == cmd::AutoConnectOff) && m_connections->At(0).OnCommand(id))
        return true;
    if (Connection().OnCommand(id) || m_documents->OnCommand(id) ||
        (m_workspaces != nullptr && m_workspaces->OnCommand(id)))
        return true;
    switch (id) {
    case cmd::LanguageChinese:
    case cmd::LanguageEnglish:
        // Kept for the next start too, even after a --lang run.
        if (ApplyLanguage(languageOfCommand(id))) {
            StoreLanguage(*m_store, languageOfCommand(id));
            m_connections->LanguageChanged();
        } else
            ShowMessage(m_mainFrame.get(), LoadString(ids::AppTitle),
                        QStringLiteral("The English translation could not be loaded."));
        return true;
    case cmd::AppearanceSystem:
    case cmd::AppearanceLight:
    case cmd::AppearanceDark:
        // Kept for the next start too, even after a --dark run.
        ApplyAppearance(*appearanceOfCommand(id));
        StoreAppearance(*m_store, *appearanceOfCommand(id));
        return true;
    case cmd::AppExit:
        if (m_mainFrame)
            m_mainFrame->close();
        return true;
    case cmd::AppAbout: showAbout(); return true;
    case cmd::TrafficMonitor:
        // Owned by the main frame, which takes it along when it goes.
        // One per connection, on the current one.
        if (Monitor() == nullptr) {
            auto* monitor = new CCommunication(Connection().Line(), m_mainFrame.get());
            m_monitors.removeAll(nullptr);
            m_monitors << monitor;
            nameConnectionIn(monitor);
            monitor->show();
        }
        return true;
    case cmd::BusScanner: openBusScanner(); return true;
    case cmd::NewConnection: newConnection(); return true;
    case cmd::RemoveConnection: removeConnection(); return true;
    case cmd::BusStatistics: openBusStatistics(); return true;
    case cmd::Help:
        ContextHelp::ShowFor(QApplication::activeWindow() != nullptr ? QApplication::activeWindow()
                                                                     : m_mainFrame.get());
        return true;
    case cmd::HelpTopics: HelpWindow::Open(m_mainFrame.get(), QStringLiteral("index")); return true;
    default: return false;
    }
}

bool CZentiqApp::OnUpdateCommand(int id, CommandState& state) {
    if (id >= cmd::ConnectionFirst && id <= cmd::ConnectionLast) {
        state.enabled = id - cmd::ConnectionFirst < m_connections->Count();
        state.checked = id - cmd::ConnectionFirst == m_connections->CurrentIndex();
        return true;
    }
    if ((id == cmd::AutoConnectOn || id == cmd::AutoConnectOff) &&
        m_connections->At(0).OnUpdateCommand(id, state))
        return true;
    if (Connection().OnUpdateCommand(id, state) || m_documents->OnUpdateCommand(id, state) ||
        (m_workspaces != nullptr && m_workspaces->OnUpdateCommand(id, state)))
        return true;
    switch (id) {
    case cmd::TrafficMonitor: state.enabled = Monitor() == nullptr; return true;
    case cmd::NewConnection:
        state.enabled = m_connections->Count() < ConnectionSet::kMaxConnections;
        return true;
    case cmd::RemoveConnection:
        state.enabled = m_connections->CurrentIndex() > 0 &&
                        Connection().state() == ConnectionController::State::Unconnected;
        return true;
    case cmd::BusScanner: return true;
    case cmd::LanguageChinese:
    case cmd::LanguageEnglish:
        state.checked = CurrentLanguage() == languageOfCommand(id);
        return true;
    case cmd::AppearanceSystem:
    case cmd::AppearanceLight:
    case cmd::AppearanceDark:
        state.checked = CurrentAppearance() == appearanceOfCommand(id);
        return true;
    case cmd::BusStatistics:
    case cmd::AppExit:
    case cmd::AppAbout:
    case cmd::Help:
    case cmd::HelpTopics: return true;
    default: return false;
    }
}

}  // namespace zentiq
