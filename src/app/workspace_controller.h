// Workspaces: saving the connection, the main frame's place and the poll
// windows to a .zqw file, and opening one again.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>

#include "framework/command_target.h"

class QWidget;

namespace zentiq {

class CMainFrame;
class ConnectionController;
class DocumentFrames;
class DocumentManager;

class WorkspaceController : public QObject, public CommandTarget {
    Q_OBJECT
public:
    WorkspaceController(CMainFrame& mainFrame, DocumentFrames& frames,
                        ConnectionController& connection, DocumentManager& documents,
                        QObject* parent = nullptr);

    // Asks for a workspace file name: the chosen path, empty when cancelled.
    // Without one, the file dialog asks.
    using NameAsker =
        std::function<QString(QWidget* parent, const QString& proposedName, bool save)>;
    void SetNameAsker(NameAsker asker) { m_asker = std::move(asker); }
    static QString AskNameWithDialog(QWidget* parent, const QString& proposedName, bool save);

    // cmd::SaveWorkspace: asks for a .zqw name, offers every poll window for
    // saving and writes the connection, the main frame's place and each
    // saved window's document and place. false when nothing was written.
    bool SaveWorkspace();
    // Closes every window, applies the workspace's settings (not written to
    // the settings store), connects when it was saved connected (from the
    // command line the start-up check does that) and reopens its documents
    // where they were. false when the file could not be used; the windows
    // are then left as they were unless the failure came after they closed.
    bool OpenWorkspace(const QString& path, bool fromCommandLine);
    // Whether a workspace from the command line was saved connected; asking
    // clears it, since the start-up check connects once.
    bool TakeStartupConnect();
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

    CMainFrame& m_mainFrame;
    DocumentFrames& m_frames;
    ConnectionController& m_connection;
    DocumentManager& m_documents;
    NameAsker m_asker;
    QString m_defaultName = tr("工程");
    bool m_connectAtStartup = false;
    // The old 8-bit address field of the settings block, written back as read.
    std::array<std::uint8_t, 16> m_legacyAddress{};
};

}  // namespace zentiq
