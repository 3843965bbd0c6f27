// The application object: start-up and shutdown, the one connection's
// settings and the connection commands, the poll documents and the recent
// file list. It works beside the process's QApplication (main.cpp creates
// both), so that tests can run it in process.
#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "framework/command_target.h"
#include "framework/language.h"
#include "engine/engine_types.h"

class QTimer;
class QWidget;

class QPrinter;

namespace zentiq {

class AutomationServer;
class CChildFrame;
class CCommunication;
class CMainFrame;
class CMBCommSetup;
class CZentiqDoc;
class SettingsStore;

class CZentiqApp : public QObject, public CommandTarget {
    Q_OBJECT
public:
    static constexpr int kRecentFileCount = 6;
    static constexpr int kStartupCheckMs = 1000;

    // What the command line asked for.
    struct CommandLine {
        bool automation = false;  // started by an automation client: no window, no document
        QString fileName;         // a .zqd or .zqw path, empty for none
        QString printFile;        // --print FILE (or /p FILE): print it and end
        std::optional<Language> language;  // --lang en|zh: this run only, the stored choice stays
        QString error;            // a switch that lacks its value: say so and end
        QStringList ignored;      // switches this program does not know
    };
    // Arguments without the program name. The settings, screenshot and
    // automation options of main.cpp are understood (and skipped) here too.
    static CommandLine ParseCommandLine(const QStringList& arguments);

    // Initialises the engine and the defaults; installs the engine's poster.
    explicit CZentiqApp(QObject* parent = nullptr);
    // Closes the main frame and its windows, then ExitInstance().
    ~CZentiqApp() override;

    // The one application object, nullptr when none exists.
    static CZentiqApp* instance();

    // The start-up steps in their order. false: the program must end, with
    // StartupExitCode() (0 after printing from the command line).
    bool InitInstance(const QStringList& arguments);
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

    // ---- connection ------------------------------------------------------------
    const ConnectionSettings& Settings() const { return m_settings; }
    void SetSettings(const ConnectionSettings& settings) { m_settings = settings; }
    bool IsConnected() const { return m_connected; }
    bool AutoEnable() const { return m_autoEnable; }
    bool StartedWithWorkspace() const { return m_startedWithWorkspace; }
    bool StartupCheckPending() const;

    // Opens the connection with the settings dialog or with the current
    // settings; true when it is open.
    bool Connect(bool withDialog);
    // Stops the worker, then closes whatever is open.
    void Disconnect();

    // Text of the status bar's connection pane.
    QString ConnectionPaneText() const;
    static QString ConnectionPaneText(const ConnectionSettings& settings);

    // Section "CommSetup" with the conversion of a missing "Serial". A value
    // outside the range its dialog accepts reads as the key's default.
    static ConnectionSettings ReadCommSetup(const SettingsStore& store, bool* autoEnable);
    // The seventeen keys, in the order in which they are stored; after them
    // "TcpFraming" once RTU over TCP has been chosen.
    static void WriteCommSetup(SettingsStore& store, const ConnectionSettings& settings);
    static const QStringList& CommSetupKeys();

    // The message for a failed open of the connection, empty when the
    // result has none, followed by its cause in words. For a serial port
    // refused by permissions it also says how to get access. `error` is the
    // errno of the failure; without it the engine's last one is taken.
    static QString ConnectFailureMessage(const ConnectionSettings& settings, int result);
    static QString ConnectFailureMessage(const ConnectionSettings& settings, int result, int error);
    // The cause of a serial port that is not available, from the errno of
    // the open: in use, not a serial device, not permitted, or the error's
    // own description; empty for 0.
    static QString SerialOpenCause(int error);
    // How to get access to a serial device that could not be opened with
    // errno `error` (EACCES/EPERM); empty for other errors.
    static QString SerialPermissionHint(const QString& devicePath, int error);

    // ---- documents -------------------------------------------------------------
    // A new poll document (Zentiq1, Zentiq2, ...) in its own window.
    CZentiqDoc* OnFileNew();
    // A new poll document for an automation client: numbered and registered
    // with the engine like File New, its window hidden until the client
    // shows it.
    CZentiqDoc* NewHiddenDocument();
    // The automation server (nullptr before InitInstance).
    AutomationServer* Automation() const { return m_automation.get(); }
    // Opens a .zqd file (or activates its window when it is open already);
    // nullptr after a failure, which has been shown. A workspace name is
    // refused with a message.
    CZentiqDoc* OpenDocumentFile(const QString& path);
    // Open poll documents in the order they were created, the ones that
    // automation clients own included (CMainFrame::ChildFrames() has only
    // the user's).
    QList<CZentiqDoc*> Documents() const;
    QList<CChildFrame*> ChildFrames() const;
    // Whether an automation client owns an open document: the program
    // stays alive for it even when the main frame has been closed.
    bool HasClientDocuments() const;

    // The traffic monitor while it is open (at most one at a time).
    CCommunication* Monitor() const;

    QStringList RecentFiles() const { return m_recentFiles; }
    void AddToRecentFileList(const QString& path);
    static bool IsWorkspaceName(const QString& path);
    // Opens a file the way the shell, the recent-file list and a drop do: a
    // .zqw as a workspace, anything else as a poll document.
    void OpenByName(const QString& path);

    // ---- workspaces ------------------------------------------------------------
    // Command 32858: asks for a .zqw name, offers every poll window for
    // saving and writes the connection, the main frame's place and each
    // saved window's document and place. false when nothing was written.
    bool SaveWorkspace();
    // Closes every window, applies the workspace's settings (not written to
    // the settings store), connects when it was saved connected (from the
    // command line the start-up check does that) and reopens its documents
    // where they were. false when the file could not be used; the windows
    // are then left as they were unless the failure came after they closed.
    bool OpenWorkspace(const QString& path, bool fromCommandLine);
    // Proposed by both workspace dialogs: "resume", then the title of the
    // last workspace file chosen.
    QString DefaultWorkspaceName() const { return m_defaultWorkspaceName; }

    // ---- commands --------------------------------------------------------------
    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, CommandState& state) override;

    // Every message box of the application and its frames goes through
    // ShowMessage: an error of the user interaction (a warning box with the
    // exclamation icon).
    static void ShowMessage(QWidget* parent, const QString& title, const QString& text);

signals:
    void connectionChanged(bool connected);
    void documentsChanged();

private:
    void startupConnectionCheck();
    CChildFrame* createFrame(CZentiqDoc* doc);
    CZentiqDoc* newDocument(bool show);
    void loadRecentFiles();
    void storeRecentFiles();
    QString askWorkspaceName(bool save);
    void showAbout();

    std::unique_ptr<SettingsStore> m_store;
    std::unique_ptr<CMainFrame> m_mainFrame;
    std::unique_ptr<AutomationServer> m_automation;
    ConnectionSettings m_settings;
    bool m_connected = false;
    bool m_autoEnable = false;
    bool m_startedWithWorkspace = false;
    bool m_connectAtStartup = false;
    int m_startupExitCode = 1;
    bool m_exited = false;
    int m_untitledCount = 0;
    QStringList m_recentFiles;
    QTimer* m_startupTimer = nullptr;
    QPointer<CCommunication> m_monitor;
    QString m_defaultWorkspaceName = QStringLiteral("resume");
    // The old 8-bit address field of the settings block, written back as read.
    std::array<std::uint8_t, 16> m_legacyAddress{};
};

}  // namespace zentiq
