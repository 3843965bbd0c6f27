// The application object: start-up and shutdown. It makes the connection
// controller, the document manager, the main frame and the workspace
// controller, and answers the commands that belong to none of them. It works
// beside the process's QApplication (main.cpp creates both), so that tests
// can run it in process.
#pragma once

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "engine/engine_types.h"
#include "framework/command_target.h"

class QTimer;
class QWidget;

class QPrinter;

namespace zentiq {

class AutomationServer;
class BusScannerWindow;
class BusStatisticsWindow;
class CChildFrame;
class CCommunication;
class CMainFrame;
class CMBCommSetup;
class CZentiqDoc;
class ScannerLineHost;
class ConnectionController;
class ConnectionSet;
class ContextHelp;
class DocumentFrames;
class DocumentManager;
class SettingsStore;
class WorkspaceController;

class CZentiqApp : public QObject, public CommandTarget {
    Q_OBJECT
public:
    static constexpr int kStartupCheckMs = 1000;

    // Initialises the engine and the defaults; installs the engine's poster;
    // reads the connection settings.
    explicit CZentiqApp(QObject* parent = nullptr);
    // Closes the main frame and its windows, then ExitInstance().
    ~CZentiqApp() override;

    // The one application object, nullptr when none exists.
    static CZentiqApp* instance();

    // The start-up steps in their order. false: the program must end, with
    // StartupExitCode() (0 after printing from the command line).
    bool InitInstance(const QStringList& arguments);
    // The settings live in a folder of their own (--settings-dir or
    // ZENTIQ_SETTINGS_DIR): a test, a demonstration or a screenshot run,
    // which must not become the program the bus starts for the user.
    void SetPrivateSettings(bool privateSettings) { m_privateSettings = privateSettings; }
    // Started by the bus where no display is: the windows are offscreen,
    // and no other start can be shown here. Said once on stderr.
    void SetWithoutDisplay(bool withoutDisplay) { m_withoutDisplay = withoutDisplay; }
    // A normal start hands itself over to a Zentiq that already runs
    // (InitInstance then fails with exit code 0). Off unless main() allows
    // it, so that a test hosting this object never does.
    void SetMayHandOver(bool mayHandOver) { m_mayHandOver = mayHandOver; }

    // ---- another start, handed over through the bus ------------------------------
    struct Refusal {
        const char* error = nullptr;  // the D-Bus error name; nullptr: taken
        QString text;
    };
    // Whether a start on the settings in `settingsFile` (empty: any) can be
    // taken over here.
    Refusal RefuseTakeOver(const QString& settingsFile) const;
    // Shows and raises the main window and opens `files` (documents and
    // workspaces, absolute paths); without files, a window without poll
    // windows gets a new one, as a start does.
    void TakeOverStart(const QStringList& files);
    // What a start without a display says on stderr.
    static QString WithoutDisplayText();
    // What --screenshot says when the picture cannot be written to `path`.
    static QString ScreenshotFailedText(const QString& path);
    int StartupExitCode() const { return m_startupExitCode; }
    // Opens a document file without showing a window, prints it to printer
    // and closes it again. Pages printed; 0 with *error set on failure.
    int PrintDocumentFile(const QString& path, QPrinter& printer, QString* error);
    // Stops polling and closes the connection (idempotent).
    void ExitInstance();
    // For std::atexit, registered once the application object exists: a
    // process that ends without leaving main (the platform calls exit()
    // when the connection to the display breaks) still closes the data
    // logs, stops the worker and closes the port, before the engine's own
    // state is torn down with a worker thread still running.
    static void EndAtExit();

    CMainFrame* MainFrame() const;
    SettingsStore& Store() const;
    // The connection the connect commands, new windows and the tools act on.
    ConnectionController& Connection() const;
    ConnectionSet& Connections() const { return *m_connections; }
    DocumentManager& DocManager() const { return *m_documents; }
    // nullptr before InitInstance has made the main frame.
    WorkspaceController* Workspaces() const { return m_workspaces.get(); }
    // The automation server (nullptr before InitInstance).
    AutomationServer* Automation() const { return m_automation.get(); }
    // The current connection's traffic monitor while it is open (at most
    // one per connection).
    CCommunication* Monitor() const;
    // The current connection's bus statistics window while it is open.
    BusStatisticsWindow* StatisticsWindow() const;

    bool StartedWithWorkspace() const { return m_startedWithWorkspace; }
    bool StartupCheckPending() const;

    // ---- the document manager's, as most callers want them ---------------------
    // A new poll document (Zentiq1, Zentiq2, ...) in its own window.
    CZentiqDoc* OnFileNew();
    // Open poll documents in the order they were created, the ones that
    // automation clients own included (CMainFrame::ChildFrames() has only
    // the user's).
    QList<CZentiqDoc*> Documents() const;
    QList<CChildFrame*> ChildFrames() const;

    // ---- commands --------------------------------------------------------------
    // The connection controller, the document manager and the workspace
    // controller answer their own commands first.
    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, CommandState& state) override;

    // Every message box of the application and its frames goes through
    // ShowMessage: an error of the user interaction (a warning box with the
    // exclamation icon).
    static void ShowMessage(QWidget* parent, const QString& title, const QString& text);
    // The bus scanner window while it is open.
    BusScannerWindow* BusScanner() const;

private:
    void startupConnectionCheck();
    bool runCommSetup(ConnectionController& connection, ConnectionSettings& settings);
    void loadPortDevices();
    void openBusStatistics();
    // A tool's title names its connection once there are several.
    void nameConnectionIn(QWidget* tool) const;
    // "新建连接..": the settings dialog with a name; the new connection
    // becomes current and opens.
    void newConnection();
    // "删除连接": the current one, unless windows or tools still use it.
    void removeConnection();
    // Why connection `index` cannot go; empty when nothing uses it.
    QString connectionInUse(int index) const;
    // Gives a connection its dialog, message boxes and engine poster.
    void adoptConnection(zentiq::ConnectionController& connection);
    void showAbout();
    void openBusScanner();

    std::unique_ptr<SettingsStore> m_store;
    std::unique_ptr<ConnectionSet> m_connections;
    std::unique_ptr<DocumentManager> m_documents;
    std::unique_ptr<CMainFrame> m_mainFrame;
    std::unique_ptr<DocumentFrames> m_frames;
    std::unique_ptr<WorkspaceController> m_workspaces;
    std::unique_ptr<AutomationServer> m_automation;
    std::unique_ptr<ContextHelp> m_help;
    bool m_startedWithWorkspace = false;
    int m_startupExitCode = 1;
    bool m_exited = false;
    bool m_privateSettings = false;
    bool m_withoutDisplay = false;
    bool m_mayHandOver = false;
    QTimer* m_startupTimer = nullptr;
    // The traffic monitors and statistics windows: one per connection at most.
    QList<QPointer<CCommunication>> m_monitors;
    std::unique_ptr<ScannerLineHost> m_scannerLine;
    QPointer<BusScannerWindow> m_scanner;
    QList<QPointer<BusStatisticsWindow>> m_statistics;
    // The engine starts counting with the application.
    QDateTime m_startedAt = QDateTime::currentDateTime();
};

}  // namespace zentiq
