// The bus scanner window against pymodbus: progress, the IDs found, copy as
// text, the address map's ranges, what a cancelled map keeps, the poll
// windows it opens for a range (several for a block beyond one read), the
// poll windows' status band while a scan owns the line; and the serial
// sweep's short default range and what it says it tries, over a pty.
#include "display/bus_scanner_window.h"

#include <QApplication>
#include <QClipboard>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTableWidget>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "engine/engine.h"
#include "framework/bus_scan_probe.h"
#include "framework/serial_settings_sweep.h"
#include "values/connection_text.h"
#include "framework/window_registry.h"
#include "support/poll_window.h"
#include "support/pty_pair.h"
#include "support/recording_interaction.h"
#include "support/scan_peer.h"
#include "support/widget_environment.h"

namespace zentiq {
namespace {

using Opened = std::tuple<int, int, int, int>;

void Snapshot(QWidget& w, const char* name) {
    // For looking at the window by hand: ZENTIQ_SNAPSHOT_DIR=/some/dir.
    const QByteArray dir = qgetenv("ZENTIQ_SNAPSHOT_DIR");
    if (!dir.isEmpty())
        w.grab().save(QString::fromLocal8Bit(dir) + u'/' + QLatin1String(name));
}

class BusScannerWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitEngine();
        InstallEnginePoster();
        std::string error;
        peer = test::ScanPeer::Start(
            TCP, {"--slave", "1,7,200", "--sparse", "0-179,1030-1129", "--vendor", "Acme",
                  "--product-code", "P-1"}, error);
        ASSERT_TRUE(peer) << error;
        BusScannerWindow::Hooks hooks;
        hooks.openPollWindow = [this](int s, int f, int a, int q) { opened.emplace_back(s, f, a, q); };
        hooks.freePollWindows = [this] { return freeWindows; };
        window = std::make_unique<BusScannerWindow>(std::move(hooks));
        window->show();
    }
    void TearDown() override {
        window.reset();
        peer.reset();
    }
    bool runScan() {
        if (!window->StartScan())
            return false;
        return QTest::qWaitFor([&] { return !window->IsScanning(); }, 120000);
    }
    QStringList column(int c) const {
        QStringList out;
        for (const QStringList& row : window->Results().rows)
            out << row.value(c);
        return out;
    }

    std::unique_ptr<test::ScanPeer> peer;
    std::unique_ptr<BusScannerWindow> window;
    std::vector<Opened> opened;
    int freeWindows = kLastSlot;
};

TEST_F(BusScannerWindowTest, IdScanPausesThePollWindowsAndListsWhatAnswered) {
    testing::PollWindow poll(testing::ReadDefinition(3, 100, 4));
    ASSERT_TRUE(poll.waitForPolls(2));
    window->SetMode(BusScannerWindow::Mode::Ids);
    window->SetIdRange(1, 30);
    window->SetTimeoutMs(40);
    ASSERT_TRUE(window->StartScan());
    ASSERT_TRUE(window->IsScanning());
    EXPECT_EQ(poll.view->StatusLine2(), QStringLiteral("总线扫描占用通讯线路，暂停轮询"));
    QTest::qWait(300);
    Snapshot(*window, "bus_scanner_mid.png");
    EXPECT_FALSE(window->findChild<QPushButton*>("startButton")->isEnabled());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->IsScanning(); }, 60000));
    Snapshot(*window, "bus_scanner_ids.png");

    EXPECT_EQ(column(0), QStringList({"1", "7"}));
    EXPECT_EQ(column(2), QStringList({"正常", "正常"}));
    EXPECT_EQ(column(3), QStringList({"VendorName=Acme; ProductCode=P-1", "VendorName=Acme; ProductCode=P-1"}));
    auto* progress = window->findChild<QProgressBar*>("progressBar");
    EXPECT_EQ(progress->value(), progress->maximum());
    EXPECT_EQ(window->StatusText(), QStringLiteral("扫描完成。 找到 2 台设备。"));
    // Polling is back, and the band no longer speaks of the scan.
    const quint32 before = poll.model().txCount;
    ASSERT_TRUE(poll.waitForPolls(before + 2));
    EXPECT_NE(poll.view->StatusLine2(), QStringLiteral("总线扫描占用通讯线路，暂停轮询"));

    ASSERT_TRUE(window->CopyResults());
    const QStringList lines = QApplication::clipboard()->text().split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("1\t")));
    EXPECT_EQ(window->Results().ToCsv().count(QStringLiteral("\r\n")), 3);
}

