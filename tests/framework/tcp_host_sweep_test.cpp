// A sweep over several Modbus/TCP hosts: address ranges as a user writes
// them, and pymodbus on two loopback addresses with a third that nobody
// serves: each host's own units are found under its address, the silent
// host is reported as refusing, and the user's connection is back after.
#include <QCoreApplication>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "framework/tcp_host_sweep.h"
#include "support/peer_process.h"

namespace zentiq {
namespace {

QCoreApplication& App() {
    static int argc = 1;
    static char name[] = "tcp_host_sweep_test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

TEST(TcpHostSweepRange, ReadsWhatAUserWrites) {
    using Range = std::optional<std::pair<std::uint32_t, std::uint32_t>>;
    const struct {
        const char* text;
        Range range;
    } cases[] = {
        {"127.0.0.2-127.0.0.4", std::make_pair(0x7F000002u, 0x7F000004u)},
        {" 127.0.0.2 - 4 ", std::make_pair(0x7F000002u, 0x7F000004u)},
        {"10.1.2.3", std::make_pair(0x0A010203u, 0x0A010203u)},
        {"192.168.0.0-192.168.0.255", std::make_pair(0xC0A80000u, 0xC0A800FFu)},
        {"192.168.0.0-192.168.1.0", std::nullopt},  // 257 addresses
        {"127.0.0.4-127.0.0.2", std::nullopt},
        {"127.0.0.4-2", std::nullopt},
        {"127.0.0.2-256", std::nullopt},
        {"127.0.0", std::nullopt},
        {"127.0.0.1-2-3", std::nullopt},
        {"host.example", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TcpHostSweep::ParseRange(QString::fromUtf8(c.text)), c.range) << c.text;
    EXPECT_EQ(TcpHostSweep::AddressText(0x7F000003u), QStringLiteral("127.0.0.3"));
}

std::unique_ptr<test::PeerProcess> Pymodbus(const std::string& host, int port,
                                            const std::string& slaves, std::string& error) {
    return test::PeerProcess::Start(
        {"/usr/bin/python3",
         test::PeerProcess::SourceDir() + "/tests/support/peers/pymodbus_slave.py", "--tcp",
         std::to_string(port), "--host", host, "--slave", slaves},
        test::PeerProcess::kReadyTimeout, error);
}

// The user's own connection, made again as the application would.
class UserLine final : public TcpLineHost {
public:
    explicit UserLine(std::uint16_t port) : m_port(port) {}
    bool UserLineIsTcp() const override { return true; }
    void ReconnectUser() override {
        ++reconnects;
        if (OpenTcpConnection("127.0.0.1", m_port, 1000, 3000) == 0) {
            SetTransmissionMode(TCP);
            StartPolling();
        }
    }
    int reconnects = 0;

private:
    std::uint16_t m_port;
};

TEST(TcpHostSweepPeer, EachHostItsOwnUnitsAndAHostNobodyServesIsSaidSo) {
    App();
    InitEngine();
    std::string error;
    auto user = Pymodbus("127.0.0.1", 0, "9", error);
    ASSERT_TRUE(user) << error;
    auto first = Pymodbus("127.0.0.2", 0, "1,5", error);
    ASSERT_TRUE(first) << error;
    const std::uint16_t port = first->Port();
    auto second = Pymodbus("127.0.0.3", port, "3", error);
    ASSERT_TRUE(second) << error;
    UserLine line(user->Port());
    line.ReconnectUser();
    ASSERT_EQ(IsConnected(), 1);

    TcpHostSweep sweep(DefaultLine(), line);
    std::vector<std::pair<QString, int>> found, refused;
    std::vector<QString> scanned;
    bool done = false, cancelled = true;
    QObject::connect(&sweep, &TcpHostSweep::found, [&](const QString& host, const ScanHit& hit) {
        found.emplace_back(host, hit.slaveId);
    });
    QObject::connect(&sweep, &TcpHostSweep::hostDone,
                     [&](const QString& host, int connectStatus, const IdScanReport&) {
                         if (connectStatus == 0)
                             scanned.push_back(host);
                         else
                             refused.emplace_back(host, connectStatus);
                     });
    QObject::connect(&sweep, &TcpHostSweep::finished, [&](bool c) {
        done = true;
        cancelled = c;
    });
    TcpHostSweep::Options o;
    o.firstHost = 0x7F000002u;
    o.lastHost = 0x7F000004u;
    o.port = port;
    o.firstUnit = 1;
    o.lastUnit = 6;
    o.timeoutMs = 100;
    ASSERT_TRUE(sweep.Start(o));
    ASSERT_TRUE(QTest::qWaitFor([&] { return done; }, 60000));
    EXPECT_FALSE(cancelled);
    const std::vector<std::pair<QString, int>> expected{
        {"127.0.0.2", 1}, {"127.0.0.2", 5}, {"127.0.0.3", 3}};
    EXPECT_EQ(found, expected);
    EXPECT_EQ(scanned, (std::vector<QString>{"127.0.0.2", "127.0.0.3"}));
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_EQ(refused[0].first, QStringLiteral("127.0.0.4"));
    EXPECT_EQ(refused[0].second, status::ConnectError);
    EXPECT_EQ(line.reconnects, 2);
    EXPECT_EQ(IsConnected(), 1) << "the user's connection is back";
    EXPECT_EQ(PollSlotsPaused(), 0);
    StopPolling();
    CloseTcpConnection();
    InitEngine();
}

}  // namespace
}  // namespace zentiq
