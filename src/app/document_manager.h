// The poll documents of the program: new ones (Zentiq1, Zentiq2, ...),
// opened files, the recent-file list and the File menu's commands that make
// them. It needs no window: a DocumentWindows, when one is installed, gives
// each document its window; without one the documents stay window-less here.
#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>

#include "framework/command_target.h"

namespace zentiq {

class CZentiqDoc;
class SettingsStore;

// Where documents get their windows (the main frame's child frames).
class DocumentWindows {
public:
    enum class Kind {
        New,     // a new document, shown and made active
        Hidden,  // a new document for an automation client, hidden until it shows it
        Opened,  // read from a file: at its stored place, shown and made active
    };
    virtual ~DocumentWindows() = default;
    // Gives doc a window, which owns it from then on.
    virtual void Adopt(CZentiqDoc* doc, Kind kind) = 0;
    virtual void Activate(CZentiqDoc* doc) = 0;
    // Every document with a window, in the order they were created.
    virtual QList<CZentiqDoc*> Documents() const = 0;
};

class DocumentManager : public QObject, public CommandTarget {
    Q_OBJECT
public:
    static constexpr int kRecentFileCount = 6;

    // The recent-file list lives in `store`'s "Recent File List".
    explicit DocumentManager(SettingsStore& store, QObject* parent = nullptr);
    ~DocumentManager() override;

    // nullptr: documents stay without windows, owned by this object.
    void SetWindows(DocumentWindows* windows) { m_windows = windows; }
    // Opens a .zqw named to OpenByName or chosen from the recent-file list;
    // false when it could not be used.
    using WorkspaceOpener = std::function<bool(const QString& path)>;
    void SetWorkspaceOpener(WorkspaceOpener opener) { m_workspaceOpener = std::move(opener); }
    // Asks for the file of the File Open command, empty when cancelled.
    using OpenFileAsker = std::function<QString()>;
    void SetOpenFileAsker(OpenFileAsker asker) { m_openFileAsker = std::move(asker); }

    // A new poll document, numbered after the ones made before it.
    CZentiqDoc* NewDocument();
    // The same for an automation client: numbered alike, its window hidden
    // until the client shows it.
    CZentiqDoc* NewHiddenDocument();
    // Opens a .zqd file (or activates its window when it is open already);
    // nullptr after a failure, which failed() has told. A workspace name is
    // refused the same way.
    CZentiqDoc* OpenDocumentFile(const QString& path);
    // Opens a file the way the shell, the recent-file list and a drop do: a
    // .zqw as a workspace, anything else as a poll document.
    void OpenByName(const QString& path);
    static bool IsWorkspaceName(const QString& path);

    // Open poll documents in the order they were created, the ones that
    // automation clients own included.
    QList<CZentiqDoc*> Documents() const;
    // Whether an automation client owns an open document: the program
    // stays alive for it even when the main frame has been closed.
    bool HasClientDocuments() const;

    // The filter of the open dialogs.
    static QString FileFilter();

    void LoadRecentFiles();
    QStringList RecentFiles() const { return m_recentFiles; }
    void AddToRecentFileList(const QString& path);

    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, CommandState& state) override;

signals:
    // A file that could not be opened, in words for a message box.
    void failed(const QString& message);

private:
    CZentiqDoc* newDocument(DocumentWindows::Kind kind);
    void adopt(CZentiqDoc* doc, DocumentWindows::Kind kind);
    void storeRecentFiles();
    void openRecentFile(int index);

    SettingsStore& m_store;
    DocumentWindows* m_windows = nullptr;
    QList<QPointer<CZentiqDoc>> m_windowless;
    QStringList m_recentFiles;
    WorkspaceOpener m_workspaceOpener;
    OpenFileAsker m_openFileAsker;
};

}  // namespace zentiq
