// The document manager without any window: numbering, opening, the
// workspace refusal and the one filter.
#include "app/document_manager.h"

#include <QFile>
#include <QFileInfo>
#include <memory>

#include "app/app_test_support.h"
#include "documents/zentiq_doc.h"
#include "framework/settings_store.h"
#include "resources/menus.h"
#include "support/peer_process.h"

namespace zentiq {
namespace {

using test::AppTestBase;

class DocumentManagerTest : public AppTestBase {
protected:
    DocumentManagerTest() {
        QObject::connect(&manager, &DocumentManager::failed, [this](const QString& text) { failures << text; });
    }
    static int numberOf(const CZentiqDoc* doc) {
        const QString title = doc->GetTitle();
        EXPECT_TRUE(title.startsWith("Zentiq")) << title.toStdString();
        return title.mid(6).toInt();
    }
    QString copyOfSample(const QString& name) {
        const QString path = dirPath() + "/" + name;
        EXPECT_TRUE(QFile::copy(QString::fromStdString(test::PeerProcess::SourceDir()) +
                                    "/fuzz/corpus/zqd_load/v4201.zqd",
                                path));
        return path;
    }

    SettingsStore settings{dirPath() + "/documents.ini"};
    DocumentManager manager{settings};
    QStringList failures;
};

TEST_F(DocumentManagerTest, UntitledDocumentsShareOneCounterWhoeverMakesThem) {
    CZentiqDoc* first = manager.NewDocument();
    const int n = numberOf(first);
    EXPECT_GT(n, 0);
    // A client's hidden document, a failed open and a document made outside
    // the manager do not give a number twice.
    CZentiqDoc* hidden = manager.NewHiddenDocument();
    EXPECT_EQ(numberOf(hidden), n + 1);
    EXPECT_TRUE(hidden->OwnedByClient());
    EXPECT_EQ(manager.OpenDocumentFile(dirPath() + "/missing.zqd"), nullptr);
    CZentiqDoc outside;
    outside.OnNewDocument();
    EXPECT_EQ(numberOf(&outside), n + 2);
    EXPECT_TRUE(manager.OnCommand(cmd::FileNew));
    ASSERT_EQ(manager.Documents().size(), 3);
    EXPECT_EQ(numberOf(manager.Documents().last()), n + 3);
    EXPECT_TRUE(manager.HasClientDocuments());

    // A closed document leaves the list; the numbers go on.
    delete manager.Documents().first();
    EXPECT_EQ(manager.Documents().size(), 2);
    EXPECT_EQ(numberOf(manager.NewDocument()), n + 4);
}

TEST_F(DocumentManagerTest, OpensEachFileOnceAndRefusesWorkspaces) {
    const QString path = copyOfSample("pump.zqd");
    CZentiqDoc* doc = manager.OpenDocumentFile(path);
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->GetTitle(), "pump.zqd");
    EXPECT_FALSE(doc->IsModified());
    EXPECT_EQ(manager.OpenDocumentFile(path), doc) << "the open document, not a second one";
    EXPECT_EQ(manager.Documents().size(), 1);
    EXPECT_EQ(manager.RecentFiles(), QStringList{QFileInfo(path).absoluteFilePath()});
    EXPECT_TRUE(failures.isEmpty());

    QString openedAsWorkspace;
    manager.SetWorkspaceOpener([&openedAsWorkspace](const QString& p) {
        openedAsWorkspace = p;
        return true;
    });
    EXPECT_EQ(manager.OpenDocumentFile(dirPath() + "/site.zqw"), nullptr);
    ASSERT_EQ(failures.size(), 1);
    EXPECT_TRUE(failures[0].contains("workspace")) << failures[0].toStdString();
    EXPECT_TRUE(openedAsWorkspace.isEmpty()) << "only OpenByName opens workspaces";
    manager.OpenByName(dirPath() + "/site.zqw");
    EXPECT_EQ(openedAsWorkspace, dirPath() + "/site.zqw");
}

TEST_F(DocumentManagerTest, FileOpenAsksWithTheDocumentsFilter) {
    EXPECT_EQ(DocumentManager::FileFilter(), CZentiqDoc::FileFilter());
    EXPECT_EQ(DocumentManager::FileFilter(), "Zentiq 文件 (*.zqd)");
    const QString path = copyOfSample("asked.zqd");
    int asked = 0;
    manager.SetOpenFileAsker([&] {
        ++asked;
        return asked == 1 ? path : QString();
    });
    EXPECT_TRUE(manager.OnCommand(cmd::FileOpen));
    EXPECT_TRUE(manager.OnCommand(cmd::FileOpen)) << "cancelled: nothing opens";
    EXPECT_EQ(asked, 2);
    ASSERT_EQ(manager.Documents().size(), 1);
    EXPECT_EQ(manager.Documents()[0]->GetPathName(), QFileInfo(path).absoluteFilePath());
}

}  // namespace
}  // namespace zentiq
