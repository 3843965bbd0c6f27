// Reads of polled values answered on the bus library's thread, seen by
// clients on a private session bus: the same answers as the document gives
// after each kind of change of its values, their place behind a client's
// earlier calls that wait for the GUI thread, and a document that goes while
// reads stream in (released in between, or closed by the user meanwhile).
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <atomic>
#include <functional>
#include <thread>

#include "app/app_test_support.h"
#include "app/automation_server.h"
#include "app/child_frame.h"
#include "app/private_session_bus.h"
#include "app/wait_until.h"
#include "documents/automation_values.h"
#include "documents/poll_document_model.h"
#include "documents/zentiq_doc.h"
#include "documents/zentiq_doc_automation.h"
#include "documents/zentiq_setup.h"
#include "grid/grid_ctrl.h"
#include "support/peer_data.h"
#include "support/peer_process.h"

namespace zentiq {
namespace {

using test::waitUntil;
namespace av = automation_values;

const QString kService = QStringLiteral("Zentiq.Document");
const QString kDocIface = QStringLiteral("Zentiq.Document");
const QString kNoDocument = QStringLiteral("org.freedesktop.DBus.Error.UnknownObject");

test::PrivateSessionBus& privateBus() {
    static test::PrivateSessionBus bus;
    return bus;
}

QVariant n(int v) { return QVariant::fromValue(static_cast<qint16>(v)); }

QDBusMessage method(const QString& path, const QString& iface, const QString& member,
                    const QVariantList& args = {}) {
    QDBusMessage m = QDBusMessage::createMethodCall(kService, path, iface, member);
    m.setArguments(args);
    return m;
}

av::Buffer pattern(int seed) {
    av::Buffer b{};
    for (std::size_t i = 0; i < b.size(); ++i)
        b[i] = static_cast<quint8>(i * 13 + static_cast<std::size_t>(seed));
    return b;
}

class AutomationBusThreadTest : public test::AppTestBase {
protected:
    ~AutomationBusThreadTest() override {
        app.reset();
        QDBusConnection::disconnectFromBus(kClient);
    }
    void SetUp() override {
        ASSERT_TRUE(privateBus().ok()) << privateBus().error;
        QDBusConnection::connectToBus(QString::fromStdString(privateBus().address), kClient);
        app = std::make_unique<CZentiqApp>();
        ASSERT_TRUE(app->InitInstance({QStringLiteral("--automation")}));
        ASSERT_TRUE(app->Automation()->IsServing()) << app->Automation()->Problem().toStdString();
    }
    QDBusConnection bus() const { return QDBusConnection(kClient); }
    // The server answers forwarded calls on this thread: wait with its loop running.
    QDBusMessage call(const QDBusMessage& m) { return bus().call(m, QDBus::BlockWithGui, 10000); }
    QVariant doc(const QString& path, const char* member, const QVariantList& args = {}) {
        const QDBusMessage r = call(method(path, kDocIface, QLatin1String(member), args));
        EXPECT_EQ(r.type(), QDBusMessage::ReplyMessage) << member << ": " << r.errorMessage().toStdString();
        return r.arguments().value(0);
    }
    QString create() {
        const QDBusMessage r = call(method("/Zentiq", "Zentiq.Application", "CreateDocument"));
        return r.arguments().value(0).value<QDBusObjectPath>().path();
    }
    CZentiqDoc& document(const QString& path) {
        return *app->Automation()->Find(path.section('/', -1).toInt())->Document();
    }
    // Sends every call before any answer is awaited, then waits for all.
    QList<QDBusMessage> pipelined(const QList<QDBusMessage>& calls) {
        QList<QDBusPendingCall> pending;
        for (const QDBusMessage& m : calls)
            pending << bus().asyncCall(m, 10000);
        waitUntil([&] {
            return std::all_of(pending.begin(), pending.end(), [](const QDBusPendingCall& p) { return p.isFinished(); });
        });
        QList<QDBusMessage> replies;
        for (const QDBusPendingCall& p : pending)
            replies << p.reply();
        return replies;
    }
    // Every read member at a spread of indexes answers through the bus as
    // the document's own member does on this thread.
    void expectBusReadsAsTheDocument(const QString& path, const std::string& what) {
        CZentiqDocAutomation direct(&document(path));
        for (const AutomationMember& m : CZentiqDocAutomation::Members()) {
            if (m.read == nullptr)
                continue;
            for (int index : {0, 1, 3, 30, 31, 62, 126, 127, 1999}) {
                const QVariant expected = m.call(direct, {n(index)});
                const QDBusMessage r = call(method(path, kDocIface, QLatin1String(m.name), {n(index)}));
                ASSERT_EQ(r.type(), QDBusMessage::ReplyMessage) << what << " " << m.name;
                EXPECT_EQ(r.arguments().value(0), expected) << what << ": " << m.name << "(" << index << ")";
            }
        }
    }

