#include "app/zentiq_app.h"

#include <grp.h>
#include <sys/stat.h>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMdiArea>
#include <QMessageBox>
#include <QPrinter>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>

#include "app/automation_server.h"
#include "app/child_frame.h"
#include "app/frame_placement.h"
#include "app/main_frame.h"
#include "app/mb_comm_setup.h"
#include "app/workspace_file.h"
#include "framework/file_dialog.h"
#include "framework/user_interaction.h"
#include "framework/language.h"
#include "framework/log_categories.h"
#include "framework/settings_store.h"
#include "framework/window_registry.h"
#include "display/communication.h"
#include "values/status_texts.h"
#include "display/zentiq_view.h"
#include "documents/data_logger.h"
#include "documents/zentiq_doc.h"
#include "engine/engine.h"
#include "resources/menus.h"
#include "resources/strings.h"

namespace zentiq {
namespace {

CZentiqApp* g_instance = nullptr;

const QString kCommSetup = QStringLiteral("CommSetup");
// Not one of the seventeen: older versions neither write nor read it.
const QString kTcpFramingKey = QStringLiteral("TcpFraming");
const QString kRecentSection = QStringLiteral("Recent File List");
const QString kConnectionTitle = QStringLiteral("Connection");
// Kept in step with the project version of the top-level CMakeLists.txt.
const char* const kVersion = "0.1.0";

// Options of main.cpp that take a value.
bool isValueOption(const QString& arg) {
    return arg == QLatin1String("--settings-dir") || arg == QLatin1String("--screenshot") ||
           arg == QLatin1String("--screenshot-delay");
}

// The print switch: --print FILE, --print=FILE, and the framework's /p FILE.
bool isPrintSwitch(const QString& arg) {
    return arg == QLatin1String("--print") || arg.compare(QLatin1String("/p"), Qt::CaseInsensitive) == 0;
}

bool isAutomationSwitch(const QString& arg) {
    const QString a = arg.toLower();
    return a == QLatin1String("--automation") || a == QLatin1String("-automation") ||
           a == QLatin1String("/automation") || a == QLatin1String("-embedding") ||
           a == QLatin1String("/embedding") || a == QLatin1String("--embedding");
}

Language languageOfCommand(int id) {
    return id == cmd::LanguageEnglish ? Language::English : Language::Chinese;
}

std::uint32_t nonNegative(int value) { return value < 0 ? 0u : static_cast<std::uint32_t>(value); }

// Every stored connection value with the range its dialog accepts and the
// default of an empty store. A hand-edited or damaged value outside the range
// reads as the default, as for every key alike: a timeout of 0 or a delay of
// years would otherwise break polling without a word.
struct CommSetupValue {
    const char* key;
    int ConnectionSettings::*field;
    int min, max, fallback;
};
constexpr CommSetupValue kCommSetupValues[] = {
    {"Port", &ConnectionSettings::Port, 0, CMBCommSetup::kPortCount - 1, 0},
    {"BaudRate", &ConnectionSettings::BaudRate, 0, CMBCommSetup::kBaudCount - 1, kDefaultBaudIndex},
    {"DataBits", &ConnectionSettings::DataBits, 0, 1, 1},
    {"Parity", &ConnectionSettings::Parity, 0, 2, 2},
    {"StopBits", &ConnectionSettings::StopBits, 0, 1, 0},
    {"Timeout", &ConnectionSettings::Timeout, CMBCommSetup::kTimeoutMin, CMBCommSetup::kTimeoutMax, 1000},
    {"DTRDSR", &ConnectionSettings::DTRDSR, 0, 1, 0},
    {"RTSCTS", &ConnectionSettings::RTSCTS, 0, 1, 0},
    {"RTS", &ConnectionSettings::RTS, 0, 1, 1},
    {"CLRRTSDelay", &ConnectionSettings::CLRRTSDelay, CAdvanced::kRtsDelayMin, CAdvanced::kRtsDelayMax, 1},
    {"RTU/ASCII", &ConnectionSettings::RTU_ASCII, 0, 1, 0},
    {"ServicePort", &ConnectionSettings::ServicePort, CMBCommSetup::kServicePortMin,
     CMBCommSetup::kServicePortMax, 502},
    {"ConnectionTimeout", &ConnectionSettings::ConnectionTimeout, CMBCommSetup::kConnectionTimeoutMin,
     CMBCommSetup::kConnectionTimeoutMax, 3000},
    {"DelayBetweenPolls", &ConnectionSettings::DelayBetweenPolls, CMBCommSetup::kDelayMin,
     CMBCommSetup::kDelayMax, 10},
    {"Echo", &ConnectionSettings::Echo, 0, 1, 0},
    // -1: not stored yet, converted from the port index below.
    {"Serial", &ConnectionSettings::Serial, -1, 1, -1},
};

// The open results whose message carries the socket error's number.
bool TcpMessageShowsError(int result) {
    return result == status::SocketStartupFailed || result == status::ConnectError ||
           result == status::BlockingSwitchFailed || result == status::SocketCreateFailed;
}

}  // namespace

// ---- command line -----------------------------------------------------------------------------

CZentiqApp::CommandLine CZentiqApp::ParseCommandLine(const QStringList& arguments) {
    CommandLine line;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        if (isAutomationSwitch(arg)) {
            line.automation = true;
        } else if (isPrintSwitch(arg)) {
            if (i + 1 < arguments.size())
                line.printFile = arguments[++i];
            else
                line.error = QStringLiteral("%1 needs the document to print").arg(arg);
        } else if (arg == QLatin1String("--lang") || arg.startsWith(QLatin1String("--lang="))) {
            const bool inline_ = arg.contains(QLatin1Char('='));
            const QString code = inline_ ? arg.mid(7) : (i + 1 < arguments.size() ? arguments[++i] : QString());
            line.language = LanguageFromCode(code);
            if (!line.language)
                line.error = QStringLiteral("--lang wants en or zh, not \"%1\"").arg(code);
        } else if (arg.startsWith(QLatin1String("--print="))) {
            line.printFile = arg.mid(8);
            if (line.printFile.isEmpty())
                line.error = QStringLiteral("--print needs the document to print");
        } else if (isValueOption(arg)) {
            ++i;  // its value belongs to main.cpp
        } else if (arg.startsWith(QLatin1String("--")) && arg.contains(QLatin1Char('=')) &&
                   isValueOption(arg.section(QLatin1Char('='), 0, 0))) {
            // --settings-dir=DIR and the like: main.cpp's
        } else if (arg.startsWith(QLatin1Char('-')) && arg.size() > 1) {
            line.ignored << arg;
        } else if (line.fileName.isEmpty()) {
            line.fileName = arg;
        } else {
            line.ignored << arg;
        }
    }
    return line;
}

