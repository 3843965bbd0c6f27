// The bus scanner window against pymodbus: progress, the IDs found, copy as
// text, the address map's ranges and the poll window it opens for one, and
// the poll windows' status band while a scan owns the line.
#include "display/bus_scanner_window.h"

#include <QApplication>
#include <QClipboard>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "engine/engine.h"
#include "framework/window_registry.h"
#include "support/poll_window.h"
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

TEST_F(BusScannerWindowTest, ScanningWithoutAConnectionSaysSo) {
    peer.reset();
    ASSERT_EQ(IsConnected(), 0);
    window->SetMode(BusScannerWindow::Mode::Ids);
    EXPECT_FALSE(window->StartScan());
    EXPECT_FALSE(window->IsScanning());
    EXPECT_EQ(window->StatusText(), QStringLiteral("未连接：请先连接再扫描。"));
}

}  // namespace
}  // namespace zentiq
