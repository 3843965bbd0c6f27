// Saving and opening workspaces through the application, with real poll
// windows on a real slave.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

#include "app/app_test_support.h"
#include "app/child_frame.h"
#include "app/main_frame.h"
#include "app/workspace_file.h"
#include "app/zentiq_app.h"
#include "framework/file_dialog.h"
#include "documents/poll_document_model.h"
#include "documents/zentiq_doc.h"
#include "resources/menus.h"
#include "support/peer_data.h"
#include "support/peer_process.h"
#include "support/row_type_samples.h"

namespace zentiq {
namespace {

using test::AppTestBase;
using test::PeerProcess;

constexpr int kWaitMs = 5000;

// How the documents' save questions and file dialogs are answered.
struct DocumentAnswers {
    QMessageBox::StandardButton answer = QMessageBox::Yes;
    QStringList savePaths;
};

class WorkspaceCommandsTest : public AppTestBase {
protected:
    void SetUp() override {
        app = std::make_unique<CZentiqApp>();
        ASSERT_TRUE(app->InitInstance({}));
        recorder.answerQuestion = [this](const QString&) { return answers.answer; };
        recorder.answerFile = [this](const FileRequest& r) {
            if (r.defaultSuffix == QLatin1String("zqw")) {
                proposals << r.proposedName;
                saves << r.save;
                return chosen;
            }
            return answers.savePaths.isEmpty() ? QString() : answers.savePaths.takeFirst();
        };
    }
    void TearDown() override { app.reset(); }

    // A poll window on holding or input registers, saved to `path`.
    CZentiqDoc* savedWindow(const QString& path, int functionIndex, int address, int length, QRect where) {
        CZentiqDoc* doc = app->OnFileNew();
        DefinitionDialogValues v;
        v.functionIndex = functionIndex;
        v.shownAddress = address;
        v.length = length;
        v.scanRate = 50;
        doc->ApplyDefinition(v);
        EXPECT_TRUE(doc->DoSave(path, true));
        frameOf(doc)->setGeometry(where);
        return doc;
    }
    CChildFrame* frameOf(CZentiqDoc* doc) {
        for (CChildFrame* f : app->ChildFrames())
            if (f->Document() == doc)
                return f;
        return nullptr;
    }
    void connectTo(int port) {
        ConnectionSettings s = app->Connection().Settings();
        s.Serial = 1;
        s.IPAddress = "127.0.0.1";
        s.ServicePort = port;
        app->Connection().SetSettings(s);
        ASSERT_TRUE(test::ConnectNow(*app, false));
    }
    QString firstMessage() const { return recorder.messages.empty() ? QString() : recorder.messages[0].text; }
    WorkspaceFile::Contents load(const QString& path) {
        WorkspaceFile::Contents c;
        EXPECT_EQ(WorkspaceFile::Load(path, ConnectionSettings{}, &c), WorkspaceFile::Status::Ok);
        return c;
    }