// ---- life -------------------------------------------------------------------------------------

CZentiqApp::CZentiqApp(QObject* parent) : QObject(parent), m_store(std::make_unique<SettingsStore>()) {
    g_instance = this;
    InitEngine();
    InstallEnginePoster();
    m_startupTimer = new QTimer(this);
    m_startupTimer->setSingleShot(true);
    m_startupTimer->setInterval(kStartupCheckMs);
    connect(m_startupTimer, &QTimer::timeout, this, &CZentiqApp::startupConnectionCheck);
}

CZentiqApp::~CZentiqApp() {
    m_startupTimer->stop();
    // Windows first: each view releases its slot, each document stores its
    // application-wide values; then the worker and the connection.
    m_automation.reset();  // no client reaches documents that are going
    m_mainFrame.reset();
    ExitInstance();
    if (g_instance == this)
        g_instance = nullptr;
}

CZentiqApp* CZentiqApp::instance() { return g_instance; }

CMainFrame* CZentiqApp::MainFrame() const { return m_mainFrame.get(); }

CCommunication* CZentiqApp::Monitor() const { return m_monitor.data(); }

SettingsStore& CZentiqApp::Store() const { return *m_store; }

bool CZentiqApp::StartupCheckPending() const { return m_startupTimer->isActive(); }

bool CZentiqApp::InitInstance(const QStringList& arguments) {
    QApplication::setApplicationName(LoadString(ids::AppTitle));
    QApplication::setApplicationVersion(QString::fromLatin1(kVersion));

    const CommandLine line = ParseCommandLine(arguments);
    for (const QString& ignored : line.ignored)
        qWarning("zentiq: ignoring the argument %s", qUtf8Printable(ignored));
    if (!line.error.isEmpty()) {
        std::fprintf(stderr, "zentiq: %s\nusage: zentiq [FILE.zqd | FILE.zqw] [--print FILE.zqd] "
                     "[--automation] [--lang en|zh] [--settings-dir DIR]\n", qUtf8Printable(line.error));
        m_startupExitCode = 2;
        return false;
    }

    // The settings store (chosen before this object was made) and the
    // recent-file list; the device behind every serial port number.
    loadRecentFiles();
    CMBCommSetup::LoadPortDevices(*m_store);

    // Before the first window, so that every text comes up in it.
    if (!ApplyLanguage(line.language.value_or(StoredLanguage(*m_store))))
        qWarning("zentiq: the English translation could not be loaded; the interface stays Chinese");
    m_mainFrame = std::make_unique<CMainFrame>(m_store.get());

    m_settings = ReadCommSetup(*m_store, &m_autoEnable);
    m_startupTimer->start();

    // The bus name and, at a normal start, the activation file.
    m_automation = std::make_unique<AutomationServer>(*this, line.automation);
    // Not with the last window: the clients' documents keep the program
    // alive after the user closed the main frame, and it ends with them.
    QApplication::setQuitOnLastWindowClosed(false);
    connect(m_mainFrame.get(), &CMainFrame::frameClosed, m_automation.get(), &AutomationServer::CheckLifetime,
            Qt::QueuedConnection);
    if (line.automation)
        return true;  // an automation client drives us: no window, no document
    if (!line.printFile.isEmpty()) {
        // Print and end, as a shell's print verb expects; nothing is shown.
        QPrinter printer(QPrinter::HighResolution);
        QString error;
        if (printer.outputFormat() != QPrinter::NativeFormat)
            error = QStringLiteral("no printer is set up");
        else if (PrintDocumentFile(line.printFile, printer, &error) > 0)
            m_startupExitCode = 0;
        if (m_startupExitCode != 0)
            std::fprintf(stderr, "zentiq: %s could not be printed: %s\n",
                         qUtf8Printable(QDir::toNativeSeparators(line.printFile)), qUtf8Printable(error));
        return false;
    }
    if (IsWorkspaceName(line.fileName)) {
        m_startedWithWorkspace = true;
        OpenWorkspace(line.fileName, true);
        m_mainFrame->show();
        return true;
    }
    if (!line.fileName.isEmpty()) {
        if (OpenDocumentFile(line.fileName) == nullptr)
            return false;
    } else {
        OnFileNew();
    }
    m_mainFrame->show();
    return true;
}

