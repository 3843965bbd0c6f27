// zentiq --headless as a user runs it: the real program, with no display,
// no Wayland and no Qt platform named, polling a real slave and logging.
#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <netinet/in.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "app/program_runner.h"
#include "app/wait_until.h"
#include "app/workspace_file.h"
#include "documents/data_logger.h"
#include "documents/poll_document_model.h"
#include "documents/stored_log.h"
#include "documents/zqd_file.h"
#include "framework/language.h"
#include "framework/settings_store.h"
#include "support/peer_data.h"
#include "support/peer_process.h"
#include "support/qt_test_app.h"

namespace zentiq {
namespace {

namespace process = test::process;
using test::PeerProcess;
using test::waitUntil;

QStringList lines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QByteArray bytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Err of the last status line, -1 before the first.
int lastErrorCount(const std::string& text) {
    const std::size_t at = text.rfind("Err = ");
    return at == std::string::npos ? -1 : std::atoi(text.c_str() + at + 6);
}

// A port on 127.0.0.1 that nobody listens on (bound once, then let go).
int closedPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof addr;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &size) != 0)
        return 1;
    ::close(fd);
    return ntohs(addr.sin_port);
}

class HeadlessProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::EnsureQApplication();
        ASSERT_TRUE(QFileInfo(QString::fromStdString(test::ProgramRunner::ProgramPath())).isExecutable())
            << test::ProgramRunner::ProgramPath() << " is missing: build the zentiq target";
        QDir().mkpath(m_dir.filePath("settings/Zentiq"));
    }

    QString path(const QString& name) const { return m_dir.filePath(name); }

    // A read poll of `length` items from address 0, every 100 ms.
    void writeDocument(const QString& name, int function, int length, int slave = 1) {
        PollDocumentModel model;
        model.def.SlaveID = slave;
        model.def.FunctionValue = function;
        model.def.Length = length;
        model.def.ScanRate = 100;
        model.ComputeGridSize();
        ASSERT_TRUE(ZqdFile::Save(path(name), model, GridLayoutData()).ok());
    }
    void writeWorkspace(const QString& name, int port, const QStringList& documents) {
        WorkspaceFile::Contents contents;
        contents.settings.Serial = 1;
        contents.settings.IPAddress = "127.0.0.1";
        contents.settings.ServicePort = port;
        contents.settings.DelayBetweenPolls = 0;
        for (const QString& doc : documents)
            contents.documents.append({WindowPlacement(), doc});
        ASSERT_EQ(WorkspaceFile::Save(path(name), contents), WorkspaceFile::Status::Ok);
    }
    SettingsStore& store() {
        if (!m_store)
            m_store = std::make_unique<SettingsStore>(path("settings/Zentiq/Zentiq.ini"));
        return *m_store;
    }
    // No display, no Wayland, no platform named: nothing a window needs.
    pid_t run(const std::vector<std::string>& args) {
        m_store.reset();  // written out before the program reads it
        const pid_t pid = m_program.Run({"-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u", "QT_QPA_PLATFORM",
                                         "-u", "DBUS_SESSION_BUS_ADDRESS", "ZENTIQ_HEADLESS_STATUS_SECONDS=1"},
                                        args);
        m_stderr = m_program.StderrPath();
        return pid;
    }
    std::string stderrText() const { return process::ReadTail(m_stderr, 20000); }
    // Ended by itself with `code`.
    void expectExit(pid_t pid, int code) {
        const int status = m_program.WaitStatus(pid);
        ASSERT_NE(status, -1) << "still running\n" << stderrText();
        ASSERT_TRUE(WIFEXITED(status)) << "signal " << WTERMSIG(status) << "\n" << stderrText();
        EXPECT_EQ(WEXITSTATUS(status), code) << stderrText();
    }

    QTemporaryDir m_dir;
    std::unique_ptr<SettingsStore> m_store;
    std::string m_stderr;
    test::ProgramRunner m_program{m_dir.filePath("settings").toStdString()};
};

