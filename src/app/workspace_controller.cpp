#include "app/workspace_controller.h"

#include <QDir>
#include <algorithm>
#include <utility>
#include <QFileInfo>

#include "app/child_frame.h"
#include "app/connection_controller.h"
#include "app/connection_set.h"
#include "app/document_frames.h"
#include "app/document_manager.h"
#include "app/frame_placement.h"
#include "app/main_frame.h"
#include "app/workspace_file.h"
#include "documents/zentiq_doc.h"
#include "framework/file_dialog.h"
#include "framework/user_interaction.h"
#include "resources/menus.h"
#include "resources/strings.h"

namespace zentiq {

// Every connection of the set fits a workspace, under the name it has.
static_assert(ConnectionSet::kMaxConnections <= WorkspaceFile::kMaxConnections);
static_assert(ConnectionSet::kMaxNameChars <= WorkspaceFile::kMaxNameChars);

WorkspaceController::WorkspaceController(CMainFrame& mainFrame, DocumentFrames& frames,
                                         ConnectionSet& connections, DocumentManager& documents,
                                         QObject* parent)
    : QObject(parent),
      m_mainFrame(mainFrame),
      m_frames(frames),
      m_connections(connections),
      m_documents(documents) {}

QString WorkspaceController::AskNameWithDialog(QWidget* parent, const QString& proposedName,
                                               bool save) {
    return FileDialog::Ask(
        parent,
        {save, proposedName, tr("Zentiq 工程 (*.zqw)"), QStringLiteral("zqw"),
         save ? tr("保存工程") : tr("打开工程")});
}

QString WorkspaceController::askName(bool save) {
    QWidget* parent = &m_mainFrame;
    const QString path = m_asker ? m_asker(parent, m_defaultName, save)
                                 : AskNameWithDialog(parent, m_defaultName, save);
    if (!path.isEmpty())
        m_defaultName = QFileInfo(path).completeBaseName();
    return path;
}

QStringList WorkspaceController::TakeStartupConnect() {
    return std::exchange(m_connectAtStartup, QStringList());
}

bool WorkspaceController::SaveWorkspace() {
    QString path = askName(true);
    if (path.isEmpty())
        return false;
    if (!WorkspaceFile::HasWorkspaceExtension(path)) {
        // "site.v2" is meant as a name, as file dialogs take it: the file
        // is "site.v2.zqw", and that one is asked about if it exists.
        path += QStringLiteral(".zqw");
        if (!FileDialog::ConfirmReplace(&m_mainFrame, path))
            return false;
    }
    const QString absolute = QFileInfo(path).absoluteFilePath();
    const QString folder = WorkspaceFile::FolderOf(absolute);

    WorkspaceFile::Contents contents;
    const ConnectionController& first = m_connections.At(0);
    contents.settings = first.Settings();
    contents.connected = first.IsConnected();
    contents.legacyAddress = m_legacyAddress;
    contents.name = m_connections.NameAt(0);
    for (int i = 1; i < m_connections.Count(); ++i) {
        const ConnectionController& more = m_connections.At(i);
        contents.moreConnections.append(
            {m_connections.NameAt(i), more.Settings(), more.IsConnected(), {}});
    }
    contents.mainFrame = m_mainFrame.CurrentPlacement();
    QStringList leftOut;
    for (CChildFrame* frame : m_mainFrame.ChildFrames()) {
        CZentiqDoc* doc = frame->Document();
        if (doc == nullptr)
            continue;
        const WindowPlacement placement = frame->CurrentPlacement();
        // A window never saved is offered for saving; declined, it stays out.
        if (doc->GetPathName().isEmpty())
            doc->SetModifiedFlag(true);
        doc->SaveModified();
        if (doc->GetPathName().isEmpty()) {
            leftOut << doc->GetTitle();
            continue;
        }
        contents.documents.append({placement,
                                   WorkspaceFile::StoredPath(doc->GetPathName(), folder),
                                   std::max(0, m_connections.IndexOfLine(doc->Line()))});
    }
    // A workspace that silently lacks windows the user sees is found out only
    // when it reopens empty: say which stay out while the user can still go back.
    if (!leftOut.isEmpty() && !confirmLeftOut(leftOut))
        return false;
    const WorkspaceFile::Status status = WorkspaceFile::Save(absolute, contents);
    if (status != WorkspaceFile::Status::Ok) {
        emit failed(WorkspaceFile::StatusText(status, absolute));
        return false;
    }
    m_documents.AddToRecentFileList(absolute);
    return true;
}

bool WorkspaceController::confirmLeftOut(const QStringList& titles) {
    const QString text =
        tr("这些窗口没有保存，不会在工程中：\n%1\n\n仍要保存工程吗？选“否”可先保存它们。")
            .arg(titles.join(QStringLiteral("\n")));
    return userInteraction().question(&m_mainFrame, LoadString(ids::AppTitle), text,
                                      QMessageBox::Yes | QMessageBox::No,
                                      QMessageBox::No) == QMessageBox::Yes;
}

bool WorkspaceController::OpenWorkspace(const QString& path, bool fromCommandLine) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    WorkspaceFile::Contents contents;
    const WorkspaceFile::Status status =
        WorkspaceFile::Load(absolute, m_connections.At(0).Settings(), &contents);
    if (status != WorkspaceFile::Status::Ok) {
        QString text = WorkspaceFile::StatusText(status, QDir::toNativeSeparators(path));
        if (status == WorkspaceFile::Status::NotFound) {
            // It may be there and still unusable: say what is wrong with it.
            if (const QString cause = WorkspaceFile::UnreadableCause(absolute); !cause.isEmpty())
                text += QStringLiteral(" (%1)").arg(cause);
        }
        if (!text.isEmpty())
            emit failed(text);
        return false;
    }
    // A placement the frame cannot take stops the load before anything closes.
    if (!frame_placement::NormalRect(contents.mainFrame))
        return false;
    // The user's changed windows are offered for saving; Cancel stops the
    // opening while every window is still there. The clients' documents
    // are neither asked about nor closed.
    if (!m_mainFrame.SaveAllModified())
        return false;
    if (!m_mainFrame.ApplyPlacement(contents.mainFrame))
        return false;
    m_mainFrame.CloseAllDocuments();

