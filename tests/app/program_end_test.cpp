// Every way the program ends while it is connected and polling: a signal,
// and the display going away under it (the platform then calls exit()
// from inside the event loop). The process must end by itself with a
// normal exit status, never in std::terminate or by the signal, and a data
// log must be left with whole lines.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <dirent.h>
#include <fstream>
#include <set>
#include <sstream>

#include "app/app_test_support.h"
#include "app/program_runner.h"
#include "app/wait_until.h"
#include "app/xvfb_display.h"
#include "documents/data_logger.h"
#include "documents/mb_log_setup.h"
#include "documents/zentiq_doc.h"
#include "framework/file_dialog.h"
#include "support/peer_process.h"

namespace zentiq {
namespace {

namespace process = test::process;
using test::PeerProcess;
using test::waitUntil;

// Whether pid holds an established TCP connection to 127.0.0.1:port.
bool connectedTo(pid_t pid, int port) {
    std::set<std::string> sockets;
    const std::string fdDir = "/proc/" + std::to_string(pid) + "/fd";
    if (DIR* dir = ::opendir(fdDir.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            char target[128] = {};
            const std::string link = fdDir + "/" + entry->d_name;
            if (::readlink(link.c_str(), target, sizeof target - 1) > 0 && std::string(target).rfind("socket:[", 0) == 0)
                sockets.insert(std::string(target).substr(8, std::string(target).size() - 9));
        }
        ::closedir(dir);
    }
    char remote[32];
    std::snprintf(remote, sizeof remote, "0100007F:%04X", port);
    std::ifstream tcp("/proc/" + std::to_string(pid) + "/net/tcp");
    std::string line;
    while (std::getline(tcp, line)) {
        std::istringstream fields(line);
        std::string slot, local, rem, state, skip, inode;
        fields >> slot >> local >> rem >> state;
        for (int i = 0; i < 5; ++i)
            fields >> skip;
        fields >> inode;
        if (rem == remote && state == "01" && sockets.count(inode) != 0)
            return true;
    }
    return false;
}

class ProgramEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QFileInfo(QString::fromStdString(test::ProgramRunner::ProgramPath())).isExecutable())
            << test::ProgramRunner::ProgramPath() << " is missing: build the zentiq target";
        std::string error;
        m_peer = PeerProcess::LibModbus(PeerProcess::Mode::Tcp, "", error);
        ASSERT_TRUE(m_peer) << error;
        // Connects by itself about a second after start-up, to the slave.
        QDir().mkpath(m_dir.filePath("settings/Zentiq"));
        QFile ini(m_dir.filePath("settings/Zentiq/Zentiq.ini"));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write(QStringLiteral("[CommSetup]\nAutoEnable=1\nSerial=1\nIPAddress=127.0.0.1\nServicePort=%1\n")
                      .arg(m_peer->Port())
                      .toUtf8());
    }
    // The program on `platform`, without a session bus (it says so and goes on).
    pid_t run(const std::vector<std::string>& platform) {
        std::vector<std::string> environment{"-u", "DBUS_SESSION_BUS_ADDRESS",
                                             "XDG_RUNTIME_DIR=" + m_dir.path().toStdString(),
                                             "XDG_DATA_HOME=" + m_dir.filePath("data").toStdString()};
        environment.insert(environment.end(), platform.begin(), platform.end());
        const pid_t pid = m_program.Run(environment);
        m_stderr = m_program.StderrPath();
        return pid;
    }
    // Ended by itself with `code`: no signal, no abort, no std::terminate.
    void expectCleanEnd(pid_t pid, int code, const char* how) {
        const int status = m_program.WaitStatus(pid);
        const std::string tail = process::ReadTail(m_stderr);
        ASSERT_NE(status, -1) << how << ": still running\n" << tail;
        EXPECT_TRUE(WIFEXITED(status)) << how << ": " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0) << "\n" << tail;
        EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, code) << how << "\n" << tail;
        EXPECT_EQ(tail.find("terminate called"), std::string::npos) << how << "\n" << tail;
    }

    QTemporaryDir m_dir;
    std::unique_ptr<PeerProcess> m_peer;
    std::string m_stderr;
    test::ProgramRunner m_program{m_dir.filePath("settings").toStdString()};
};

TEST_F(ProgramEndTest, ASignalEndsTheProgramAsClosingItDoes) {
    for (const int signalNumber : {SIGTERM, SIGINT}) {
        const pid_t pid = run({"QT_QPA_PLATFORM=offscreen"});
        ASSERT_TRUE(waitUntil([&] { return connectedTo(pid, m_peer->Port()); })) << process::ReadTail(m_stderr);
        ::kill(pid, signalNumber);
        expectCleanEnd(pid, 0, signalNumber == SIGTERM ? "SIGTERM" : "SIGINT");
    }
}

