// The real program as a child process on a private session bus: an
// automation start ends with its last document and with its client, a
// normal start writes the activation file through which the bus then starts
// the program for a client, and a missing bus or a taken name is reported
// once while the program goes on.
#include <signal.h>
#include <sys/wait.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <fstream>

#include "app/activation_file.h"
#include "app/app_test_support.h"
#include "documents/zentiq_doc.h"
#include "support/peer_data.h"
#include "app/private_session_bus.h"
#include "app/program_runner.h"
#include "app/wait_until.h"
#include "app/xvfb_display.h"
#include "support/peer_process.h"
#include "support/qt_test_app.h"

namespace zentiq {
namespace {

namespace process = test::process;
using test::PeerProcess;

const QString kService = QStringLiteral("Zentiq.Document");

// Folders the bus daemon hands to every program it starts.
QTemporaryDir& busHome() {
    static QTemporaryDir dir;
    return dir;
}

test::PrivateSessionBus& privateBus() {
    static test::PrivateSessionBus bus({"XDG_DATA_HOME=" + busHome().filePath("data").toStdString(),
                                        "XDG_CONFIG_HOME=" + busHome().filePath("config").toStdString(),
                                        "QT_QPA_PLATFORM=offscreen"});
    return bus;
}

using test::waitUntil;

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        zentiq::testing::EnsureQApplication();
        ASSERT_TRUE(privateBus().ok()) << privateBus().error;
        ASSERT_TRUE(QFileInfo(QString::fromStdString(test::ProgramRunner::ProgramPath())).isExecutable())
            << test::ProgramRunner::ProgramPath() << " is missing: build the zentiq target";
    }
    void TearDown() override {
        for (const QString& name : m_clients)
            QDBusConnection::disconnectFromBus(name);
    }

