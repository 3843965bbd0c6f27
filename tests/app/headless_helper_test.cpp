// Where zentiq --headless finds the program it hands its run to, and what
// it says when it finds none.
#include "app/headless_helper.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

namespace zentiq {
namespace {

TEST(HeadlessHelperTest, BesideTheProgramFirstThenTheInstallsLibexecFolder) {
    // A build tree keeps both programs in one folder; an install keeps the
    // program in bin/ and the helper in libexec/zentiq/.
    enum Put { Nothing, Executable, PlainFile, Folder };
    struct Case {
        const char* what;
        Put beside;
        Put libexec;
        const char* found;  // relative to the prefix, "" for none
    };
    const Case cases[] = {
        {"a build tree", Executable, Nothing, "bin/zentiq-headless"},
        {"an install", Nothing, Executable, "libexec/zentiq/zentiq-headless"},
        {"both: the one beside wins", Executable, Executable, "bin/zentiq-headless"},
        {"a file that cannot run is passed over", PlainFile, Executable, "libexec/zentiq/zentiq-headless"},
        {"a folder of that name is passed over", Folder, Executable, "libexec/zentiq/zentiq-headless"},
        {"none that can run", PlainFile, Folder, ""},
        {"none at all", Nothing, Nothing, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir prefix;
        const QString bin = prefix.filePath("bin");
        const auto put = [](const QString& path, Put what) {
            QDir().mkpath(QFileInfo(path).absolutePath());
            if (what == Folder) {
                QDir().mkpath(path);
                return;
            }
            if (what == Nothing)
                return;
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write("#!/bin/sh\n");
            file.close();
            QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner;
            if (what == Executable)
                permissions |= QFile::ExeOwner;
            ASSERT_TRUE(file.setPermissions(permissions));
        };
        QDir().mkpath(bin);
        put(prefix.filePath("bin/zentiq-headless"), c.beside);
        put(prefix.filePath("libexec/zentiq/zentiq-headless"), c.libexec);
        const QString expected = *c.found ? prefix.filePath(QString::fromLatin1(c.found)) : QString();
        EXPECT_EQ(HeadlessHelper::Find(bin), expected);
    }
}

TEST(HeadlessHelperTest, AFailedHandOverNamesThePlacesSearchedOrWhyTheProgramWouldNotStart) {
    HeadlessHelper::Failure missing;
    missing.searched = HeadlessHelper::Candidates(QStringLiteral("/opt/z/bin"));
    EXPECT_EQ(missing.searched, QStringList({"/opt/z/bin/zentiq-headless", "/opt/z/libexec/zentiq/zentiq-headless"}));
    const QString notFound = HeadlessHelper::FailureText(missing);
    EXPECT_TRUE(notFound.contains("/opt/z/bin/zentiq-headless, /opt/z/libexec/zentiq/zentiq-headless"))
        << notFound.toStdString();

    HeadlessHelper::Failure refused;
    refused.program = QStringLiteral("/opt/z/bin/zentiq-headless");
    refused.error = EACCES;
    const QString wouldNotStart = HeadlessHelper::FailureText(refused);
    EXPECT_TRUE(wouldNotStart.contains(refused.program)) << wouldNotStart.toStdString();
    EXPECT_TRUE(wouldNotStart.contains(QString::fromLocal8Bit(std::strerror(EACCES)))) << wouldNotStart.toStdString();
}

}  // namespace
}  // namespace zentiq