TEST_F(HeadlessProcessTest, LogsThePolledValuesWithoutADisplayAndEndsOnSignalsWithWholeLines) {
    std::string error;
    auto peer = PeerProcess::LibModbus(PeerProcess::Mode::Tcp, "", error);
    ASSERT_TRUE(peer) << error;
    writeDocument("pump.zqd", 3, 5);
    writeDocument("coils.zqd", 1, 4);
    writeWorkspace("plant.zqw", peer->Port(), {"pump.zqd", "coils.zqd"});

    // What each document's lines carry after the time and the label (peer_data.h).
    struct Log {
        QString file;
        QStringList values;
    };
    const Log logs[] = {{path("out/pump.txt"), {"3", "10", "17", "24", "31"}},
                        {path("out/coils.txt"), {"1", "0", "0", "1"}}};
    const QRegularExpression line(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d <00000> (.*)$"));
    for (const int signalNumber : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signalNumber == SIGTERM ? "SIGTERM" : "SIGINT");
        const pid_t pid = run({"--headless", path("plant.zqw").toStdString(), "--log-dir",
                               path("out").toStdString()});
        const qsizetype before = lines(logs[0].file).size();
        for (const Log& log : logs)
            ASSERT_TRUE(waitUntil([&] { return lines(log.file).size() >= before + 20; }))
                << log.file.toStdString() << "\n" << stderrText();
        ASSERT_TRUE(waitUntil([&] { return stderrText().find("coils.zqd: Tx = ") != std::string::npos; }))
            << "a status line: " << stderrText();
        EXPECT_NE(stderrText().find("pump.zqd: Tx = "), std::string::npos);
        ::kill(pid, signalNumber);
        expectExit(pid, 0);
        for (const Log& log : logs) {
            SCOPED_TRACE(log.file.toStdString());
            EXPECT_TRUE(bytes(log.file).endsWith('\n')) << "the last line is whole";
            const QStringList written = lines(log.file);
            for (const QString& text : written) {
                const QRegularExpressionMatch m = line.match(text);
                ASSERT_TRUE(m.hasMatch()) << text.toStdString();
                EXPECT_EQ(m.captured(1).split(QLatin1Char(' '), Qt::SkipEmptyParts), log.values)
                    << text.toStdString();
            }
        }
    }
    EXPECT_GE(lines(logs[0].file).size(), 40) << "the second run appended to the first one's lines";
}

// A workspace with three connections: each document polls and logs its own
// slave on its own line; one connection that cannot open ends the run.
TEST_F(HeadlessProcessTest, AWorkspaceWithSeveralConnectionsLogsEachSlaveOnItsOwnLine) {
    struct Site {
        const char* host;
        int offset;  // added to every holding register
        std::unique_ptr<PeerProcess> slave;
    };
    Site sites[] = {{"127.0.0.2", 1000, nullptr}, {"127.0.0.3", 2000, nullptr}, {"127.0.0.4", 3000, nullptr}};
    WorkspaceFile::Contents contents;
    for (int i = 0; i < 3; ++i) {
        Site& site = sites[i];
        std::string error;
        site.slave = PeerProcess::PyModbus(PeerProcess::Mode::Tcp, "", error, 1, {},
                                           {"--host", site.host, "--holding-offset", std::to_string(site.offset)});
        ASSERT_TRUE(site.slave) << error;
        ConnectionSettings s;
        s.Serial = 1;
        s.IPAddress = site.host;
        s.ServicePort = site.slave->Port();
        s.DelayBetweenPolls = 0;
        const QString document = QStringLiteral("site%1.zqd").arg(i);
        writeDocument(document, 3, 2);
        if (i == 0) {
            contents.settings = s;
            contents.name = QStringLiteral("line 0");
        } else {
            contents.moreConnections.append({QStringLiteral("line %1").arg(i), s, false, {}});
        }
        contents.documents.append({WindowPlacement(), document, i});
    }
    ASSERT_EQ(WorkspaceFile::Save(path("sites.zqw"), contents), WorkspaceFile::Status::Ok);

    const QRegularExpression line(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d <00000> (.*)$"));
    const pid_t pid = run({"--headless", path("sites.zqw").toStdString(), "--log-dir", path("out").toStdString()});
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(waitUntil([&] { return lines(path("out/site%1.txt").arg(i)).size() >= 10; }))
            << i << "\n" << stderrText();
    ::kill(pid, SIGTERM);
    expectExit(pid, 0);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(sites[i].host);
        EXPECT_NE(stderrText().find(std::string(sites[i].host) + ": "), std::string::npos) << "connected";
        const QStringList want = {QString::number(zq_peer_holding(0) + sites[i].offset),
                                  QString::number(zq_peer_holding(1) + sites[i].offset)};
        for (const QString& text : lines(path("out/site%1.txt").arg(i))) {
            const QRegularExpressionMatch m = line.match(text);
            ASSERT_TRUE(m.hasMatch()) << text.toStdString();
            EXPECT_EQ(m.captured(1).split(QLatin1Char(' '), Qt::SkipEmptyParts), want) << text.toStdString();
        }
    }

    // The second connection's slave is not there: the run ends as with one.
    contents.moreConnections[0].settings.IPAddress = "127.0.0.1";
    contents.moreConnections[0].settings.ServicePort = closedPort();
    ASSERT_EQ(WorkspaceFile::Save(path("broken.zqw"), contents), WorkspaceFile::Status::Ok);
    const pid_t broken = run({"--headless", path("broken.zqw").toStdString(), "--log-dir", path("out").toStdString()});
    expectExit(broken, 1);
    EXPECT_NE(stderrText().find("127.0.0.1: " + std::to_string(contents.moreConnections[0].settings.ServicePort)),
              std::string::npos)
        << stderrText();
}