TEST_F(BusScannerWindowTest, AddressMapListsTheRangesAndOpensAPollWindowForOne) {
    window->SetMode(BusScannerWindow::Mode::AddressMap);
    window->SetIdRange(7, 7);
    window->SetAddressRange(0, 1999, 300);
    window->SetTimeoutMs(200);
    ASSERT_TRUE(runScan());
    Snapshot(*window, "bus_scanner_map.png");
    // Two blocks in each of the four tables, table by table.
    ASSERT_EQ(window->Results().rows.size(), 8);
    EXPECT_EQ(column(1), QStringList({"0", "1030", "0", "1030", "0", "1030", "0", "1030"}));
    EXPECT_EQ(column(2),
              QStringList({"179", "1129", "179", "1129", "179", "1129", "179", "1129"}));

    auto* table = window->findChild<QTableWidget*>("resultTable");
    for (const auto& [row, expected] : {std::pair{0, Opened{7, 1, 0, 180}},
                                        std::pair{5, Opened{7, 3, 1030, 100}}}) {
        table->selectRow(row);
        ASSERT_TRUE(window->OpenSelectedRange());
        EXPECT_EQ(opened.back(), expected);
    }
}

// Closed and opened again (as after a restart), the window shows the form
// and the results of the last scan.
TEST_F(BusScannerWindowTest, TheLastScanAndItsSettingsAreThereAfterAReopen) {
    window->SetMode(BusScannerWindow::Mode::Ids);
    window->SetIdRange(5, 9);
    window->SetTimeoutMs(60);
    ASSERT_TRUE(runScan());
    ASSERT_EQ(column(0), QStringList({"7"}));
    const QString status = window->StatusText();
    window->close();
    window.reset();

    window = std::make_unique<BusScannerWindow>(BusScannerWindow::Hooks{});
    EXPECT_EQ(column(0), QStringList({"7"}));
    EXPECT_EQ(window->StatusText(), status);
    EXPECT_EQ(window->findChild<QSpinBox*>("firstIdEdit")->value(), 5);
    EXPECT_EQ(window->findChild<QSpinBox*>("lastIdEdit")->value(), 9);
    EXPECT_EQ(window->findChild<QSpinBox*>("timeoutEdit")->value(), 60);
}

TEST_F(BusScannerWindowTest, ACancelledMapKeepsWhatItFoundAndTheRequestsItMade) {
    window->SetMode(BusScannerWindow::Mode::AddressMap);
    window->SetIdRange(7, 7);
    window->SetAddressRange(0, 9999, 500);
    window->SetTimeoutMs(200);
    ASSERT_TRUE(window->StartScan());
    auto* progress = window->findChild<QProgressBar*>("progressBar");
    ASSERT_TRUE(QTest::qWaitFor([&] { return progress->value() >= 40 || !window->IsScanning(); }, 60000));
    ASSERT_TRUE(window->IsScanning()) << "the coils alone take 500 requests";
    window->CancelScan();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->IsScanning(); }, 20000));

    // The coils at 0 are found by the first requests.
    ASSERT_GE(window->Results().rows.size(), 1);
    EXPECT_EQ(window->Results().rows[0], QStringList({"01 线圈", "0", "179", "180"}));
    const QString text = window->StatusText();
    EXPECT_TRUE(text.startsWith(QStringLiteral("扫描已取消，找到 %1 项。").arg(window->Results().rows.size())))
        << text.toStdString();
    const QRegularExpressionMatch requests = QRegularExpression(QStringLiteral("共 (\\d+) 个请求")).match(text);
    ASSERT_TRUE(requests.hasMatch()) << text.toStdString();
    EXPECT_GE(requests.captured(1).toInt(), 40);
    EXPECT_LE(requests.captured(1).toInt(), 500);
    EXPECT_TRUE(text.contains(QStringLiteral("01 线圈 未探测："))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("未扫描：02 离散输入、03 保持寄存器、04 输入寄存器")));
    EXPECT_FALSE(text.contains(QStringLiteral("-1")));
}

TEST_F(BusScannerWindowTest, ABlockBeyondOneReadOpensConsecutiveWindowsWithinTheLimit) {
    std::string error;
    peer.reset();
    peer = test::ScanPeer::Start(TCP, {"--slave", "7", "--sparse", "0-299,1000-2999"}, error);
    ASSERT_TRUE(peer) << error;
    window->SetMode(BusScannerWindow::Mode::AddressMap);
    window->SetIdRange(7, 7);
    window->SetAddressRange(0, 2999, 300);
    window->SetTimeoutMs(200);
    ASSERT_TRUE(runScan());
    ASSERT_EQ(window->Results().rows.size(), 8);
    ASSERT_EQ(window->Results().rows[5], QStringList({"03 保持寄存器", "1000", "2999", "2000"}));

    std::vector<Opened> sixteen;
    for (int a = 1000; a < 3000; a += 125)
        sixteen.emplace_back(7, 3, a, 125);
    struct Case {
        const char* name;
        int row;
        QMessageBox::StandardButton answer;
        int free;
        std::vector<Opened> expected;
        bool asked;
        bool refused;
    };
    const Case cases[] = {
        {"300 coils: one window, nothing asked", 0, QMessageBox::Yes, 32, {{7, 1, 0, 300}}, false, false},
        {"2000 registers, declined", 5, QMessageBox::No, 32, {}, true, false},
        {"2000 registers, accepted", 5, QMessageBox::Yes, 32, sixteen, true, false},
        {"2000 registers, 10 windows left", 5, QMessageBox::Yes, 10, {}, false, true},
        {"300 coils, no window left", 0, QMessageBox::Yes, 0, {}, false, true},
    };
    auto* table = window->findChild<QTableWidget*>("resultTable");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testing::RecordingInteraction answers;
        answers.answer = c.answer;
        freeWindows = c.free;
        opened.clear();
        table->selectRow(c.row);
        EXPECT_EQ(window->OpenSelectedRange(), !c.expected.empty());
        EXPECT_EQ(opened, c.expected);
        ASSERT_EQ(answers.questions.size(), c.asked ? 1u : 0u);
        if (c.asked) {
            EXPECT_TRUE(answers.questions[0].endsWith(QStringLiteral("打开 16 个窗口?")));
        }
        ASSERT_EQ(answers.texts().size(), c.refused ? 1 : 0);
        if (c.refused) {
            EXPECT_TRUE(answers.texts()[0].contains(QStringLiteral("还能打开 %1 个").arg(c.free)));
        }
    }
}

