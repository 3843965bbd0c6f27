#include "app/command_line.h"

#include <gtest/gtest.h>

namespace zentiq {
namespace {

TEST(CommandLineTest, EachArgumentLandsWhereItBelongs) {
    struct Case {
        QStringList args;
        QStringList files;
        QString printFile;
        bool automation;
        QString error;  // a text the problem names, empty for none
    };
    const Case cases[] = {
        // main.cpp's options and their values are no file names.
        {{"--settings-dir", "/tmp/x.zqd", "poll.zqd", "--screenshot", "shot.png", "--screenshot-delay=5",
          "-Automation"},
         {"poll.zqd"}, "", true, ""},
        {{"/Embedding"}, {}, "", true, ""},
        {{"--settings-dir=/tmp/s", "plant.zqw"}, {"plant.zqw"}, "", false, ""},
        // An absolute path is no switch; every file is kept in its order.
        {{"/home/u/a.zqd", "second.zqd", "plant.zqw"}, {"/home/u/a.zqd", "second.zqd", "plant.zqw"}, "", false, ""},
        // Qt's own options and their values belong to the application object.
        {{"-style", "Fusion", "a.zqd", "--platform=offscreen", "-reverse", "-qwindowtitle", "T.zqd"},
         {"a.zqd"}, "", false, ""},
        {{"--print", "a.zqd"}, {}, "a.zqd", false, ""},
        {{"--print=/data/b.zqd"}, {}, "/data/b.zqd", false, ""},
        {{"/p", "c.zqd"}, {}, "c.zqd", false, ""},
        {{"/P", "d.zqd", "e.zqd"}, {"e.zqd"}, "d.zqd", false, ""},
        {{"/print.zqd"}, {"/print.zqd"}, "", false, ""},  // a path, not the switch
        {{"-"}, {"-"}, "", false, ""},
        // Wrong lines: the first problem is named.
        {{"/home/u/a.zqd", "--bogus", "-x"}, {"/home/u/a.zqd"}, "", false, "未知选项 --bogus"},
        {{"-platformx"}, {}, "", false, "未知选项 -platformx"},
        {{"/p"}, {}, "", false, "/p 需要要打印的文档"},
        {{"--print"}, {}, "", false, "--print 需要要打印的文档"},
        {{"--print="}, {}, "", false, "--print 需要要打印的文档"},
        {{"a.zqd", "--settings-dir"}, {"a.zqd"}, "", false, "--settings-dir 需要一个值"},
        {{"a.zqd", "-style"}, {"a.zqd"}, "", false, "-style 需要一个值"},
    };
    for (const Case& c : cases) {
        const CommandLine line = CommandLine::Parse(c.args);
        SCOPED_TRACE(c.args.join(' ').toStdString());
        EXPECT_EQ(line.files, c.files);
        EXPECT_EQ(line.fileName, c.files.value(0));
        EXPECT_EQ(line.printFile, c.printFile);
        EXPECT_EQ(line.automation, c.automation);
        EXPECT_EQ(line.error.isEmpty(), c.error.isEmpty()) << line.error.toStdString();
        EXPECT_TRUE(line.error.contains(c.error)) << line.error.toStdString();
    }
}

TEST(CommandLineTest, AHeadlessRunTakesEveryFileAndALogFolder) {
    struct Case {
        QStringList args;
        QStringList files;
        QString logDir;
        bool logDate;
        bool error;
    };
    const Case cases[] = {
        {{"--headless", "a.zqd", "b.zqd"}, {"a.zqd", "b.zqd"}, "", false, false},
        {{"plant.zqw", "--log-dir", "/var/log/z", "--headless"}, {"plant.zqw"}, "/var/log/z", false, false},
        {{"--headless", "--log-dir=/tmp/l", "--settings-dir", "/s", "a.zqd"}, {"a.zqd"}, "/tmp/l", false, false},
        {{"--headless", "a.zqd", "--log-dir"}, {"a.zqd"}, "", false, true},
        {{"--headless", "--log-dir=", "a.zqd"}, {"a.zqd"}, "", false, true},
        {{"--headless"}, {}, "", false, false},  // the logger says what is missing
        {{"--log-date", "--headless", "a.zqd"}, {"a.zqd"}, "", true, false},
        // Without --headless the folder and the dates have no use.
        {{"a.zqd", "--log-dir", "/tmp/l"}, {"a.zqd"}, "/tmp/l", false, true},
        {{"a.zqd", "--log-date"}, {"a.zqd"}, "", true, true},
    };
    for (const Case& c : cases) {
        const CommandLine line = CommandLine::Parse(c.args);
        SCOPED_TRACE(c.args.join(' ').toStdString());
        EXPECT_EQ(line.files, c.files);
        EXPECT_EQ(line.logDir, c.logDir);
        EXPECT_EQ(line.logDate, c.logDate);
        EXPECT_EQ(!line.error.isEmpty(), c.error);
    }
}

TEST(CommandLineTest, UsageNamesEverySwitchTheParserTakes) {
    const QString usage = CommandLine::UsageText();
    for (const char* option : {"--print", "--automation", "--lang", "--settings-dir", "--headless", "--log-dir", "--log-date"})
        EXPECT_TRUE(usage.contains(QLatin1String(option))) << option;
}

}  // namespace
}  // namespace zentiq
