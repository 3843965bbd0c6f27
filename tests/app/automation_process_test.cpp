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

int countLines(const std::string& path, const std::string& needle) {
    std::ifstream in(path);
    std::string line;
    int count = 0;
    while (std::getline(in, line))
        count += line.find(needle) != std::string::npos;
    return count;
}

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

    // A second instance finds the name taken: it says so once and goes on.
    const pid_t second = run({"XDG_DATA_HOME=" + dataHome.toStdString()}, {});
    ASSERT_TRUE(waitUntil([&] { return countLines(stderrPath, "zentiq: automation:") > 0; }));
    QThread::msleep(300);
    EXPECT_EQ(countLines(stderrPath, "belongs to another program"), 1) << process::ReadTail(stderrPath);
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
    ASSERT_TRUE(waitUntil([&] { return countLines(stderrPath, "zentiq: automation:") > 0; }))
        << process::ReadTail(stderrPath);
    QThread::msleep(500);
    EXPECT_TRUE(stillRunning(pid)) << process::ReadTail(stderrPath);
    EXPECT_EQ(countLines(stderrPath, "zentiq: automation:"), 1) << process::ReadTail(stderrPath);
    EXPECT_EQ(countLines(stderrPath, "no D-Bus session bus"), 1);
    EXPECT_TRUE(QFile::exists(m_dir.filePath("data/dbus-1/services/") + activation_file::FileName()))
        << "the activation file does not need the bus";

    // Started for automation, nothing could ever reach it: it ends.
    const pid_t unreachable =
        run({"-u", "DBUS_SESSION_BUS_ADDRESS", "XDG_RUNTIME_DIR=" + m_dir.path().toStdString()}, {"--automation"});
    EXPECT_EQ(exitCodeOf(unreachable), 1) << process::ReadTail(stderrPath);
}

}  // namespace
}  // namespace zentiq
