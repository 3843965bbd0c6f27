// The command line of the real program is answered before any display is
// needed: --help and --version on stdout with exit code 0, a wrong line with
// the usage on stderr and exit code 2, on a platform that cannot start as on
// one that can.
#include <sys/wait.h>

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "app/command_line.h"
#include "app/program_runner.h"
#include "support/qt_test_app.h"

namespace zentiq {
namespace {

std::string readAll(const std::string& path) {
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

TEST(ProgramInfoTest, HelpAndVersionNeedNoDisplay) {
    zentiq::testing::EnsureQApplication();
    QTemporaryDir dir;
    test::ProgramRunner program(dir.filePath("settings").toStdString());
    ASSERT_TRUE(QFileInfo(QString::fromStdString(test::ProgramRunner::ProgramPath())).isExecutable())
        << test::ProgramRunner::ProgramPath() << " is missing: build the zentiq target";
    // The X11 platform without a display: any start that makes the
    // application object fails.
    const std::vector<std::string> noDisplay{"-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM=xcb"};
    // The package check compares the number with project()'s.
    const std::string version = CommandLine::VersionText().toStdString();
    EXPECT_TRUE(QRegularExpression("^zentiq \\d+\\.\\d+\\.\\d+\n$").match(CommandLine::VersionText()).hasMatch())
        << version;
    const std::string help = CommandLine::HelpText().toStdString();
    struct Case {
        std::vector<std::string> args;
        std::string out;  // empty: the program must fail
    };
    const Case cases[] = {
        {{"--version"}, version},
        {{"-v"}, version},
        {{"--help"}, help},
        {{"-h"}, help},
        // Asked for, help comes first, even on a line that is wrong otherwise.
        {{"poll.zqd", "--lang", "xx", "--help"}, help},
        {{"--automation", "--version"}, version},
        // Without either the program needs the display it lacks.
        {{}, ""},
    };
    for (const Case& c : cases) {
        std::string line;
        for (const std::string& a : c.args)
            line += a + " ";
        SCOPED_TRACE(line);
        const int status = program.WaitStatus(program.Run(noDisplay, c.args));
        ASSERT_NE(status, -1) << "still running";
        if (c.out.empty()) {
            EXPECT_FALSE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "it started without a display";
            continue;
        }
        ASSERT_TRUE(WIFEXITED(status)) << "status " << status;
        EXPECT_EQ(WEXITSTATUS(status), 0) << test::process::ReadTail(program.StderrPath());
        EXPECT_EQ(readAll(program.StdoutPath()), c.out);
        EXPECT_EQ(readAll(program.StderrPath()), "");
    }
}

TEST(ProgramInfoTest, AWrongLineGetsTheUsageAndTwoWithAndWithoutADisplay) {
    zentiq::testing::EnsureQApplication();
    QTemporaryDir dir;
    test::ProgramRunner program(dir.filePath("settings").toStdString());
    ASSERT_TRUE(QFileInfo(QString::fromStdString(test::ProgramRunner::ProgramPath())).isExecutable())
        << test::ProgramRunner::ProgramPath() << " is missing: build the zentiq target";
    const std::string usage = CommandLine::UsageText().toStdString() + "\n";
    struct Platform {
        const char* name;
        std::vector<std::string> environment;
    };
    const Platform platforms[] = {
        {"no display", {"-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u", "QT_QPA_PLATFORM"}},
        {"offscreen", {"-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM=offscreen"}},
    };
    struct Case {
        std::vector<std::string> args;
        std::string problem;  // the line before the usage
    };
    const std::string tmp = dir.path().toStdString();
    const Case cases[] = {
        {{"--bogus"}, "zentiq: unknown option --bogus\n"},
        {{"--lang", "fr"}, "zentiq: --lang wants en or zh, not \"fr\"\n"},
        {{"--lang"}, "zentiq: --lang wants en or zh, not \"\"\n"},
        {{"-x", "--lang", "fr"}, "zentiq: unknown option -x\n"},  // the first problem
        {{"--automation", "--bogus"}, "zentiq: unknown option --bogus\n"},
        {{"--print"}, "zentiq: --print needs the document to print\n"},
        {{tmp + "/a.zqd", "--log-dir", tmp}, "zentiq: --log-dir goes with --headless\n"},
        {{"--headless", tmp + "/a.zqd", "--bogus"}, "zentiq: unknown option --bogus\n"},
        {{"--screenshot-delay", "soon"}, "zentiq: --screenshot-delay wants milliseconds (0..600000)\n"},
        {{"--screenshot"}, "zentiq: --screenshot needs a value\n"},
        {{"-style"}, "zentiq: -style needs a value\n"},
    };
    for (const Platform& p : platforms) {
        for (const Case& c : cases) {
            std::string line;
            for (const std::string& a : c.args)
                line += a + " ";
            SCOPED_TRACE(std::string(p.name) + ": " + line);
            const int status = program.WaitStatus(program.Run(p.environment, c.args));
            ASSERT_NE(status, -1) << "still running";
            ASSERT_TRUE(WIFEXITED(status)) << "status " << status << "\n"
                                           << test::process::ReadTail(program.StderrPath());
            EXPECT_EQ(WEXITSTATUS(status), 2);
            EXPECT_EQ(readAll(program.StderrPath()), c.problem + usage);
            EXPECT_EQ(readAll(program.StdoutPath()), "");
        }
    }
}

}  // namespace
}  // namespace zentiq