void CZentiqApp::ExitInstance() {
    if (m_exited)
        return;
    m_exited = true;
    StopPolling();
    if (m_connected || zentiq::IsConnected() != 0) {
        CloseSerialPort();
        CloseTcpConnection();
    }
    m_connected = false;
}

void CZentiqApp::EndAtExit() {
    CZentiqApp* app = g_instance;
    if (app == nullptr) {
        // Left main normally: the application object has done all this.
        StopPolling();
        return;
    }
    for (CZentiqDoc* doc : app->Documents())
        doc->Logger().Stop();
    app->ExitInstance();
}

void CZentiqApp::startupConnectionCheck() {
    m_startupTimer->stop();
    // A workspace from the command line that was saved connected asks for
    // the connection here, as the flag of its settings block.
    const bool workspaceConnected = m_connectAtStartup;
    m_connectAtStartup = false;
    if ((m_autoEnable && !m_startedWithWorkspace) || m_connected || workspaceConnected) {
        m_connected = false;
        Connect(false);
    }
}

// ---- settings ---------------------------------------------------------------------------------

ConnectionSettings CZentiqApp::ReadCommSetup(const SettingsStore& store, bool* autoEnable) {
    ConnectionSettings s;
    auto get = [&](const char* key, int def) { return store.GetInt(kCommSetup, QString::fromLatin1(key), def); };
    for (const CommSetupValue& v : kCommSetupValues) {
        const int stored = get(v.key, v.fallback);
        s.*v.field = stored < v.min || stored > v.max ? v.fallback : stored;
    }
    if (autoEnable != nullptr)
        *autoEnable = get("AutoEnable", 0) != 0;
    s.IPAddress = store.GetString(kCommSetup, QStringLiteral("IPAddress"), QStringLiteral("0.0.0.0"))
                      .toLatin1()
                      .toStdString();
    if (s.Serial == -1) {
        // Settings of old versions: port index 8 meant Modbus/TCP.
        if (s.Port == 8) {
            s.Serial = 1;
            s.Port = 0;
        } else {
            s.Serial = 0;
        }
    }
    // Absent from stores of older versions: Modbus/TCP.
    s.TcpFraming = store.GetInt(kCommSetup, kTcpFramingKey, kTcpFramingMbap) == kTcpFramingRtu
                       ? kTcpFramingRtu
                       : kTcpFramingMbap;
    return s;
}

const QStringList& CZentiqApp::CommSetupKeys() {
    static const QStringList keys = {
        QStringLiteral("Port"),        QStringLiteral("BaudRate"),          QStringLiteral("DataBits"),
        QStringLiteral("Parity"),      QStringLiteral("StopBits"),          QStringLiteral("Timeout"),
        QStringLiteral("DTRDSR"),      QStringLiteral("RTSCTS"),            QStringLiteral("RTS"),
        QStringLiteral("CLRRTSDelay"), QStringLiteral("RTU/ASCII"),         QStringLiteral("IPAddress"),
        QStringLiteral("ServicePort"), QStringLiteral("ConnectionTimeout"), QStringLiteral("DelayBetweenPolls"),
        QStringLiteral("Echo"),        QStringLiteral("Serial")};
    return keys;
}

