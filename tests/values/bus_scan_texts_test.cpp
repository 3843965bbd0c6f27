// The bus scanner's window-free texts and numbers: the address map's
// summary of requests and uncovered addresses, the poll windows a found
// block becomes, and the connection and duration texts of the sweep.
#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "engine/engine.h"
#include "values/address_map_summary.h"
#include "values/connection_text.h"
#include "values/poll_window_pieces.h"

namespace zentiq {
namespace {

using TableResult = AddressMapScan::TableResult;

TableResult Table(int function, int requests, std::vector<AddressMapPlanner::Uncovered> uncovered) {
    TableResult r;
    r.function = function;
    r.requests = requests;
    r.uncovered = std::move(uncovered);
    return r;
}

TEST(AddressMapSummaryTest, SaysTheRequestsAndWhatWasNotCovered) {
    struct Case {
        const char* name;
        std::vector<TableResult> results;
        std::array<bool, 4> tables;
        QString expected;
    };
    const std::array<bool, 4> all{true, true, true, true};
    const Case cases[] = {
        {"complete",
         {Table(1, 40, {}), Table(3, 12, {})},
         {true, false, true, false},
         "共 52 个请求。 每个地址都已探明。"},
        {"cancelled in the first table",
         {Table(1, 17, {{{11, 999}, 64}, {{1001, 9999}, 0}})},
         all,
         "共 17 个请求。 未覆盖——01 线圈 未探测：1001–9999；"
         "01 线圈 只粗略探测过（短于 127 个地址的区块可能没找到）：11–999；"
         "未扫描：02 离散输入、03 保持寄存器、04 输入寄存器。"},
        {"many coarse stretches, widest block counts",
         {Table(
              3, 500,
              {{{2, 99}, 64}, {{101, 101}, 2}, {{103, 150}, 32}, {{200, 260}, 8}, {{300, 310}, 4}}),
          Table(4, 500, {})},
         {false, false, true, true},
         "共 1000 个请求。 未覆盖——03 保持寄存器 只粗略探测过（短于 127 个地址的区块可能没找到）："
         "2–99, 101, 103–150, 200–260 等 5 段。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(AddressMapSummary::Text(c.results, c.tables), c.expected);
    }
}

TEST(PollWindowPiecesTest, ABlockBecomesConsecutiveReadsWithinTheProtocolLimit) {
    struct Case {
        const char* name;
        int function, address, quantity;
        std::size_t windows;
        int widest;
    };
    const Case cases[] = {
        {"2000 holding registers", 3, 1000, 2000, 16, 125},
        {"126 input registers", 4, 0, 126, 2, 125},
        {"125 registers fit one", 3, 7, 125, 1, 125},
        {"300 coils", 1, 0, 300, 1, 300},
        {"2001 discrete inputs", 2, 5, 2001, 2, 2000},
        {"clipped at the top of the address space", 3, 65500, 200, 1, 36},
        {"a write function", 6, 0, 10, 0, 0},
        {"nothing to read", 3, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<AddressRange> pieces =
            PollWindowPieces(c.function, c.address, c.quantity);
        ASSERT_EQ(pieces.size(), c.windows);
        int next = c.address;
        int widest = 0;
        for (const AddressRange& p : pieces) {
            EXPECT_EQ(p.first, next) << "consecutive, no gap and no overlap";
            EXPECT_LE(p.last - p.first + 1, c.function <= 2 ? 2000 : 125);
            widest = std::max(widest, p.last - p.first + 1);
            next = p.last + 1;
        }
        EXPECT_EQ(widest, c.widest);
        if (!pieces.empty()) {
            EXPECT_EQ(pieces.back().last, std::min(c.address + c.quantity - 1, 65535));
        }
    }
}

TEST(ConnectionTextTest, NamesTheConnectionAndTheTimeLeft) {
    ASSERT_EQ(SetSerialDevice(3, "/dev/ttyUSB0"), 1);
    ConnectionSettings tcp;
    tcp.Serial = 1;
    tcp.IPAddress = "127.0.0.1";
    tcp.ServicePort = 1502;
    ConnectionSettings rtuOverTcp = tcp;
    rtuOverTcp.TcpFraming = kTcpFramingRtu;
    ConnectionSettings serial;
    serial.Port = 2;
    serial.BaudRate = 4;  // 19200
    serial.Parity = 2;
    ConnectionSettings ascii = serial;
    ascii.RTU_ASCII = 1;
    ascii.BaudRate = 2;  // 9600
    ascii.DataBits = 0;
    ascii.Parity = 1;
    ascii.StopBits = 1;
    const std::pair<ConnectionSettings, QString> described[] = {
        {tcp, "TCP 127.0.0.1:1502"},
        {rtuOverTcp, "RTU over TCP 127.0.0.1:1502"},
        {serial, "/dev/ttyUSB0 19200 8E1 RTU"},
        {ascii, "/dev/ttyUSB0 9600 7O2 ASCII"},
    };
    for (const auto& [settings, text] : described)
        EXPECT_EQ(ConnectionText::Describe(settings, DefaultLine()), text);

    const std::pair<long, QString> durations[] = {
        {0, "不到 1 秒"},
        {499, "不到 1 秒"},
        {500, "约 1 秒"},
        {59499, "约 59 秒"},
        {59500, "约 1 分 0 秒"},
        {200000, "约 3 分 20 秒"},
        {3600000, "约 1 小时 0 分"},
        {3899000, "约 1 小时 4 分"},
    };
    for (const auto& [ms, text] : durations)
        EXPECT_EQ(ConnectionText::Duration(ms), text) << ms;
    EXPECT_EQ(ConnectionText::SweepTrying(serial, 5, 200000),
              "正在尝试 19200 8E1，ID 5；预计还需约 3 分 20 秒。");
}

}  // namespace
}  // namespace zentiq