    std::unique_ptr<CZentiqApp> app;
    DocumentAnswers answers;
    QString chosen;
    QStringList proposals;
    QList<bool> saves;
};

TEST_F(WorkspaceCommandsTest, SavedConnectedComesBackWholeAlsoAfterTheFolderMoved) {
    std::string error;
    auto peer = PeerProcess::PyModbus(PeerProcess::Mode::Tcp, "", error, 1);
    ASSERT_TRUE(peer) << error;
    connectTo(peer->Port());
    app->MainFrame()->CloseAllDocuments();

    const QString site = dirPath() + "/site";
    ASSERT_TRUE(QDir().mkpath(site + "/polls"));
    savedWindow(site + "/polls/holding.zqd", 2, 10, 5, QRect(10, 20, 400, 250));
    savedWindow(site + "/inputs.zqd", 3, 30, 4, QRect(200, 120, 380, 260));

    chosen = site + "/plant.zqw";
    ASSERT_TRUE(app->MainFrame()->ExecuteCommand(cmd::SaveWorkspace));
    EXPECT_EQ(proposals.value(0), "工程");
    EXPECT_EQ(app->Workspaces()->DefaultWorkspaceName(), "plant");
    const WorkspaceFile::Contents saved = load(chosen);
    EXPECT_TRUE(saved.connected);
    ASSERT_EQ(saved.documents.size(), 2);
    EXPECT_EQ(saved.documents[0].storedPath, "polls/holding.zqd") << "relative below the workspace's folder";
    EXPECT_EQ(saved.documents[1].storedPath, "inputs.zqd");
    EXPECT_EQ(app->DocManager().RecentFiles().value(0), chosen);

    // Everything closed and disconnected; the whole folder moves elsewhere.
    app->MainFrame()->CloseAllDocuments();
    app->Connection().Disconnect();
    const QString moved = dirPath() + "/moved";
    ASSERT_TRUE(QDir().rename(site, moved));

    chosen = moved + "/plant.zqw";
    ASSERT_TRUE(app->MainFrame()->ExecuteCommand(cmd::OpenWorkspace));
    EXPECT_EQ(proposals.value(1), "plant");
    EXPECT_TRUE(test::WaitForConnectEnd(app->Connection())) << "saved connected: connected again without a dialog";
    ASSERT_EQ(app->Documents().size(), 2) << (recorder.messages.empty() ? "" : recorder.messages[0].text.toStdString());
    CZentiqDoc* holding = app->Documents()[0];
    CZentiqDoc* inputs = app->Documents()[1];
    EXPECT_EQ(holding->GetPathName(), moved + "/polls/holding.zqd");
    EXPECT_EQ(frameOf(holding)->CurrentPlacement(), saved.documents[0].placement);
    EXPECT_EQ(frameOf(inputs)->CurrentPlacement(), saved.documents[1].placement);
    // Both poll their own definitions.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return holding->Model().txCount >= 1 && inputs->Model().txCount >= 1; }, kWaitMs));
    ASSERT_TRUE(QTest::qWaitFor([&] { return holding->Model().lastStatus == 0 && holding->Model().okCount >= 1; },
                                kWaitMs));
    std::uint16_t word = 0;
    std::memcpy(&word, holding->Model().values.data(), 2);
    EXPECT_EQ(word, zq_peer_holding(10));
    ASSERT_TRUE(QTest::qWaitFor([&] { return inputs->Model().okCount >= 1; }, kWaitMs));
    std::memcpy(&word, inputs->Model().values.data() + 6, 2);
    EXPECT_EQ(word, zq_peer_input(33));
    EXPECT_TRUE(recorder.messages.empty());

    // Saved while disconnected, it stays disconnected.
    app->Connection().Disconnect();
    chosen = moved + "/offline.zqw";
    ASSERT_TRUE(app->Workspaces()->SaveWorkspace());
    EXPECT_FALSE(load(chosen).connected);
    connectTo(peer->Port());
    ASSERT_TRUE(app->Workspaces()->OpenWorkspace(chosen, false));
    EXPECT_FALSE(app->Connection().IsConnected());
    EXPECT_EQ(app->Documents().size(), 2);

    // From the command line the start-up check makes the connection.
    app.reset();
    app = std::make_unique<CZentiqApp>();
    ASSERT_TRUE(app->InitInstance({moved + "/plant.zqw"}));
    EXPECT_FALSE(app->Connection().IsConnected()) << "not before the start-up check";
    EXPECT_EQ(app->Documents().size(), 2);
    EXPECT_TRUE(QTest::qWaitFor([&] { return app->Connection().IsConnected(); }, kWaitMs));
}

// Row types live in the documents: a workspace saved with typed windows is
// the same file as without, and reopened its windows have their types.
TEST_F(WorkspaceCommandsTest, RowTypesComeBackWithTheWorkspacesDocuments) {
    app->MainFrame()->CloseAllDocuments();
    CZentiqDoc* typed = savedWindow(dirPath() + "/typed.zqd", 2, 10, 10, QRect(10, 20, 400, 250));
    savedWindow(dirPath() + "/plain.zqd", 3, 30, 4, QRect(200, 120, 380, 260));
    chosen = dirPath() + "/before.zqw";
    ASSERT_TRUE(app->Workspaces()->SaveWorkspace());

    const RowTypes types = test::Spaced(test::EveryRowType(), 10);
    ASSERT_TRUE(typed->ReplaceRowTypes(types));
    answers.answer = QMessageBox::Yes;  // the changed window is saved when asked
    chosen = dirPath() + "/after.zqw";
    ASSERT_TRUE(app->Workspaces()->SaveWorkspace());
    const auto bytesOf = [](const QString& path) {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
        return f.readAll();
    };
    EXPECT_EQ(bytesOf(dirPath() + "/after.zqw"), bytesOf(dirPath() + "/before.zqw"));
    EXPECT_EQ(bytesOf(dirPath() + "/plain.zqd").left(4), QByteArray::fromHex("69100000"));  // 4201

    app->MainFrame()->CloseAllDocuments();
    ASSERT_TRUE(app->Workspaces()->OpenWorkspace(chosen, false));
    ASSERT_EQ(app->Documents().size(), 2);
    EXPECT_EQ(app->Documents()[0]->Model().rowTypes, types);
    EXPECT_FALSE(app->Documents()[0]->IsModified());
    EXPECT_TRUE(app->Documents()[1]->Model().rowTypes.empty());
}

TEST_F(WorkspaceCommandsTest, ANeverSavedWindowIsOfferedAndLeftOutWhenDeclined) {
    app->MainFrame()->CloseAllDocuments();
    savedWindow(dirPath() + "/kept.zqd", 2, 0, 3, QRect(0, 0, 300, 200));
    const QString first = app->OnFileNew()->GetTitle();   // never saved
    const QString second = app->OnFileNew()->GetTitle();  // never saved, saved when asked
    answers.answer = QMessageBox::No;
    // The windows declined are named before anything is written; No goes back.
    QMessageBox::StandardButton leaveOut = QMessageBox::No;
    QStringList leftOutQuestions;
    recorder.answerQuestion = [&](const QString& text) {
        if (!text.contains(QStringLiteral("不会在工程中")))
            return answers.answer;
        leftOutQuestions << text;
        return leaveOut;
    };
    chosen = dirPath() + "/declined.zqw";
    EXPECT_FALSE(app->Workspaces()->SaveWorkspace());
    EXPECT_FALSE(QFile::exists(chosen));
    ASSERT_EQ(leftOutQuestions.size(), 1);
    EXPECT_TRUE(leftOutQuestions[0].contains(first + "\n" + second)) << leftOutQuestions[0].toStdString();
    leaveOut = QMessageBox::Yes;
    ASSERT_TRUE(app->Workspaces()->SaveWorkspace());
    EXPECT_EQ(load(chosen).documents.size(), 1);

    answers.answer = QMessageBox::Yes;
    answers.savePaths = {dirPath() + "/first.zqd", dirPath() + "/second.zqd"};
    chosen = dirPath() + "/accepted.zqw";
    leftOutQuestions.clear();
    ASSERT_TRUE(app->Workspaces()->SaveWorkspace());
    EXPECT_TRUE(leftOutQuestions.isEmpty()) << "every window is in it";
    const auto c = load(chosen);
    ASSERT_EQ(c.documents.size(), 3);
    EXPECT_EQ(c.documents[1].storedPath, "first.zqd");
    EXPECT_EQ(c.documents[2].storedPath, "second.zqd");

    // A workspace saved with no window says so when it opens.
    app->MainFrame()->CloseAllDocuments();
    app->OnFileNew();
    answers.answer = QMessageBox::No;
    chosen = dirPath() + "/empty.zqw";
    ASSERT_TRUE(app->Workspaces()->SaveWorkspace());
    ASSERT_TRUE(load(chosen).documents.isEmpty());
    recorder.messages.clear();
    ASSERT_TRUE(app->Workspaces()->OpenWorkspace(chosen, false));
    ASSERT_EQ(recorder.messages.size(), 1u);
    EXPECT_TRUE(firstMessage().contains("empty.zqw")) << firstMessage().toStdString();
    EXPECT_TRUE(firstMessage().contains(QStringLiteral("没有窗口"))) << firstMessage().toStdString();
}

// A name that does not end in .zqw is a name: the suffix is added, and an
// existing file of the longer name is asked about before it is replaced.
TEST_F(WorkspaceCommandsTest, ANameWithAnotherExtensionGetsTheWorkspaceSuffix) {
    QStringList asked;
    bool replace = false;
    const auto replaceQuestion = [](const QString& path) {
        return QStringLiteral("%1 已存在。\n要替换它吗？").arg(QFileInfo(path).fileName());
    };
    recorder.answerQuestion = [&](const QString& text) {
        if (!text.endsWith(QStringLiteral("要替换它吗？")))
            return answers.answer;  // a document's own save question
        asked << text;
        return replace ? QMessageBox::Yes : QMessageBox::No;
    };
    for (const char* name : {"setup.txt", "site.v2"}) {
        chosen = dirPath() + "/" + name;
        EXPECT_TRUE(app->Workspaces()->SaveWorkspace()) << name;
        EXPECT_FALSE(QFile::exists(chosen)) << name;
        EXPECT_TRUE(QFile::exists(chosen + ".zqw")) << name;
    }
    EXPECT_TRUE(asked.isEmpty()) << "nothing there to replace yet";
    const QString written = chosen + ".zqw";
    QFile(written).resize(10);
    EXPECT_FALSE(app->Workspaces()->SaveWorkspace()) << "No: nothing written";
    EXPECT_EQ(asked, QStringList{replaceQuestion(written)});
    EXPECT_EQ(QFileInfo(written).size(), 10);
    replace = true;
    EXPECT_TRUE(app->Workspaces()->SaveWorkspace());
    EXPECT_GT(QFileInfo(written).size(), 10);
    chosen.clear();  // cancelled
    EXPECT_FALSE(app->Workspaces()->SaveWorkspace());
    EXPECT_TRUE(recorder.messages.empty());

    // The same for any file dialog: "x" chosen for a .mod file that exists asks about x.mod.
    QFile(dirPath() + "/x.mod").open(QIODevice::WriteOnly);
    recorder.answerFile = [&](const FileRequest&) { return dirPath() + "/x"; };
    asked.clear();
    replace = false;
    EXPECT_EQ(FileDialog::Ask(nullptr, {true, "x", "zentiq data (*.mod)", "mod"}), QString());
    EXPECT_EQ(asked, QStringList{replaceQuestion(dirPath() + "/x.mod")});
    EXPECT_EQ(FileDialog::Ask(nullptr, {false, "x", "zentiq data (*.mod)", "mod"}), dirPath() + "/x.mod")
        << "opening replaces nothing";
    EXPECT_EQ(asked.size(), 1);
}

// Cancel keeps everything; a workspace from elsewhere finds its documents
// next to it; a cut entry and an unusable file are named.
TEST_F(WorkspaceCommandsTest, OpeningStopsOnCancelFindsMovedDocumentsAndSaysWhatIsMissing) {
    app->MainFrame()->CloseAllDocuments();
    savedWindow(dirPath() + "/pump.zqd", 2, 0, 2, QRect(0, 0, 300, 200));
    savedWindow(dirPath() + "/valve.zqd", 2, 8, 2, QRect(40, 40, 300, 200));
    WorkspaceFile::Contents c;
    c.settings = app->Connection().Settings();
    c.settings.ServicePort = 1502;
    c.mainFrame = app->MainFrame()->CurrentPlacement();
    // As written on Windows: absolute paths of a folder that is not here.
    c.documents = {{frameOf(app->Documents()[0])->CurrentPlacement(), "C:\\Plant\\pump.zqd"},
                   {frameOf(app->Documents()[1])->CurrentPlacement(), "D:\\old\\valve.zqd"}};
    const QString path = dirPath() + "/plant.zqw";
    ASSERT_EQ(WorkspaceFile::Save(path, c), WorkspaceFile::Status::Ok);

    // Cancel at a save question: nothing closes, nothing changes.
    CZentiqDoc* edited = app->Documents()[0];
    edited->SetModifiedFlag(true);
    answers.answer = QMessageBox::Cancel;
    EXPECT_FALSE(app->Workspaces()->OpenWorkspace(path, false));
    EXPECT_EQ(app->Documents().size(), 2);
    EXPECT_TRUE(edited->IsModified());
    EXPECT_NE(app->Connection().Settings().ServicePort, 1502);

    answers.answer = QMessageBox::No;
    ASSERT_TRUE(app->Workspaces()->OpenWorkspace(path, false));
    EXPECT_EQ(app->Connection().Settings().ServicePort, 1502);
    ASSERT_EQ(app->Documents().size(), 2) << firstMessage().toStdString();
    EXPECT_EQ(app->Documents()[0]->GetPathName(), dirPath() + "/pump.zqd");
    EXPECT_EQ(app->Documents()[1]->GetPathName(), dirPath() + "/valve.zqd");
    EXPECT_TRUE(recorder.messages.empty());

    // Cut inside the second entry: the first opens, the rest is reported.
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.resize(file.size() - 7));
    file.close();
    ASSERT_TRUE(app->Workspaces()->OpenWorkspace(path, false));
    ASSERT_EQ(app->Documents().size(), 1);
    EXPECT_EQ(firstMessage(), WorkspaceFile::CutShortText(1));