TEST_F(ProgramEndTest, TheDisplayGoingAwayEndsTheProgramWithoutAnAbort) {
    test::XvfbDisplay display;
    ASSERT_TRUE(display.ok()) << display.error;
    const pid_t pid = run({"QT_QPA_PLATFORM=xcb", "DISPLAY=" + display.name()});
    ASSERT_TRUE(waitUntil([&] { return connectedTo(pid, m_peer->Port()); })) << process::ReadTail(m_stderr);
    display.Kill();
    // The platform ends the process with exit(1) when the connection breaks.
    expectCleanEnd(pid, 1, "display lost");
}

// The display going away while a window logs: the platform calls exit(),
// and the exit handler closes the log after the destructors of the
// statics made since it was registered have run. Nothing it uses may have
// been freed by them (the sanitizer build says so on stderr and aborts),
// and the log ends with a whole line.
TEST_F(ProgramEndTest, TheDisplayGoingAwayWhileAWindowLogsLeavesAWholeLastLine) {
    const std::string logger = PeerProcess::BinaryDir() + "/tests/zentiq_window_logger";
    ASSERT_TRUE(QFileInfo(QString::fromStdString(logger)).isExecutable()) << "build the target zentiq_window_logger";
    test::XvfbDisplay display;
    ASSERT_TRUE(display.ok()) << display.error;
    const QString log = m_dir.filePath("window.txt");
    m_stderr = process::UniqueTmpName("window-logger-stderr");
    const int err = ::open(m_stderr.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    std::string error;
    const pid_t pid = process::Spawn({"/usr/bin/env", "-u", "DBUS_SESSION_BUS_ADDRESS",
                                      "XDG_RUNTIME_DIR=" + m_dir.path().toStdString(), "QT_QPA_PLATFORM=xcb",
                                      "DISPLAY=" + display.name(), "ZENTIQ_SETTINGS_DIR=" + m_dir.filePath("settings").toStdString(),
                                      logger, log.toStdString()},
                                     -1, -1, err, error);
    ::close(err);
    ASSERT_GT(pid, 0) << error;
    int status = 0;
    const auto ended = [&] { return ::waitpid(pid, &status, WNOHANG) == pid; };
    const bool logging = waitUntil([&] { return QFileInfo(log).size() > 200; });
    display.Kill();
    const bool gone = waitUntil(ended);
    if (!gone)
        status = process::Stop(pid, std::chrono::milliseconds(100));
    const std::string tail = process::ReadTail(m_stderr, 20000);
    ::unlink(m_stderr.c_str());
    ASSERT_TRUE(logging) << tail;
    ASSERT_TRUE(gone) << "still running\n" << tail;
    EXPECT_TRUE(WIFEXITED(status)) << "signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0) << "\n" << tail;
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 1) << tail;
    for (const char* report : {"AddressSanitizer", "runtime error", "terminate called"})
        EXPECT_EQ(tail.find(report), std::string::npos) << tail;
    QFile file(log);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().endsWith('\n'));
}

// What runs at exit() when the display is lost, in process: the worker
// stops, the port closes and the data log is closed after a whole line.
class EndAtExitTest : public test::AppTestBase {};

TEST_F(EndAtExitTest, StopsTheWorkerClosesThePortAndLeavesWholeLogLines) {
    std::string error;
    auto peer = PeerProcess::LibModbus(PeerProcess::Mode::Tcp, "", error);
    ASSERT_TRUE(peer) << error;
    const QString log = dirPath() + "/end.txt";
    recorder.filePath = log;
    recorder.onModal<CMBLogSetup>([](CMBLogSetup& dialog) {
        dialog.accept();
        return dialog.result();
    });
    {
        CZentiqApp app;
        ASSERT_TRUE(app.InitInstance({}));
        ConnectionSettings s = app.Connection().Settings();
        s.Serial = 1;
        s.IPAddress = "127.0.0.1";
        s.ServicePort = peer->Port();
        app.Connection().SetSettings(s);
        ASSERT_TRUE(test::ConnectNow(app, false));
        CZentiqDoc* doc = app.Documents().value(0);
        ASSERT_NE(doc, nullptr);
        ASSERT_TRUE(doc->OnCommand(cmd::StartLogging));
        ASSERT_TRUE(doc->Logger().active());
        ASSERT_TRUE(waitUntil([&] { return QFileInfo(log).size() > 200; }));

        CZentiqApp::EndAtExit();
        EXPECT_EQ(IsConnected(), 0);
        EXPECT_FALSE(app.Connection().IsConnected());
        EXPECT_FALSE(doc->Logger().active());
        const qint64 size = QFileInfo(log).size();
        QTest::qWait(200);
        EXPECT_EQ(QFileInfo(log).size(), size) << "nothing polls any more";
        QFile file(log);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_TRUE(file.readAll().endsWith('\n'));
    }
    CZentiqApp::EndAtExit();  // after the application object: nothing left to do, nothing breaks
}

}  // namespace
}  // namespace zentiq