void CZentiqApp::WriteCommSetup(SettingsStore& store, const ConnectionSettings& s) {
    const int values[] = {s.Port,     s.BaudRate, s.DataBits,    s.Parity,    s.StopBits,
                          s.Timeout,  s.DTRDSR,   s.RTSCTS,      s.RTS,       s.CLRRTSDelay,
                          s.RTU_ASCII, 0,         s.ServicePort, s.ConnectionTimeout,
                          s.DelayBetweenPolls, s.Echo, s.Serial};
    const QStringList& keys = CommSetupKeys();
    for (int i = 0; i < keys.size(); ++i) {
        if (keys[i] == QLatin1String("IPAddress"))
            store.SetString(kCommSetup, keys[i], QString::fromLatin1(s.IPAddress.c_str()));
        else
            store.SetInt(kCommSetup, keys[i], values[i]);
    }
    // Written once RTU over TCP has been chosen, so that a store that never
    // used it stays as it was. "Serial" stays 1: a version that knows only
    // Modbus/TCP still connects to the right host instead of a serial port.
    if (s.TcpFraming != kTcpFramingMbap || store.Contains(kCommSetup, kTcpFramingKey))
        store.SetInt(kCommSetup, kTcpFramingKey, s.TcpFraming);
    store.Sync();
}

QString CZentiqApp::ConnectionPaneText(const ConnectionSettings& s) {
    if (s.Serial != 0)
        return QStringLiteral("%1: %2%3")
            .arg(QString::fromLatin1(s.IPAddress.c_str()), QString::number(s.ServicePort),
                 s.TcpFraming == kTcpFramingRtu ? QStringLiteral(" (RTU)") : QString());
    const char* parity = s.Parity == 1 ? "O" : s.Parity == 2 ? "E" : "N";
    return QStringLiteral("Port %1: %2-%3-%4-%5")
        .arg(s.Port + 1)
        .arg(BaudTimingForIndex(s.BaudRate).baud)
        .arg(s.DataBits != 0 ? 8 : 7)
        .arg(QLatin1String(parity))
        .arg(s.StopBits + 1);
}

QString CZentiqApp::ConnectionPaneText() const { return ConnectionPaneText(m_settings); }

// ---- connection -------------------------------------------------------------------------------

QString CZentiqApp::SerialPermissionHint(const QString& devicePath, int error) {
    if (error != EACCES && error != EPERM)
        return {};
    QString group;
    struct stat info {};
    if (::stat(QFile::encodeName(devicePath).constData(), &info) == 0) {
        if (const struct group* g = ::getgrgid(info.st_gid))
            group = QString::fromLocal8Bit(g->gr_name);
    }
    if (group.isEmpty() || group == QLatin1String("root"))
        return QStringLiteral("Access to %1 was refused. Serial ports usually belong to the group "
                              "\"dialout\": add your user to it (sudo usermod -a -G dialout $USER) "
                              "and log in again.")
            .arg(devicePath);
    return QStringLiteral("Access to %1 was refused. It belongs to the group \"%2\": add your user to "
                          "it (sudo usermod -a -G %2 $USER) and log in again.")
        .arg(devicePath, group);
}

QString CZentiqApp::SerialOpenCause(int error) {
    switch (error) {
    case 0:
        return {};
    case EBUSY:
    case EWOULDBLOCK:  // the lock of another program that has the port open
        return tr("被其他程序占用");
    case ENOTTY:
    case EISDIR:
        return tr("不是串口设备");
    case EACCES:
    case EPERM:
        return tr("没有权限");
    default:
        return QString::fromLocal8Bit(std::strerror(error));
    }
}

QString CZentiqApp::ConnectFailureMessage(const ConnectionSettings& s, int result) {
    return ConnectFailureMessage(s, result, s.Serial != 0 ? LastSocketError() : LastSerialOpenErrno());
}

QString CZentiqApp::ConnectFailureMessage(const ConnectionSettings& s, int result, int error) {
    if (result == 0)
        return {};
    // The message of the open result, then its cause in words.
    if (s.Serial != 0) {
        QString text = TcpOpenFailureMessage(result, error);
        if (text.isEmpty())
            text = QStringLiteral("Modbus/TCP Connection Failed. Error %1").arg(result);
        else if (TcpMessageShowsError(result) && error != 0)
            text += QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(error));
        return text;
    }
    QString text = SerialOpenFailureMessage(result, s.Port + 1);
    if (text.isEmpty())
        text = QStringLiteral("Opening Port %1 failed with error %2.").arg(s.Port + 1).arg(result);
    if (result == 1 && !SerialOpenCause(error).isEmpty())
        text += QStringLiteral(": ") + SerialOpenCause(error);
    if (result == 1 && s.Port >= 0 && s.Port < CMBCommSetup::kPortCount) {
        char device[512] = {};
        GetSerialDevice(s.Port + 1, device, sizeof device);
        const QString hint = SerialPermissionHint(QFile::decodeName(device), error);
        if (!hint.isEmpty())
            text += QStringLiteral("\n\n") + hint;
    }
    return text;
}

