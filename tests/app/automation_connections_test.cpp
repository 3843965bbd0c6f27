// The named connections over the bus, in process on a private session bus:
// a client lists them, opens and closes them by name, and moves a document
// between two Modbus/TCP slaves on loopback (libmodbus and pymodbus) through
// its Connection property, reading each slave's own values. What cannot be
// done is refused with a D-Bus error and changes nothing.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <fcntl.h>
#include <unistd.h>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <fstream>

#include "app/app_test_support.h"
#include "app/automation_server.h"
#include "app/connection_set.h"
#include "app/private_session_bus.h"
#include "app/wait_until.h"
#include "documents/poll_document_model.h"
#include "documents/zentiq_doc.h"
#include "documents/zentiq_doc_automation.h"
#include "engine/modbus_line.h"
#include "support/peer_data.h"
#include "support/peer_process.h"
#include "support/unanswered_listener.h"

namespace zentiq {
namespace {

using test::PeerProcess;
using test::waitUntil;

const QString kService = QStringLiteral("Zentiq.Document");
const QString kApp = QStringLiteral("Zentiq.Application");
const QString kDoc = QStringLiteral("Zentiq.Document");
const QString kProps = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kSecond = QStringLiteral("inverter 2");

test::PrivateSessionBus& privateBus() {
    static test::PrivateSessionBus bus;
    return bus;
}

ConnectionSettings tcp(int port) {
    ConnectionSettings s;
    s.Serial = 1;
    s.IPAddress = "127.0.0.1";
    s.ServicePort = port;
    return s;
}

QVariant n(int v) { return QVariant::fromValue(static_cast<qint16>(v)); }
QVariant variant(const QVariant& v) { return QVariant::fromValue(QDBusVariant(v)); }

class AutomationConnectionsTest : public test::AppTestBase {
protected:
    ~AutomationConnectionsTest() override {
        app.reset();
        QDBusConnection::disconnectFromBus(kClient);
    }
    void SetUp() override {
        ASSERT_TRUE(privateBus().ok()) << privateBus().error;
        QDBusConnection::connectToBus(QString::fromStdString(privateBus().address), kClient);
        app = std::make_unique<CZentiqApp>();
        ASSERT_TRUE(app->InitInstance({QStringLiteral("--automation")}));
        ASSERT_TRUE(app->Automation()->IsServing()) << app->Automation()->Problem().toStdString();
        // The start's own look at the first connection (it reopens one that
        // is open by then) is over before the client begins.
        ASSERT_TRUE(waitUntil([&] {
            const auto timers = app->findChildren<QTimer*>(Qt::FindDirectChildrenOnly);
            return std::none_of(timers.begin(), timers.end(), [](const QTimer* t) {
                return t->isActive() && t->interval() == CZentiqApp::kStartupCheckMs;
            });
        }));
    }

    // Sent now, answered whenever the program answers.
    QDBusPendingCall send(const QString& path, const QString& iface, const QString& member,
                          const QVariantList& args = {}) {
        QDBusMessage m = QDBusMessage::createMethodCall(kService, path, iface, member);
        m.setArguments(args);
        return QDBusConnection(kClient).asyncCall(m, 15000);
    }
    // The server answers on this thread: wait with the event loop running.
    QDBusMessage call(const QString& path, const QString& iface, const QString& member,
                      const QVariantList& args = {}) {
        const QDBusPendingCall pending = send(path, iface, member, args);
        EXPECT_TRUE(waitUntil([&] { return pending.isFinished(); }, 20000)) << member.toStdString();
        return pending.reply();
    }
    QDBusMessage application(const QString& member, const QVariantList& args = {}) {
        return call("/Zentiq", kApp, member, args);
    }
    QVariant property(const QString& path, const QString& iface, const QString& name) {
        return call(path, kProps, "Get", {iface, name}).arguments().value(0).value<QDBusVariant>().variant();
    }
    // ListConnections as "name=state" in order.
    QStringList listed() {
        const QDBusMessage r = application("ListConnections");
        EXPECT_EQ(r.signature(), "a(ss)") << r.errorMessage().toStdString();
        QStringList rows;
        const QDBusArgument arg = r.arguments().value(0).value<QDBusArgument>();
        arg.beginArray();
        while (!arg.atEnd()) {
            QString name, state;
            arg.beginStructure();
            arg >> name >> state;
            arg.endStructure();
            rows << name + "=" + state;
        }
        arg.endArray();
        return rows;
    }
    QString createDocument() {
        return application("CreateDocument").arguments().value(0).value<QDBusObjectPath>().path();
    }
    CZentiqDoc& document(const QString& path) {
        return *app->Automation()->Find(path.section('/', -1).toInt())->Document();
    }
    int reg(const QString& path, int index) {
        return call(path, kDoc, "GetRegister", {n(index)}).arguments().value(0).toInt();
    }
    QString first() const { return app->Connections().NameAt(0); }

