// Workspaces: saving the connections, the main frame's place and the poll
// windows (each with the connection it polls on) to a .zqw file, and
// opening one again.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>

#include "app/workspace_file.h"
#include "framework/command_target.h"

class QWidget;

namespace zentiq {

class CMainFrame;
class ConnectionSet;
class DocumentFrames;
class DocumentManager;

class WorkspaceController : public QObject, public CommandTarget {
    Q_OBJECT
public:
    WorkspaceController(CMainFrame& mainFrame, DocumentFrames& frames,
                        ConnectionSet& connections, DocumentManager& documents,
                        QObject* parent = nullptr);

    // Asks for a workspace file name: the chosen path, empty when cancelled.
    // Without one, the file dialog asks.
    using NameAsker =
        std::function<QString(QWidget* parent, const QString& proposedName, bool save)>;
    void SetNameAsker(NameAsker asker) { m_asker = std::move(asker); }
    static QString AskNameWithDialog(QWidget* parent, const QString& proposedName, bool save);

    // cmd::SaveWorkspace: asks for a .zqw name, offers every poll window for
    // saving and writes the connections (the first alone as it always was),
    // the main frame's place and each saved window's document, place and
    // connection. false when nothing was written.
    bool SaveWorkspace();
    // Closes every window and every connection, applies the workspace's
    // settings (not written to the settings store): its first connection's
    // to the first connection, each further one's to the connection of its
    // name or to one added for this run. Connects those saved connected
    // (from the command line the start-up check does that) and reopens the
    // documents where they were, each on its connection; the first is then
    // the current one. false when the file could not be used; the windows
    // are then left as they were unless the failure came after they closed.
    bool OpenWorkspace(const QString& path, bool fromCommandLine);
    // The names of the connections a workspace from the command line saved
    // connected; asking clears them, since the start-up check connects once.
    QStringList TakeStartupConnect();
    // Proposed by both workspace dialogs: "resume", then the title of the
    // last workspace file chosen.
    QString DefaultWorkspaceName() const { return m_defaultName; }

    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, CommandState& state) override;

signals:
    // A workspace that could not be used or written, in words for a message box.
    void failed(const QString& message);

private:
    QString askName(bool save);
    // Whether to save the workspace without the unsaved windows `titles`.
    bool confirmLeftOut(const QStringList& titles);
    // The index in the set that takes the workspace's connection `index`,
    // given those already taken; -1 with the reason in *why when none can.
    int takeConnection(const WorkspaceFile::Connection& connection, int index,
                       const QList<int>& taken, QString* why);

    CMainFrame& m_mainFrame;
    DocumentFrames& m_frames;
    ConnectionSet& m_connections;
    DocumentManager& m_documents;
    NameAsker m_asker;
    QString m_defaultName = tr("工程");
    QStringList m_connectAtStartup;
    // The old 8-bit address field of the settings block, written back as read.
    std::array<std::uint8_t, 16> m_legacyAddress{};
};

}  // namespace zentiq
