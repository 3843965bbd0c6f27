// What a start does with the user's activation file, decided without a
// window from the start's kind and the installed files, with XDG_DATA_HOME
// and XDG_DATA_DIRS pointed at temporary folders.
#include "app/activation_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace zentiq {
namespace {

using activation_file::Action;
using activation_file::StartKind;

TEST(ActivationFileTest, TheExecLineIsReadAsTheBusReadsIt) {
    // What this program writes reads back as the path it was written for.
    const QStringList programs{"/usr/bin/zentiq", "/opt/my apps/zentiq", "/home/o'neil/zentiq", "/a\\b/zentiq",
                               "/x/\"q\"/zentiq", "/tab\there/zentiq", "/cost$1/zentiq"};
    for (const QString& program : programs)
        EXPECT_EQ(activation_file::ExecProgram(activation_file::Contents(program)), program) << program.toStdString();

    struct Case {
        QString text, program;
    };
    const Case cases[] = {
        {"[D-BUS Service]\nName=Zentiq.Document\nExec=/usr/bin/zentiq --automation\n", "/usr/bin/zentiq"},
        {"Exec = \"/opt/my apps/zentiq\" --automation\r\n", "/opt/my apps/zentiq"},
        {"Exec=\"/opt/\\\\\"q\\\\\"/zentiq\"", "/opt/\"q\"/zentiq"},
        {"Exec=/opt/my\\\\ apps/zentiq --automation", "/opt/my apps/zentiq"},  // a shell escape
        {"Exec=/opt/my\\sapps/zentiq", "/opt/my"},                           // a key-file blank splits
        {"# Exec=/old/zentiq\nExec=/new/zentiq", "/new/zentiq"},
        {"Exec='/unterminated/zentiq --automation", ""},
        {"Exec=\"/unterminated/zentiq", ""},
        {"Exec=", ""},
        {"[D-BUS Service]\nName=Zentiq.Document\n", ""},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(activation_file::ExecProgram(c.text), c.program) << c.text.toStdString();
}

class ActivationDecisionTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        for (const char* program : {"usr/bin/zentiq", "build/src/zentiq", "opt/my apps/zentiq",
                                    "build/tests/app_automation_server_test"}) {
            QDir().mkpath(QFileInfo(path(program)).path());
            QFile file(path(program));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        }
        // A merged /usr: /bin leads to /usr/bin.
        ASSERT_TRUE(QFile::link(path("usr/bin"), path("bin")));
        m_oldHome = qgetenv("XDG_DATA_HOME");
        m_oldDirs = qgetenv("XDG_DATA_DIRS");
        qputenv("XDG_DATA_HOME", path("home").toUtf8());
        qputenv("XDG_DATA_DIRS", (path("local") + ":" + path("share")).toUtf8());
    }
    void TearDown() override {
        qputenv("XDG_DATA_HOME", m_oldHome);
        qputenv("XDG_DATA_DIRS", m_oldDirs);
    }
    QString path(const QString& relative) const { return m_dir.filePath(relative); }
    // A service file in the dbus-1/services folder of a data folder.
    void place(const QString& dataDir, const QString& text) {
        const QString services = path(dataDir) + "/dbus-1/services";
        ASSERT_TRUE(QDir().mkpath(services));
        QFile file(services + "/" + activation_file::FileName());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text.toUtf8());
    }
    QString userFile() const { return activation_file::ServicesDir() + "/" + activation_file::FileName(); }

    QTemporaryDir m_dir;
    QByteArray m_oldHome, m_oldDirs;
};