TEST_F(HeadlessProcessTest, DocumentsNamedOneByOneLogWhereTheWindowLastLoggedThem) {
    std::string error;
    auto peer = PeerProcess::LibModbus(PeerProcess::Mode::Tcp, "", error);
    ASSERT_TRUE(peer) << error;
    writeDocument("pump.zqd", 3, 3);
    // The connection from the settings store, the log as the window left it.
    store().SetInt("CommSetup", "Serial", 1);
    store().SetString("CommSetup", "IPAddress", "127.0.0.1");
    store().SetInt("CommSetup", "ServicePort", peer->Port());
    StoredLog::Record record;
    record.file = path("logs/pump.csv");
    StoredLog::Remember(store(), path("pump.zqd"), record);
    QDir().mkpath(path("logs"));

    const pid_t pid = run({"--headless", path("pump.zqd").toStdString()});
    ASSERT_TRUE(waitUntil([&] { return lines(record.file).size() >= 5; })) << stderrText();
    ::kill(pid, SIGTERM);
    expectExit(pid, 0);
    const QStringList written = lines(record.file);
    const QString header = written.value(0);
    EXPECT_TRUE(header.startsWith(QStringLiteral("Time,")) && header.endsWith(QStringLiteral(",Status\r")) &&
                header.count(QLatin1Char(',')) == 4)
        << header.toStdString();
    for (const QString& row : written.mid(1))
        EXPECT_TRUE(row.contains(QStringLiteral(",3,10,17,\r"))) << row.toStdString();
}

TEST_F(HeadlessProcessTest, PollsOnWhenTheSlaveComesBack) {
    const std::string slave = PeerProcess::BinaryDir() + "/tests/zentiq_libmodbus_slave";
    std::string error;
    auto peer = PeerProcess::Start({slave, "--tcp", "0", "--exit-on-stdin-eof"}, PeerProcess::kReadyTimeout, error);
    ASSERT_TRUE(peer) << error;
    const int port = peer->Port();
    writeDocument("pump.zqd", 3, 2);
    writeWorkspace("plant.zqw", port, {"pump.zqd"});
    const QString log = path("out/pump.txt");
    const pid_t pid = run({"--headless", path("plant.zqw").toStdString(), "--log-dir", path("out").toStdString()});
    ASSERT_TRUE(waitUntil([&] { return lines(log).size() >= 5; })) << stderrText();

    peer.reset();
    ASSERT_TRUE(waitUntil([&] { return lastErrorCount(stderrText()) > 0; }))
        << "the status line counts the failed polls\n" << stderrText();
    const qsizetype before = lines(log).size();
    peer = PeerProcess::Start({slave, "--tcp", std::to_string(port), "--exit-on-stdin-eof"}, PeerProcess::kReadyTimeout,
                              error);
    ASSERT_TRUE(peer) << error;
    EXPECT_TRUE(waitUntil([&] { return lines(log).size() >= before + 5; }))
        << "no lines after the slave came back\n" << stderrText();
    EXPECT_TRUE(test::ProgramRunner::StillRunning(pid));
    ::kill(pid, SIGTERM);
    expectExit(pid, 0);
}