bool CZentiqApp::Connect(bool withDialog) {
    if (withDialog) {
        CMBCommSetup dialog(m_settings, m_mainFrame.get(), m_store.get());
        const int result = userInteraction().runModal(dialog);
        if (result != QDialog::Accepted)
            return false;
        m_settings = dialog.settings();
    }
    // The connection is only ever opened while nothing else is open.
    if (zentiq::IsConnected() != 0)
        Disconnect();

    const ConnectionSettings& s = m_settings;
    SetHandshakeFlags(static_cast<HandshakeFlags>((s.DTRDSR != 0 ? handshake::DTRDSR : 0) |
                                                  (s.RTSCTS != 0 ? handshake::RTSCTS : 0) |
                                                  (s.RTS != 0 ? handshake::RTS : 0)));
    SetPollDelay(nonNegative(s.DelayBetweenPolls));
    SetRtsDelay(static_cast<std::uint16_t>(std::clamp(s.CLRRTSDelay, 0, 0xFFFF)));
    SetEchoRemoval(s.Echo);

    int result = 0;
    if (s.Serial != 0) {
        if (s.ServicePort < 1 || s.ServicePort > 0xFFFF) {
            // Only a hand-edited store gets here; the dialog refuses such a port.
            m_connected = false;
            ShowMessage(m_mainFrame.get(), kConnectionTitle,
                        QStringLiteral("Modbus/TCP Connection Failed. Invalid port %1").arg(s.ServicePort));
            return false;
        }
        result = OpenTcpConnection(s.IPAddress.c_str(), static_cast<std::uint16_t>(s.ServicePort),
                                   nonNegative(s.Timeout), nonNegative(s.ConnectionTimeout));
    } else {
        result = OpenSerialPort(s.Port + 1, BaudTimingForIndex(s.BaudRate).baud, s.DataBits != 0 ? 8 : 7,
                                s.Parity, s.StopBits != 0 ? 2 : 0);
    }
    m_connected = result == 0;
    qCDebug(lcApp) << "connect:" << (s.Serial != 0 ? "TCP" : "serial") << "result" << result;
    if (!m_connected) {
        // Values changed in the dialog stay for the next attempt, unstored.
        ShowMessage(m_mainFrame.get(), kConnectionTitle, ConnectFailureMessage(s, result));
        emit connectionChanged(false);
        return false;
    }
    if (withDialog)
        WriteCommSetup(*m_store, s);
    const BaudTiming timing = BaudTimingForIndex(s.BaudRate);
    SetSerialTimeouts(s.RTU_ASCII == 1 ? 1000 : timing.readInterval, timing.multiplier, nonNegative(s.Timeout),
                      timing.multiplier, 200);
    SetTransmissionMode(s.Serial == 0                     ? (s.RTU_ASCII == 1 ? ASCII : RTU)
                        : s.TcpFraming == kTcpFramingRtu ? RTU_OVER_TCP
                                                          : TCP);
    StartPolling();
    emit connectionChanged(true);
    if (m_mainFrame)
        m_mainFrame->UpdateIdle();
    return true;
}

void CZentiqApp::Disconnect() {
    StopPolling();
    CloseSerialPort();
    CloseTcpConnection();
    m_connected = false;
    emit connectionChanged(false);
    if (m_mainFrame)
        m_mainFrame->UpdateIdle();
}

// ---- messages ---------------------------------------------------------------------------------

void CZentiqApp::ShowMessage(QWidget* parent, const QString& title, const QString& text) {
    userInteraction().error(parent, title, text);
}

// ---- documents --------------------------------------------------------------------------------

bool CZentiqApp::IsWorkspaceName(const QString& path) {
    // By the suffix alone: "/data/plant.zqw-old/pump.zqd" is a poll document.
    return WorkspaceFile::HasWorkspaceExtension(path);
}

QList<CChildFrame*> CZentiqApp::ChildFrames() const {
    return m_mainFrame ? m_mainFrame->AllChildFrames() : QList<CChildFrame*>();
}

bool CZentiqApp::HasClientDocuments() const {
    const QList<CChildFrame*> frames = ChildFrames();
    return std::any_of(frames.begin(), frames.end(), [](const CChildFrame* f) { return f->OwnedByClient(); });
}

QList<CZentiqDoc*> CZentiqApp::Documents() const {
    QList<CZentiqDoc*> docs;
    for (CChildFrame* frame : ChildFrames())
        if (frame->Document() != nullptr)
            docs << frame->Document();
    return docs;
}

int CZentiqApp::PrintDocumentFile(const QString& path, QPrinter& printer, QString* error) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    auto* doc = new CZentiqDoc;
    QString why;
    if (!m_mainFrame || !doc->OnOpenDocument(absolute, &why)) {
        delete doc;
        if (error != nullptr)
            *error = why.isEmpty() ? QStringLiteral("the file cannot be read") : why;
        return 0;
    }
    doc->SetModifiedFlag(false);
    // The view lays the grid out in its initial update; its frame stays in
    // the hidden main frame and goes with the document.
    std::unique_ptr<CChildFrame> frame(createFrame(doc));
    frame->InitialUpdateFrame();
    auto* view = qobject_cast<CZentiqView*>(frame->View());
    const int pages = view != nullptr ? view->PrintTo(printer) : 0;
    if (pages == 0 && error != nullptr)
        *error = QStringLiteral("the printer took no page");
    return pages;
}