    static inline const QString kClient = QStringLiteral("zq-bus-thread-client");
    std::unique_ptr<CZentiqApp> app;
};

TEST_F(AutomationBusThreadTest, ReadsAnswerAsTheDocumentAfterEachKindOfChangeOfItsValues) {
    const QString path = create();
    ASSERT_FALSE(path.isEmpty());
    ASSERT_EQ(doc(path, "CreateRequest", {1, 3, 0, 60, 1000}).toInt(), 1);
    QTemporaryDir dir;
    const QString file = dir.filePath("stored.zqd");
    {
        CZentiqDoc stored;
        stored.Model().values = pattern(40);
        QString error;
        ASSERT_TRUE(stored.OnSaveDocument(file, &error)) << error.toStdString();
    }

    struct Change {
        const char* what;
        std::function<void(CZentiqDoc&)> change;
    };
    const Change changes[] = {
        {"CreateRequest of the client", [&](CZentiqDoc&) { doc(path, "CreateRequest", {1, 4, 10, 20, 500}); }},
        {"definition dialog", [](CZentiqDoc& d) {
             DefinitionDialogValues v = CZentiqSetup::FromModel(d.Model());
             v.shownAddress += 3;
             d.ApplyDefinition(v);
         }},
        {"file loaded", [&](CZentiqDoc& d) {
             QString error;
             ASSERT_TRUE(d.OnOpenDocument(file, &error)) << error.toStdString();
         }},
        {"coil typed in the shown window of a write poll", [&](CZentiqDoc& d) {
             doc(path, "ShowWindow");
             DefinitionDialogValues v = CZentiqSetup::FromModel(d.Model());
             v.functionIndex = 6;  // function 15
             v.length = 20;
             d.ApplyDefinition(v);
             d.Model().values[4] = 0;
             d.RefreshValues(true);
             int row = 0, column = 0;
             ASSERT_TRUE(d.Model().CellOfItem(4, row, column));
             d.Grid()->model().setFocusCell(row, column);
             QTest::keyClick(d.Grid(), Qt::Key_Space, Qt::NoModifier);
             ASSERT_EQ(d.Model().values[4], 1);
         }},
    };
    for (const Change& c : changes) {
        CZentiqDoc& d = document(path);
        d.Model().values = pattern(1);
        d.RefreshValues(true);
        ASSERT_NO_FATAL_FAILURE(expectBusReadsAsTheDocument(path, std::string("before: ") + c.what));
        const av::Buffer before = d.Model().values;
        c.change(d);
        ASSERT_NE(d.Model().values, before) << c.what << " changed nothing";
        expectBusReadsAsTheDocument(path, c.what);
    }
}

TEST_F(AutomationBusThreadTest, PollResultsReachTheReadsAndAPipelinedReadWaitsForTheRequestBeforeIt) {
    std::string error;
    auto peer = test::PeerProcess::LibModbus(test::PeerProcess::Mode::Tcp, "", error);
    ASSERT_NE(peer, nullptr) << error;
    ConnectionSettings s;
    s.Serial = 1;
    s.IPAddress = "127.0.0.1";
    s.ServicePort = peer->Port();
    app->Connection().SetSettings(s);
    ASSERT_TRUE(test::ConnectNow(*app, false));

    const QString path = create();
    const auto reg = [](int address) { return static_cast<qint16>(zq_peer_holding(unsigned(address))); };
    for (int round = 0; round < 4; ++round) {
        const int from = 40 * round, to = 1000 + 40 * round;
        ASSERT_EQ(doc(path, "CreateRequest", {1, 3, from, 10, 20}).toInt(), 1);
        ASSERT_TRUE(waitUntil([&] { return doc(path, "GetRegister", {n(9)}).value<qint16>() == reg(from + 9); }))
            << "poll results reach the reads, round " << round;
        expectBusReadsAsTheDocument(path, "after poll results");

        // The read goes out before the request is answered: it must see
        // what the request left (cleared values, or the new address's).
        const QList<QDBusMessage> r = pipelined({method(path, kDocIface, "CreateRequest", {1, 3, to, 10, 20}),
                                                 method(path, kDocIface, "GetRegister", {n(9)})});
        ASSERT_EQ(r[0].arguments().value(0).toInt(), 1);
        ASSERT_EQ(r[1].type(), QDBusMessage::ReplyMessage) << r[1].errorMessage().toStdString();
        const qint16 seen = r[1].arguments().value(0).value<qint16>();
        EXPECT_TRUE(seen == 0 || seen == reg(to + 9)) << "round " << round << ": " << seen << ", the old value is "
                                                      << reg(from + 9);
    }
}

TEST_F(AutomationBusThreadTest, ReadsSentAfterAReleaseFindNoDocumentAndThoseBeforeItTheirValues) {
    const QString path = create();
    CZentiqDoc& d = document(path);
    d.Model().values = pattern(3);
    d.RefreshValues(true);
    constexpr int kReads = 150;
    QList<QDBusMessage> calls;
    for (int i = 0; i < 2 * kReads + 1; ++i)
        calls << (i == kReads ? method(path, kDocIface, "Release")
                              : method(path, kDocIface, "GetRegister", {n(i % 127)}));
    const QList<QDBusMessage> r = pipelined(calls);
    for (int i = 0; i < kReads; ++i) {
        ASSERT_EQ(r[i].type(), QDBusMessage::ReplyMessage) << i;
        EXPECT_EQ(r[i].arguments().value(0).value<qint16>(), av::Register(pattern(3), i % 127)) << i;
    }
    EXPECT_EQ(r[kReads].type(), QDBusMessage::ReplyMessage) << "the release";
    for (int i = kReads + 1; i < r.size(); ++i)
        EXPECT_EQ(r[i].errorName(), kNoDocument) << i;
}

TEST_F(AutomationBusThreadTest, AWindowClosedWhileAnotherThreadReadsEndsTheReadsWithNoDocument) {
    const QString path = create();
    document(path).Model().values = pattern(8);
    document(path).RefreshValues(true);
    const qint16 expected = av::Register(pattern(8), 5);

    // A client on a thread of its own, reading as fast as the bus answers.
    std::atomic<int> values{0}, gone{0}, wrong{0}, afterGone{0};
    std::atomic<bool> finished{false};
    std::thread reader([&] {
        const QDBusConnection c(kClient);
        const QDBusMessage m = method(path, kDocIface, "GetRegister", {n(5)});
        for (int i = 0; i < 20000 && gone.load() < 100; ++i) {
            const QDBusMessage r = c.call(m, QDBus::Block, 10000);
            if (r.type() == QDBusMessage::ReplyMessage && r.arguments().value(0).value<qint16>() == expected) {
                ++values;
                if (gone.load() > 0)
                    ++afterGone;
            } else if (r.errorName() == kNoDocument) {
                ++gone;
            } else {
                ++wrong;
            }
        }
        finished = true;
    });
    EXPECT_TRUE(waitUntil([&] { return values.load() >= 200 || finished.load(); }));
    ASSERT_EQ(app->ChildFrames().size(), 1);
    app->ChildFrames()[0]->CloseWithoutAsking();
    EXPECT_TRUE(waitUntil([&] { return finished.load(); }, 60000));
    reader.join();
    EXPECT_GE(values.load(), 200);
    EXPECT_EQ(gone.load(), 100) << "every read after the close finds no document";
    EXPECT_EQ(afterGone.load(), 0) << "no value once the document was gone";
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_EQ(app->Automation()->DocumentCount(), 0);
}

}  // namespace
}  // namespace zentiq
