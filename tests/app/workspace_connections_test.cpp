// A workspace with several connections, as a user builds it: three
// Modbus/TCP slaves on three loopback addresses, each with values of its
// own, one poll window on each; saved, closed, opened again; one slave
// lost and back.
#include <signal.h>

#include <QTest>
#include <cstring>

#include "app/app_test_support.h"
#include "app/child_frame.h"
#include "app/connection_set.h"
#include "app/main_frame.h"
#include "app/workspace_file.h"
#include "app/zentiq_app.h"
#include "documents/grid_layout_data.h"
#include "documents/poll_document_model.h"
#include "documents/zentiq_doc.h"
#include "documents/zqd_file.h"
#include "engine/modbus_line.h"
#include "support/peer_data.h"
#include "support/peer_process.h"

namespace zentiq {
namespace {

using test::AppTestBase;
using test::PeerProcess;

constexpr int kWaitMs = 20000;
constexpr int kAddress = 10;

// One slave and the connection and window that poll it.
struct Site {
    const char* host;
    int offset;  // added to every holding register of the slave
    const char* name;
    std::unique_ptr<PeerProcess> slave;
    int port = 0;
    QString document;
};

class WorkspaceConnectionsTest : public AppTestBase {
protected:
    void SetUp() override {
        app = std::make_unique<CZentiqApp>();
        ASSERT_TRUE(app->InitInstance({}));
        recorder.answerFile = [this](const FileRequest&) { return chosen; };
        recorder.answerQuestion = [](const QString&) { return QMessageBox::No; };
    }
    void TearDown() override { app.reset(); }

    bool start(Site& site, const std::string& port) {
        std::string error;
        site.slave = PeerProcess::PyModbus(
            PeerProcess::Mode::Tcp, port, error, 1, {},
            {"--host", site.host, "--holding-offset", std::to_string(site.offset)});
        EXPECT_TRUE(site.slave) << error;
        if (site.slave)
            site.port = site.slave->Port();
        return site.slave != nullptr;
    }
    ConnectionSettings settingsOf(const Site& site) const {
        ConnectionSettings s = app->Connections().At(0).Settings();
        s.Serial = 1;
        s.IPAddress = site.host;
        s.ServicePort = site.port;
        s.Timeout = 3000;
        s.ConnectionTimeout = 2000;
        return s;
    }
    ConnectionController& connectionOf(const Site& site) const {
        const int index = app->Connections().IndexOf(site.name);
        EXPECT_GE(index, 0) << site.name;
        return app->Connections().At(std::max(index, 0));
    }
    CZentiqDoc* windowOf(const Site& site) const {
        for (CZentiqDoc* doc : app->Documents())
            if (doc->GetPathName() == site.document)
                return doc;
        return nullptr;
    }
    static std::uint16_t firstWord(const CZentiqDoc* doc) {
        std::uint16_t word = 0;
        std::memcpy(&word, doc->Model().values.data(), 2);
        return word;
    }
    static std::uint16_t expected(const Site& site) {
        return static_cast<std::uint16_t>(zq_peer_holding(kAddress) + site.offset);
    }
    static std::uint32_t errors(const CZentiqDoc* doc) {
        return doc->Model().txCount - doc->Model().okCount;
    }
    // Every connection open and every window showing its own slave's values.
    void expectEachWindowOnItsSlave() {
        for (const Site& site : sites) {
            SCOPED_TRACE(site.name);
            ConnectionController& connection = connectionOf(site);
            EXPECT_TRUE(QTest::qWaitFor([&] { return connection.IsConnected(); }, kWaitMs));
            CZentiqDoc* doc = windowOf(site);
            ASSERT_NE(doc, nullptr);
            EXPECT_EQ(&doc->Line(), &connection.Line());
            const std::uint32_t before = doc->Model().okCount;
            ASSERT_TRUE(QTest::qWaitFor(
                [&] { return doc->Model().okCount > before && doc->Model().lastStatus == 0; },
                kWaitMs))
                << "status " << doc->Model().lastStatus;
            EXPECT_EQ(firstWord(doc), expected(site));
        }
    }