CChildFrame* CZentiqApp::createFrame(CZentiqDoc* doc) {
    auto* frame = new CChildFrame(doc);
    frame->resize(560, 380);  // a stored placement, applied later, wins
    m_mainFrame->AddChildFrame(frame);
    connect(doc, &CZentiqDoc::titleChanged, this, [this, doc] {
        // A save under a new name puts it on the recent-file list.
        const QString path = doc->GetPathName();
        if (!path.isEmpty() && (m_recentFiles.isEmpty() || m_recentFiles.first() != path))
            AddToRecentFileList(path);
    });
    connect(frame, &QObject::destroyed, this, &CZentiqApp::documentsChanged);
    return frame;
}

CZentiqDoc* CZentiqApp::OnFileNew() { return newDocument(true); }

CZentiqDoc* CZentiqApp::NewHiddenDocument() { return newDocument(false); }

CZentiqDoc* CZentiqApp::newDocument(bool show) {
    if (!m_mainFrame)
        return nullptr;
    auto* doc = new CZentiqDoc;
    ++m_untitledCount;
    doc->SetTitle(LoadString(ids::AppTitle) + QString::number(m_untitledCount));
    // Before its frame joins the others, so that no menu ever counts it.
    doc->SetOwnedByClient(!show);
    CChildFrame* frame = createFrame(doc);
    if (show) {
        frame->InitialUpdateFrame();
        m_mainFrame->MdiArea()->setActiveSubWindow(frame);
    } else {
        frame->hide();  // stays hidden when the main frame shows
        if (auto* view = qobject_cast<CZentiqView*>(frame->View()))
            view->OnInitialUpdate();
    }
    emit documentsChanged();
    return doc;
}

CZentiqDoc* CZentiqApp::OpenDocumentFile(const QString& path) {
    if (!m_mainFrame || path.isEmpty())
        return nullptr;
    if (IsWorkspaceName(path)) {
        // Only OpenByName opens workspaces: a workspace listed inside a
        // workspace must not open itself again and again.
        ShowMessage(m_mainFrame.get(), LoadString(ids::AppTitle),
                    QStringLiteral("%1 is a workspace file, not a poll document.").arg(QDir::toNativeSeparators(path)));
        return nullptr;
    }
    const QFileInfo info(path);
    const QString absolute = info.absoluteFilePath();
    for (CChildFrame* frame : m_mainFrame->ChildFrames()) {
        CZentiqDoc* doc = frame->Document();
        if (doc != nullptr && !doc->GetPathName().isEmpty() && QFileInfo(doc->GetPathName()) == info) {
            m_mainFrame->MdiArea()->setActiveSubWindow(frame);
            return doc;
        }
    }
    auto* doc = new CZentiqDoc;
    QString error;
    if (!doc->OnOpenDocument(absolute, &error)) {
        delete doc;
        if (error.isEmpty())
            error = QStringLiteral("%1 could not be opened.").arg(QDir::toNativeSeparators(absolute));
        ShowMessage(m_mainFrame.get(), LoadString(ids::AppTitle), error);
        return nullptr;
    }
    // The document names itself: a file it cannot read leaves it unbound.
    doc->SetModifiedFlag(false);
    AddToRecentFileList(absolute);
    CChildFrame* frame = createFrame(doc);
    frame->ApplyPlacement(doc->LoadedPlacement());
    frame->InitialUpdateFrame();
    m_mainFrame->MdiArea()->setActiveSubWindow(frame);
    emit documentsChanged();
    return doc;
}

void CZentiqApp::OpenByName(const QString& path) {
    if (IsWorkspaceName(path))
        OpenWorkspace(path, false);
    else
        OpenDocumentFile(path);
}

// ---- workspaces -------------------------------------------------------------------------------

QString CZentiqApp::askWorkspaceName(bool save) {
    QWidget* parent = m_mainFrame.get();
    const QString path =
        FileDialog::Ask(parent, {save, m_defaultWorkspaceName, QStringLiteral("zentiq workspace (*.zqw)"),
                                 QStringLiteral("zqw"),
                                 save ? QStringLiteral("Save workspace") : QStringLiteral("Open workspace")});
    if (!path.isEmpty())
        m_defaultWorkspaceName = QFileInfo(path).completeBaseName();
    return path;
}

