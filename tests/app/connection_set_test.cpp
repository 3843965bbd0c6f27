// The user's named connections without the program around them: names the
// set refuses, what the store keeps for the next start, and at most eight
// open at once against a real slave.
#include <QtTest/QTest>
#include <memory>
#include <string>

#include "app/app_test_support.h"
#include "app/connection_controller.h"
#include "app/connection_set.h"
#include "engine/modbus_line.h"
#include "framework/connection_directory.h"
#include "framework/language.h"
#include "framework/settings_store.h"
#include "support/peer_process.h"

namespace zentiq {
namespace {

using test::AppTestBase;
using test::PeerProcess;
using test::TcpTo;

class ConnectionSetTest : public AppTestBase {
protected:
    ConnectionSetTest() { DefaultLine().InitEngine(); }
    QString storePath() const { return dirPath() + "/connections.ini"; }
    SettingsStore store{storePath()};
};

TEST_F(ConnectionSetTest, NamesAreRefusedEmptyTooLongOrTaken) {
    ConnectionSet set(store);
    ASSERT_EQ(set.Count(), 1);
    EXPECT_EQ(set.NameAt(0), "连接 1");
    ASSERT_EQ(set.Add("泵房", TcpTo(502)), 1);

    struct Case {
        QString name;
        int index;  // -1: a new connection
        bool refused;
    } cases[] = {
        {"", -1, true},
        {"   ", -1, true},
        {QString(41, QLatin1Char('x')), -1, true},
        {QString(40, QLatin1Char('x')), -1, false},
        {"泵房", -1, true},
        {" 泵房 ", -1, true},  // the same once trimmed
        {"泵房", 1, false},    // its own name
        {"泵房", 0, true},
        {"锅炉", 0, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(!set.NameRefusal(c.name, c.index).isEmpty(), c.refused)
            << qPrintable(c.name) << " at " << c.index;

    QString why;
    EXPECT_EQ(set.Add("泵房", TcpTo(503), &why), -1);
    EXPECT_FALSE(why.isEmpty());
    EXPECT_EQ(set.Count(), 2);
    EXPECT_FALSE(set.Rename(1, "连接 1", &why));
    EXPECT_EQ(set.NameAt(1), "泵房");
    EXPECT_EQ(set.ProposedName(), "连接 3");
}

TEST_F(ConnectionSetTest, TheStoreKeepsNamedConnectionsButNotAWorkspacesOwn) {
    {
        ConnectionSet set(store);
        ASSERT_EQ(set.Add("泵房", TcpTo(1502, "127.0.0.2")), 1);
        ASSERT_EQ(set.Add("来自工程", TcpTo(1503), nullptr, false), 2);
        ASSERT_EQ(set.Add("锅炉", TcpTo(1504, "127.0.0.4")), 3);
        ASSERT_TRUE(set.Rename(3, "锅炉房"));
        set.SetCurrent(3);
        EXPECT_EQ(ConnectionDirectory::Active(), &set.Directory());
        EXPECT_EQ(&ConnectionDirectory::LineForNewWindow(), &set.At(3).Line());
        EXPECT_EQ(ConnectionDirectory::NameOfLine(set.At(1).Line()), "泵房");
        // Every connection but the first polls on a line of its own.
        EXPECT_EQ(&set.At(0).Line(), &DefaultLine());
        EXPECT_NE(&set.At(1).Line(), &set.At(3).Line());

        QString why;
        EXPECT_FALSE(set.Remove(0, &why)) << "the first connection stays";
        EXPECT_TRUE(set.Remove(1));
        EXPECT_EQ(set.CurrentIndex(), 2) << "the current one stays current";
        EXPECT_EQ(set.NameAt(2), "锅炉房");
    }
    EXPECT_EQ(ConnectionDirectory::Active(), nullptr);
    EXPECT_EQ(&ConnectionDirectory::LineForNewWindow(), &DefaultLine());

    SettingsStore again(storePath());
    ConnectionSet set(again);
    ASSERT_EQ(set.Count(), 2) << "the workspace's connection is not kept";
    EXPECT_EQ(set.NameAt(1), "锅炉房");
    EXPECT_EQ(set.At(1).Settings().IPAddress, "127.0.0.4");
    EXPECT_EQ(set.At(1).Settings().ServicePort, 1504);
    EXPECT_EQ(set.At(0).Settings().ServicePort, 502) << "CommSetup is the first one's alone";
    EXPECT_EQ(set.CurrentIndex(), 0);
}

TEST_F(ConnectionSetTest, TheFirstConnectionsDefaultNameFollowsTheLanguage) {
    // The set is made before the program applies its language.
    ConnectionSet set(store);
    struct Back {
        ~Back() { ApplyLanguage(Language::Chinese); }
    } back;
    ASSERT_TRUE(ApplyLanguage(Language::English));
    set.LanguageChanged();
    EXPECT_EQ(set.NameAt(0), "Connection 1");
    EXPECT_EQ(set.Directory().NameOf(set.At(0).Line()), "Connection 1");
    EXPECT_EQ(set.IndexOf("Connection 1"), 0);
    ASSERT_TRUE(ApplyLanguage(Language::Chinese));
    set.LanguageChanged();
    EXPECT_EQ(set.NameAt(0), "连接 1");
    ASSERT_GE(set.Add("泵房", TcpTo(502)), 1);
    EXPECT_FALSE(store.Contains("Connections", "Name0")) << "a default name is not kept";
    ASSERT_TRUE(set.Rename(0, "锅炉房"));
    EXPECT_EQ(store.GetString("Connections", "Name0", {}), "锅炉房");
}

TEST_F(ConnectionSetTest, AtMostEightAreOpenAtOnce) {
    std::string error;
    // pymodbus serves any number of masters at once.
    auto slave = PeerProcess::PyModbus(PeerProcess::Mode::Tcp, "", error);
    ASSERT_TRUE(slave) << error;
    ConnectionSet set(store);
    set.At(0).SetSettings(TcpTo(slave->Port()));
    for (int i = 1; i <= ConnectionSet::kMaxOpen; ++i)
        ASSERT_EQ(set.Add(set.ProposedName(), TcpTo(slave->Port())), i);

    for (int i = 0; i < ConnectionSet::kMaxOpen; ++i) {
        set.At(i).Connect(false);
        ASSERT_TRUE(test::WaitForConnectEnd(set.At(i))) << "connection " << i;
    }
    EXPECT_EQ(set.OpenCount(), ConnectionSet::kMaxOpen);

    ConnectionController& ninth = set.At(ConnectionSet::kMaxOpen);
    QString refusal;
    QObject::connect(&ninth, &ConnectionController::connectFailed,
                     [&](const QString& text) { refusal = text; });
    EXPECT_EQ(ninth.Connect(false), ConnectionController::State::Unconnected);
    EXPECT_EQ(ninth.error(), ConnectionController::Error::ConfigurationError);
    EXPECT_TRUE(refusal.contains("8")) << qPrintable(refusal);
    EXPECT_EQ(ninth.Line().IsConnected(), 0) << "refused before the line was touched";

    // Reconnecting an open one is no ninth connection.
    set.At(3).Connect(false);
    EXPECT_TRUE(test::WaitForConnectEnd(set.At(3)));

    QString why;
    EXPECT_FALSE(set.Remove(2, &why)) << "an open connection stays";
    set.At(2).Disconnect();
    ninth.Connect(false);
    EXPECT_TRUE(test::WaitForConnectEnd(ninth)) << "a place came free";
    set.ShutdownAll();
    EXPECT_EQ(set.OpenCount(), 0);
}

}  // namespace
}  // namespace zentiq