    // Every connection closes: the workspace says which are to be open.
    m_connections.DisconnectAll();
    m_legacyAddress = contents.legacyAddress;
    QList<int> setIndex;  // per connection of the workspace; -1: none could take it
    QStringList refusals;
    for (int i = 0; i < contents.ConnectionCount(); ++i) {
        const WorkspaceFile::Connection connection = contents.ConnectionAt(i);
        QString why;
        const int index = takeConnection(connection, i, setIndex, &why);
        setIndex << index;
        if (index < 0) {
            refusals << tr("工程中的连接“%1”无法建立：%2。它的窗口没有打开。").arg(connection.name, why);
            continue;
        }
        ConnectionController& controller = m_connections.At(index);
        controller.SetSettings(connection.settings);
        if (!connection.connected)
            continue;
        if (fromCommandLine)
            m_connectAtStartup << m_connections.NameAt(index);  // the start-up check connects
        else
            controller.Connect(false);
    }
    if (!refusals.isEmpty())
        emit failed(refusals.join(QLatin1Char('\n')));

    const QString folder = WorkspaceFile::FolderOf(absolute);
    int notRestored = contents.cutEntries;
    for (const WorkspaceFile::Document& entry : contents.documents) {
        const int index = setIndex.value(entry.connection, -1);
        if (index < 0) {
            continue;  // its connection has been reported
        }
        // A new window polls on the current connection.
        m_connections.SetCurrent(index);
        const QString documentPath = WorkspaceFile::PathToOpen(entry.storedPath, folder);
        CZentiqDoc* doc = m_documents.OpenDocumentFile(documentPath);
        if (doc == nullptr) {
            ++notRestored;
            continue;  // its message has been shown; the others still open
        }
        if (CChildFrame* frame = m_frames.FrameOf(doc))
            frame->ApplyPlacement(entry.placement);
    }
    m_connections.SetCurrent(0);
    if (contents.cutEntries > 0)
        emit failed(WorkspaceFile::CutShortText(notRestored));
    else if (contents.documents.isEmpty())
        userInteraction().notify(&m_mainFrame, LoadString(ids::AppTitle),
                                 tr("工程 %1 中没有窗口：保存它时没有已保存的轮询窗口。")
                                     .arg(QFileInfo(absolute).fileName()));
    m_documents.AddToRecentFileList(absolute);
    m_mainFrame.UpdateIdle();
    return true;
}

int WorkspaceController::takeConnection(const WorkspaceFile::Connection& connection, int index,
                                        const QList<int>& taken, QString* why) {
    if (index == 0) {
        // The first connection stays the first; it takes the workspace's
        // name unless another connection has that name.
        if (!connection.name.isEmpty() && connection.name != m_connections.NameAt(0) &&
            m_connections.NameRefusal(connection.name, 0).isEmpty())
            m_connections.Rename(0, connection.name);
        return 0;
    }
    const int named = m_connections.IndexOf(connection.name);
    if (named >= 0 && !taken.contains(named))
        return named;
    // Its name went to the first connection: it gets one of its own.
    const QString name = named >= 0 ? m_connections.ProposedName() : connection.name;
    return m_connections.Add(name, connection.settings, why, false);
}

bool WorkspaceController::OnCommand(int id) {
    switch (id) {
    case cmd::SaveWorkspace: SaveWorkspace(); return true;
    case cmd::OpenWorkspace:
        if (const QString path = askName(false); !path.isEmpty())
            OpenWorkspace(path, false);
        return true;
    default: return false;
    }
}

bool WorkspaceController::OnUpdateCommand(int id, CommandState&) {
    return id == cmd::SaveWorkspace || id == cmd::OpenWorkspace;
}

}  // namespace zentiq