    // The program with extra environment (NAME=VALUE, or -u NAME) and
    // arguments; its stderr goes to stderrPath.
    pid_t run(const std::vector<std::string>& environment, const std::vector<std::string>& args) {
        const pid_t pid = m_program.Run(environment, args);
        stderrPath = m_program.StderrPath();
        return pid;
    }
    // Started as the user starts it: on the user's settings (a folder of
    // the test's as XDG_CONFIG_HOME), with no installed activation file.
    pid_t runAsUser(std::vector<std::string> environment, const std::vector<std::string>& args) {
        environment.push_back("XDG_DATA_DIRS=" + m_dir.filePath("system").toStdString());
        const pid_t pid = m_program.RunAsUser(environment, args);
        stderrPath = m_program.StderrPath();
        return pid;
    }
    QDBusConnection client() {
        const QString name = QStringLiteral("zq-process-client-%1").arg(m_clients.size());
        m_clients << name;
        return QDBusConnection::connectToBus(QString::fromStdString(privateBus().address), name);
    }
    bool nameOwned(QDBusConnection c) { return c.interface()->isServiceRegistered(kService).value(); }
    static QDBusMessage call(QDBusConnection c, const QString& path, const QString& iface, const QString& member,
                             const QVariantList& args = {}) {
        QDBusMessage m = QDBusMessage::createMethodCall(kService, path, iface, member);
        m.setArguments(args);
        return c.call(m, QDBus::Block, 20000);
    }
    static QString createDocument(QDBusConnection c) {
        const QDBusMessage r = call(c, "/Zentiq", "Zentiq.Application", "CreateDocument");
        EXPECT_EQ(r.type(), QDBusMessage::ReplyMessage) << r.errorMessage().toStdString();
        return r.arguments().value(0).value<QDBusObjectPath>().path();
    }
    // The exit code when the child ended by itself within the limit, else -1.
    int exitCodeOf(pid_t pid) {
        const int status = m_program.WaitStatus(pid);
        return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    static bool stillRunning(pid_t pid) { return test::ProgramRunner::StillRunning(pid); }

    QTemporaryDir m_dir;
    std::string stderrPath;

private:
    test::ProgramRunner m_program{m_dir.filePath("settings").toStdString()};
    QStringList m_clients;
};

TEST_F(ProgramTest, AnAutomationStartEndsWithItsLastDocumentAndWhenItsClientLeaves) {
    for (const bool clientLeaves : {false, true}) {
        const pid_t pid = run({}, {"--automation"});
        QDBusConnection c = client();
        ASSERT_TRUE(waitUntil([&] { return nameOwned(c); })) << process::ReadTail(stderrPath);
        const QString first = createDocument(c);
        const QString second = createDocument(c);
        ASSERT_EQ(call(c, first, "Zentiq.Document", "CreateRequest", {1, 3, 0, 10, 100}).arguments().value(0), 1);

        call(c, first, "Zentiq.Document", "Release");
        EXPECT_EQ(call(c, first, "Zentiq.Document", "ShowWindow").errorName(),
                  "org.freedesktop.DBus.Error.UnknownObject");
        EXPECT_TRUE(stillRunning(pid)) << "a document is left";
        if (clientLeaves) {
            QDBusConnection::disconnectFromBus(c.name());
            c = client();  // the last reference goes: the connection closes
        } else
            call(c, second, "Zentiq.Document", "Release");
        EXPECT_EQ(exitCodeOf(pid), 0) << (clientLeaves ? "client left" : "released") << "\n"
                                      << process::ReadTail(stderrPath);
        EXPECT_TRUE(waitUntil([&] { return !nameOwned(c); }));
    }
}

// Two scripts easily pick the same path: only the creator's connection may
// use a document, and calls the protocol cannot carry are refused.
TEST_F(ProgramTest, AnotherConnectionIsRefusedAClientsDocumentAndBadArgumentsAreRefused) {
    const pid_t pid = run({}, {"--automation"});
    QDBusConnection a = client(), b = client();
    ASSERT_TRUE(waitUntil([&] { return nameOwned(a); })) << process::ReadTail(stderrPath);
    const QString path = createDocument(a);
    ASSERT_FALSE(path.isEmpty());
    for (const char* member : {"Release", "ShowWindow"})
        EXPECT_EQ(call(b, path, "Zentiq.Document", member).errorName(), "org.freedesktop.DBus.Error.AccessDenied")
            << member;
    const QDBusMessage bad = call(a, path, "Zentiq.Document", "CreateRequest", {1, 3, 65530, 10, 100});
    EXPECT_EQ(bad.errorName(), "org.freedesktop.DBus.Error.InvalidArgs");
    EXPECT_TRUE(bad.errorMessage().contains("past 65535")) << bad.errorMessage().toStdString();
    EXPECT_EQ(call(a, path, "Zentiq.Document", "CreateRequest", {1, 3, 0, 10, 100}).arguments().value(0), 1)
        << "the owner's document is still there";
    call(a, path, "Zentiq.Document", "Release");
    EXPECT_EQ(exitCodeOf(pid), 0) << process::ReadTail(stderrPath);
}

// Closed by the user, the main window goes; the program stays for the
// document a client still owns and ends with it, without a question.
TEST_F(ProgramTest, TheProgramOutlivesItsMainWindowWhileAClientOwnsADocument) {
    test::XvfbDisplay display;
    ASSERT_TRUE(display.ok()) << display.error;
    const std::string closer = PeerProcess::SourceDir() + "/tests/support/close_window.py";
    for (const bool clientDocument : {true, false}) {
        const pid_t pid = run({"QT_QPA_PLATFORM=xcb", "DISPLAY=" + display.name(),
                               "XDG_DATA_HOME=" + m_dir.filePath("data").toStdString()},
                              {});
        QDBusConnection c = client();
        ASSERT_TRUE(waitUntil([&] { return nameOwned(c); })) << process::ReadTail(stderrPath);
        QString path;
        if (clientDocument) {
            path = createDocument(c);
            ASSERT_EQ(call(c, path, "Zentiq.Document", "CreateRequest", {1, 3, 0, 10, 100}).arguments().value(0), 1)
                << "modified: the old code asked about it";
        }
        QThread::msleep(500);  // the main window is mapped
        std::string error;
        const pid_t asked = process::Spawn({"/usr/bin/python3", closer, display.name(), "Zentiq"}, -1, -1, -1, error);
        ASSERT_GT(asked, 0) << error;
        const int status = process::Stop(asked, std::chrono::milliseconds(10000));
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "no window titled Zentiq on " << display.name();
        if (!clientDocument) {
            EXPECT_EQ(exitCodeOf(pid), 0) << process::ReadTail(stderrPath);
            continue;
        }
        QThread::msleep(1000);
        EXPECT_TRUE(stillRunning(pid)) << process::ReadTail(stderrPath);
        EXPECT_EQ(call(c, path, "Zentiq.Document", "GetRegister", {QVariant::fromValue<qint16>(0)}).type(),
                  QDBusMessage::ReplyMessage)
            << "the client's document is still there";
        call(c, path, "Zentiq.Document", "Release");
        EXPECT_EQ(exitCodeOf(pid), 0) << process::ReadTail(stderrPath);
        ASSERT_TRUE(waitUntil([&] { return !nameOwned(c); }));
    }
}

TEST_F(ProgramTest, ANormalStartWritesTheActivationFileAndTheBusStartsTheProgramWithIt) {
    const QString dataHome = busHome().filePath("data");
    const pid_t first = runAsUser({"XDG_DATA_HOME=" + dataHome.toStdString()}, {});
    QDBusConnection c = client();
    ASSERT_TRUE(waitUntil([&] { return nameOwned(c); })) << process::ReadTail(stderrPath);
    QFile file(dataHome + "/dbus-1/services/" + activation_file::FileName());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
    EXPECT_EQ(file.readAll(), activation_file::Contents(QString::fromStdString(test::ProgramRunner::ProgramPath())).toUtf8());

    // A second instance on settings of its own (a demonstration, a test) is
    // not taken over by the user's: it finds the name taken, says both once
    // and goes on.
    test::ProgramRunner other(m_dir.filePath("other-settings").toStdString());
    const pid_t second = other.Run({"XDG_DATA_HOME=" + dataHome.toStdString()}, {});
    const std::string secondErr = other.StderrPath();
    ASSERT_TRUE(waitUntil([&] { return test::CountLines(secondErr, "zentiq: automation:") > 0; }));
    QThread::msleep(300);
    // In the language of the interface, which neither store has chosen.
    EXPECT_EQ(test::CountLines(secondErr, "zentiq: 正在运行的 Zentiq 没有接受这次启动："
                                    "正在运行的 Zentiq 的设置保存在 "),
              1)
        << process::ReadTail(secondErr);
    EXPECT_EQ(test::CountLines(secondErr, "属于另一个程序"), 1) << process::ReadTail(secondErr);
    EXPECT_TRUE(stillRunning(second));
    process::Stop(second, std::chrono::milliseconds(100));
    process::Stop(first, std::chrono::milliseconds(100));
    ASSERT_TRUE(waitUntil([&] { return !nameOwned(c); }));

    // Now a client call makes the bus start the program from that file.
    QDBusMessage reload = QDBusMessage::createMethodCall("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                         "org.freedesktop.DBus", "ReloadConfig");
    c.call(reload);
    const QString path = createDocument(c);
    ASSERT_FALSE(path.isEmpty());
    const uint pid = c.interface()->servicePid(kService).value();
    ASSERT_GT(pid, 0u);
    EXPECT_EQ(call(c, path, "Zentiq.Document", "CreateRequest", {1, 3, 0, 10, 100}).arguments().value(0), 1);
    call(c, path, "Zentiq.Document", "Release");
    EXPECT_TRUE(waitUntil([&] { return ::kill(pid_t(pid), 0) != 0; })) << "the started program ends with its document";
    if (::kill(pid_t(pid), 0) == 0)
        ::kill(pid_t(pid), SIGKILL);
}

// A build tree, a test or a print run never repoints the user's automation.
TEST_F(ProgramTest, OnlyANormalStartOnTheUsersSettingsWritesTheActivationFile) {
    struct Case {
        const char* what;
        bool asUser;
        std::vector<std::string> environment, args;
        bool writes;
    };
    const std::string settings = m_dir.filePath("own-settings").toStdString();
    const Case cases[] = {
        {"a normal start", true, {}, {}, true},
        {"--settings-dir", false, {}, {}, false},
        {"ZENTIQ_SETTINGS_DIR", true, {"ZENTIQ_SETTINGS_DIR=" + settings}, {}, false},
        {"--print", true, {}, {"--print", m_dir.filePath("none.zqd").toStdString()}, false},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString dataHome = m_dir.filePath(QStringLiteral("data-%1").arg(++n));
        std::vector<std::string> environment = c.environment;
        environment.push_back("XDG_DATA_HOME=" + dataHome.toStdString());
        const pid_t pid = c.asUser ? runAsUser(environment, c.args) : run(environment, c.args);
        QDBusConnection bus = client();
        if (c.args.empty()) {
            // The file is done with before the name is taken.
            ASSERT_TRUE(waitUntil([&] { return nameOwned(bus); })) << process::ReadTail(stderrPath);
            process::Stop(pid, std::chrono::milliseconds(100));
            ASSERT_TRUE(waitUntil([&] { return !nameOwned(bus); }));
        } else {
            EXPECT_NE(exitCodeOf(pid), -1) << "a print run ends";
        }
        EXPECT_EQ(QFile::exists(dataHome + "/dbus-1/services/" + activation_file::FileName()), c.writes)
            << process::ReadTail(stderrPath);
    }
}

TEST_F(ProgramTest, WithoutASessionBusANormalStartSaysSoOnceAndGoesOn) {
    const pid_t pid = runAsUser({"-u", "DBUS_SESSION_BUS_ADDRESS", "XDG_RUNTIME_DIR=" + m_dir.path().toStdString(),
                                 "XDG_DATA_HOME=" + m_dir.filePath("data").toStdString()},
                                {});
    ASSERT_TRUE(waitUntil([&] { return test::CountLines(stderrPath, "zentiq: automation:") > 0; }))
        << process::ReadTail(stderrPath);
    QThread::msleep(500);
    EXPECT_TRUE(stillRunning(pid)) << process::ReadTail(stderrPath);
    EXPECT_EQ(test::CountLines(stderrPath, "zentiq: automation:"), 1) << process::ReadTail(stderrPath);
    EXPECT_EQ(test::CountLines(stderrPath, "no D-Bus session bus"), 1);
    EXPECT_TRUE(QFile::exists(m_dir.filePath("data/dbus-1/services/") + activation_file::FileName()))
        << "the activation file does not need the bus";

    // Started for automation, nothing could ever reach it: it ends.
    const pid_t unreachable =
        run({"-u", "DBUS_SESSION_BUS_ADDRESS", "XDG_RUNTIME_DIR=" + m_dir.path().toStdString()}, {"--automation"});
    EXPECT_EQ(exitCodeOf(unreachable), 1) << process::ReadTail(stderrPath);
}

// Over ssh nothing names a display: the program the bus starts for a client
// runs on the offscreen platform, says so once, and serves.
TEST_F(ProgramTest, WithoutADisplayTheBusStartsTheProgramForAutomationOnly) {
    const QString data = m_dir.filePath("ssh-data");
    QString error;
    ASSERT_TRUE(activation_file::Write(data + "/dbus-1/services",
                                       QString::fromStdString(test::ProgramRunner::ProgramPath()), &error))
        << error.toStdString();
    const std::string daemonLog = m_dir.filePath("daemon.log").toStdString();
    const std::string sharedBus = privateBus().address;
    test::PrivateSessionBus bus({"-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u", "QT_QPA_PLATFORM",
                                 "XDG_DATA_HOME=" + data.toStdString(),
                                 "XDG_CONFIG_HOME=" + m_dir.filePath("ssh-config").toStdString()},
                                daemonLog);
    ::setenv("DBUS_SESSION_BUS_ADDRESS", sharedBus.c_str(), 1);  // the fixture's bus stays the session's
    ASSERT_TRUE(bus.ok()) << bus.error;
    {
        QDBusConnection c = QDBusConnection::connectToBus(QString::fromStdString(bus.address), "zq-ssh-client");
        const QString path = createDocument(c);  // the bus starts the program
        ASSERT_FALSE(path.isEmpty()) << process::ReadTail(daemonLog);
        const uint pid = c.interface()->servicePid(kService).value();
        EXPECT_EQ(call(c, path, "Zentiq.Document", "CreateRequest", {1, 3, 0, 10, 100}).arguments().value(0), 1);
        EXPECT_EQ(call(c, "/Zentiq", "org.freedesktop.DBus.Properties", "Get", {"Zentiq.Application", "ConnectionState"})
                      .arguments()
                      .value(0)
                      .value<QDBusVariant>()
                      .variant(),
                  "Unconnected");
        // No window can be shown from here: another start is not taken over.
        EXPECT_EQ(call(c, "/Zentiq", "Zentiq.Application", "Activate", {QStringList(), QVariantMap()}).errorName(),
                  "Zentiq.Error.NoDisplay");
        EXPECT_EQ(test::CountLines(daemonLog, "zentiq: 没有显示器，仅以自动化模式运行"), 1) << process::ReadTail(daemonLog);
        call(c, path, "Zentiq.Document", "Release");
        EXPECT_TRUE(waitUntil([&] { return pid > 0 && ::kill(pid_t(pid), 0) != 0; }))
            << "the started program ends with its document";
    }
    QDBusConnection::disconnectFromBus("zq-ssh-client");
    EXPECT_EQ(test::CountLines(daemonLog, "zentiq:"), 1) << process::ReadTail(daemonLog);
}

// Started again from the menu while a program the bus started runs hidden:
// the second start hands over (its document opens in the first, whose
// window comes up) and ends with 0, instead of a second program.
TEST_F(ProgramTest, ASecondStartHandsOverToTheRunningProgramAndEndsWithZero) {
    test::XvfbDisplay display;
    ASSERT_TRUE(display.ok()) << display.error;
    const QString document = m_dir.filePath("pump.zqd");
    {
        CZentiqDoc stored;
        QString error;
        ASSERT_TRUE(stored.OnSaveDocument(document, &error)) << error.toStdString();
    }
    const std::string closer = PeerProcess::SourceDir() + "/tests/support/close_window.py";
    // Exit code of asking the windows whose title starts so to close (1: none).
    const auto closeWindows = [&](const std::string& title) {
        std::string error;
        const pid_t asked = process::Spawn({"/usr/bin/python3", closer, display.name(), title}, -1, -1, -1, error);
        EXPECT_GT(asked, 0) << error;
        const int status = process::Stop(asked, std::chrono::milliseconds(10000));
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    const std::vector<std::string> onDisplay{"QT_QPA_PLATFORM=xcb", "DISPLAY=" + display.name(),
                                             "XDG_DATA_HOME=" + m_dir.filePath("data").toStdString()};
    const pid_t first = run(onDisplay, {"--automation"});
    const std::string firstErr = stderrPath;
    QDBusConnection c = client();
    ASSERT_TRUE(waitUntil([&] { return nameOwned(c); })) << process::ReadTail(firstErr);
    EXPECT_EQ(closeWindows("Zentiq"), 1) << "an automation start shows no window";

    const pid_t second = run(onDisplay, {document.toStdString()});
    EXPECT_EQ(exitCodeOf(second), 0) << process::ReadTail(stderrPath);
    EXPECT_EQ(test::CountLines(stderrPath, "zentiq:"), 0) << process::ReadTail(stderrPath);
    // The first shows its window with the document; closed, it ends the
    // program, which no client holds.
    EXPECT_TRUE(waitUntil([&] { return closeWindows("Zentiq - pump") == 0; }, 30000))
        << process::ReadTail(firstErr);
    EXPECT_EQ(exitCodeOf(first), 0) << process::ReadTail(firstErr);
}

// An automation client opens and closes the connection the user configured,
// and follows its state; what cannot be done is refused with a D-Bus error
// and changes nothing.
TEST_F(ProgramTest, AClientConnectsAndDisconnectsAndFollowsTheConnectionState) {
    std::string error;
    std::unique_ptr<PeerProcess> peer = PeerProcess::LibModbus(PeerProcess::Mode::Tcp, "", error);
    ASSERT_TRUE(peer) << error;
    struct Case {
        const char* what;
        QString settings;  // the connection dialog's stored values
        bool opens;
        const char* failure;  // a text of the refusal when it does not open
    };
    const Case cases[] = {
        {"a Modbus/TCP slave",
         QStringLiteral("[CommSetup]\nSerial=1\nIPAddress=127.0.0.1\nServicePort=%1\n").arg(peer->Port()), true, ""},
        {"a serial device that is not there",
         QStringLiteral("[CommSetup]\nSerial=0\nPort=63\n[Ports]\nCOM64=%1\n").arg(m_dir.filePath("no-tty")), false,
         "端口 64"},
    };
    int n = 0;
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        const QString settingsDir = m_dir.filePath(QStringLiteral("connect-%1").arg(++n));
        QDir().mkpath(settingsDir + "/Zentiq");
        {
            QFile ini(settingsDir + "/Zentiq/Zentiq.ini");
            ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
            ini.write(k.settings.toUtf8());
        }
        test::ProgramRunner program(settingsDir.toStdString());
        const pid_t pid = program.Run({}, {"--automation"});
        const std::string err = program.StderrPath();
        QDBusConnection c = client();
        ASSERT_TRUE(waitUntil([&] { return nameOwned(c); })) << process::ReadTail(err);
        // Every state change as the bus carries it, in both signals.
        const std::string monitorLog = m_dir.filePath(QStringLiteral("monitor-%1.log").arg(n)).toStdString();
        const int out = ::open(monitorLog.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        const pid_t monitor = process::Spawn(
            {process::FindInPath("dbus-monitor"), "--address", privateBus().address,
             "type='signal',path='/Zentiq',member='ConnectionStateChanged'",
             "type='signal',path='/Zentiq',member='PropertiesChanged'"},
            -1, out, -1, error);
        ::close(out);
        ASSERT_GT(monitor, 0) << error;
        ASSERT_TRUE(waitUntil([&] { return test::CountLines(monitorLog, "NameAcquired") > 0; }));

        const auto state = [&] {
            return call(c, "/Zentiq", "org.freedesktop.DBus.Properties", "Get", {"Zentiq.Application", "ConnectionState"})
                .arguments()
                .value(0)
                .value<QDBusVariant>()
                .variant()
                .toString();
        };
        EXPECT_EQ(state(), "Unconnected");
        EXPECT_EQ(call(c, "/Zentiq", "Zentiq.Application", "Disconnect").errorName(), "Zentiq.Error.NotConnected");
        const QDBusMessage connected = call(c, "/Zentiq", "Zentiq.Application", "Connect");
        if (!k.opens) {
            EXPECT_EQ(connected.errorName(), "Zentiq.Error.ConnectFailed");
            EXPECT_TRUE(connected.errorMessage().contains(k.failure)) << connected.errorMessage().toStdString();
            EXPECT_EQ(state(), "Unconnected");
            EXPECT_TRUE(stillRunning(pid)) << "no box waits for the user";
            EXPECT_EQ(call(c, "/Zentiq", "org.freedesktop.DBus.Properties", "Set",
                           {"Zentiq.Application", "ConnectionState", QVariant::fromValue(QDBusVariant("Connected"))})
                          .errorName(),
                      "org.freedesktop.DBus.Error.PropertyReadOnly");
            process::Stop(monitor, std::chrono::milliseconds(100));
            process::Stop(pid, std::chrono::milliseconds(100));
            ASSERT_TRUE(waitUntil([&] { return !nameOwned(c); }));
            continue;
        }
        ASSERT_EQ(connected.type(), QDBusMessage::ReplyMessage) << connected.errorMessage().toStdString();
        EXPECT_EQ(state(), "Connected");
        const QDBusMessage again = call(c, "/Zentiq", "Zentiq.Application", "Connect");
        EXPECT_EQ(again.errorName(), "Zentiq.Error.AlreadyConnected");
        EXPECT_TRUE(again.errorMessage().contains(QStringLiteral("127.0.0.1: %1").arg(peer->Port())))
            << again.errorMessage().toStdString();

        // A document polls the slave over the connection the client opened.
        const QString path = createDocument(c);
        ASSERT_EQ(call(c, path, "Zentiq.Document", "CreateRequest", {1, 3, 0, 10, 100}).arguments().value(0), 1);
        const auto reg = [&](qint16 i) {
            return call(c, path, "Zentiq.Document", "GetRegister", {QVariant::fromValue(i)}).arguments().value(0).toInt();
        };
        EXPECT_TRUE(waitUntil([&] { return reg(3) == zq_peer_holding(3); })) << reg(3);

        EXPECT_EQ(call(c, "/Zentiq", "Zentiq.Application", "Disconnect").type(), QDBusMessage::ReplyMessage);
        EXPECT_EQ(state(), "Unconnected");
        EXPECT_EQ(call(c, "/Zentiq", "Zentiq.Application", "Disconnect").errorName(), "Zentiq.Error.NotConnected");

        // The states in the order the signals brought them (a loopback
        // connect may or may not pass through Connecting).
        const auto statesOf = [&](const std::string& member, int skip) {
            std::ifstream in(monitorLog);
            std::string line;
            QStringList states;
            int strings = -1;  // strings seen in the current signal of `member`
            while (std::getline(in, line)) {
                if (line.rfind("signal ", 0) == 0) {
                    strings = line.find("member=" + member) != std::string::npos ? 0 : -1;
                    continue;
                }
                const std::size_t at = line.find("string \"");
                if (strings < 0 || at == std::string::npos || strings++ != skip)
                    continue;
                states << QString::fromStdString(line.substr(at + 8, line.rfind('"') - at - 8));
            }
            states.removeAll("Connecting");
            return states;
        };
        const QStringList expected{"Connected", "Closing", "Unconnected"};
        EXPECT_TRUE(waitUntil([&] { return statesOf("ConnectionStateChanged", 0) == expected; }))
            << statesOf("ConnectionStateChanged", 0).join(' ').toStdString();
        // PropertiesChanged: the interface, the property's name, its value.
        EXPECT_EQ(statesOf("PropertiesChanged", 2), expected);
        process::Stop(monitor, std::chrono::milliseconds(100));

        call(c, path, "Zentiq.Document", "Release");
        EXPECT_EQ(program.WaitStatus(pid) >> 8, 0) << process::ReadTail(err);
    }
}

}  // namespace
}  // namespace zentiq