TEST_F(HeadlessProcessTest, WhatCannotBeOpenedEndsTheRunWithItsReason) {
    writeDocument("pump.zqd", 3, 2);
    writeWorkspace("closed.zqw", closedPort(), {"pump.zqd"});
    writeWorkspace("empty.zqw", 502, {});
    QFile::copy(path("pump.zqd"), path("unlogged.zqd"));
    struct Case {
        const char* what;
        std::vector<std::string> args;
        int code;
        const char* says;
    };
    const std::string out = path("out").toStdString();
    const Case cases[] = {
        {"no workspace", {"--headless", path("missing.zqw").toStdString()}, 1, "missing.zqw"},
        {"no document", {"--headless", path("missing.zqd").toStdString(), "--log-dir", out}, 1, "missing.zqd"},
        {"no file at all", {"--headless"}, 2, "--headless"},
        {"a workspace beside a document",
         {"--headless", path("closed.zqw").toStdString(), path("pump.zqd").toStdString()}, 2, "--headless"},
        {"a workspace without documents", {"--headless", path("empty.zqw").toStdString()}, 1, "empty.zqw"},
        {"nothing to log", {"--headless", path("unlogged.zqd").toStdString()}, 1, "--log-dir"},
        {"the slave's port is closed",
         {"--headless", path("closed.zqw").toStdString(), "--log-dir", out}, 1, "连接失败"},
        {"a log folder that cannot be made",
         {"--headless", path("pump.zqd").toStdString(), "--log-dir", path("pump.zqd/logs").toStdString()}, 1,
         "pump.zqd/logs"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const pid_t pid = run(c.args);
        expectExit(pid, c.code);
        EXPECT_NE(stderrText().find(c.says), std::string::npos) << stderrText();
    }
}

// The run is handed to zentiq-headless, which maps no window library: no
// widgets, no charts, no printing, no bus, not even Qt's GUI library.
TEST_F(HeadlessProcessTest, TheRunMapsNoWindowLibrary) {
    std::string error;
    auto peer = PeerProcess::LibModbus(PeerProcess::Mode::Tcp, "", error);
    ASSERT_TRUE(peer) << error;
    writeDocument("pump.zqd", 3, 2);
    writeWorkspace("plant.zqw", peer->Port(), {"pump.zqd"});
    const QString log = path("out/pump.txt");
    const pid_t pid = run({"--headless", path("plant.zqw").toStdString(), "--log-dir", path("out").toStdString()});
    ASSERT_TRUE(waitUntil([&] { return lines(log).size() >= 2; })) << stderrText();

    const QString proc = QStringLiteral("/proc/%1/").arg(pid);
    EXPECT_EQ(QFileInfo(QFile::symLinkTarget(proc + "exe")).fileName(), "zentiq-headless");
    const QString maps = QString::fromLatin1(bytes(proc + "maps"));
    EXPECT_TRUE(maps.contains("libQt6Core.so")) << "the maps were read";
    for (const char* library : {"libQt6Widgets", "libQt6Gui", "libQt6Charts", "libQt6PrintSupport", "libQt6DBus",
                                "libQt6OpenGL"})
        EXPECT_FALSE(maps.contains(QLatin1String(library))) << library << " is mapped";
    ::kill(pid, SIGTERM);
    expectExit(pid, 0);
}

// A wrong headless line is refused with the usage in the language of the
// interface: --lang, else the stored choice; the logger's own problems too.
TEST_F(HeadlessProcessTest, AWrongLineIsRefusedInTheLanguageOfTheInterface) {
    writeDocument("pump.zqd", 3, 2);
    const std::string pump = path("pump.zqd").toStdString();
    struct Case {
        Language stored;
        std::vector<std::string> args;
        const char* problem;  // the first line
        const char* usage;    // how the next begins
    };
    const Case cases[] = {
        {Language::Chinese, {"--headless"},
         "zentiq: --headless 需要一个工程文件 (.zqw) 或一个或多个轮询文档 (.zqd)。", "用法：zentiq "},
        {Language::English, {"--headless"},
         "zentiq: --headless needs a workspace (.zqw) or one or more poll documents (.zqd).", "usage: zentiq "},
        {Language::Chinese, {"--headless", pump, "--automation", "--lang", "en"},
         "zentiq: --headless runs without --automation and --print", "usage: zentiq "},
        {Language::English, {"--headless", pump, "--print", pump, "--lang", "zh"},
         "zentiq: --headless 不能与 --automation 或 --print 一起使用", "用法：zentiq "},
        // Refused by zentiq before the hand-over.
        {Language::English, {"--headless", pump, "--bogus"}, "zentiq: unknown option --bogus", "usage: zentiq "},
        {Language::Chinese, {"--headless", pump, "--log-dir"}, "zentiq: --log-dir 需要一个文件夹", "用法：zentiq "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.problem);
        StoreLanguage(store(), c.stored);
        const pid_t pid = run(c.args);
        expectExit(pid, 2);
        const QStringList lines = QString::fromStdString(stderrText()).split(QLatin1Char('\n'));
        ASSERT_GE(lines.size(), 2) << stderrText();
        EXPECT_EQ(lines[0].toStdString(), c.problem);
        EXPECT_TRUE(lines[1].startsWith(QString::fromUtf8(c.usage))) << stderrText();
    }
}

// Without zentiq-headless beside it or in an install's libexec folder, the
// program says where it looked, in the chosen language, and fails.
TEST_F(HeadlessProcessTest, AMissingHelperIsNamedWithThePlacesSearched) {
    const QString lonely = path("lonely/bin/zentiq");
    QDir().mkpath(path("lonely/bin"));
    ASSERT_TRUE(QFile::copy(QString::fromStdString(test::ProgramRunner::ProgramPath()), lonely));
    writeDocument("pump.zqd", 3, 2);
    const struct {
        const char* language;
        const char* says;
    } cases[] = {{"zh", "找不到无窗口运行的程序 zentiq-headless"}, {"en", "Cannot find zentiq-headless"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.language);
        const std::string err = process::UniqueTmpName("zentiq-lonely");
        const int fd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        std::string error;
        const pid_t pid = process::Spawn({"/usr/bin/env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u",
                                          "QT_QPA_PLATFORM", lonely.toStdString(), "--settings-dir",
                                          path("settings").toStdString(), "--headless",
                                          path("pump.zqd").toStdString(), "--log-dir", path("out").toStdString(),
                                          "--lang", c.language},
                                         -1, -1, fd, error);
        ::close(fd);
        ASSERT_GT(pid, 0) << error;
        int status = 0;
        ASSERT_TRUE(waitUntil([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }));
        const std::string text = process::ReadTail(err);
        ::unlink(err.c_str());
        ASSERT_TRUE(WIFEXITED(status)) << text;
        EXPECT_EQ(WEXITSTATUS(status), 1) << text;
        EXPECT_NE(text.find(c.says), std::string::npos) << text;
        EXPECT_NE(text.find(path("lonely/bin/zentiq-headless").toStdString()), std::string::npos) << text;
        EXPECT_NE(text.find(path("lonely/libexec/zentiq/zentiq-headless").toStdString()), std::string::npos) << text;
        EXPECT_FALSE(QFileInfo::exists(path("out"))) << "nothing ran";
    }
}

// The log's folder removed under a running logger: the lines meanwhile are
// lost and that is said once; once the folder is back, so is the file,
// starting with a note line that counts them. A log moved away (as a log
// rotation does) is made again at once and the moved file ends whole.
TEST_F(HeadlessProcessTest, ALogWhoseFileGoesIsMadeAgainWithTheGapNotedAndSaidOnce) {
    std::string error;
    auto peer = PeerProcess::LibModbus(PeerProcess::Mode::Tcp, "", error);
    ASSERT_TRUE(peer) << error;
    writeDocument("pump.zqd", 3, 2);
    writeWorkspace("plant.zqw", peer->Port(), {"pump.zqd"});
    const QString log = path("out/pump.txt");
    const pid_t pid = run({"--headless", path("plant.zqw").toStdString(), "--log-dir", path("out").toStdString()});
    ASSERT_TRUE(waitUntil([&] { return lines(log).size() >= 3; })) << stderrText();
    const QRegularExpression line(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d <00000> (.*)$"));
    const auto count = [](const std::string& text, const std::string& part) {
        int n = 0;
        for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
            ++n;
        return n;
    };

    // Moved aside before it is emptied: the logger cannot make its file
    // again in a folder that is still being removed.
    ASSERT_TRUE(QDir().rename(path("out"), path("gone")));
    ASSERT_TRUE(QDir(path("gone")).removeRecursively());
    ASSERT_TRUE(waitUntil([&] { return stderrText().find("且无法重新创建") != std::string::npos; })) << stderrText();
    ASSERT_TRUE(QDir().mkpath(path("out")));
    ASSERT_TRUE(waitUntil([&] { return lines(log).size() >= 3; })) << stderrText();
    const QRegularExpressionMatch gap =
        QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d <00000> 记录文件被删除或移走，已重新创建；(\\d+) 行未能记录$"))
            .match(lines(log).value(0));
    ASSERT_TRUE(gap.hasMatch()) << lines(log).value(0).toStdString();
    EXPECT_GE(gap.captured(1).toInt(), 1);
    ASSERT_TRUE(waitUntil([&] { return count(stderrText(), "已重新创建。") == 1; })) << stderrText();

    ASSERT_TRUE(QFile::rename(log, path("out/pump.old")));
    ASSERT_TRUE(waitUntil([&] { return lines(log).size() >= 3; })) << stderrText();
    EXPECT_TRUE(lines(log).value(0).endsWith(QStringLiteral(" <00000> 记录文件被删除或移走，已重新创建")))
        << lines(log).value(0).toStdString();
    ::kill(pid, SIGTERM);
    expectExit(pid, 0);
    EXPECT_EQ(count(stderrText(), "且无法重新创建"), 1) << "said once\n" << stderrText();
    EXPECT_EQ(count(stderrText(), "已重新创建。"), 2) << stderrText();
    EXPECT_TRUE(bytes(path("out/pump.old")).endsWith('\n'));
    for (const QString& file : {path("out/pump.old"), log})
        for (const QString& text : lines(file).mid(1))
            EXPECT_EQ(line.match(text).captured(1).split(QLatin1Char(' '), Qt::SkipEmptyParts),
                      QStringList({"3", "10"}))
                << text.toStdString();
}

// A run started on a CSV log whose last row a crash cut short: the cut row
// is left out (nothing of "3,1" cut from "3,10" reads as a value), a note
// row stands in its place, and stderr says so.
TEST_F(HeadlessProcessTest, ALogCutInsideItsLastRowIsAppendedWithoutIt) {
    std::string error;
    auto peer = PeerProcess::LibModbus(PeerProcess::Mode::Tcp, "", error);
    ASSERT_TRUE(peer) << error;
    writeDocument("pump.zqd", 3, 2);
    writeWorkspace("plant.zqw", peer->Port(), {"pump.zqd"});
    StoredLog::Record record;
    record.file = path("old.csv");
    StoredLog::Remember(store(), path("pump.zqd"), record);  // a CSV log for --log-dir too
    QDir().mkpath(path("out"));
    const QByteArray before = "Time,40001,40002,Status\r\n2026-12-01T08:00:00+00:00,3,10,\r\n";
    const QString log = path("out/pump.csv");
    QFile file(log);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(before + "2026-12-01T08:00:01+00:00,3,1");
    file.close();

    const pid_t pid = run({"--headless", path("plant.zqw").toStdString(), "--log-dir", path("out").toStdString()});
    ASSERT_TRUE(waitUntil([&] { return lines(log).size() >= 6; })) << stderrText();
    ::kill(pid, SIGTERM);
    expectExit(pid, 0);
    EXPECT_NE(stderrText().find("的最后一行不完整"), std::string::npos) << stderrText();
    const QByteArray written = bytes(log);
    ASSERT_TRUE(written.startsWith(before)) << written.toStdString();
    const QStringList rows = QString::fromUtf8(written.mid(before.size())).split(QStringLiteral("\r\n"));
    ASSERT_GE(rows.size(), 4);
    EXPECT_TRUE(rows[0].startsWith(QStringLiteral("Time,"))) << rows[0].toStdString();
    EXPECT_TRUE(rows[1].endsWith(QStringLiteral(",,,上次的记录在一行的中途结束，这一行已删去"))) << rows[1].toStdString();
    EXPECT_TRUE(rows.last().isEmpty()) << "the last row is whole";
    for (const QString& row : rows.mid(2, rows.size() - 3))
        EXPECT_TRUE(row.endsWith(QStringLiteral(",3,10,"))) << row.toStdString();
}

// Refusals that need no file come before any file: a run refused a slot
// makes no log folder and no log file.
TEST_F(HeadlessProcessTest, ARunRefusedASlotMakesNoLogFileOrFolder) {
    QStringList many;
    for (int n = 1; n <= 33; ++n) {
        many << QStringLiteral("d%1.zqd").arg(n);
        writeDocument(many.last(), 3, 2);
    }
    writeDocument("broadcast.zqd", 3, 2, 0);
    writeWorkspace("many.zqw", closedPort(), many);
    writeWorkspace("broadcast.zqw", closedPort(), {"d1.zqd", "broadcast.zqd"});
    const struct {
        const char* workspace;
        const char* says;
    } cases[] = {{"many.zqw", "最多可以同时轮询 32 个文档"}, {"broadcast.zqw", "从站 ID 0 是广播地址"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.workspace);
        const pid_t pid = run({"--headless", path(c.workspace).toStdString(), "--log-dir", path("out").toStdString()});
        expectExit(pid, 1);
        EXPECT_NE(stderrText().find(c.says), std::string::npos) << stderrText();
        EXPECT_FALSE(QFileInfo::exists(path("out"))) << "nothing was made";
    }
}

// Two documents of a run that share a log: the second is refused with the
// reason (another process's lock is told apart in the logger's own tests).
TEST_F(HeadlessProcessTest, ALogThatAnotherDocumentHoldsIsRefusedWithTheReason) {
    writeDocument("pump.zqd", 3, 2);
    writeDocument("fan.zqd", 3, 2);
    writeWorkspace("plant.zqw", closedPort(), {"pump.zqd", "fan.zqd"});
    StoredLog::Record record;
    record.file = path("shared.txt");
    StoredLog::Remember(store(), path("pump.zqd"), record);
    StoredLog::Remember(store(), path("fan.zqd"), record);
    const pid_t pid = run({"--headless", path("plant.zqw").toStdString()});
    expectExit(pid, 1);
    EXPECT_NE(stderrText().find("文件打开错误: " + record.file.toStdString() + " 已被本次运行的另一个文档记录"),
              std::string::npos)
        << stderrText();
}

// How a test fills the disk under a log and empties it again: a small
// tmpfs filled by another file (ENOSPC; mounting needs root), or a limit
// on the size of the files the running logger writes, lowered and lifted
// from outside with prlimit(2) (EFBIG; any user, since zentiq-headless
// ignores SIGXFSZ). Both go through the logger's real writes.
enum class FullDisk { Tmpfs, FileSizeLimit };

class HeadlessFullDiskTest : public HeadlessProcessTest, public ::testing::WithParamInterface<FullDisk> {
protected:
    void TearDown() override {
        if (!m_mount.empty())
            ::umount2(m_mount.c_str(), MNT_DETACH);  // the logger may still hold its file
    }
    std::string m_mount;
};

// A disk that fills under a running log: the run goes on, says which log
// stopped and why on every status line, and once there is room the log
// resumes with a line that records the gap; no cut line anywhere, and the
// old lines it appended to are untouched.
TEST_P(HeadlessFullDiskTest, ALogWaitsForRoomThenRecordsTheGapAndGoesOn) {
    const bool tmpfs = GetParam() == FullDisk::Tmpfs;
    const QString out = path("out");
    ASSERT_TRUE(QDir().mkpath(out));
    if (tmpfs) {
        if (::geteuid() != 0)
            GTEST_SKIP() << "mounting a tmpfs needs root; the file-size limit stands in for it";
        if (::mount("tmpfs", QFile::encodeName(out).constData(), "tmpfs", MS_NOSUID | MS_NODEV, "size=1m") != 0)
            GTEST_SKIP() << "cannot mount a tmpfs: " << std::strerror(errno);
        m_mount = out.toStdString();
    }
    std::string error;
    auto peer = PeerProcess::LibModbus(PeerProcess::Mode::Tcp, "", error);
    ASSERT_TRUE(peer) << error;
    writeDocument("pump.zqd", 3, 10);
    writeWorkspace("plant.zqw", peer->Port(), {"pump.zqd"});
    // A CSV log on the tmpfs, a text log with dated lines (--log-date) under the limit.
    const QString log = path(tmpfs ? "out/pump.csv" : "out/pump.txt");
    if (tmpfs) {
        StoredLog::Record record;
        record.file = path("old.csv");
        StoredLog::Remember(store(), path("pump.zqd"), record);
    }
    const QString values = "3,10,17,24,31,38,45,52,59,66";
    const QRegularExpression valueLine(
        tmpfs ? QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT[^,]+,%1,\r$").arg(values)
              : QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d <00000>\\s+%1$")
                    .arg(QString(values).replace(',', "\\s+")));
    const QRegularExpression gapLine(
        (tmpfs ? QStringLiteral("^[^,]+,,,,,,,,,,,") : QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d <00000> ")) +
        QStringLiteral("记录中断 \\d\\d:\\d\\d:\\d\\d\\.\\d{3} – \\d\\d:\\d\\d:\\d\\d\\.\\d{3}，(\\d+) 行未能写入") +
        (tmpfs ? QStringLiteral("\r$") : QStringLiteral("$")));
    // An old log of some 200 KB that the run appends to. Under the limit it
    // also keeps the run's stderr file, which the limit covers too, small
    // beside it.
    QByteArray old = tmpfs ? "Time,0,1,2,3,4,5,6,7,8,9,Status\r\n" : "";
    const QByteArray oldLine = tmpfs ? "2026-12-01T08:00:00.000+00:00,3,10,17,24,31,38,45,52,59,66,\r\n"
                                     : "2026-12-01 08:00:00 <00000>      3     10     17     24     31     38     45     52     59     66\n";
    while (old.size() < 200 * 1024)
        old += oldLine;
    {
        QFile file(log);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(old), old.size());
    }
    const qsizetype oldLines = lines(log).size();

    std::vector<std::string> args{"--headless", path("plant.zqw").toStdString(), "--log-dir", out.toStdString()};
    if (!tmpfs)
        args.push_back("--log-date");
    const pid_t pid = run(args);
    ASSERT_TRUE(waitUntil([&] { return lines(log).size() >= oldLines + 3; })) << stderrText();

    const QString filler = path("out/filler");
    if (tmpfs) {
        QFile file(filler);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray block(4096, 'x');
        int blocks = 0;
        while (blocks < 1024 && file.write(block) == block.size())
            ++blocks;
        ASSERT_LT(blocks, 1024) << "the tmpfs never filled";
    } else {
        // A few bytes more than the log holds: the next line is cut by the
        // limit, the ones after it refused whole.
        const rlimit limit{static_cast<rlim_t>(QFileInfo(log).size() + 10), RLIM_INFINITY};
        ASSERT_EQ(::prlimit(pid, RLIMIT_FSIZE, &limit, nullptr), 0) << std::strerror(errno);
    }
    const std::string stopped = "记录停止: " + log.toStdString() + ": " + (tmpfs ? "磁盘已满" : "文件已达到允许的最大长度");
    const auto count = [](const std::string& text, const std::string& part) {
        int n = 0;
        for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
            ++n;
        return n;
    };
    // Said when it stopped, then on the status lines.
    ASSERT_TRUE(waitUntil([&] { return count(stderrText(), stopped) >= 3; }, 60000)) << stderrText();

    if (tmpfs) {
        ASSERT_TRUE(QFile::remove(filler));
    } else {
        const rlimit limit{RLIM_INFINITY, RLIM_INFINITY};
        ASSERT_EQ(::prlimit(pid, RLIMIT_FSIZE, &limit, nullptr), 0) << std::strerror(errno);
    }
    const auto linesAfterGap = [&] {
        const QStringList written = lines(log);
        for (qsizetype i = written.size() - 1; i >= 0; --i)
            if (gapLine.match(written[i]).hasMatch())
                return written.size() - 1 - i;
        return qsizetype(-1);
    };
    ASSERT_TRUE(waitUntil([&] { return linesAfterGap() >= 3; })) << stderrText();
    const std::string resumed = "又能写入了";
    ASSERT_TRUE(waitUntil([&] {
        const std::string text = stderrText();
        const std::size_t at = text.find(resumed);
        return at != std::string::npos && text.find("Tx = ", at) != std::string::npos;
    })) << "a status line after it resumed\n" << stderrText();
    ::kill(pid, SIGTERM);
    expectExit(pid, 0);

    const QByteArray written = bytes(log);
    ASSERT_TRUE(written.startsWith(old)) << "the old lines stay as they were";
    EXPECT_TRUE(written.endsWith('\n')) << "the last line is whole";
    int gaps = 0;
    QStringList appended = lines(log).mid(oldLines);
    // An appended CSV log starts with its header again.
    if (tmpfs && !appended.isEmpty() && appended.first() == QStringLiteral("Time,0,1,2,3,4,5,6,7,8,9,Status\r"))
        appended.removeFirst();
    for (const QString& text : appended) {
        const QRegularExpressionMatch gap = gapLine.match(text);
        if (gap.hasMatch()) {
            ++gaps;
            EXPECT_GE(gap.captured(1).toInt(), 1);
        } else {
            EXPECT_TRUE(valueLine.match(text).hasMatch()) << "no cut line: " << text.toStdString();
        }
    }
    EXPECT_EQ(gaps, 1);
    // Every status line while it was stopped names it; none after.
    const std::string text = stderrText();
    EXPECT_EQ(count(text, "磁盘已满或磁盘错误: pump.zqd"), 1) << text;
    const std::size_t stallAt = text.find(stopped), resumeAt = text.find(resumed);
    ASSERT_NE(resumeAt, std::string::npos);
    std::size_t from = 0;
    for (std::size_t end = text.find('\n'); end != std::string::npos; from = end + 1, end = text.find('\n', from)) {
        const std::string line = text.substr(from, end - from);
        if (line.find("Tx = ") == std::string::npos || from < stallAt)
            continue;
        EXPECT_EQ(line.find("记录停止") != std::string::npos, from < resumeAt) << line;
    }
}

INSTANTIATE_TEST_SUITE_P(Disks, HeadlessFullDiskTest, ::testing::Values(FullDisk::Tmpfs, FullDisk::FileSizeLimit),
                         [](const ::testing::TestParamInfo<FullDisk>& info) {
                             return info.param == FullDisk::Tmpfs ? "Tmpfs" : "FileSizeLimit";
                         });

}  // namespace
}  // namespace zentiq