    static inline const QString kClient = QStringLiteral("zq-connections-client");
    std::unique_ptr<CZentiqApp> app;
};

TEST_F(AutomationConnectionsTest, AClientOpensConnectionsByNameAndMovesADocumentBetweenTwoSlaves) {
    std::string error;
    const auto slaveA = PeerProcess::LibModbus(PeerProcess::Mode::Tcp, "", error);
    ASSERT_TRUE(slaveA) << error;
    const auto slaveB = PeerProcess::PyModbus(PeerProcess::Mode::Tcp, "", error);
    ASSERT_TRUE(slaveB) << error;
    ConnectionSet& set = app->Connections();
    set.At(0).SetSettings(tcp(slaveA->Port()));
    ASSERT_EQ(set.Add(kSecond, tcp(slaveB->Port()), nullptr, false), 1);

    EXPECT_EQ(property("/Zentiq", kApp, "Connections").toStringList(), QStringList({first(), kSecond}));
    EXPECT_EQ(listed(), QStringList({first() + "=Unconnected", kSecond + "=Unconnected"}));

    // Every state change of every connection, as the bus carries it.
    QTemporaryDir dir;
    const std::string monitorLog = dir.filePath("monitor.log").toStdString();
    const int out = ::open(monitorLog.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const pid_t monitor = test::process::Spawn(
        {test::process::FindInPath("dbus-monitor"), "--address", privateBus().address,
         "type='signal',path='/Zentiq',member='NamedConnectionStateChanged'"},
        -1, out, -1, error);
    ::close(out);
    ASSERT_GT(monitor, 0) << error;
    ASSERT_TRUE(waitUntil([&] { return test::CountLines(monitorLog, "NameAcquired") > 0; }));
    for (const QString& name : {first(), kSecond}) {
        const QDBusMessage opened = application("OpenConnection", {name});
        EXPECT_EQ(opened.type(), QDBusMessage::ReplyMessage) << opened.errorMessage().toStdString();
    }
    EXPECT_EQ(listed(), QStringList({first() + "=Connected", kSecond + "=Connected"}));

    // A document polls on the current connection; a second one, moved to the
    // other slave, writes a value there that only that slave holds.
    const QString onA = createDocument();
    EXPECT_EQ(property(onA, kDoc, "Connection").toString(), first());
    set.SetCurrent(1);
    const QString writer = createDocument();
    EXPECT_EQ(property(writer, kDoc, "Connection").toString(), kSecond) << "the current one";
    EXPECT_EQ(&document(writer).Line(), &set.At(1).Line());
    call(writer, kDoc, "SetRegister", {n(0), n(4242)});
    ASSERT_TRUE(call(writer, kDoc, "PresetSingleRegister", {1, 5}).arguments().value(0).toBool());
    ASSERT_TRUE(waitUntil([&] { return property(writer, kDoc, "WriteResult").toInt() == 0; }));

    ASSERT_EQ(call(onA, kDoc, "CreateRequest", {1, 3, 0, 10, 50}).arguments().value(0), 1);
    ASSERT_TRUE(waitUntil([&] { return reg(onA, 5) == zq_peer_holding(5); })) << reg(onA, 5);
    const struct {
        QString connection;
        int expected;  // register 5 as that connection's slave holds it
    } moves[] = {{kSecond, 4242}, {first(), zq_peer_holding(5)}, {kSecond, 4242}};
    for (const auto& move : moves) {
        SCOPED_TRACE(move.connection.toStdString());
        const QDBusMessage moved = call(onA, kProps, "Set", {kDoc, "Connection", variant(move.connection)});
        ASSERT_EQ(moved.type(), QDBusMessage::ReplyMessage) << moved.errorMessage().toStdString();
        EXPECT_EQ(property(onA, kDoc, "Connection").toString(), move.connection);
        EXPECT_TRUE(waitUntil([&] { return reg(onA, 5) == move.expected; })) << reg(onA, 5);
        EXPECT_TRUE(waitUntil([&] { return property(onA, kDoc, "ReadResult").toInt() == 0; }));
    }
    EXPECT_EQ(document(onA).Model().def.ScanRate, 50) << "the poll moved, as it was";

    // Closing one leaves the other, and the first keeps its own property.
    EXPECT_EQ(application("CloseConnection", {kSecond}).type(), QDBusMessage::ReplyMessage);
    EXPECT_EQ(listed(), QStringList({first() + "=Connected", kSecond + "=Unconnected"}));
    EXPECT_EQ(property("/Zentiq", kApp, "ConnectionState").toString(), "Connected");
    EXPECT_EQ(property(onA, kDoc, "ReadResult").toInt(), CZentiqDocAutomation::kNoConnection);
    EXPECT_EQ(application("Disconnect").type(), QDBusMessage::ReplyMessage) << "Disconnect closes the first";
    EXPECT_EQ(listed(), QStringList({first() + "=Unconnected", kSecond + "=Unconnected"}));
    EXPECT_TRUE(recorder.messages.empty()) << "no box waits for the user";

    // Each signal: the connection's name, then its state.
    const auto signalled = [&] {
        std::ifstream in(monitorLog);
        std::string line;
        QStringList states;
        QString name;
        int strings = -1;  // strings seen in the current signal
        while (std::getline(in, line)) {
            if (line.rfind("signal ", 0) == 0) {
                strings = line.find("member=NamedConnectionStateChanged") != std::string::npos ? 0 : -1;
                continue;
            }
            const std::size_t at = line.find("string \"");
            if (strings < 0 || at == std::string::npos)
                continue;
            const QString text = QString::fromStdString(line.substr(at + 8, line.rfind('"') - at - 8));
            if (strings++ == 0)
                name = text;
            else if (text != "Connecting")  // a loopback connect may or may not pass through it
                states << name + "=" + text;
        }
        return states;
    };
    const QStringList expected{first() + "=Connected",   kSecond + "=Connected", kSecond + "=Closing",
                               kSecond + "=Unconnected", first() + "=Closing",   first() + "=Unconnected"};
    EXPECT_TRUE(waitUntil([&] { return signalled() == expected; })) << signalled().join(", ").toStdString();
    test::process::Stop(monitor, std::chrono::milliseconds(100));
}

// Each refusal names its reason and leaves the connections and the
// document as they were.
TEST_F(AutomationConnectionsTest, RefusedOpensClosesAndMovesChangeNothing) {
    std::string error;
    // Eight masters at once on one slave (pymodbus serves any number): the
    // most that may be open.
    const auto slave = PeerProcess::PyModbus(PeerProcess::Mode::Tcp, "", error);
    ASSERT_TRUE(slave) << error;
    test::UnansweredListener silent;
    ASSERT_TRUE(silent.ok()) << silent.error();
    ConnectionSet& set = app->Connections();
    set.At(0).SetSettings(tcp(slave->Port()));
    ConnectionSettings slow = tcp(silent.Port());
    slow.ConnectionTimeout = 10000;
    ASSERT_EQ(set.Add("silent", slow, nullptr, false), 1);
    ASSERT_EQ(set.Add("refused", tcp(test::RefusingPort()), nullptr, false), 2);
    for (int i = 2; i <= ConnectionSet::kMaxOpen + 1; ++i)
        ASSERT_GE(set.Add(QStringLiteral("open %1").arg(i), tcp(slave->Port()), nullptr, false), 0);
    ASSERT_EQ(application("Connect").type(), QDBusMessage::ReplyMessage);

    // A document polling on the first connection, to be moved nowhere.
    const QString doc = createDocument();
    ASSERT_EQ(call(doc, kDoc, "CreateRequest", {1, 3, 0, 10, 50}).arguments().value(0), 1);
    const int slot = document(doc).Model().slotIndex;
    ASSERT_NE(slot, -1);
    // Every poll slot of "open 2" taken by others.
    ModbusLine& full = set.At(set.IndexOf("open 2")).Line();
    std::vector<int> taken;
    for (int free = full.FreePollSlots(); free > 0; --free)
        taken.push_back(full.RegisterPollSlot(0, 0, 1000, 1, 3, 0, 1, 0, 0));
    ASSERT_EQ(full.FreePollSlots(), 0);

    const QString openTwo = QStringLiteral("open 2");
    struct Case {
        const char* what;
        QString path, iface, member;
        QVariantList args;
        QString error;
        QString words;  // part of the message
    };
    const Case cases[] = {
        {"an unknown name", "/Zentiq", kApp, "OpenConnection", {"nobody"}, "Zentiq.Error.UnknownConnection", "nobody"},
        {"closing an unknown name", "/Zentiq", kApp, "CloseConnection", {""}, "Zentiq.Error.UnknownConnection",
         "No connection"},
        {"a name that is no string", "/Zentiq", kApp, "OpenConnection", {7}, "org.freedesktop.DBus.Error.UnknownMethod",
         "OpenConnection"},
        {"opening an open one", "/Zentiq", kApp, "OpenConnection", {first()}, "Zentiq.Error.AlreadyConnected",
         "CloseConnection first"},
        {"closing a closed one", "/Zentiq", kApp, "CloseConnection", {openTwo}, "Zentiq.Error.NotConnected",
         "\"open 2\" is not open"},
        {"a host that refuses", "/Zentiq", kApp, "OpenConnection", {"refused"}, "Zentiq.Error.ConnectFailed", ""},
        {"the list is read-only", "/Zentiq", kProps, "Set", {kApp, "Connections", variant(QStringList{"x"})},
         "org.freedesktop.DBus.Error.PropertyReadOnly", "Connections"},
        {"moving to an unknown name", doc, kProps, "Set", {kDoc, "Connection", variant("nobody")},
         "Zentiq.Error.UnknownConnection", "nobody"},
        {"moving to a name of another type", doc, kProps, "Set", {kDoc, "Connection", variant(1)},
         "org.freedesktop.DBus.Error.InvalidArgs", "Connection"},
        {"moving to a connection with no free slot", doc, kProps, "Set", {kDoc, "Connection", variant(openTwo)},
         "Zentiq.Error.NoFreeSlot", "open 2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QDBusMessage r = call(c.path, c.iface, c.member, c.args);
        EXPECT_EQ(r.errorName(), c.error) << r.errorMessage().toStdString();
        EXPECT_TRUE(r.errorMessage().contains(c.words)) << r.errorMessage().toStdString();
        EXPECT_EQ(property(doc, kDoc, "Connection").toString(), first());
        EXPECT_EQ(&document(doc).Line(), &set.At(0).Line());
        EXPECT_EQ(document(doc).Model().slotIndex, slot) << "still polling where it was";
        EXPECT_EQ(set.OpenCount(), 1);
    }
    EXPECT_TRUE(waitUntil([&] { return reg(doc, 5) == zq_peer_holding(5); })) << "and its values come as before";

    // A connect waiting for its host: a second open is busy; closing gives
    // the waiting one up, and its client hears so.
    const QDBusPendingCall waiting = send("/Zentiq", kApp, "OpenConnection", {"silent"});
    ASSERT_TRUE(waitUntil([&] { return set.At(1).state() == ConnectionController::State::Connecting; }));
    EXPECT_EQ(application("OpenConnection", {"silent"}).errorName(), "Zentiq.Error.Busy");
    EXPECT_EQ(application("CloseConnection", {"silent"}).type(), QDBusMessage::ReplyMessage);
    ASSERT_TRUE(waitUntil([&] { return waiting.isFinished(); }));
    EXPECT_EQ(waiting.reply().errorName(), "Zentiq.Error.ConnectFailed");

    // With a free slot the same move is taken.
    full.ReleasePollSlot(taken.back());
    EXPECT_EQ(call(doc, kProps, "Set", {kDoc, "Connection", variant(openTwo)}).type(), QDBusMessage::ReplyMessage);
    EXPECT_EQ(&document(doc).Line(), &full);

    // Eight open: the ninth is refused with the words of the user's box.
    for (int i = 2; i <= ConnectionSet::kMaxOpen; ++i) {
        const QDBusMessage r = application("OpenConnection", {QStringLiteral("open %1").arg(i)});
        ASSERT_EQ(r.type(), QDBusMessage::ReplyMessage) << i << r.errorMessage().toStdString();
    }
    ASSERT_EQ(set.OpenCount(), ConnectionSet::kMaxOpen);
    const QString ninth = QStringLiteral("open %1").arg(ConnectionSet::kMaxOpen + 1);
    const QDBusMessage refused = application("OpenConnection", {ninth});
    EXPECT_EQ(refused.errorName(), "Zentiq.Error.ConnectFailed");
    EXPECT_TRUE(refused.errorMessage().contains(QString::number(ConnectionSet::kMaxOpen)))
        << refused.errorMessage().toStdString();
    EXPECT_EQ(set.OpenCount(), ConnectionSet::kMaxOpen);
    EXPECT_TRUE(listed().contains(ninth + "=Unconnected"));
    EXPECT_TRUE(recorder.messages.empty()) << "every failure went to the client, none to a box";
}

}  // namespace
}  // namespace zentiq