    Site sites[3] = {{"127.0.0.2", 1000, "泵房", nullptr, 0, {}},
                     {"127.0.0.3", 2000, "Boiler", nullptr, 0, {}},
                     {"127.0.0.4", 3000, "Tank", nullptr, 0, {}}};
    std::unique_ptr<CZentiqApp> app;
    QString chosen;
};

TEST_F(WorkspaceConnectionsTest, EachWindowKeepsItsSlaveThroughSaveReopenAndALostSlave) {
    for (Site& site : sites)
        ASSERT_TRUE(start(site, "0"));
    ConnectionSet& set = app->Connections();
    app->MainFrame()->CloseAllDocuments();
    // The first connection renamed; the others the workspace alone keeps.
    ASSERT_TRUE(set.Rename(0, sites[0].name));
    set.At(0).SetSettings(settingsOf(sites[0]));
    for (int i : {1, 2})
        ASSERT_GE(set.Add(sites[i].name, settingsOf(sites[i]), nullptr, false), 1);
    for (int i = 0; i < 3; ++i) {
        Site& site = sites[i];
        ConnectionController& connection = connectionOf(site);
        connection.Connect(false);
        ASSERT_TRUE(test::WaitForConnectEnd(connection)) << site.name;
        set.SetCurrent(set.IndexOf(site.name));
        CZentiqDoc* doc = app->OnFileNew();
        DefinitionDialogValues v;
        v.functionIndex = 2;  // holding registers
        v.shownAddress = kAddress;
        v.length = 4;
        v.scanRate = 50;
        doc->ApplyDefinition(v);
        site.document = dirPath() + QStringLiteral("/window%1.zqd").arg(i);
        ASSERT_TRUE(doc->DoSave(site.document, true));
    }
    expectEachWindowOnItsSlave();
    // The third saved closed: it stays closed, its window waits for it.
    set.At(set.IndexOf(sites[2].name)).Disconnect();

    chosen = dirPath() + "/plant.zqw";
    ASSERT_TRUE(app->Workspaces()->SaveWorkspace());
    WorkspaceFile::Contents saved;
    ASSERT_EQ(WorkspaceFile::Load(chosen, {}, &saved), WorkspaceFile::Status::Ok);
    EXPECT_EQ(saved.version, WorkspaceFile::kSeveralConnectionsVersion);
    ASSERT_EQ(saved.ConnectionCount(), 3);
    for (int i = 0; i < 3; ++i) {
        const WorkspaceFile::Connection c = saved.ConnectionAt(i);
        EXPECT_EQ(c.name, QString::fromUtf8(sites[i].name));
        EXPECT_EQ(c.settings.IPAddress, sites[i].host);
        EXPECT_EQ(c.connected, i != 2);
    }
    ASSERT_EQ(saved.documents.size(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(saved.documents[i].connection, i);

    // Windows and connections closed; settings changed that the workspace restores.
    app->MainFrame()->CloseAllDocuments();
    set.DisconnectAll();
    ConnectionSettings wrong = settingsOf(sites[1]);
    wrong.ServicePort = 1;
    set.At(set.IndexOf(sites[1].name)).SetSettings(wrong);
    set.SetCurrent(2);
    ASSERT_TRUE(app->Workspaces()->OpenWorkspace(chosen, false));
    EXPECT_EQ(set.CurrentIndex(), 0);
    EXPECT_EQ(set.Count(), 3) << "the connections were found again by their names";
    ASSERT_EQ(app->Documents().size(), 3);
    ConnectionController& third = connectionOf(sites[2]);
    EXPECT_FALSE(third.IsConnected()) << "saved closed";
    third.Connect(false);
    ASSERT_TRUE(test::WaitForConnectEnd(third));
    expectEachWindowOnItsSlave();
    EXPECT_TRUE(recorder.messages.empty());

    // The second slave dies: only its window fails, the others poll on.
    Site& lost = sites[1];
    CZentiqDoc* lostWindow = windowOf(lost);
    ::kill(lost.slave->Pid(), SIGKILL);
    lost.slave.reset();
    const std::uint32_t lostErrors = errors(lostWindow);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return errors(lostWindow) >= lostErrors + 3 && lostWindow->Model().lastStatus != 0; },
        kWaitMs));
    for (const Site* site : {&sites[0], &sites[2]}) {
        const CZentiqDoc* doc = windowOf(*site);
        const std::uint32_t ok = doc->Model().okCount, failed = errors(doc);
        ASSERT_TRUE(QTest::qWaitFor([&] { return doc->Model().okCount >= ok + 5; }, kWaitMs))
            << site->name;
        EXPECT_EQ(errors(doc), failed) << site->name;
        EXPECT_EQ(doc->Model().lastStatus, 0) << site->name;
    }
    // Back on the same address and port: the window recovers by itself.
    ASSERT_TRUE(start(lost, std::to_string(lost.port)));
    const std::uint32_t ok = lostWindow->Model().okCount;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return lostWindow->Model().okCount >= ok + 3 && lostWindow->Model().lastStatus == 0; },
        kWaitMs));
    EXPECT_EQ(firstWord(lostWindow), expected(lost));
    EXPECT_TRUE(connectionOf(lost).IsConnected());

    // A fresh start with the workspace on the command line: the two
    // connections only it knows are made again, and each one saved open
    // opens at the start-up check.
    app.reset();
    app = std::make_unique<CZentiqApp>();
    ASSERT_EQ(app->Connections().Count(), 1) << "the workspace's connections were kept";
    ASSERT_TRUE(app->InitInstance({chosen}));
    ASSERT_EQ(app->Connections().Count(), 3);
    ASSERT_EQ(app->Documents().size(), 3);
    EXPECT_FALSE(connectionOf(sites[0]).IsConnected()) << "not before the start-up check";
    EXPECT_TRUE(QTest::qWaitFor([&] { return connectionOf(sites[1]).IsConnected(); }, kWaitMs));
    EXPECT_FALSE(connectionOf(sites[2]).IsConnected()) << "saved closed";
    connectionOf(sites[2]).Connect(false);
    expectEachWindowOnItsSlave();
}