bool CZentiqApp::SaveWorkspace() {
    if (!m_mainFrame)
        return false;
    QString path = askWorkspaceName(true);
    if (path.isEmpty())
        return false;
    if (!WorkspaceFile::HasWorkspaceExtension(path)) {
        // "site.v2" is meant as a name, as file dialogs take it: the file
        // is "site.v2.zqw", and that one is asked about if it exists.
        path += QStringLiteral(".zqw");
        if (!FileDialog::ConfirmReplace(m_mainFrame.get(), path))
            return false;
    }
    const QString absolute = QFileInfo(path).absoluteFilePath();
    const QString folder = WorkspaceFile::FolderOf(absolute);

    WorkspaceFile::Contents contents;
    contents.settings = m_settings;
    contents.connected = m_connected;
    contents.legacyAddress = m_legacyAddress;
    contents.mainFrame = m_mainFrame->CurrentPlacement();
    for (CChildFrame* frame : m_mainFrame->ChildFrames()) {
        CZentiqDoc* doc = frame->Document();
        if (doc == nullptr)
            continue;
        const WindowPlacement placement = frame->CurrentPlacement();
        // A window never saved is offered for saving; declined, it stays out.
        if (doc->GetPathName().isEmpty())
            doc->SetModifiedFlag(true);
        doc->SaveModified();
        if (doc->GetPathName().isEmpty())
            continue;
        contents.documents.append({placement, WorkspaceFile::StoredPath(doc->GetPathName(), folder)});
    }
    const WorkspaceFile::Status status = WorkspaceFile::Save(absolute, contents);
    if (status != WorkspaceFile::Status::Ok) {
        ShowMessage(m_mainFrame.get(), LoadString(ids::AppTitle), WorkspaceFile::StatusText(status, absolute));
        return false;
    }
    AddToRecentFileList(absolute);
    return true;
}

bool CZentiqApp::OpenWorkspace(const QString& path, bool fromCommandLine) {
    if (!m_mainFrame)
        return false;
    const QString absolute = QFileInfo(path).absoluteFilePath();
    WorkspaceFile::Contents contents;
    const WorkspaceFile::Status status = WorkspaceFile::Load(absolute, m_settings, &contents);
    if (status != WorkspaceFile::Status::Ok) {
        QString text = WorkspaceFile::StatusText(status, QDir::toNativeSeparators(path));
        if (status == WorkspaceFile::Status::NotFound) {
            // It may be there and still unusable: say what is wrong with it.
            if (const QString cause = WorkspaceFile::UnreadableCause(absolute); !cause.isEmpty())
                text += QStringLiteral(" (%1)").arg(cause);
        }
        if (!text.isEmpty())
            ShowMessage(m_mainFrame.get(), LoadString(ids::AppTitle), text);
        return false;
    }
    // A placement the frame cannot take stops the load before anything closes.
    if (!frame_placement::NormalRect(contents.mainFrame))
        return false;
    // The user's changed windows are offered for saving; Cancel stops the
    // opening while every window is still there. The clients' documents
    // are neither asked about nor closed.
    if (!m_mainFrame->SaveAllModified())
        return false;
    if (!m_mainFrame->ApplyPlacement(contents.mainFrame))
        return false;
    m_mainFrame->CloseAllDocuments();

    Disconnect();
    m_settings = contents.settings;
    m_legacyAddress = contents.legacyAddress;
    if (contents.connected) {
        if (fromCommandLine)
            m_connectAtStartup = true;  // the start-up check connects
        else
            Connect(false);
    }

    const QString folder = WorkspaceFile::FolderOf(absolute);
    int notRestored = contents.cutEntries;
    for (const WorkspaceFile::Document& entry : contents.documents) {
        QString documentPath = WorkspaceFile::ResolvePath(entry.storedPath, folder);
        if (!QFileInfo::exists(documentPath)) {
            // Paths from another system (C:\...\pump.zqd): the workspace's
            // own folder is where the documents usually travel with it.
            const QString nearby = WorkspaceFile::FallbackPath(entry.storedPath, folder);
            if (!nearby.isEmpty() && QFileInfo(nearby).isFile())
                documentPath = nearby;
        }
        CZentiqDoc* doc = OpenDocumentFile(documentPath);
        if (doc == nullptr) {
            ++notRestored;
            continue;  // its message has been shown; the others still open
        }
        for (CChildFrame* frame : ChildFrames())
            if (frame->Document() == doc)
                frame->ApplyPlacement(entry.placement);
    }
    if (contents.cutEntries > 0)
        ShowMessage(m_mainFrame.get(), LoadString(ids::AppTitle), WorkspaceFile::CutShortText(notRestored));
    AddToRecentFileList(absolute);
    m_mainFrame->UpdateIdle();
    return true;
}

void CZentiqApp::loadRecentFiles() {
    m_recentFiles.clear();
    for (int i = 1; i <= kRecentFileCount; ++i) {
        const QString path = m_store->GetString(kRecentSection, QStringLiteral("File%1").arg(i), QString());
        if (!path.isEmpty() && !m_recentFiles.contains(path))
            m_recentFiles << path;
    }
}

void CZentiqApp::storeRecentFiles() {
    for (int i = 0; i < kRecentFileCount; ++i)
        m_store->SetString(kRecentSection, QStringLiteral("File%1").arg(i + 1),
                           i < m_recentFiles.size() ? m_recentFiles[i] : QString());
    m_store->Sync();
}