    // There, but a folder: the message says why.
    recorder.messages.clear();
    const QString folder = dirPath() + "/folder.zqw";
    ASSERT_TRUE(QDir().mkdir(folder));
    EXPECT_FALSE(app->Workspaces()->OpenWorkspace(folder, false));
    EXPECT_EQ(firstMessage(), "找不到 " + QDir::toNativeSeparators(folder) + " (" +
                                  WorkspaceFile::UnreadableCause(folder) + ")");
    EXPECT_EQ(app->Documents().size(), 1);
}

TEST_F(WorkspaceCommandsTest, OldVersionsAndBrokenFiles) {
    // A 3600 file with Port 8 means Modbus/TCP; a ConnectionTimeout of 0 becomes 3000.
    WorkspaceFile::Contents c;
    c.settings.Port = 8;
    c.settings.Serial = 0;
    c.settings.ConnectionTimeout = 0;
    c.mainFrame = {44, 0, 1, -1, -1, -1, -1, 30, 40, 830, 640};
    const QByteArray current = WorkspaceFile::Encode(c);  // 4200, no documents
    // Version 3600: the same block and placement, without the address string.
    QByteArray bytes = current.left(4 + 92) + current.right(44);
    const qint32 v3600 = 3600;
    std::memcpy(bytes.data(), &v3600, 4);
    const QString old = dirPath() + "/old.zqw";
    {
        QFile f(old);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    store()->SetInt("CommSetup", "Serial", 0);
    store()->Sync();
    ASSERT_FALSE(app->Documents().isEmpty());
    ASSERT_TRUE(app->Workspaces()->OpenWorkspace(old, false));
    EXPECT_EQ(app->Connection().Settings().Serial, 1);
    EXPECT_EQ(app->Connection().Settings().Port, 1);
    EXPECT_EQ(app->Connection().Settings().ConnectionTimeout, 3000);
    EXPECT_TRUE(app->Documents().isEmpty()) << "a file ending after the placement closes every window";
    EXPECT_EQ(store()->GetInt("CommSetup", "Serial", -1), 0) << "the settings store is not written";

    // Failures stop before any window closes.
    app->OnFileNew();
    struct Case {
        QByteArray content;
        const char* message;
    };
    QByteArray unknownVersion = bytes;
    unknownVersion[0] = 1;
    const Case cases[] = {
        {bytes.left(4 + 92 + 20), nullptr},  // a short placement stops silently
        {unknownVersion, "文件格式错误"},
    };
    for (const Case& c : cases) {
        recorder.messages.clear();
        const QString path = dirPath() + "/broken.zqw";
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(c.content);
        f.close();
        EXPECT_FALSE(app->Workspaces()->OpenWorkspace(path, false));
        EXPECT_EQ(app->Documents().size(), 1);
        if (c.message == nullptr)
            EXPECT_TRUE(recorder.messages.empty());
        else
            EXPECT_EQ(firstMessage(), c.message);
    }
    recorder.messages.clear();
    EXPECT_FALSE(app->Workspaces()->OpenWorkspace(dirPath() + "/none.zqw", false));
    EXPECT_EQ(firstMessage(), "找不到 " + QDir::toNativeSeparators(dirPath() + "/none.zqw"));
}

TEST_F(WorkspaceCommandsTest, AMissingDocumentIsReportedAndTheOthersStillOpen) {
    app->MainFrame()->CloseAllDocuments();
    savedWindow(dirPath() + "/a.zqd", 2, 0, 2, QRect(0, 0, 300, 200));
    savedWindow(dirPath() + "/b.zqd", 2, 5, 2, QRect(40, 40, 300, 200));
    chosen = dirPath() + "/two.zqw";
    ASSERT_TRUE(app->Workspaces()->SaveWorkspace());
    ASSERT_TRUE(QFile::remove(dirPath() + "/a.zqd"));
    ASSERT_TRUE(app->Workspaces()->OpenWorkspace(chosen, false));
    ASSERT_EQ(app->Documents().size(), 1);
    EXPECT_EQ(app->Documents()[0]->GetPathName(), dirPath() + "/b.zqd");
    EXPECT_EQ(recorder.messages.size(), 1u);
}

// The command line, the recent-file list and a drop open a .zqw as a workspace.
TEST_F(WorkspaceCommandsTest, OpenByNameTakesWorkspacesAsWorkspaces) {
    app->MainFrame()->CloseAllDocuments();
    savedWindow(dirPath() + "/only.zqd", 2, 0, 2, QRect(0, 0, 300, 200));
    chosen = dirPath() + "/one.zqw";
    ASSERT_TRUE(app->Workspaces()->SaveWorkspace());
    app->MainFrame()->CloseAllDocuments();

    app->DocManager().AddToRecentFileList(dirPath() + "/only.zqd");
    app->DocManager().AddToRecentFileList(chosen);
    ASSERT_TRUE(app->MainFrame()->ExecuteCommand(cmd::RecentFileFirst));
    ASSERT_EQ(app->Documents().size(), 1);
    EXPECT_EQ(app->DocManager().RecentFiles().value(0), chosen) << "the list holds workspaces and documents alike";
    EXPECT_EQ(app->DocManager().RecentFiles().value(1), dirPath() + "/only.zqd");

    app->MainFrame()->CloseAllDocuments();
    app->DocManager().OpenByName(chosen);
    EXPECT_EQ(app->Documents().size(), 1);
    app->DocManager().OpenByName(dirPath() + "/only.zqd");
    EXPECT_EQ(app->Documents().size(), 1) << "an open document is activated, not opened twice";

    // From the command line: started with a workspace, nothing else opens.
    app.reset();
    app = std::make_unique<CZentiqApp>();
    ASSERT_TRUE(app->InitInstance({chosen}));
    EXPECT_TRUE(app->StartedWithWorkspace());
    ASSERT_EQ(app->Documents().size(), 1);
    EXPECT_EQ(app->Documents()[0]->GetPathName(), dirPath() + "/only.zqd");
}

}  // namespace
}  // namespace zentiq
