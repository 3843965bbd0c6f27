// The automation server in process, reached through a private session bus
// from client connections of the test's own (so each client has its own
// unique name and can leave the bus), with the libmodbus slave as the peer.
// Value reads are answered on the bus thread: they are checked after each
// kind of change of the values, behind a client's earlier calls, and while
// their document goes.
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QDialog>
#include <QEventLoop>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPointer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <limits>
#include <functional>
#include <thread>

#include "app/activation_file.h"
#include "app/automation_server.h"
#include "app/child_frame.h"
#include "app/main_frame.h"
#include "app/private_session_bus.h"
#include "app/workspace_file.h"
#include "app/wait_until.h"
#include "app/app_test_support.h"
#include "documents/automation_values.h"
#include "documents/poll_document_model.h"
#include "documents/zentiq_doc.h"
#include "documents/zentiq_setup.h"
#include "grid/grid_ctrl.h"
#include "resources/menus.h"
#include "documents/zentiq_doc_automation.h"
#include "support/peer_data.h"
#include "values/row_type.h"
#include "support/peer_process.h"

namespace zentiq {
namespace {

using test::AppTestBase;
using test::PeerProcess;

const QString kService = QStringLiteral("Zentiq.Document");
const QString kDocIface = QStringLiteral("Zentiq.Document");
const QString kProps = QStringLiteral("org.freedesktop.DBus.Properties");

test::PrivateSessionBus& privateBus() {
    static test::PrivateSessionBus bus;
    return bus;
}

QVariant n(int v) { return QVariant::fromValue(static_cast<qint16>(v)); }

using test::waitUntil;
namespace av = automation_values;

const QString kNoDocument = QStringLiteral("org.freedesktop.DBus.Error.UnknownObject");

QDBusMessage method(const QString& path, const QString& iface, const QString& member, const QVariantList& args = {}) {
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

class AutomationTest : public AppTestBase {
protected:
    ~AutomationTest() override {
        for (const QString& name : m_clients)
            QDBusConnection::disconnectFromBus(name);
        app.reset();
    }
    void SetUp() override { ASSERT_TRUE(privateBus().ok()) << privateBus().error; }

    CZentiqApp& start(const QStringList& args = {QStringLiteral("--automation")}) {
        app = std::make_unique<CZentiqApp>();
        started = app->InitInstance(args);
        return *app;
    }
    // A client connection with a unique name of its own.
    QString client() {
        const QString name = QStringLiteral("zq-client-%1").arg(m_clients.size());
        QDBusConnection::connectToBus(QString::fromStdString(privateBus().address), name);
        m_clients << name;
        return name;
    }
    QDBusMessage call(const QString& path, const QString& iface, const QString& member, const QVariantList& args = {},
                      QString via = {}) {
        if (via.isEmpty())
            via = m_clients.isEmpty() ? client() : m_clients.first();
        // The server answers on this thread: wait with the event loop running.
        // Not QDBus::BlockWithGui: an answer from the bus thread can arrive
        // before that mode starts listening for it, and it then waits forever.
        const QDBusPendingCallWatcher answer(QDBusConnection(via).asyncCall(method(path, iface, member, args), 10000));
        QEventLoop loop;
        QObject::connect(&answer, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(20000, &loop, &QEventLoop::quit);  // the call's own time-out ends it sooner
        if (!answer.isFinished())
            loop.exec();
        return answer.reply();
    }
    // Sends every call before any answer is awaited, then waits for all.
    QList<QDBusMessage> pipelined(const QList<QDBusMessage>& calls) {
        const QDBusConnection via(m_clients.isEmpty() ? client() : m_clients.first());
        QList<QDBusPendingCall> pending;
        for (const QDBusMessage& m : calls)
            pending << via.asyncCall(m, 10000);
        waitUntil([&] {
            return std::all_of(pending.begin(), pending.end(), [](const QDBusPendingCall& p) { return p.isFinished(); });
        });
        QList<QDBusMessage> replies;
        for (const QDBusPendingCall& p : pending)
            replies << p.reply();
        return replies;
    }
    // Every value read at a spread of indexes answers through the bus (on
    // the bus thread) as the document's own member does on this thread.
    void expectBusReadsAsTheDocument(const QString& path, const std::string& what) {
        CZentiqDocAutomation direct(&document(path));
        for (const AutomationMember& m : CZentiqDocAutomation::Members()) {
            for (int index : {0, 1, 3, 30, 31, 62, 126, 127, 1999}) {
                if (m.read == nullptr)
                    break;
                const QDBusMessage r = call(path, kDocIface, QLatin1String(m.name), {n(index)});
                ASSERT_EQ(r.type(), QDBusMessage::ReplyMessage) << what << " " << m.name;
                const QVariant bus = r.arguments().value(0), here = m.call(direct, {n(index)});
                // NaN (no number there) equals nothing, not even itself.
                const auto nan = [](const QVariant& v) {
                    return v.typeId() == QMetaType::Double && std::isnan(v.toDouble());
                };
                if (nan(bus) && nan(here))
                    continue;
                EXPECT_EQ(bus, here) << what << ": " << m.name << "(" << index << ")";
            }
        }
    }
    QVariant doc(const QString& path, const char* member, const QVariantList& args = {}) {
        const QDBusMessage r = call(path, kDocIface, QLatin1String(member), args);
        EXPECT_EQ(r.type(), QDBusMessage::ReplyMessage) << member << ": " << r.errorMessage().toStdString();
        return r.arguments().value(0);
    }
    QVariant property(const QString& path, const char* name) {
        const QDBusMessage r = call(path, kProps, "Get", {kDocIface, QLatin1String(name)});
        return r.arguments().value(0).value<QDBusVariant>().variant();
    }
    QString create(const QString& via = {}, const char* method = "CreateDocument") {
        const QDBusMessage r = call("/Zentiq", "Zentiq.Application", QLatin1String(method), {}, via);
        return r.arguments().value(0).value<QDBusObjectPath>().path();
    }
    CZentiqDoc& document(const QString& path) {
        return *app->Automation()->Find(path.section('/', -1).toInt())->Document();
    }
    PollDocumentModel& model(const QString& path) { return document(path).Model(); }
    void connectTo(int port) {
        ConnectionSettings s;
        s.Serial = 1;
        s.IPAddress = "127.0.0.1";
        s.ServicePort = port;
        app->Connection().SetSettings(s);
        ASSERT_TRUE(test::ConnectNow(*app, false));
    }

    std::unique_ptr<CZentiqApp> app;
    bool started = false;
    std::vector<int>& quits = recorder.quits;  // the ends the program asked for

private:
    QStringList m_clients;
};

// ---- the interface as clients see it ------------------------------------------------------

TEST_F(AutomationTest, DocumentsOfferTheSeventeenMembersInOrderAndRefuseBadCallsCleanly) {
    start();
    ASSERT_TRUE(started);
    EXPECT_FALSE(app->MainFrame()->isVisible()) << "an automation start shows no window";
    EXPECT_TRUE(app->Documents().isEmpty()) << "and creates no document";
    ASSERT_TRUE(app->Automation()->IsServing()) << app->Automation()->Problem().toStdString();

    const QString path = create();
    ASSERT_EQ(path, "/Zentiq/Documents/1");
    EXPECT_EQ(create(), "/Zentiq/Documents/2") << "one new document per call";
    EXPECT_EQ(app->Documents().size(), 2);
    EXPECT_FALSE(app->ChildFrames()[0]->isVisible());

    const QString xml =
        call(path, "org.freedesktop.DBus.Introspectable", "Introspect").arguments().value(0).toString();
    QStringList members;
    const QRegularExpression element(
        "<(property|method) name=\"(\\w+)\"(?: type=\"(\\w)\" access=\"(\\w+)\")?(/?)>((?:\\s*<arg[^>]*>)*)");
    for (auto it = element.globalMatch(xml.section("interface name=\"Zentiq.Document\"", 1)); it.hasNext();) {
        const auto m = it.next();
        QString sig;
        for (auto a = QRegularExpression("type=\"(\\w)\" direction=\"(in|out)\"").globalMatch(m.captured(6));
             a.hasNext();) {
            const auto arg = a.next();
            sig += arg.captured(2) == "out" ? "->" + arg.captured(1) : arg.captured(1);
        }
        members << (m.captured(1) == "property" ? m.captured(2) + ":" + m.captured(3) + ":" + m.captured(4)
                                                : m.captured(2) + "(" + sig + ")");
        if (m.captured(2) == "Release")
            break;
    }
    EXPECT_EQ(members,
              QStringList({"DisplayFormat:i:readwrite", "WriteResult:n:read", "ReadResult:n:read",
                           "CreateRequest(iiiii->i)", "ShowWindow()", "PresetMultipleRegisters(iii->b)",
                           "ForceSingleCoil(ii->b)", "PresetSingleRegister(ii->b)", "ForceMultipleCoils(iii->b)",
                           "GetRegister(n->n)", "SetRegister(nn)", "GetLong(n->i)", "SetLong(ni)",
                           "GetLongInv(n->i)", "SetLongInv(ni)", "GetFloat(n->d)", "SetFloat(nd)",
                           "GetFloatInv(n->d)", "SetFloatInv(nd)", "GetDouble(n->d)", "SetDouble(nd)",
                           "GetDoubleInv(n->d)", "SetDoubleInv(nd)", "GetCoil(n->n)", "SetCoil(nn)",
                           "GetValue(n->d)", "GetValueText(n->s)", "Connection:s:readwrite", "Release()"}));

    struct BadCall {
        QString path, iface, member;
        QVariantList args;
        QString error;
    };
    const QList<BadCall> bad = {
        {path, kDocIface, "GetRegister", {1}, "org.freedesktop.DBus.Error.InvalidArgs"},
        {path, kDocIface, "CreateRequest", {1, 3, 0, 10}, "org.freedesktop.DBus.Error.InvalidArgs"},
        {path, kDocIface, "Explode", {}, "org.freedesktop.DBus.Error.UnknownMethod"},
        {path, "Zentiq.Other", "GetRegister", {n(1)}, "org.freedesktop.DBus.Error.UnknownInterface"},
        {"/Zentiq/Documents/99", kDocIface, "GetRegister", {n(1)}, "org.freedesktop.DBus.Error.UnknownObject"},
        {"/Zentiq/Documents/01", kDocIface, "GetRegister", {n(1)}, "org.freedesktop.DBus.Error.UnknownObject"},
        {"/Zentiq/Documents", kDocIface, "GetRegister", {n(1)}, "org.freedesktop.DBus.Error.UnknownObject"},
        // Only the spelling the server hands out names a document.
        {"/Zentiq/Documents/0", kDocIface, "GetRegister", {n(1)}, "org.freedesktop.DBus.Error.UnknownObject"},
        {"/Zentiq/Documents/1/x", kDocIface, "GetRegister", {n(1)}, "org.freedesktop.DBus.Error.UnknownObject"},
        {"/Zentiq/Documents/1x", kDocIface, "GetRegister", {n(1)}, "org.freedesktop.DBus.Error.UnknownObject"},
        {"/Zentiq/Documents1", kDocIface, "GetRegister", {n(1)}, "org.freedesktop.DBus.Error.UnknownObject"},
        {"/Zentiq/Documents/4294967297", kDocIface, "GetRegister", {n(1)},
         "org.freedesktop.DBus.Error.UnknownObject"},
        // Members are found by their exact name and kind, with their exact arguments.
        {path, kDocIface, "getregister", {n(1)}, "org.freedesktop.DBus.Error.UnknownMethod"},
        {path, kDocIface, "ReadResult", {}, "org.freedesktop.DBus.Error.UnknownMethod"},
        {path, kDocIface, "GetRegister", {}, "org.freedesktop.DBus.Error.InvalidArgs"},
        {path, kDocIface, "GetRegister", {n(1), n(2)}, "org.freedesktop.DBus.Error.InvalidArgs"},
        {path, kDocIface, "SetRegister", {n(1)}, "org.freedesktop.DBus.Error.InvalidArgs"},
        {path, kDocIface, "Release", {n(1)}, "org.freedesktop.DBus.Error.UnknownMethod"},
        {path, kProps, "Get", {kDocIface, "readresult"}, "org.freedesktop.DBus.Error.UnknownProperty"},
        {path, kProps, "Set", {kDocIface, "WriteResult", QVariant::fromValue(QDBusVariant(n(0)))},
         "org.freedesktop.DBus.Error.PropertyReadOnly"},
        {path, kProps, "Set", {kDocIface, "DisplayFormat", QVariant::fromValue(QDBusVariant(n(2)))},
         "org.freedesktop.DBus.Error.InvalidArgs"},
        {path, kProps, "Get", {kDocIface, "CreateRequest"}, "org.freedesktop.DBus.Error.UnknownProperty"},
        {"/Zentiq", "Zentiq.Application", "CreateDocument", {1}, "org.freedesktop.DBus.Error.UnknownMethod"},
    };
    for (const BadCall& b : bad) {
        const QDBusMessage r = call(b.path, b.iface, b.member, b.args);
        EXPECT_EQ(r.type(), QDBusMessage::ErrorMessage) << b.member.toStdString();
        EXPECT_EQ(r.errorName(), b.error) << b.path.toStdString() << " " << b.member.toStdString();
    }
    EXPECT_EQ(app->Documents().size(), 2) << "refused calls change nothing";
}

TEST_F(AutomationTest, CreateRequestTakesOnlyReadPollsWithinTheLimitsAndResultsAre6WithoutAConnection) {
    start();
    const QString path = create();
    ASSERT_FALSE(path.isEmpty());
    // Refused calls answer InvalidArgs with the limit they broke and change nothing.
    struct Case {
        int slave, function, address, length, scanRate;
        const char* refusal;  // nullptr: taken
    };
    const Case cases[] = {
        {1, 3, 0, 128, 1000, "length must be 1..125 for function 3, not 128"},
        {1, 3, 0, 127, 1000, "length must be 1..125 for function 3, not 127"},
        {1, 3, 0, 125, 1000, nullptr},
        {1, 4, 65535, 0, 60000, "length must be 1..125 for function 4, not 0"},
        {1, 4, 65535, 1, 60000, nullptr},
        {1, 3, 65530, 10, 100, "address + length must be at most 65536: the last address would be 65539, past 65535"},
        {1, 3, 65526, 10, 100, nullptr},
        {1, 1, 0, 2000, 20, nullptr},
        {1, 1, 64000, 2000, 20, "the last address would be 65999, past 65535"},
        {1, 2, 0, 2001, 20, "length must be 1..2000 for function 2, not 2001"},
        {1, 3, 0, 10, 19, "scanRate must be 20..60000 ms, not 19"},
        {1, 3, 0, 10, 60001, "scanRate must be 20..60000 ms, not 60001"},
        {0, 3, 0, 10, 100, "slave must be 1..255 for a read (0 is the broadcast address), not 0"},
        {256, 3, 0, 10, 100, "slave must be 1..255 for a read (0 is the broadcast address), not 256"},
        {1, 5, 0, 1, 100, "function must be 1, 2, 3 or 4 (a read), not 5"},
        {1, 3, -1, 10, 100, "address must be 0..65535, not -1"},
        {1, 3, 65536, 10, 100, "address must be 0..65535, not 65536"},
        {1, 4, 0, -1, 100, "length must be 1..125 for function 4, not -1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.slave << " " << c.function << " " << c.address << " " << c.length
                                          << " " << c.scanRate);
        model(path).values.fill(7);
        model(path).def.bEnable = 0;
        app->Automation()->Find(1)->Document()->SetModifiedFlag(false);
        const PollDefinition before = model(path).def;
        const QDBusMessage r =
            call(path, kDocIface, "CreateRequest", {c.slave, c.function, c.address, c.length, c.scanRate});
        const PollDocumentModel& m = model(path);
        if (c.refusal != nullptr) {
            EXPECT_EQ(r.errorName(), "org.freedesktop.DBus.Error.InvalidArgs");
            EXPECT_TRUE(r.errorMessage().startsWith("CreateRequest: ")) << r.errorMessage().toStdString();
            EXPECT_TRUE(r.errorMessage().contains(QLatin1String(c.refusal))) << r.errorMessage().toStdString();
            EXPECT_EQ(m.def, before);
            EXPECT_EQ(m.values[0], 7);
            EXPECT_FALSE(app->Automation()->Find(1)->Document()->IsModified());
            continue;
        }
        ASSERT_EQ(r.type(), QDBusMessage::ReplyMessage) << r.errorMessage().toStdString();
        EXPECT_EQ(r.arguments().value(0).toInt(), 1);
        EXPECT_EQ(std::tie(m.def.SlaveID, m.def.FunctionValue, m.def.Address, m.def.Length, m.def.ScanRate),
                  std::tie(c.slave, c.function, c.address, c.length, c.scanRate));
        EXPECT_EQ(m.def.bEnable, 1) << "polling is switched on";
        EXPECT_NE(m.slotIndex, -1);
        EXPECT_EQ(m.values[0], 0);
        EXPECT_TRUE(app->Automation()->Find(1)->Document()->IsModified());
    }

    EXPECT_EQ(property(path, "ReadResult").value<qint16>(), 6);
    EXPECT_EQ(property(path, "WriteResult").value<qint16>(), 6);
    // Without a connection a write would wait in the one-shot slot and go out
    // at the next connect: refused.
    EXPECT_FALSE(doc(path, "PresetSingleRegister", {1, 0}).toBool());
    EXPECT_EQ(GetSlotStatus(0), 0) << "nothing was submitted";

    for (auto [value, expected] : {std::pair{4, 4}, {10, 4}, {-1, 4}, {99, 4}, {9, 9}}) {
        const QDBusMessage r =
            call(path, kProps, "Set", {kDocIface, "DisplayFormat", QVariant::fromValue(QDBusVariant(value))});
        EXPECT_EQ(property(path, "DisplayFormat").toInt(), expected) << value;
        if (value == expected)
            continue;
        EXPECT_EQ(r.errorName(), "org.freedesktop.DBus.Error.InvalidArgs") << value;
        EXPECT_EQ(r.errorMessage(), QStringLiteral("DisplayFormat must be 0..9, not %1").arg(value));
    }
}

// ---- against a real slave -----------------------------------------------------------------------

TEST_F(AutomationTest, PolledValuesReadInEveryWordOrderAndWritesReachTheSlave) {
    std::string error;
    auto peer = PeerProcess::LibModbus(PeerProcess::Mode::Tcp, "", error);
    ASSERT_NE(peer, nullptr) << error;
    start();
    connectTo(peer->Port());

    const QString reader = create();
    // 125 registers, the most a slave answers in one read.
    ASSERT_EQ(doc(reader, "CreateRequest", {1, 3, 0, 125, 20}).toInt(), 1);
    ASSERT_TRUE(waitUntil([&] { return doc(reader, "GetRegister", {n(124)}).value<qint16>() != 0; }));
    EXPECT_EQ(property(reader, "ReadResult").value<qint16>(), 0) << "after good polls";
    const auto reg = [](int i) { return quint64(zq_peer_holding(unsigned(i))); };
    for (int i : {0, 1, 63, 124})
        EXPECT_EQ(doc(reader, "GetRegister", {n(i)}).value<qint16>(), qint16(reg(i))) << i;
    EXPECT_EQ(doc(reader, "GetLong", {n(1)}).toInt(), qint32(reg(3) << 16 | reg(2)));
    EXPECT_EQ(doc(reader, "GetLongInv", {n(1)}).toInt(), qint32(reg(2) << 16 | reg(3)));
    EXPECT_EQ(doc(reader, "GetFloat", {n(61)}).toDouble(),
              double(std::bit_cast<float>(quint32(reg(123) << 16 | reg(122)))));
    EXPECT_EQ(doc(reader, "GetFloatInv", {n(61)}).toDouble(),
              double(std::bit_cast<float>(quint32(reg(122) << 16 | reg(123)))));
    EXPECT_EQ(doc(reader, "GetDouble", {n(30)}).toDouble(),
              std::bit_cast<double>(reg(123) << 48 | reg(122) << 32 | reg(121) << 16 | reg(120)));
    EXPECT_EQ(doc(reader, "GetDouble", {n(31)}).toDouble(), 0.0) << "beyond the Double limit";
    // Registers 124..127, highest word first; 125..127 lie past the poll.
    EXPECT_EQ(doc(reader, "GetDoubleInv", {n(31)}).toDouble(), std::bit_cast<double>(reg(124) << 48));

    // Each write method through the one-shot slot, read back by a poll of its own.
    struct Write {
        const char* method;
        QVariantList args;  // slave, address[, count]
        bool coils;
        std::vector<int> written;  // values set in the write buffer
        std::vector<int> expected;  // what the slave then holds from `address` on
    };
    const Write writes[] = {
        {"PresetMultipleRegisters", {1, 200, 3}, false, {-2, 0x1234, 7}, {-2, 0x1234, 7}},
        {"PresetSingleRegister", {1, 210}, false, {-300}, {-300}},
        {"ForceMultipleCoils", {1, 300, 4}, true, {1, 0, 5, 1}, {1, 0, 1, 1}},
        {"ForceSingleCoil", {1, 310}, true, {1}, {1}},
    };
    const QString writer = create();
    for (const Write& w : writes) {
        for (std::size_t i = 0; i < w.written.size(); ++i)
            doc(writer, w.coils ? "SetCoil" : "SetRegister", {n(int(i)), n(w.written[i])});
        ASSERT_TRUE(waitUntil([&] { return doc(writer, w.method, w.args).toBool(); })) << w.method;
        ASSERT_TRUE(waitUntil([&] { return property(writer, "WriteResult").value<qint16>() == 0; })) << w.method;
        const int address = w.args[1].toInt();
        const int count = int(w.expected.size());
        ASSERT_EQ(doc(reader, "CreateRequest", {1, w.coils ? 1 : 3, address, count, 20}).toInt(), 1);
        const char* get = w.coils ? "GetCoil" : "GetRegister";
        EXPECT_TRUE(waitUntil([&] {
            for (int i = 0; i < count; ++i)
                if (doc(reader, get, {n(i)}).value<qint16>() != w.expected[std::size_t(i)])
                    return false;
            return true;
        })) << w.method;
    }

    // Arguments one request cannot carry are refused with the limit they
    // broke, send nothing, and leave the one-shot slot free for the next write.
    struct Refused {
        const char* method;
        QVariantList args;
        const char* limit;
    };
    const Refused refused[] = {
        {"PresetMultipleRegisters", {1, 200, 0}, "count must be 1..123 registers, not 0"},
        {"PresetMultipleRegisters", {1, 200, 124}, "count must be 1..123 registers, not 124"},
        {"PresetMultipleRegisters", {1, 200, 128}, "count must be 1..123 registers, not 128"},
        {"PresetMultipleRegisters", {1, 65536, 1}, "address must be 0..65535, not 65536"},
        {"PresetMultipleRegisters", {1, 65534, 3},
         "address + count must be at most 65536: the last address would be 65536, past 65535"},
        {"PresetMultipleRegisters", {256, 200, 1}, "slave must be 0..255, not 256"},
        {"ForceMultipleCoils", {1, 0, 1969}, "count must be 1..1968 coils, not 1969"},
        {"ForceMultipleCoils", {1, 65000, 600},
         "address + count must be at most 65536: the last address would be 65599, past 65535"},
        {"ForceSingleCoil", {-1, 0}, "slave must be 0..255, not -1"},
        {"PresetSingleRegister", {1, -5}, "address must be 0..65535, not -5"},
    };
    for (const Refused& r : refused) {
        const QDBusMessage answer = call(writer, kDocIface, QLatin1String(r.method), r.args);
        EXPECT_EQ(answer.errorName(), "org.freedesktop.DBus.Error.InvalidArgs") << r.method << " " << r.limit;
        EXPECT_EQ(answer.errorMessage(), QLatin1String(r.method) + ": " + QLatin1String(r.limit))
            << answer.errorMessage().toStdString();
    }
    EXPECT_TRUE(waitUntil([&] { return doc(writer, "PresetSingleRegister", {1, 211}).toBool(); }));

    // The most one request carries reaches the slave whole.
    const QString widest = create();
    for (int i = 0; i < 123; ++i)
        doc(widest, "SetRegister", {n(i), n(1000 + i)});
    ASSERT_TRUE(waitUntil([&] { return doc(widest, "PresetMultipleRegisters", {1, 1000, 123}).toBool(); }));
    ASSERT_EQ(doc(reader, "CreateRequest", {1, 3, 1000, 123, 20}).toInt(), 1);
    EXPECT_TRUE(waitUntil([&] {
        return doc(reader, "GetRegister", {n(0)}).value<qint16>() == 1000 &&
               doc(reader, "GetRegister", {n(122)}).value<qint16>() == 1122;
    }));
    const QString coils = create();
    doc(coils, "SetCoil", {n(0), n(1)});
    doc(coils, "SetCoil", {n(1967), n(1)});
    ASSERT_TRUE(waitUntil([&] { return doc(coils, "ForceMultipleCoils", {1, 0, 1968}).toBool(); }));
    ASSERT_EQ(doc(reader, "CreateRequest", {1, 1, 0, 2000, 20}).toInt(), 1);
    EXPECT_TRUE(waitUntil([&] {
        return doc(reader, "GetCoil", {n(0)}).value<qint16>() == 1 && doc(reader, "GetCoil", {n(3)}).value<qint16>() == 0 &&
               doc(reader, "GetCoil", {n(1967)}).value<qint16>() == 1 &&
               doc(reader, "GetCoil", {n(1968)}).value<qint16>() == qint16(zq_peer_coil(1968));
    })) << "coil 3 was on and 1968 lies past the write";

    // Coils and registers share the write buffer: a register's two bytes
    // switch on the coils at their offsets (0x0457 = 1111: coils 0 and 1).
    const QString shared = create();
    doc(shared, "SetRegister", {n(0), n(1111)});
    ASSERT_TRUE(waitUntil([&] { return doc(shared, "ForceMultipleCoils", {1, 400, 16}).toBool(); }));
    ASSERT_EQ(doc(reader, "CreateRequest", {1, 1, 400, 16, 20}).toInt(), 1);
    EXPECT_TRUE(waitUntil([&] {
        for (int i = 0; i < 16; ++i)
            if (doc(reader, "GetCoil", {n(i)}).value<qint16>() != (i < 2 ? 1 : 0))
                return false;
        return true;
    }));

    // Released while its 20 ms poll keeps results coming: nothing arrives late.
    const QString fast = create();
    ASSERT_EQ(doc(fast, "CreateRequest", {1, 3, 0, 10, 20}).toInt(), 1);
    ASSERT_TRUE(waitUntil([&] { return property(fast, "ReadResult").value<qint16>() == 0; }));
    const int before = int(app->Documents().size());
    doc(fast, "Release");
    EXPECT_TRUE(waitUntil([&] { return int(app->Documents().size()) == before - 1; }));
    QTest::qWait(100);
    EXPECT_EQ(doc(reader, "GetCoil", {n(0)}).value<qint16>(), 1) << "the other documents go on";
    EXPECT_TRUE(quits.empty());
}

// ---- lifetime ---------------------------------------------------------------------------------

TEST_F(AutomationTest, DocumentsLiveUntilReleasedOrTheirClientLeavesAndTheLastOneEndsAHiddenProgram) {
    start();
    const QString a = client();
    const QString b = client();
    const QString a1 = create(a), a2 = create(a), b1 = create(b);
    const QString detached = create(b, "CreateDetachedDocument");
    ASSERT_EQ(app->Documents().size(), 4);

    QDBusConnection::disconnectFromBus(a);
    ASSERT_TRUE(waitUntil([&] { return app->Automation()->DocumentCount() == 2; }));
    EXPECT_TRUE(waitUntil([&] { return app->Documents().size() == 2; })) << "their windows close";
    EXPECT_EQ(call(a1, kDocIface, "GetRegister", {n(0)}, b).errorName(), "org.freedesktop.DBus.Error.UnknownObject");
    EXPECT_TRUE(quits.empty());

    QDBusConnection::disconnectFromBus(b);
    ASSERT_TRUE(waitUntil([&] { return app->Automation()->DocumentCount() == 1; }));
    EXPECT_TRUE(quits.empty()) << "a detached document stays until released";

    // A dialog of the user's may be working on the document: it closes after.
    const QString c = client();
    QDialog dialog;
    dialog.setModal(true);
    dialog.show();
    EXPECT_EQ(call(detached, kDocIface, "Release", {}, c).type(), QDBusMessage::ReplyMessage);
    QTest::qWait(50);
    EXPECT_EQ(app->Documents().size(), 1);
    dialog.close();
    EXPECT_TRUE(waitUntil([&] { return app->Documents().isEmpty(); }));
    EXPECT_EQ(quits, std::vector<int>{0}) << "the last one ends a program nobody sees";
    EXPECT_EQ(call(detached, kDocIface, "Release", {}, c).errorName(), "org.freedesktop.DBus.Error.UnknownObject");
}

TEST_F(AutomationTest, AShownDocumentIsTheUsersAndAClosedOneFailsCleanly) {
    start();
    const QString path = create();
    ASSERT_EQ(doc(path, "CreateRequest", {1, 3, 0, 10, 100}).toInt(), 1);
    doc(path, "ShowWindow");
    ASSERT_EQ(app->ChildFrames().size(), 1);
    EXPECT_TRUE(app->ChildFrames()[0]->isVisible());
    EXPECT_TRUE(app->MainFrame()->isVisible());

    // The user closes the window while the client still holds its path.
    app->ChildFrames()[0]->CloseWithoutAsking();
    ASSERT_TRUE(waitUntil([&] { return app->Automation()->DocumentCount() == 0; }));
    for (const char* member : {"GetRegister", "SetRegister"}) {
        const QVariantList args = QByteArray(member) == "GetRegister" ? QVariantList{n(0)} : QVariantList{n(0), n(1)};
        EXPECT_EQ(call(path, kDocIface, member, args).errorName(), "org.freedesktop.DBus.Error.UnknownObject");
    }
    EXPECT_TRUE(quits.empty()) << "the main window is the user's now";
}

// ---- documents a client owns ---------------------------------------------------------------

TEST_F(AutomationTest, AClientsDocumentIsNoneOfTheUsersWindowsAndOutlivesTheMainFrame) {
    recorder.answer = QMessageBox::No;  // the documents' save questions
    start({});  // a normal start with the user's window
    CMainFrame& frame = *app->MainFrame();
    const QString path = create();
    ASSERT_EQ(doc(path, "CreateRequest", {1, 3, 0, 10, 100}).toInt(), 1);
    const int id = path.section('/', -1).toInt();
    const QPointer<CZentiqDoc> clients = app->Automation()->Find(id)->Document();
    ASSERT_TRUE(clients->IsModified());

    // The user closes the last own window: no command reaches the client's.
    ASSERT_EQ(frame.ChildFrames().size(), 1);
    frame.ChildFrames()[0]->CloseWithoutAsking();
    EXPECT_TRUE(frame.ChildFrames().isEmpty()) << "nor in the Window menu";
    EXPECT_EQ(frame.ActiveChildFrame(), nullptr);
    for (int command : {cmd::PollDefinition, cmd::FileSave, cmd::WriteSingleRegister, cmd::WindowCascade})
        EXPECT_FALSE(frame.QueryCommand(command).enabled) << command;
    // The menus follow once the closed window is gone (a deferred delete).
    EXPECT_TRUE(waitUntil([&] { return !frame.ShowsDocumentMenu(); }))
        << "the menus of a program without windows";

    // A workspace opens and the main frame closes around it, unasked.
    app->OnFileNew();
    WorkspaceFile::Contents contents;
    contents.settings = app->Connection().Settings();
    contents.mainFrame = frame.CurrentPlacement();
    const QString workspace = dirPath() + "/empty.zqw";
    ASSERT_EQ(WorkspaceFile::Save(workspace, contents), WorkspaceFile::Status::Ok);
    ASSERT_TRUE(app->Workspaces()->OpenWorkspace(workspace, false));
    EXPECT_TRUE(frame.ChildFrames().isEmpty());
    frame.show();
    EXPECT_TRUE(frame.close());
    QTest::qWait(50);
    EXPECT_TRUE(recorder.questions.empty());
    ASSERT_FALSE(clients.isNull());
    EXPECT_EQ(app->Automation()->Find(id)->Document(), clients.data());
    EXPECT_TRUE(quits.empty()) << "a client still owns a document";

    // The program ends with the client's last document.
    doc(path, "Release");
    EXPECT_TRUE(waitUntil([&] { return !quits.empty(); }));
    EXPECT_EQ(quits, std::vector<int>{0});
}

TEST_F(AutomationTest, AClientsDocumentAnswersOnlyItsConnectionAndADetachedOneEveryClient) {
    std::string error;
    auto peer = PeerProcess::LibModbus(PeerProcess::Mode::Tcp, "", error);
    ASSERT_NE(peer, nullptr) << error;
    start();
    connectTo(peer->Port());
    const QString a = client(), b = client();
    const QString path = create(a);
    const QString detached = create(a, "CreateDetachedDocument");
    ASSERT_EQ(call(path, kDocIface, "SetRegister", {n(0), n(1234)}, a).type(), QDBusMessage::ReplyMessage);
    const PollDefinition before = model(path).def;

    // Every kind of call from another connection, the reads that the bus
    // thread answers for the owner included.
    struct Call {
        QString iface, member;
        QVariantList args;
    };
    const Call calls[] = {
        {kDocIface, "SetRegister", {n(0), n(7777)}},
        {kDocIface, "PresetSingleRegister", {1, 500}},
        {kDocIface, "CreateRequest", {1, 3, 0, 10, 100}},
        {kDocIface, "ShowWindow", {}},
        {kDocIface, "GetRegister", {n(0)}},
        {kDocIface, "Release", {}},
        {kProps, "Get", {kDocIface, "ReadResult"}},
        {kProps, "Set", {kDocIface, "DisplayFormat", QVariant::fromValue(QDBusVariant(3))}},
        {kProps, "GetAll", {kDocIface}},
    };
    for (const Call& c : calls) {
        const QDBusMessage r = call(path, c.iface, c.member, c.args, b);
        EXPECT_EQ(r.errorName(), "org.freedesktop.DBus.Error.AccessDenied") << c.member.toStdString();
        EXPECT_TRUE(r.errorMessage().startsWith(path + " belongs to the connection that created it"))
            << r.errorMessage().toStdString();
    }
    EXPECT_EQ(app->Automation()->DocumentCount(), 2);
    EXPECT_EQ(av::Register(model(path).writeValues, 0), 1234);
    EXPECT_EQ(model(path).def, before);
    EXPECT_TRUE(document(path).OwnedByClient()) << "not shown";

    // The owner goes on, and the slave never saw the other client's write.
    ASSERT_EQ(call(path, kDocIface, "CreateRequest", {1, 3, 500, 1, 20}, a).arguments().value(0), 1);
    EXPECT_TRUE(waitUntil([&] {
        return call(path, kDocIface, "GetRegister", {n(0)}, a).arguments().value(0).value<qint16>() ==
               qint16(zq_peer_holding(500));
    }));

    // A detached document answers every client.
    EXPECT_EQ(call(detached, kDocIface, "SetRegister", {n(0), n(5)}, b).type(), QDBusMessage::ReplyMessage);
    EXPECT_EQ(call(detached, kDocIface, "GetRegister", {n(0)}, b).type(), QDBusMessage::ReplyMessage);
    EXPECT_EQ(call(detached, kDocIface, "Release", {}, b).type(), QDBusMessage::ReplyMessage);
    EXPECT_EQ(app->Automation()->DocumentCount(), 1);
    EXPECT_EQ(call(path, kDocIface, "Release", {}, a).type(), QDBusMessage::ReplyMessage);
}

TEST_F(AutomationTest, DocumentsAreLimitedPerConnectionAndInAllAndStayOutOfTheWindowArea) {
    recorder.answer = QMessageBox::No;  // the documents' save questions
    start({});  // the user's window and document
    CMainFrame& frame = *app->MainFrame();
    ASSERT_EQ(frame.MdiArea()->subWindowList().size(), 1);
    constexpr int kPerClient = AutomationServer::kDocumentsPerClient;
    static_assert(4 * kPerClient == AutomationServer::kDocumentsInAll);
    const QString limitsExceeded = QStringLiteral("org.freedesktop.DBus.Error.LimitsExceeded");
    const auto refusal = [&](const QString& via, const char* method = "CreateDocument") {
        const QDBusMessage r = call("/Zentiq", "Zentiq.Application", QLatin1String(method), {}, via);
        EXPECT_EQ(r.errorName(), limitsExceeded) << method;
        return r.errorMessage();
    };
    QStringList clients;
    for (int c = 0; c < 5; ++c)
        clients << client();
    for (int c = 0; c < 4; ++c)
        for (int i = 0; i < kPerClient; ++i)
            ASSERT_FALSE(create(clients[c]).isEmpty()) << c << " " << i;
    EXPECT_EQ(app->Automation()->DocumentCount(), 1024);
    EXPECT_EQ(refusal(clients[0]), "This connection holds 256 documents, the most one client may hold: release one first");
    EXPECT_EQ(refusal(clients[4]), "Clients hold 1024 documents, the most Zentiq serves: release one first");
    EXPECT_EQ(refusal(clients[4], "CreateDetachedDocument"),
              "Clients hold 1024 documents, the most Zentiq serves: release one first");

    // Hidden, they are none of the window area's, the menus' or the window list's.
    EXPECT_EQ(frame.MdiArea()->subWindowList().size(), 1);
    EXPECT_EQ(frame.ChildFrames().size(), 1);
    EXPECT_EQ(app->ChildFrames().size(), 1025);
    for (const CChildFrame* f : app->ChildFrames())
        EXPECT_EQ(f->isVisible(), !f->OwnedByClient());
    frame.hide();
    frame.show();
    const QList<CChildFrame*> frames = app->ChildFrames();
    EXPECT_EQ(std::count_if(frames.begin(), frames.end(), [](const CChildFrame* f) { return f->isVisible(); }), 1)
        << "the main frame shows no client's frame";

    // A shown one joins the area; a released one makes room for another client's.
    const QString shown = AutomationServer::DocumentPath(1);
    ASSERT_EQ(call(shown, kDocIface, "ShowWindow", {}, clients[0]).type(), QDBusMessage::ReplyMessage);
    ASSERT_EQ(frame.MdiArea()->subWindowList().size(), 2);
    EXPECT_TRUE(frame.MdiArea()->subWindowList().last()->isVisible());
    EXPECT_EQ(frame.ChildFrames().size(), 2);
    EXPECT_EQ(call(AutomationServer::DocumentPath(kPerClient + 1), kDocIface, "Release", {}, clients[1]).type(),
              QDBusMessage::ReplyMessage);
    EXPECT_FALSE(create(clients[4]).isEmpty());
    EXPECT_EQ(refusal(clients[4]), "Clients hold 1024 documents, the most Zentiq serves: release one first");

    // Clients that leave take theirs with them; detached ones count together.
    QDBusConnection::disconnectFromBus(clients[2]);
    QDBusConnection::disconnectFromBus(clients[3]);
    ASSERT_TRUE(waitUntil([&] { return app->Automation()->DocumentCount() == 512; }, 60000));
    for (int i = 0; i < kPerClient; ++i)
        ASSERT_FALSE(create(clients[i % 2 == 0 ? 4 : 1], "CreateDetachedDocument").isEmpty()) << i;
    EXPECT_EQ(refusal(clients[0], "CreateDetachedDocument"),
              "256 detached documents are open, the most there may be: release one first");
    EXPECT_FALSE(create(clients[4]).isEmpty()) << "the client's own documents are counted apart";
    EXPECT_EQ(app->Automation()->DocumentCount(), 769);
}

TEST_F(AutomationTest, AShownDocumentStaysWithTheUserWhenItsClientLetsGo) {
    recorder.answer = QMessageBox::No;  // the documents' save questions
    for (const bool clientLeaves : {false, true}) {
        app.reset();
        start();
        const QString via = client();
        const QString path = create(via);
        ASSERT_EQ(call(path, kDocIface, "ShowWindow", {}, via).type(), QDBusMessage::ReplyMessage);
        ASSERT_EQ(app->MainFrame()->ChildFrames().size(), 1) << "now the user's";
        EXPECT_TRUE(app->MainFrame()->ShowsDocumentMenu());
        CZentiqDoc* shown = app->MainFrame()->ChildFrames()[0]->Document();
        shown->SetModifiedFlag(true);  // the user edited aliases there

        if (clientLeaves)
            QDBusConnection::disconnectFromBus(via);
        else
            ASSERT_EQ(call(path, kDocIface, "Release", {}, via).type(), QDBusMessage::ReplyMessage);
        ASSERT_TRUE(waitUntil([&] { return app->Automation()->DocumentCount() == 0; }));
        QTest::qWait(50);
        ASSERT_EQ(app->Documents().size(), 1) << clientLeaves;
        EXPECT_EQ(app->Documents()[0], shown);
        EXPECT_TRUE(shown->IsModified());
        EXPECT_TRUE(recorder.questions.empty());
        EXPECT_TRUE(quits.empty());
    }
}

TEST_F(AutomationTest, WithoutASessionBusAnAutomationStartEndsAndANormalStartGoesOn) {
    const QByteArray address = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("XDG_RUNTIME_DIR", dirPath().toUtf8());

    start();
    EXPECT_TRUE(started);
    EXPECT_FALSE(app->Automation()->IsServing());
    EXPECT_TRUE(app->Automation()->Problem().contains("no D-Bus session bus"));
    EXPECT_EQ(quits, std::vector<int>{1}) << "nobody could ever reach it";

    quits.clear();
    start({});
    EXPECT_TRUE(started);
    EXPECT_EQ(app->Documents().size(), 1);
    EXPECT_TRUE(app->MainFrame()->isVisible());
    EXPECT_FALSE(app->Automation()->Problem().isEmpty());
    EXPECT_TRUE(quits.empty());

    qputenv("DBUS_SESSION_BUS_ADDRESS", address);
    qputenv("XDG_RUNTIME_DIR", runtime);
}

// ---- value reads answered on the bus thread -----------------------------------------------

TEST_F(AutomationTest, ValueReadsAnswerAsTheDocumentAfterEachKindOfChangeOfItsValues) {
    start();
    const QString path = create();
    ASSERT_EQ(doc(path, "CreateRequest", {1, 3, 0, 60, 1000}).toInt(), 1);
    const QString file = dirPath() + "/stored.zqd";
    {
        CZentiqDoc stored;
        stored.Model().values = pattern(40);
        QString error;
        ASSERT_TRUE(stored.OnSaveDocument(file, &error)) << error.toStdString();
    }
    const auto redefine = [](CZentiqDoc& d, int function, int shift) {
        DefinitionDialogValues v = CZentiqSetup::FromModel(d.Model());
        v.functionIndex = function;
        v.shownAddress += shift;
        v.length = 20;
        d.ApplyDefinition(v);
    };
    const std::pair<const char*, std::function<void(CZentiqDoc&)>> changes[] = {
        {"CreateRequest of the client", [&](CZentiqDoc&) { doc(path, "CreateRequest", {1, 4, 10, 20, 500}); }},
        {"definition dialog", [&](CZentiqDoc& d) { redefine(d, 2, 3); }},
        {"file loaded", [&](CZentiqDoc& d) {
             QString error;
             ASSERT_TRUE(d.OnOpenDocument(file, &error)) << error.toStdString();
         }},
        {"coil typed in the shown window of a write poll", [&](CZentiqDoc& d) {
             doc(path, "ShowWindow");
             redefine(d, 6, 0);  // function 15
             d.Model().values[4] = 0;
             d.RefreshValues(true);
             int row = 0, column = 0;
             ASSERT_TRUE(d.Model().CellOfItem(4, row, column));
             d.Grid()->model().setFocusCell(row, column);
             QTest::keyClick(d.Grid(), Qt::Key_Space, Qt::NoModifier);
             ASSERT_EQ(d.Model().values[4], 1);
         }},
    };
    for (const auto& [what, change] : changes) {
        CZentiqDoc& d = document(path);
        d.Model().values = pattern(1);
        d.RefreshValues(true);
        ASSERT_NO_FATAL_FAILURE(expectBusReadsAsTheDocument(path, std::string("before: ") + what));
        change(d);
        ASSERT_NE(d.Model().values, pattern(1)) << what << " changed nothing";
        expectBusReadsAsTheDocument(path, what);
    }
}

// Rows with types of their own read as the window shows them: the
// engineering value and the text with its unit, nothing where a typed value
// spans a register; every other row in the display format. The bus thread's
// copy answers as the document does.
TEST_F(AutomationTest, TypedRowsReadAsTheWindowShowsThem) {
    std::string error;
    auto peer = PeerProcess::LibModbus(PeerProcess::Mode::Tcp, "", error);
    ASSERT_NE(peer, nullptr) << error;
    start();
    connectTo(peer->Port());
    const QString path = create();
    RowType u32, f32, volts, badc;
    u32.reading = {DecodeKind::Unsigned32, ByteOrder::ABCD};
    f32.reading = {DecodeKind::Float32, ByteOrder::CDAB};
    f32.scale = 2;
    volts.scale = 0.1;
    volts.unit = "V";
    volts.reading = {DecodeKind::Signed16, ByteOrder::ABCD};
    badc.reading = {DecodeKind::Signed32, ByteOrder::BADC};
    ASSERT_TRUE(document(path).ReplaceRowTypes({{296, u32}, {298, f32}, {302, volts}, {304, badc}}));
    ASSERT_EQ(doc(path, "CreateRequest", {1, 3, 296, 10, 20}).toInt(), 1);
    const auto reg = [](int address) { return quint32(zq_peer_holding(unsigned(address))); };
    // Before the first answer the row reads the zeros of an empty buffer.
    const QString first = QString::number(reg(296) << 16 | reg(297));
    ASSERT_TRUE(waitUntil([&] { return doc(path, "GetValueText", {n(0)}).toString() == first; }));

    const auto swapped = [&](int address) { return (reg(address) & 0xFF) << 8 | reg(address) >> 8; };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double volt = 0.1 * qint16(reg(302));
    const qint32 badcValue = qint32(swapped(304) << 16 | swapped(305));
    const struct {
        int item;
        double value;  // NaN: none
        QString text;  // null: not compared (a float's digits are the window's business)
    } reads[] = {
        {0, double(reg(296) << 16 | reg(297)), QString::number(reg(296) << 16 | reg(297))},
        {1, nan, ""},  // spanned by the 32-bit value
        {2, 2.0 * std::bit_cast<float>(reg(299) << 16 | reg(298)), QString()},
        {6, volt, QString::number(volt, 'f', 1) + " V"},
        {7, double(qint16(reg(303))), QString::number(qint16(reg(303)))},  // the display format
        {8, double(badcValue), QString::number(badcValue)},
        {10, nan, ""},  // outside the poll
    };
    for (const auto& r : reads) {
        SCOPED_TRACE(r.item);
        const double value = doc(path, "GetValue", {n(r.item)}).toDouble();
        EXPECT_TRUE(std::isnan(r.value) ? std::isnan(value) : std::abs(value - r.value) <= 1e-9 * std::abs(r.value))
            << value << " for " << r.value;
        if (!r.text.isNull()) {
            EXPECT_EQ(doc(path, "GetValueText", {n(r.item)}).toString(), r.text);
        }
    }
    // The original members still read the value buffer.
    EXPECT_EQ(doc(path, "GetRegister", {n(1)}).value<qint16>(), qint16(reg(297)));
    expectBusReadsAsTheDocument(path, "typed rows");
    // A type taken away: the display format again, at once.
    ASSERT_TRUE(document(path).SetRowTypes({302}, std::nullopt));
    EXPECT_EQ(doc(path, "GetValueText", {n(6)}).toString(), QString::number(qint16(reg(302))));
}

TEST_F(AutomationTest, PollResultsReachTheValueReadsAndAPipelinedReadWaitsForTheRequestBeforeIt) {
    std::string error;
    auto peer = PeerProcess::LibModbus(PeerProcess::Mode::Tcp, "", error);
    ASSERT_NE(peer, nullptr) << error;
    start();
    connectTo(peer->Port());
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
        const QList<QDBusMessage> r = pipelined(
            {method(path, kDocIface, "CreateRequest", {1, 3, to, 10, 20}), method(path, kDocIface, "GetRegister", {n(9)})});
        ASSERT_EQ(r[0].arguments().value(0).toInt(), 1);
        ASSERT_EQ(r[1].type(), QDBusMessage::ReplyMessage) << r[1].errorMessage().toStdString();
        const qint16 seen = r[1].arguments().value(0).value<qint16>();
        EXPECT_TRUE(seen == 0 || seen == reg(to + 9)) << round << ": " << seen << ", the old value is " << reg(from + 9);
    }
}

TEST_F(AutomationTest, ValueReadsSentAfterAReleaseFindNoDocumentAndThoseBeforeItTheirValues) {
    start();
    const QString path = create();
    document(path).Model().values = pattern(3);
    document(path).RefreshValues(true);
    constexpr int kReads = 150;
    QList<QDBusMessage> calls;
    for (int i = 0; i < 2 * kReads + 1; ++i)
        calls << (i == kReads ? method(path, kDocIface, "Release") : method(path, kDocIface, "GetRegister", {n(i % 127)}));
    const QList<QDBusMessage> r = pipelined(calls);
    for (int i = 0; i < kReads; ++i) {
        ASSERT_EQ(r[i].type(), QDBusMessage::ReplyMessage) << i;
        EXPECT_EQ(r[i].arguments().value(0).value<qint16>(), av::Register(pattern(3), i % 127)) << i;
    }
    EXPECT_EQ(r[kReads].type(), QDBusMessage::ReplyMessage) << "the release";
    for (int i = kReads + 1; i < r.size(); ++i)
        EXPECT_EQ(r[i].errorName(), kNoDocument) << i;
}

TEST_F(AutomationTest, AWindowClosedWhileAnotherThreadReadsEndsTheReadsWithNoDocument) {
    start();
    const QString via = client();
    const QString path = create(via);
    document(path).Model().values = pattern(8);
    document(path).RefreshValues(true);
    const qint16 expected = av::Register(pattern(8), 5);

    // A client on a thread of its own, reading as fast as the bus answers.
    std::atomic<int> values{0}, gone{0}, wrong{0}, afterGone{0};
    std::atomic<bool> finished{false};
    std::thread reader([&] {
        const QDBusConnection c(via);
        const QDBusMessage m = method(path, kDocIface, "GetRegister", {n(5)});
        for (int i = 0; i < 20000 && gone.load() < 100; ++i) {
            const QDBusMessage r = c.call(m, QDBus::Block, 10000);
            if (r.type() == QDBusMessage::ReplyMessage && r.arguments().value(0).value<qint16>() == expected) {
                ++values;
                afterGone += gone.load() > 0 ? 1 : 0;
            } else {
                ++(r.errorName() == kNoDocument ? gone : wrong);
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

// ---- the activation file ------------------------------------------------------------------------

TEST(ActivationFileTest, NamesTheProgramSoTheBusStartsItUnchangedAndIsWrittenOnce) {
    struct Case {
        QString program, exec;
    };
    const Case cases[] = {
        {"/usr/bin/zentiq", "/usr/bin/zentiq --automation"},
        {"/opt/my apps/zentiq", "'/opt/my apps/zentiq' --automation"},
        {"/home/o'neil/zentiq", "'/home/o'\\\\''neil/zentiq' --automation"},
        {"/a\\b/zentiq", "'/a\\\\b/zentiq' --automation"},
        {"/bad\npath", ""},
    };
    for (const Case& c : cases) {
        const QString text = activation_file::Contents(c.program);
        if (c.exec.isEmpty()) {
            EXPECT_TRUE(text.isEmpty());
            continue;
        }
        EXPECT_EQ(text, "[D-BUS Service]\nName=Zentiq.Document\nExec=" + c.exec + "\n") << c.program.toStdString();
    }

    QTemporaryDir dir;
    const QString services = dir.filePath("data/dbus-1/services");
    qputenv("XDG_DATA_HOME", dir.filePath("data").toUtf8());
    EXPECT_EQ(activation_file::ServicesDir(), services);
    qputenv("XDG_DATA_HOME", "relative/dir");
    EXPECT_EQ(activation_file::ServicesDir(), QDir::homePath() + "/.local/share/dbus-1/services");
    qunsetenv("XDG_DATA_HOME");

    QString error;
    ASSERT_TRUE(activation_file::Write(services, "/usr/bin/zentiq", &error)) << error.toStdString();
    QFile file(QDir(services).filePath(activation_file::FileName()));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), activation_file::Contents("/usr/bin/zentiq").toUtf8());
    const QDateTime written = QFileInfo(file).lastModified();
    QTest::qWait(20);
    ASSERT_TRUE(activation_file::Write(services, "/usr/bin/zentiq", &error));
    EXPECT_EQ(QFileInfo(file).lastModified(), written) << "an unchanged file is left alone";
    EXPECT_FALSE(activation_file::Write(file.fileName() + "/sub", "/usr/bin/zentiq", &error));
    EXPECT_FALSE(error.isEmpty());
}

}  // namespace
}  // namespace zentiq