void CZentiqApp::AddToRecentFileList(const QString& path) {
    if (path.isEmpty())
        return;
    const QString absolute = QFileInfo(path).absoluteFilePath();
    m_recentFiles.removeAll(absolute);
    m_recentFiles.prepend(absolute);
    while (m_recentFiles.size() > kRecentFileCount)
        m_recentFiles.removeLast();
    storeRecentFiles();
}

// ---- commands ---------------------------------------------------------------------------------

void CZentiqApp::showAbout() {
    userInteraction().notify(m_mainFrame.get(), tr("关于 Zentiq"),
                       QStringLiteral("<b>Zentiq %1</b><br>Modbus master for testing and commissioning "
                                      "Modbus slave devices (RTU, ASCII, Modbus/TCP).")
                           .arg(QString::fromLatin1(kVersion)));
}

bool CZentiqApp::OnCommand(int id) {
    switch (id) {
    case cmd::LanguageChinese:
    case cmd::LanguageEnglish:
        // Kept for the next start too, even after a --lang run.
        if (ApplyLanguage(languageOfCommand(id)))
            StoreLanguage(*m_store, languageOfCommand(id));
        else
            ShowMessage(m_mainFrame.get(), LoadString(ids::AppTitle),
                        QStringLiteral("The English translation could not be loaded."));
        return true;
    case cmd::Connect:
        Connect(true);
        return true;
    case cmd::QuickConnect:
        Connect(false);
        return true;
    case cmd::Disconnect:
        Disconnect();
        return true;
    case cmd::AutoConnectOn:
    case cmd::AutoConnectOff:
        m_autoEnable = id == cmd::AutoConnectOn;
        m_store->SetInt(kCommSetup, QStringLiteral("AutoEnable"), m_autoEnable ? 1 : 0);
        m_store->Sync();
        return true;
    case cmd::FileNew:
        OnFileNew();
        return true;
    case cmd::FileOpen: {
        const QString path = CZentiqDoc::AskOpenFileName(m_mainFrame.get());
        if (!path.isEmpty())
            OpenDocumentFile(path);
        return true;
    }
    case cmd::SaveWorkspace:
        SaveWorkspace();
        return true;
    case cmd::OpenWorkspace:
        if (const QString path = askWorkspaceName(false); !path.isEmpty())
            OpenWorkspace(path, false);
        return true;
    case cmd::AppExit:
        if (m_mainFrame)
            m_mainFrame->close();
        return true;
    case cmd::AppAbout:
        showAbout();
        return true;
    case cmd::TrafficMonitor:
        // Owned by the main frame, which takes it along when it goes.
        if (!m_monitor) {
            m_monitor = new CCommunication(m_mainFrame.get());
            m_monitor->show();
        }
        return true;
    case cmd::Help:
    case cmd::HelpTopics:
        userInteraction().notify(
            m_mainFrame.get(), LoadString(ids::AppTitle),
            tr("F3 连接, F5 快速连接, F4 断开连接, F8 读写定义, F6 读写一次, F12 清除计数.\n"
               "Shift+F1: click any control to see what it does."));
        return true;
    default:
        break;
    }
    if (id >= cmd::RecentFileFirst && id <= cmd::RecentFileLast) {
        const int index = id - cmd::RecentFileFirst;
        if (index < m_recentFiles.size()) {
            const QString path = m_recentFiles[index];
            const bool opened = IsWorkspaceName(path) ? OpenWorkspace(path, false) : OpenDocumentFile(path) != nullptr;
            if (!opened && !QFileInfo::exists(path)) {
                m_recentFiles.removeAll(path);
                storeRecentFiles();
            }
        }
        return true;
    }
    return false;
}

bool CZentiqApp::OnUpdateCommand(int id, CommandState& state) {
    switch (id) {
    case cmd::Connect:
    case cmd::QuickConnect:
        state.enabled = !m_connected;
        return true;
    case cmd::Disconnect:
        state.enabled = m_connected;
        return true;
    case cmd::AutoConnectOn:
        state.enabled = !m_autoEnable;
        return true;
    case cmd::AutoConnectOff:
        state.enabled = m_autoEnable;
        return true;
    case cmd::TrafficMonitor:
        state.enabled = m_monitor.isNull();
        return true;
    case cmd::LanguageChinese:
    case cmd::LanguageEnglish:
        state.checked = CurrentLanguage() == languageOfCommand(id);
        return true;
    case cmd::FileNew:
    case cmd::FileOpen:
    case cmd::SaveWorkspace:
    case cmd::OpenWorkspace:
    case cmd::AppExit:
    case cmd::AppAbout:
    case cmd::Help:
    case cmd::HelpTopics:
        return true;
    default:
        break;
    }
    if (id >= cmd::RecentFileFirst && id <= cmd::RecentFileLast) {
        state.enabled = id - cmd::RecentFileFirst < m_recentFiles.size();
        return true;
    }
    return false;
}

}  // namespace zentiq