// Which connection takes which of the workspace's: the first always the
// first, the others by name, or one added; none beyond the set's limit.
TEST_F(WorkspaceConnectionsTest, TheWorkspacesConnectionsAreFoundByNameOrAdded) {
    QStringList full = {"A"};
    for (int n = 1; n < ConnectionSet::kMaxConnections; ++n)
        full << QStringLiteral("c%1").arg(n);
    struct Case {
        const char* what;
        QStringList before;     // the set's names, the first one's included
        QStringList workspace;  // the workspace's connections, one window on each
        QStringList after;
        QList<int> windowOn;  // per window, its connection in the set; -1: not opened
    };
    const Case cases[] = {
        {"the first renamed, the other added", {"A"}, {"B", "A"}, {"B", "A"}, {0, 1}},
        {"found by name", {"A", "C"}, {"A", "C", "D"}, {"A", "C", "D"}, {0, 1, 2}},
        {"the first's name is another's", {"A", "B"}, {"B", "A"}, {"A", "B", "连接 3"}, {0, 2}},
        {"no room for one more", full, {"A", "X", "c3"}, full, {0, -1, 3}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        app.reset();
        app = std::make_unique<CZentiqApp>();
        ASSERT_TRUE(app->InitInstance({}));
        ConnectionSet& set = app->Connections();
        ASSERT_TRUE(set.Rename(0, k.before[0]));
        for (const QString& name : k.before.mid(1))
            ASSERT_GE(set.Add(name, {}, nullptr, false), 1);

        WorkspaceFile::Contents contents;
        contents.mainFrame = app->MainFrame()->CurrentPlacement();
        for (int i = 0; i < k.workspace.size(); ++i) {
            ConnectionSettings s;
            s.Serial = 1;
            s.IPAddress = "127.0.0.1";
            s.ServicePort = 1500 + i;
            if (i == 0) {
                contents.settings = s;
                contents.name = k.workspace[0];
            } else {
                contents.moreConnections.append({k.workspace[i], s, false, {}});
            }
            PollDocumentModel model;
            model.ComputeGridSize();
            const QString document = dirPath() + QStringLiteral("/w%1.zqd").arg(i);
            ASSERT_TRUE(ZqdFile::Save(document, model, GridLayoutData()).ok());
            contents.documents.append({WindowPlacement(), document, i});
        }
        const QString path = dirPath() + "/names.zqw";
        ASSERT_EQ(WorkspaceFile::Save(path, contents), WorkspaceFile::Status::Ok);
        recorder.messages.clear();
        ASSERT_TRUE(app->Workspaces()->OpenWorkspace(path, false));

        QStringList names;
        for (int i = 0; i < set.Count(); ++i)
            names << set.NameAt(i);
        EXPECT_EQ(names, k.after);
        EXPECT_EQ(set.CurrentIndex(), 0);
        const QList<CZentiqDoc*> documents = app->Documents();
        for (int i = 0; i < k.workspace.size(); ++i) {
            const QString document = dirPath() + QStringLiteral("/w%1.zqd").arg(i);
            const auto doc = std::find_if(documents.begin(), documents.end(),
                                          [&](CZentiqDoc* d) { return d->GetPathName() == document; });
            if (k.windowOn[i] < 0) {
                EXPECT_EQ(doc, documents.end()) << i;
                continue;
            }
            ASSERT_NE(doc, documents.end()) << i;
            EXPECT_EQ(set.IndexOfLine((*doc)->Line()), k.windowOn[i]) << i;
            EXPECT_EQ(set.At(k.windowOn[i]).Settings().ServicePort, 1500 + i) << i;
        }
        // A connection that found no place is named, and why.
        const bool refused = k.windowOn.contains(-1);
        ASSERT_EQ(recorder.messages.size(), refused ? 1u : 0u);
        if (refused) {
            const QString text = recorder.messages[0].text;
            EXPECT_TRUE(text.contains("“X”") && text.contains(QString::number(ConnectionSet::kMaxConnections)))
                << text.toStdString();
        }
    }
}

}  // namespace
}  // namespace zentiq
