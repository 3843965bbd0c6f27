#include "app/document_manager.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

#include "app/workspace_file.h"
#include "documents/zentiq_doc.h"
#include "framework/settings_store.h"
#include "resources/menus.h"

namespace zentiq {
namespace {

const QString kRecentSection = QStringLiteral("Recent File List");

}  // namespace

DocumentManager::DocumentManager(SettingsStore& store, QObject* parent)
    : QObject(parent), m_store(store) {}

DocumentManager::~DocumentManager() {
    for (const QPointer<CZentiqDoc>& doc : m_windowless)
        delete doc.data();
}

bool DocumentManager::IsWorkspaceName(const QString& path) {
    // By the suffix alone: "/data/plant.zqw-old/pump.zqd" is a poll document.
    return WorkspaceFile::HasWorkspaceExtension(path);
}

QString DocumentManager::FileFilter() { return CZentiqDoc::FileFilter(); }

QList<CZentiqDoc*> DocumentManager::Documents() const {
    QList<CZentiqDoc*> docs = m_windows != nullptr ? m_windows->Documents() : QList<CZentiqDoc*>();
    for (const QPointer<CZentiqDoc>& doc : m_windowless)
        if (doc)
            docs << doc.data();
    return docs;
}

bool DocumentManager::HasClientDocuments() const {
    const QList<CZentiqDoc*> docs = Documents();
    return std::any_of(docs.begin(), docs.end(),
                       [](const CZentiqDoc* d) { return d->OwnedByClient(); });
}

void DocumentManager::adopt(CZentiqDoc* doc, DocumentWindows::Kind kind) {
    connect(doc, &CZentiqDoc::titleChanged, this, [this, doc] {
        // A save under a new name puts it on the recent-file list.
        const QString path = doc->GetPathName();
        if (!path.isEmpty() && (m_recentFiles.isEmpty() || m_recentFiles.first() != path))
            AddToRecentFileList(path);
    });
    if (m_windows != nullptr) {
        m_windows->Adopt(doc, kind);
        return;
    }
    m_windowless.removeAll(nullptr);
    m_windowless << doc;
}

CZentiqDoc* DocumentManager::NewDocument() { return newDocument(DocumentWindows::Kind::New); }

CZentiqDoc* DocumentManager::NewHiddenDocument() {
    return newDocument(DocumentWindows::Kind::Hidden);
}

CZentiqDoc* DocumentManager::newDocument(DocumentWindows::Kind kind) {
    auto* doc = new CZentiqDoc;
    // The document's own numbering: one counter for every untitled document.
    doc->OnNewDocument();
    // Before its window joins the others, so that no menu ever counts it.
    doc->SetOwnedByClient(kind == DocumentWindows::Kind::Hidden);
    adopt(doc, kind);
    return doc;
}

CZentiqDoc* DocumentManager::OpenDocumentFile(const QString& path) {
    if (path.isEmpty())
        return nullptr;
    if (IsWorkspaceName(path)) {
        // Only OpenByName opens workspaces: a workspace listed inside a
        // workspace must not open itself again and again.
        emit failed(QStringLiteral("%1 is a workspace file, not a poll document.")
                        .arg(QDir::toNativeSeparators(path)));
        return nullptr;
    }
    const QFileInfo info(path);
    const QString absolute = info.absoluteFilePath();
    for (CZentiqDoc* doc : Documents()) {
        if (!doc->OwnedByClient() && !doc->GetPathName().isEmpty() &&
            QFileInfo(doc->GetPathName()) == info) {
            if (m_windows != nullptr)
                m_windows->Activate(doc);
            return doc;
        }
    }
    auto* doc = new CZentiqDoc;
    QString error;
    if (!doc->OnOpenDocument(absolute, &error)) {
        delete doc;
        if (error.isEmpty())
            error =
                QStringLiteral("%1 could not be opened.").arg(QDir::toNativeSeparators(absolute));
        emit failed(error);
        return nullptr;
    }
    // The document names itself: a file it cannot read leaves it unbound.
    doc->SetModifiedFlag(false);
    AddToRecentFileList(absolute);
    adopt(doc, DocumentWindows::Kind::Opened);
    return doc;
}

void DocumentManager::OpenByName(const QString& path) {
    if (IsWorkspaceName(path)) {
        if (m_workspaceOpener)
            m_workspaceOpener(path);
        return;
    }
    OpenDocumentFile(path);
}

// ---- recent files -----------------------------------------------------------------------------

void DocumentManager::LoadRecentFiles() {
    m_recentFiles.clear();
    for (int i = 1; i <= kRecentFileCount; ++i) {
        const QString path =
            m_store.GetString(kRecentSection, QStringLiteral("File%1").arg(i), QString());
        if (!path.isEmpty() && !m_recentFiles.contains(path))
            m_recentFiles << path;
    }
}

void DocumentManager::storeRecentFiles() {
    for (int i = 0; i < kRecentFileCount; ++i)
        m_store.SetString(kRecentSection, QStringLiteral("File%1").arg(i + 1),
                          i < m_recentFiles.size() ? m_recentFiles[i] : QString());
    m_store.Sync();
}

void DocumentManager::AddToRecentFileList(const QString& path) {
    if (path.isEmpty())
        return;
    const QString absolute = QFileInfo(path).absoluteFilePath();
    m_recentFiles.removeAll(absolute);
    m_recentFiles.prepend(absolute);
    while (m_recentFiles.size() > kRecentFileCount)
        m_recentFiles.removeLast();
    storeRecentFiles();
}

void DocumentManager::openRecentFile(int index) {
    if (index >= m_recentFiles.size())
        return;
    const QString path = m_recentFiles[index];
    const bool opened = IsWorkspaceName(path) ? (m_workspaceOpener && m_workspaceOpener(path))
                                              : OpenDocumentFile(path) != nullptr;
    if (!opened && !QFileInfo::exists(path)) {
        m_recentFiles.removeAll(path);
        storeRecentFiles();
    }
}

// ---- commands ---------------------------------------------------------------------------------

bool DocumentManager::OnCommand(int id) {
    switch (id) {
    case cmd::FileNew: NewDocument(); return true;
    case cmd::FileOpen:
        if (m_openFileAsker) {
            if (const QString path = m_openFileAsker(); !path.isEmpty())
                OpenDocumentFile(path);
        }
        return true;
    default: break;
    }
    if (id >= cmd::RecentFileFirst && id <= cmd::RecentFileLast) {
        openRecentFile(id - cmd::RecentFileFirst);
        return true;
    }
    return false;
}

bool DocumentManager::OnUpdateCommand(int id, CommandState& state) {
    switch (id) {
    case cmd::FileNew:
    case cmd::FileOpen: return true;
    default: break;
    }
    if (id >= cmd::RecentFileFirst && id <= cmd::RecentFileLast) {
        state.enabled = id - cmd::RecentFileFirst < m_recentFiles.size();
        return true;
    }
    return false;
}

}  // namespace zentiq
