// The serial settings sweep against a slave that answers only at one baud
// rate, parity and stop-bit combination, judged from the line's own termios:
// exactly that combination is reported, and the user's settings are on the
// line again afterwards, whether the sweep ends or is cancelled.
#include "framework/serial_settings_sweep.h"

#include <QCoreApplication>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <vector>

#include "engine/engine.h"
#include "support/pty_pair.h"
#include "support/termios_gated_slave.h"

namespace zentiq {
namespace {

using test::LineFraming;

QCoreApplication& App() {
    static int argc = 1;
    static char name[] = "serial_settings_sweep_test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

template <class Pred>
bool WaitUntil(Pred&& done, int limitMs) {
    for (int waited = 0; waited < limitMs; waited += 10) {
        if (done())
            return true;
        QTest::qWait(10);
    }
    return done();
}

constexpr std::uint32_t kUserReadConstant = 700;

// Opens the engine's serial line the way the application's connection does.
class PtyLineHost final : public SerialLineHost {
public:
    explicit PtyLineHost(const ConnectionSettings& user) : m_user(user) {}
    ConnectionSettings UserSettings() const override { return m_user; }
    int OpenTrial(const ConnectionSettings& s) override {
        opened.push_back(s);
        StopPolling();
        CloseSerialPort();
        const int result = OpenSerialPort(1, BaudTimingForIndex(s.BaudRate).baud, 8, s.Parity,
                                          s.StopBits != 0 ? 2 : 0);
        if (result != 0)
            return result;
        SetSerialTimeouts(BaudTimingForIndex(s.BaudRate).readInterval, 1, kUserReadConstant, 1,
                          200);
        SetTransmissionMode(RTU);
        StartPolling();
        return 0;
    }
    int RestoreUser() override {
        ++restores;
        return OpenTrial(m_user);
    }
    ConnectionSettings m_user;
    std::vector<ConnectionSettings> opened;
    int restores = 0;
};

struct Found {
    int baud;
    int parity;
    int stop;
    int slave;
    bool operator==(const Found&) const = default;
};

class SerialSettingsSweepTest : public ::testing::Test {
protected:
    void SetUp() override {
        App();
        InitEngine();
        ASSERT_TRUE(pty.ok()) << pty.error();
        SetSerialDevice(1, pty.slavePath().c_str());
        user.BaudRate = 2;  // 9600
        user.Parity = 2;    // even
        user.StopBits = 0;
        user.DataBits = 1;
        host = std::make_unique<PtyLineHost>(user);
        ASSERT_EQ(host->OpenTrial(user), 0);
        host->opened.clear();
    }
    void TearDown() override {
        StopPolling();
        CloseSerialPort();
    }
    void ExpectUserSettingsBack() {
        EXPECT_EQ(test::ReadFraming(pty.slaveFd()), (LineFraming{B9600, 'E', 1}));
        ASSERT_FALSE(host->opened.empty());
        EXPECT_EQ(host->opened.back().BaudRate, user.BaudRate);
        EXPECT_EQ(host->opened.back().Parity, user.Parity);
        std::uint32_t readConstant = 0;
        GetSerialTimeouts(nullptr, nullptr, &readConstant, nullptr, nullptr);
        EXPECT_EQ(readConstant, kUserReadConstant);
        EXPECT_EQ(PollSlotsPaused(), 0);
    }

    test::PtyPair pty;
    ConnectionSettings user;
    std::unique_ptr<PtyLineHost> host;
};

TEST_F(SerialSettingsSweepTest, ReportsExactlyTheCombinationTheSlaveAnswersAt) {
    struct Case {
        const char* name;
        LineFraming slaveAt;
        int first, last;
        Found expected;  // BaudRate index, Parity, StopBits index, slave
    };
    const Case cases[] = {
        {"19200 odd two stop bits, IDs 4..6", {B19200, 'O', 2}, 4, 6, {4, 1, 1, 5}},
        {"2400 none one stop bit, ID 5", {B2400, 'N', 1}, 5, 5, {0, 0, 0, 5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host->opened.clear();
        test::TermiosGatedSlave slave(pty, 5, c.slaveAt);
        SerialSettingsSweep sweep(DefaultLine(), *host);
        std::vector<Found> found;
        bool done = false, cancelled = true;
        QObject::connect(&sweep, &SerialSettingsSweep::found,
                         [&](const ConnectionSettings& s, const ScanHit& h) {
                             found.push_back({s.BaudRate, s.Parity, s.StopBits, h.slaveId});
                         });
        QObject::connect(&sweep, &SerialSettingsSweep::finished, [&](bool x) {
            done = true;
            cancelled = x;
        });
        SerialSettingsSweep::Options o;
        o.first = c.first;
        o.last = c.last;
        ASSERT_TRUE(sweep.Start(o));
        ASSERT_TRUE(WaitUntil([&] { return done; }, 180000));
        EXPECT_FALSE(cancelled);
        EXPECT_EQ(found, std::vector<Found>{c.expected});
        EXPECT_EQ(slave.Answered(), 1);
        // Every combination went on the line: 14 rates x 3 parities x 2 stop bits.
        EXPECT_EQ(host->opened.size(), 84u + 1u);
        ExpectUserSettingsBack();
    }
}

TEST_F(SerialSettingsSweepTest, CancelPutsTheUserSettingsBack) {
    test::TermiosGatedSlave slave(pty, 5, {B115200, 'N', 1});
    SerialSettingsSweep sweep(DefaultLine(), *host);
    bool done = false, cancelled = false;
    QObject::connect(&sweep, &SerialSettingsSweep::finished, [&](bool x) {
        done = true;
        cancelled = x;
    });
    SerialSettingsSweep::Options o;
    o.first = 5;
    o.last = 5;
    ASSERT_TRUE(sweep.Start(o));
    ASSERT_TRUE(WaitUntil([&] { return host->opened.size() >= 4; }, 20000));
    sweep.Cancel();
    ASSERT_TRUE(WaitUntil([&] { return done; }, 5000));
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(host->restores, 1);
    EXPECT_LT(host->opened.size(), 20u);
    ExpectUserSettingsBack();
}

}  // namespace
}  // namespace zentiq
