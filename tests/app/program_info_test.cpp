// --help and --version of the real program: answered on stdout with exit
// code 0 before any display is needed, on a platform that cannot start.
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

}  // namespace
}  // namespace zentiq
