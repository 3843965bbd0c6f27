// The command line of the real program is answered before any display is
// needed: --help and --version on stdout with exit code 0, a wrong line with
// the usage on stderr and exit code 2, on a platform that cannot start as on
// one that can.
#include <sys/wait.h>

#include <QFile>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "app/command_line.h"
#include "app/program_runner.h"
#include "framework/language.h"
#include "framework/settings_store.h"
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

// The usage and help as the program prints them in `language`.
struct Texts {
    std::string usage;
    std::string help;
};
Texts textsIn(Language language) {
    ApplyLanguage(language);
    Texts texts{CommandLine::UsageText().toStdString() + "\n", CommandLine::HelpText().toStdString()};
    ApplyLanguage(Language::Chinese);
    return texts;
}

TEST(ProgramInfoTest, AWrongLineGetsTheUsageAndTwoWithAndWithoutADisplay) {
    zentiq::testing::EnsureQApplication();
    QTemporaryDir dir;
    // Nothing stored: the interface is Chinese. The folder is only read.
    test::ProgramRunner program(dir.filePath("settings").toStdString());
    ASSERT_TRUE(QFileInfo(QString::fromStdString(test::ProgramRunner::ProgramPath())).isExecutable())
        << test::ProgramRunner::ProgramPath() << " is missing: build the zentiq target";
    const std::string usage = textsIn(Language::Chinese).usage;
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
        std::string problem;  // the lines before the usage
    };
    const std::string tmp = dir.path().toStdString();
    const Case cases[] = {
        {{"--bogus"}, "zentiq: 未知选项 --bogus\n"},
        {{"--lang", "fr"}, "zentiq: --lang 只接受 en 或 zh，而不是“fr”\n"},
        {{"--lang"}, "zentiq: --lang 只接受 en 或 zh，而不是“”\n"},
        {{"-x", "--lang", "fr"}, "zentiq: 未知选项 -x\n"},  // the first problem
        {{"--automation", "--bogus"}, "zentiq: 未知选项 --bogus\n"},
        {{"--print"}, "zentiq: --print 需要要打印的文档\n"},
        {{tmp + "/a.zqd", "--log-dir", tmp}, "zentiq: --log-dir 只能与 --headless 一起使用\n"},
        {{"--headless", tmp + "/a.zqd", "--bogus"}, "zentiq: 未知选项 --bogus\n"},
        {{"--screenshot-delay", "soon"}, "zentiq: --screenshot-delay 需要毫秒数 (0..600000)\n"},
        {{"--screenshot"}, "zentiq: --screenshot 需要一个值\n"},
        // Each wrong value of the start options is named, the line's problem not.
        {{"--bogus", "--screenshot-delay", "-1", "--settings-dir"},
         "zentiq: --screenshot-delay 需要毫秒数 (0..600000)\nzentiq: --settings-dir 需要一个值\n"},
        {{"-style"}, "zentiq: -style 需要一个值\n"},
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
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("settings"))) << "a wrong line made the settings folder";
}

// The answers come in the language the windows would have: --lang first,
// else the stored choice, else Chinese.
TEST(ProgramInfoTest, AnswersSpeakTheLanguageOfTheInterface) {
    zentiq::testing::EnsureQApplication();
    QTemporaryDir dir;
    ASSERT_TRUE(QFileInfo(QString::fromStdString(test::ProgramRunner::ProgramPath())).isExecutable())
        << test::ProgramRunner::ProgramPath() << " is missing: build the zentiq target";
    {
        SettingsStore english(dir.filePath("english/Zentiq/Zentiq.ini"));
        StoreLanguage(english, Language::English);
    }
    const Texts zh = textsIn(Language::Chinese);
    const Texts en = textsIn(Language::English);
    ASSERT_NE(zh.usage, en.usage);
    ASSERT_NE(zh.help, en.help);
    EXPECT_EQ(en.usage.rfind("usage: zentiq ", 0), 0u) << en.usage;
    EXPECT_EQ(en.help.rfind("Usage: zentiq [OPTION]...", 0), 0u) << en.help;
    const std::vector<std::string> noDisplay{"-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM=xcb"};
    struct Case {
        const char* store;  // the settings folder
        std::vector<std::string> args;
        int code;
        std::string out;
        std::string err;
    };
    const Case cases[] = {
        {"none", {"--bogus"}, 2, "", "zentiq: 未知选项 --bogus\n" + zh.usage},
        {"english", {"--bogus"}, 2, "", "zentiq: unknown option --bogus\n" + en.usage},
        {"none", {"--lang", "en", "--bogus"}, 2, "", "zentiq: unknown option --bogus\n" + en.usage},
        {"english", {"--bogus", "--lang=zh"}, 2, "", "zentiq: 未知选项 --bogus\n" + zh.usage},
        // A wrong --lang leaves the stored choice.
        {"english", {"--lang", "fr"}, 2, "", "zentiq: --lang wants en or zh, not \"fr\"\n" + en.usage},
        {"english", {"--screenshot-delay", "soon"}, 2, "",
         "zentiq: --screenshot-delay wants milliseconds (0..600000)\n" + en.usage},
        {"english", {"--print=", "--headless"}, 2, "", "zentiq: --print needs the document to print\n" + en.usage},
        {"english", {"--help"}, 0, en.help, ""},
        {"none", {"--help", "--lang", "en"}, 0, en.help, ""},
        {"english", {"-h", "--lang", "zh"}, 0, zh.help, ""},
    };
    for (const Case& c : cases) {
        std::string line = std::string(c.store) + ": ";
        for (const std::string& a : c.args)
            line += a + " ";
        SCOPED_TRACE(line);
        test::ProgramRunner program(dir.filePath(QString::fromLatin1(c.store)).toStdString());
        const int status = program.WaitStatus(program.Run(noDisplay, c.args));
        ASSERT_NE(status, -1) << "still running";
        ASSERT_TRUE(WIFEXITED(status)) << "status " << status;
        EXPECT_EQ(WEXITSTATUS(status), c.code);
        EXPECT_EQ(readAll(program.StdoutPath()), c.out);
        EXPECT_EQ(readAll(program.StderrPath()), c.err);
    }
}

// A print run that cannot print says why, in the language of the interface.
TEST(ProgramInfoTest, APrintRunThatCannotPrintSaysWhyInTheLanguageOfTheInterface) {
    zentiq::testing::EnsureQApplication();
    QTemporaryDir dir;
    const std::string missing = dir.filePath("missing.zqd").toStdString();
    // Which reason depends on the machine: a printer set up or not.
    const bool printer = QPrinter(QPrinter::HighResolution).outputFormat() == QPrinter::NativeFormat;
    struct Case {
        const char* lang;
        std::string line;
        const char* noPrinter;
    };
    const Case cases[] = {
        {"zh", "zentiq: " + missing + " 无法打印：", "没有设置打印机"},
        {"en", "zentiq: " + missing + " could not be printed: ", "no printer is set up"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lang);
        test::ProgramRunner program(dir.filePath("settings").toStdString());
        const int status = program.WaitStatus(program.Run(
            {"-u", "DBUS_SESSION_BUS_ADDRESS"}, {"--print", missing, "--lang", c.lang}));
        ASSERT_NE(status, -1) << "still running";
        ASSERT_TRUE(WIFEXITED(status)) << "status " << status;
        EXPECT_NE(WEXITSTATUS(status), 0);
        const std::string err = readAll(program.StderrPath());
        const std::string expected = c.line + (printer ? "" : c.noPrinter);
        EXPECT_NE(err.find(expected), std::string::npos) << err;
    }
}

}  // namespace
}  // namespace zentiq
