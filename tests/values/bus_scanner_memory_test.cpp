// The bus scanner's end-of-scan line and its memory across restarts: what a
// scan did and did not do, said in one line; settings and last results read
// back as written, and a store edited by hand read without harm.
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "framework/settings_store.h"
#include "values/bus_scanner_memory.h"
#include "values/id_scan_summary.h"

namespace zentiq {
namespace {

TEST(IdScanSummary, SaysWhatWasFoundWhatWasNotADeviceAndWhatWasNeverProbed) {
    const auto report = [](auto change) {
        IdScanReport r;
        r.devices = 2;
        change(r);
        return r;
    };
    struct Case {
        const char* name;
        IdScanReport report;
        bool cancelled;
        const char* text;
    };
    const Case cases[] = {
        {"complete", report([](IdScanReport&) {}), false, "扫描完成。 找到 2 台设备。"},
        {"gateway and the rest apart",
         report([](IdScanReport& r) {
             r.gatewayNoDevice = 245;
             r.malformed = 1;
             r.connectionClosed = 3;
         }),
         false,
         "扫描完成。 找到 2 台设备。 不是设备：网关: 无设备 245 个，有应答但格式错误 1 个，从站关闭了连接 3 个。"},
        {"line lost",
         report([](IdScanReport& r) {
             r.lostLine = status::WriteError;
             r.notProbed = std::make_pair(25, 247);
         }),
         false, "扫描提前结束：连接中断（写入错误）。 找到 2 台设备。 ID 25~247 未探测。"},
        {"cancelled at the last ID",
         report([](IdScanReport& r) { r.notProbed = std::make_pair(9, 9); }), true,
         "扫描已取消。 找到 2 台设备。 ID 9 未探测。"},
        {"stopped at the first, broadcast skipped",
         report([](IdScanReport& r) {
             r.devices = 1;
             r.stoppedAtFirst = true;
             r.broadcastSkipped = true;
             r.notProbed = std::make_pair(4, 10);
         }),
         false,
         "找到第一台设备后停止。 找到 1 台设备。 ID 4~10 未探测。 ID 0 是串口上的广播地址，不能应答，未探测。"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IdScanSummary::Text(c.report, c.cancelled), QString::fromUtf8(c.text)) << c.name;
}

TEST(IdScanSummary, EachRowSaysWhatAnswered) {
    const struct {
        ProbeOutcome outcome;
        EngineStatus status;
        const char* verdict;
    } cases[] = {
        {ProbeOutcome::Device, status::Ok, "正常"},
        {ProbeOutcome::Device, status::ExceptionBase + 2, "异常码 02"},
        {ProbeOutcome::GatewayNoDevice, status::ExceptionBase + 11, "网关: 无设备 (异常码 11)"},
        {ProbeOutcome::Malformed, status::ResponseError, "有应答但格式错误 (应答错误)"},
        {ProbeOutcome::ConnectionClosed, status::ConnectionClosed, "从站关闭了连接"},
    };
    for (const auto& c : cases) {
        ScanHit hit;
        hit.outcome = c.outcome;
        hit.status = c.status;
        EXPECT_EQ(IdScanSummary::Verdict(hit), QString::fromUtf8(c.verdict)) << c.verdict;
    }
}

class BusScannerMemoryTest : public ::testing::Test {
protected:
    QString ini() const { return dir.filePath(QStringLiteral("Zentiq.ini")); }
    QTemporaryDir dir;
};

TEST_F(BusScannerMemoryTest, SettingsAndResultsReadBackAsWritten) {
    BusScannerSettings s;
    s.mode = 2;
    s.firstId = 0;
    s.lastId = 16;
    s.probe = 1;
    s.probeAddress = 4000;
    s.timeoutMs = 250;
    s.firstAddress = 100;
    s.lastAddress = 1999;
    s.budget = 900;
    s.retries = 2;
    s.stopAtFirst = true;
    s.hosts = QStringLiteral("127.0.0.2-4");
    s.hostPort = 1502;
    BusScannerResults r;
    r.mode = 3;
    r.table = BusScanTable::ForMode(3);
    r.table.rows = {{"127.0.0.2", "1", "0.4", "正常", "VendorName=A, \"B\"", "01 03 02 00 05"},
                    {"127.0.0.3", "2", "", "网关: 无设备 (异常码 11)", "", "02 83 0B"}};
    r.status = QStringLiteral("扫描完成。");
    {
        SettingsStore store(ini());
        s.Save(store);
        r.Save(store);
    }
    SettingsStore store(ini());
    EXPECT_EQ(BusScannerSettings::Load(store), s);
    const auto back = BusScannerResults::Load(store);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->mode, 3);
    EXPECT_EQ(back->table.header, r.table.header);
    EXPECT_EQ(back->table.rows, r.table.rows);
    EXPECT_EQ(back->status, r.status);
}

TEST_F(BusScannerMemoryTest, AStoreEditedByHandGivesDefaultsAndNoResults) {
    QFile file(ini());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[BusScanner]\nMode=7\nLastId=999\nRetries=-1\nBudget=abc\nFirstId=5\n"
               "LastResults=\"{\\\"mode\\\":0,\\\"header\\\":[\\\"a\\\",\\\"b\\\"],\\\"rows\\\":[[\\\"1\\\"]]}\"\n");
    file.close();
    SettingsStore store(ini());
    BusScannerSettings expected;
    expected.firstId = 5;
    EXPECT_EQ(BusScannerSettings::Load(store), expected);
    EXPECT_FALSE(BusScannerResults::Load(store).has_value()) << "a row shorter than the header";
    store.SetString(QStringLiteral("BusScanner"), QStringLiteral("LastResults"), QStringLiteral("{not json"));
    EXPECT_FALSE(BusScannerResults::Load(store).has_value());
}

}  // namespace
}  // namespace zentiq
