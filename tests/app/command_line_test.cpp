#include "app/command_line.h"

#include <gtest/gtest.h>

namespace zentiq {
namespace {

TEST(CommandLineTest, EachArgumentLandsWhereItBelongs) {
    struct Case {
        QStringList args;
        QString fileName;
        QString printFile;
        bool automation;
        QStringList ignored;
        bool error;
    };
    const Case cases[] = {
        // main.cpp's options and their values are no file names.
        {{"--settings-dir", "/tmp/x.zqd", "poll.zqd", "--screenshot", "shot.png", "--screenshot-delay=5",
          "-Automation"},
         "poll.zqd", "", true, {}, false},
        {{"/Embedding"}, "", "", true, {}, false},
        {{"--settings-dir=/tmp/s", "plant.zqw"}, "plant.zqw", "", false, {}, false},
        // An absolute path is no switch; a second file and unknown switches are ignored.
        {{"/home/u/a.zqd", "--bogus", "second.zqd"}, "/home/u/a.zqd", "", false, {"--bogus", "second.zqd"}, false},
        {{"--print", "a.zqd"}, "", "a.zqd", false, {}, false},
        {{"--print=/data/b.zqd"}, "", "/data/b.zqd", false, {}, false},
        {{"/p", "c.zqd"}, "", "c.zqd", false, {}, false},
        {{"/P", "d.zqd", "e.zqd"}, "e.zqd", "d.zqd", false, {}, false},
        {{"/p"}, "", "", false, {}, true},
        {{"--print"}, "", "", false, {}, true},
        {{"--print="}, "", "", false, {}, true},
        {{"/print.zqd"}, "/print.zqd", "", false, {}, false},  // a path, not the switch
        {{"-"}, "-", "", false, {}, false},
    };
    for (const Case& c : cases) {
        const CommandLine line = CommandLine::Parse(c.args);
        SCOPED_TRACE(c.args.join(' ').toStdString());
        EXPECT_EQ(line.fileName, c.fileName);
        EXPECT_EQ(line.printFile, c.printFile);
        EXPECT_EQ(line.automation, c.automation);
        EXPECT_EQ(line.ignored, c.ignored);
        EXPECT_EQ(!line.error.isEmpty(), c.error);
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
        // Without --headless the folder and the dates have no use, and only one file opens.
        {{"a.zqd", "--log-dir", "/tmp/l"}, {}, "/tmp/l", false, true},
        {{"a.zqd", "--log-date"}, {}, "", true, true},
    };
    for (const Case& c : cases) {
        const CommandLine line = CommandLine::Parse(c.args);
        SCOPED_TRACE(c.args.join(' ').toStdString());
        EXPECT_EQ(line.headlessFiles, c.files);
        EXPECT_EQ(line.logDir, c.logDir);
        EXPECT_EQ(line.logDate, c.logDate);
        EXPECT_EQ(!line.error.isEmpty(), c.error);
        EXPECT_TRUE(line.ignored.isEmpty());
    }
}

TEST(CommandLineTest, UsageNamesEverySwitchTheParserTakes) {
    const QString usage = CommandLine::UsageText();
    for (const char* option : {"--print", "--automation", "--lang", "--settings-dir", "--headless", "--log-dir", "--log-date"})
        EXPECT_TRUE(usage.contains(QLatin1String(option))) << option;
}

}  // namespace
}  // namespace zentiq
