#include "framework/settings_store.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>
#include <iostream>
#include <string>

#include "support/recording_interaction.h"

namespace zentiq {
namespace {

class SettingsStoreTest : public ::testing::Test {
protected:
    QString iniPath() const { return m_dir.filePath(QStringLiteral("Zentiq.ini")); }
    QString fileText() const {
        QFile f(iniPath());
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
    QTemporaryDir m_dir;
};

TEST_F(SettingsStoreTest, MissingKeysGiveTheDefaultAndValuesPersist) {
    {
        SettingsStore store(iniPath());
        EXPECT_EQ(store.GetInt("CommSetup", "Timeout", 1000), 1000);
        EXPECT_EQ(store.GetString("CommSetup", "IPAddress", "0.0.0.0"), "0.0.0.0");
        store.SetInt("CommSetup", "Timeout", -250);
        store.SetString("CommSetup", "IPAddress", "192.168.1.7");
        store.SetString("Font", "FaceName", QString::fromUtf8("宋体, Bold"));
    }
    SettingsStore again(iniPath());
    EXPECT_EQ(again.GetInt("CommSetup", "Timeout", 1000), -250);
    EXPECT_EQ(again.GetString("CommSetup", "IPAddress", "x"), "192.168.1.7");
    EXPECT_EQ(again.GetString("Font", "FaceName", "x"), QString::fromUtf8("宋体, Bold"));
    // Same key name in another section is a different key.
    EXPECT_EQ(again.GetInt("PollDefinition", "Timeout", 5), 5);
}

TEST_F(SettingsStoreTest, KeyWithSlashRoundTripsAsOneKeyOfItsSection) {
    {
        SettingsStore store(iniPath());
        store.SetInt("CommSetup", "RTU/ASCII", 1);
        store.SetInt("CommSetup", "RTU", 7);
    }
    SettingsStore again(iniPath());
    EXPECT_EQ(again.GetInt("CommSetup", "RTU/ASCII", 0), 1);
    EXPECT_EQ(again.GetInt("CommSetup", "RTU", 0), 7);
    EXPECT_FALSE(again.Contains("RTU", "ASCII"));
    const QString text = fileText();
    const qsizetype section = text.indexOf(QStringLiteral("[CommSetup]"));
    ASSERT_GE(section, 0) << text.toStdString();
    EXPECT_GT(text.indexOf(QStringLiteral("RTU\\ASCII=1")), section) << text.toStdString();
}

TEST_F(SettingsStoreTest, HandEditedGarbageReadsAsTheDefault) {
    {
        QFile f(iniPath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[PollDefinition]\nLength=12x\nScanRate=\nSlaveID= 17 \nAddress=99999999999\n"
                "List=a,b\n");
    }
    SettingsStore store(iniPath());
    EXPECT_EQ(store.GetInt("PollDefinition", "Length", 10), 10);
    EXPECT_EQ(store.GetInt("PollDefinition", "ScanRate", 1000), 1000);
    EXPECT_EQ(store.GetInt("PollDefinition", "SlaveID", 1), 17);
    EXPECT_EQ(store.GetInt("PollDefinition", "Address", 0), 0);
    EXPECT_EQ(store.GetInt("PollDefinition", "List", 3), 3);
    EXPECT_EQ(store.GetString("PollDefinition", "List", ""), "a,b");
}

TEST_F(SettingsStoreTest, OverrideRedirectsDefaultConstructedStores) {
    SettingsStore::setFilePathOverride(iniPath());
    {
        SettingsStore store;
        EXPECT_EQ(store.FileName(), iniPath());
        store.SetInt("View", "AlwaysOnTop", 1);
    }
    SettingsStore::setFilePathOverride(QString());
    SettingsStore direct(iniPath());
    EXPECT_EQ(direct.GetInt("View", "AlwaysOnTop", 0), 1);
    SettingsStore normal;
    EXPECT_NE(normal.FileName(), iniPath());
    EXPECT_TRUE(normal.FileName().endsWith(QStringLiteral("Zentiq/Zentiq.ini")))
        << normal.FileName().toStdString();
}

// A store that cannot be written says so once, not once per store, and
// again only after a write has succeeded in between.
TEST_F(SettingsStoreTest, AnUnwritableStoreIsReportedOnce) {
    testing::RecordingInteraction user;
    const struct {
        const char* name;
        std::function<bool(const QString& ini)> spoil;
    } cases[] = {
        {"a folder in place of the file", [](const QString& ini) { return QDir().mkpath(ini); }},
        {"a file in place of the folder",
         [this](const QString&) {
             QFile f(m_dir.filePath("plain"));
             return f.open(QIODevice::WriteOnly);
         }},
        {"a read-only file",
         [](const QString& ini) {
             QFile f(ini);
             return f.open(QIODevice::WriteOnly) && f.write("[View]\nAlwaysOnTop=0\n") > 0 &&
                    f.setPermissions(QFileDevice::ReadOwner);
         }},
    };
    int index = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (std::string(c.name) == "a read-only file" && ::geteuid() == 0) {
            std::cout << "[ SKIPPED  ] " << c.name << ": root writes read-only files\n";
            continue;
        }
        const QString ini = std::string(c.name) == "a file in place of the folder"
                                ? m_dir.filePath("plain/Zentiq.ini")
                                : m_dir.filePath(QStringLiteral("case%1.ini").arg(index++));
        ASSERT_TRUE(c.spoil(ini));
        { SettingsStore good(iniPath()); good.SetInt("View", "AlwaysOnTop", 1); }
        user.messages.clear();
        for (int i = 0; i < 3; ++i) {
            SettingsStore store(ini);
            store.SetInt("View", "AlwaysOnTop", i);
            if (i == 1)
                store.Sync();
        }
        EXPECT_EQ(user.texts(), QStringList{SettingsStore::WriteFailureText(ini)});
        { SettingsStore reader(ini); }
        EXPECT_EQ(user.texts().size(), 1) << "a store only read is no loss";

        // A good write in between: the next failure is news again.
        { SettingsStore good(iniPath()); good.SetInt("View", "AlwaysOnTop", 1); }
        { SettingsStore bad(ini); bad.SetInt("View", "AlwaysOnTop", 1); }
        EXPECT_EQ(user.texts().size(), 2);
    }
    { SettingsStore good(iniPath()); good.SetInt("View", "AlwaysOnTop", 1); }
}

}  // namespace
}  // namespace zentiq
