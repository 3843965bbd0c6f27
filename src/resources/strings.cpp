#include "resources/strings.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace zentiq {
namespace {

struct Entry {
    int id;
    const char* text;  // UTF-8
};

// Sorted by id; the lookup relies on it (checked at compile time below).
constexpr std::array kTable = {
    Entry{1, "传输 ID 错误"},
    Entry{100, "OLE 初始化错误.  请确认OLE库版本."},
    Entry{103, "字节丢失"},
    Entry{104, "网关不可用"},
    Entry{105, "网关设备不可用"},
    Entry{106, "字节数目错误"},
    Entry{116, "Comm:"},
    Entry{129, "\nZentiq\nZentiq\nZentiq Files (*.zqd)\n.zqd\nZentiq.Document\nZentiq Files"},
    Entry{200, "%d\tTimeout error"},
    Entry{201, "%d\tCRC error"},
    Entry{202, "%d\tResponse error"},
    Entry{203, "%d\tByte count error"},
    Entry{204, "%d\tWrite error: Break condition"},
    Entry{205, "%d\tWrite error: I/O error"},
    Entry{206, "%d\tWrite error: Serial connection error"},
    Entry{207, "%d\tWrite error: Output buffer overflow"},
    Entry{208, "%d\tWrite error"},
    Entry{209, "%d\tRead error: Framing error"},
    Entry{210, "%d\tRead error: Character buffer overrun"},
    Entry{211, "%d\tRead error: Parity error"},
    Entry{212, "%d\tRead error: Input buffer overflow"},
    Entry{213, "%d\tRead error: I/O error"},
    Entry{214, "%d\tRead error: Break condition"},
    Entry{215, "%d\tRead error"},
    Entry{216, "%d\tNo connection"},
    Entry{217, "%d\tThread error"},
    Entry{218, "%d\tBytes missing error"},
    Entry{219, "%d\tTransaction ID error"},
    Entry{220, "%d\tIllegal function"},
    Entry{221, "%d\tIllegal data address"},
    Entry{222, "%d\tIllegal data value"},
    Entry{223, "%d\tSlave device failure"},
    Entry{224, "%d\tAcknowledge"},
    Entry{225, "%d\tSlave device busy"},
    Entry{226, "%d\tNAK-negative acknowledgment"},
    Entry{227, "%d\tGateway path unavailable"},
    Entry{228, "%d\tGateway target device failed to respond"},
    Entry{229, "%d\tUnknown exception error"},
    Entry{230, "%d\tUnknown error"},
    Entry{231, "NO ERRORS!"},
    Entry{32785, "应答正确"},
    Entry{32786, "超时错误"},
    Entry{32787, "CRC 错误"},
    Entry{32788, "应答错误"},
    Entry{32789, "写入错误"},
    Entry{32790, "读取错误"},
    Entry{32791, "没有连接"},
    Entry{32792, "无法进行通信！"},
    Entry{32793, "不合法功能"},
    Entry{32794, "不合法数据地址"},
    Entry{32795, "不合法数据值"},
    Entry{32796, "从站设备有问题"},
    Entry{32797, "确认"},
    Entry{32798, "从站，忙"},
    Entry{32799, "NAK-没有确认"},
    Entry{32800, "内存不足，请关闭部分窗口！"},
    Entry{32801, "重新传输\n重设计数器(F12)"},
    Entry{32820, "错误输入"},
    Entry{32855, "未知错误"},
    Entry{57344, "Zentiq"},
    Entry{61712, "请输入一个整数。"},
    Entry{61713, "请输入一个数字。"},
    Entry{61714, "请输入一个整数,%1和%2之间。"},
    Entry{61715, "请输入%1和%2之间。"},
    Entry{61716, "请输入不超过%1个字符。"},
};

constexpr bool IsStrictlySorted() {
    for (std::size_t i = 1; i < kTable.size(); ++i) {
        if (kTable[i - 1].id >= kTable[i].id) return false;
    }
    return true;
}
static_assert(IsStrictlySorted(), "string table must be sorted by id without duplicates");

const Entry* Find(int id) {
    const auto it = std::lower_bound(kTable.begin(), kTable.end(), id,
                                     [](const Entry& e, int key) { return e.id < key; });
    return (it != kTable.end() && it->id == id) ? &*it : nullptr;
}

}  // namespace

QString LoadString(int id) {
    const Entry* e = Find(id);
    return e ? QString::fromUtf8(e->text) : QString();
}

bool HasString(int id) { return Find(id) != nullptr; }

}  // namespace zentiq
