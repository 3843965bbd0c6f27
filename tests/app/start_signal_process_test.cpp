// A signal ends the real program cleanly at any moment of its start, also
// while a start-up box (a document or workspace it cannot use) waits for
// OK: the box closes unanswered, the program ends with 0 by itself, and it
// never polls the slave that its settings would connect to a second after
// start-up.
#include <signal.h>
#include <sys/wait.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <memory>
#include <string>

#include "app/program_runner.h"
#include "app/wait_until.h"
#include "support/peer_process.h"
#include "support/qt_test_app.h"

namespace zentiq {
namespace {

namespace process = test::process;
using test::PeerProcess;
using test::waitUntil;

// The state letter of the process's main thread (R, S, D, ...).
char stateOf(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    const std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const std::size_t close = text.rfind(')');
    return close != std::string::npos && close + 2 < text.size() ? text[close + 2] : '?';
}

class StartSignalTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QFileInfo(QString::fromStdString(test::ProgramRunner::ProgramPath())).isExecutable())
            << test::ProgramRunner::ProgramPath() << " is missing: build the zentiq target";
        std::string error;
        m_peer = PeerProcess::LibModbus(PeerProcess::Mode::Tcp, "", error);
        ASSERT_TRUE(m_peer) << error;
        // Connects by itself about a second after start-up, to the slave.
        QDir().mkpath(m_dir.filePath("settings/Zentiq"));
        write("settings/Zentiq/Zentiq.ini", QStringLiteral("[CommSetup]\nAutoEnable=1\nSerial=1\n"
                                                          "IPAddress=127.0.0.1\nServicePort=%1\n")
                                                .arg(m_peer->Port())
                                                .toUtf8());
        write("unknown.zqd", QByteArray("\x01\x00\x00\x00", 4));  // a version no Zentiq wrote
        write("damaged.zqd", "zq");
        QDir(m_dir.path()).mkdir("folder.zqd");
        write("garbage.zqw", "this is no workspace\n");
    }
    void write(const char* name, const QByteArray& bytes) {
        QFile file(m_dir.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }

    QTemporaryDir m_dir;
    std::unique_ptr<PeerProcess> m_peer;
    test::ProgramRunner m_program{m_dir.filePath("settings").toStdString()};
};

TEST_F(StartSignalTest, ASignalWhileAStartUpBoxWaitsEndsTheProgramWithZeroBeforeItPolls) {
    struct Case {
        const char* file;
        int signalNumber;
        bool twice;  // the second comes while the first is being served
    };
    const Case cases[] = {
        {"unknown.zqd", SIGTERM, false},  // after OK it opens with the defaults
        {"damaged.zqd", SIGTERM, false},  // after OK it ends with 1
        {"folder.zqd", SIGTERM, false},
        {"missing.zqw", SIGTERM, false},
        {"garbage.zqw", SIGTERM, false},
        {"unknown.zqd", SIGINT, false},
        {"missing.zqw", SIGINT, false},
        {"garbage.zqw", SIGHUP, false},
        {"unknown.zqd", SIGTERM, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " " + strsignal(c.signalNumber) + (c.twice ? " twice" : ""));
        const pid_t pid = m_program.Run({"-u", "DBUS_SESSION_BUS_ADDRESS", "XDG_RUNTIME_DIR=" + m_dir.path().toStdString(),
                                         "QT_LOGGING_RULES=zentiq.ui.debug=true"},
                                        {m_dir.filePath(QString::fromLatin1(c.file)).toStdString()});
        const std::string errPath = m_program.StderrPath();
        const auto tail = [&errPath] { return process::ReadTail(errPath, 100000); };
        // The box is up: its text was given to the desktop, and the main
        // thread sleeps in the box's event loop.
        ASSERT_TRUE(waitUntil([&] { return tail().find("zentiq.ui: error:") != std::string::npos; })) << tail();
        ASSERT_TRUE(waitUntil([&] { return stateOf(pid) == 'S'; })) << tail();
        ::kill(pid, c.signalNumber);
        if (c.twice)
            ::kill(pid, c.signalNumber);
        const int status = m_program.WaitStatus(pid);
        ASSERT_NE(status, -1) << "still running after the signal\n" << tail();
        EXPECT_TRUE(WIFEXITED(status)) << "killed by " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0) << "\n" << tail();
        EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 0) << tail();
        EXPECT_EQ(m_peer->Served(), 0) << "the slave was polled";
    }
}

}  // namespace
}  // namespace zentiq