TEST_F(ActivationDecisionTest, OnlyTheUsersOwnProgramWritesItAndNeverOverAnInstalledFileThatNamesIt) {
    const StartKind normal;
    const StartKind automation{true, false, false};
    const StartKind ownSettings{false, true, false};
    const StartKind printing{false, false, true};
    const auto names = [this](const QString& program) {
        return activation_file::Contents(program.startsWith('/') ? program : path(program));
    };
    const QString handEdited =
        "[D-BUS Service]\nName=Zentiq.Document\nExec=/usr/bin/env ZQ=1 " + path("build/src/zentiq") + " --automation\n";
    struct Case {
        const char* what;
        StartKind start;
        QString program;
        QString local, share, user;  // service files' texts, empty for none
        Action action;
    };
    const Case cases[] = {
        {"a normal start, nothing installed", normal, "usr/bin/zentiq", "", "", "", Action::Write},
        {"started by the bus", automation, "usr/bin/zentiq", "", "", "", Action::Leave},
        {"--settings-dir or ZENTIQ_SETTINGS_DIR", ownSettings, "build/src/zentiq", "", "", "", Action::Leave},
        {"--print", printing, "build/src/zentiq", "", "", "", Action::Leave},
        {"a test hosting the application", normal, "build/tests/app_automation_server_test", "", "", "",
         Action::Leave},
        {"the installed file names this binary", normal, "usr/bin/zentiq", "", names("usr/bin/zentiq"), "",
         Action::Leave},
        {"... through a link", normal, "usr/bin/zentiq", "", names("bin/zentiq"), "", Action::Leave},
        {"... quoted", normal, "opt/my apps/zentiq", names("opt/my apps/zentiq"), "", "", Action::Leave},
        {"... in double quotes, written by hand", normal, "opt/my apps/zentiq",
         "Exec=\"" + path("opt/my apps/zentiq") + "\" --automation", "", "", Action::Leave},
        {"a build tree beside an installed program", normal, "build/src/zentiq", "", names("usr/bin/zentiq"), "",
         Action::Write},
        {"the first installed file is the one the bus uses", normal, "usr/bin/zentiq", names("/nowhere/zentiq"),
         names("usr/bin/zentiq"), "", Action::Write},
        {"an installed file without Exec", normal, "usr/bin/zentiq", "", "[D-BUS Service]\n", "", Action::Write},
        {"the user's file of an old build hides the installed one", normal, "usr/bin/zentiq", "",
         names("usr/bin/zentiq"), names("build/src/zentiq"), Action::RemoveStale},
        {"... but not one the user edited", normal, "usr/bin/zentiq", "", names("usr/bin/zentiq"), handEdited,
         Action::Leave},
        {"... and not one that names this binary", normal, "usr/bin/zentiq", "", names("usr/bin/zentiq"),
         names("usr/bin/zentiq"), Action::Leave},
        {"... which a build tree refreshes", normal, "build/src/zentiq", "", "", names("usr/bin/zentiq"),
         Action::Write},
        {"... but a test run leaves", ownSettings, "usr/bin/zentiq", "", names("usr/bin/zentiq"),
         names("build/src/zentiq"), Action::Leave},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const char* dir : {"local", "share", "home"})
            QDir(path(dir)).removeRecursively();
        if (!c.local.isEmpty())
            place("local", c.local);
        if (!c.share.isEmpty())
            place("share", c.share);
        if (!c.user.isEmpty())
            place("home", c.user);
        const QString program = path(c.program);
        EXPECT_EQ(activation_file::Decide(c.start, program), c.action);

        QString error;
        ASSERT_TRUE(activation_file::Apply(c.start, program, &error)) << error.toStdString();
        QFile user(userFile());
        const bool exists = user.open(QIODevice::ReadOnly);
        switch (c.action) {
        case Action::Write:
            EXPECT_EQ(QString::fromUtf8(user.readAll()), activation_file::Contents(program));
            break;
        case Action::RemoveStale:
            EXPECT_FALSE(exists);
            break;
        case Action::Leave:
            EXPECT_EQ(exists ? QString::fromUtf8(user.readAll()) : QString(), c.user);
            break;
        }
    }
}

}  // namespace
}  // namespace zentiq