TEST_F(BusScannerWindowTest, ScanningWithoutAConnectionSaysSo) {
    peer.reset();
    ASSERT_EQ(IsConnected(), 0);
    window->SetMode(BusScannerWindow::Mode::Ids);
    EXPECT_FALSE(window->StartScan());
    EXPECT_FALSE(window->IsScanning());
    EXPECT_EQ(window->StatusText(), QStringLiteral("未连接：请先连接再扫描。"));
}

// Opens the engine's serial line for the sweep as the application does.
class PtyLineHost final : public SerialLineHost {
public:
    explicit PtyLineHost(const ConnectionSettings& user) : m_user(user) {}
    ConnectionSettings UserSettings() const override { return m_user; }
    int OpenTrial(const ConnectionSettings& s) override {
        StopPolling();
        CloseSerialPort();
        const int result = OpenSerialPort(1, BaudTimingForIndex(s.BaudRate).baud, 8, s.Parity,
                                          s.StopBits != 0 ? 2 : 0);
        if (result != 0)
            return result;
        SetTransmissionMode(RTU);
        StartPolling();
        return 0;
    }
    int RestoreUser() override { return OpenTrial(m_user); }

private:
    ConnectionSettings m_user;
};

TEST(BusScannerSweepWindowTest, SweepKeepsAShortRangeAndSaysWhatItTriesAndTheTimeLeft) {
    InitEngine();
    InstallEnginePoster();
    test::PtyPair pty;  // nothing answers on it
    ASSERT_TRUE(pty.ok()) << pty.error();
    SetSerialDevice(1, pty.slavePath().c_str());
    ConnectionSettings user;
    user.BaudRate = 2;
    user.Parity = 2;
    PtyLineHost host(user);
    ASSERT_EQ(host.OpenTrial(user), 0);
    BusScannerWindow::Hooks hooks;
    hooks.serial = &host;
    BusScannerWindow window(std::move(hooks));
    window.show();
    auto* first = window.findChild<QSpinBox*>("firstIdEdit");
    auto* last = window.findChild<QSpinBox*>("lastIdEdit");

    // Each mode keeps its own IDs.
    const std::pair<BusScannerWindow::Mode, std::pair<int, int>> shown[] = {
        {BusScannerWindow::Mode::Ids, {1, 247}},
        {BusScannerWindow::Mode::Settings, {1, 10}},
        {BusScannerWindow::Mode::Ids, {1, 247}},
    };
    for (const auto& [mode, ids] : shown) {
        window.SetMode(mode);
        EXPECT_EQ(std::pair(first->value(), last->value()), ids) << static_cast<int>(mode);
    }
    window.SetMode(BusScannerWindow::Mode::Settings);

    // Before the first probe: nothing measured, every timeout still ahead.
    const auto combinations = SerialSettingsSweep::Combinations(user, {});
    qint64 nominal = 0;
    for (const ConnectionSettings& s : combinations)
        nominal += 10 * qint64{DefaultScanTimeoutMs(false, BaudTimingForIndex(s.BaudRate).baud)};
    ASSERT_TRUE(window.StartScan());
    EXPECT_EQ(window.StatusText(), ConnectionText::SweepTrying(combinations[0], 1, nominal));
    EXPECT_TRUE(window.StatusText().startsWith(QStringLiteral("正在尝试 9600 8N1，ID 1；预计还需约 ")));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return window.StatusText().contains(QStringLiteral("，ID 4；")) || !window.IsScanning(); },
        60000));
    EXPECT_TRUE(window.StatusText().startsWith(QStringLiteral("正在尝试 9600 8N1，ID 4；预计还需")));
    window.CancelScan();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.IsScanning(); }, 20000));
    EXPECT_TRUE(window.StatusText().startsWith(QStringLiteral("扫描已取消")));
    StopPolling();
    CloseSerialPort();
}

}  // namespace
}  // namespace zentiq
