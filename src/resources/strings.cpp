#include "resources/strings.h"

#include <QCoreApplication>
#include <algorithm>
#include <array>
#include <cstddef>

namespace zentiq {
namespace {

struct Entry {
    int id;
    const char* text;  // UTF-8 source text; LoadString translates it
};

// Sorted by id; the lookup relies on it (checked at compile time below).
constexpr std::array kTable = {
    Entry{1, QT_TRANSLATE_NOOP("Strings", "传输 ID 错误")},
    Entry{100, QT_TRANSLATE_NOOP("Strings", "OLE 初始化错误.  请确认OLE库版本.")},
    Entry{103, QT_TRANSLATE_NOOP("Strings", "字节丢失")},
    Entry{104, QT_TRANSLATE_NOOP("Strings", "网关不可用")},
    Entry{105, QT_TRANSLATE_NOOP("Strings", "网关设备不可用")},
    Entry{106, QT_TRANSLATE_NOOP("Strings", "字节数目错误")},
    Entry{116, QT_TRANSLATE_NOOP("Strings", "Comm:")},
    Entry{127, QT_TRANSLATE_NOOP("Strings", "应答格式错误")},
    Entry{129, QT_TRANSLATE_NOOP(
                   "Strings",
                   "\nZentiq\nZentiq\nZentiq Files (*.zqd)\n.zqd\nZentiq.Document\nZentiq Files")},
    Entry{200, QT_TRANSLATE_NOOP("Strings", "%d\tTimeout error")},
    Entry{201, QT_TRANSLATE_NOOP("Strings", "%d\tCRC error")},
    Entry{202, QT_TRANSLATE_NOOP("Strings", "%d\tResponse error")},
    Entry{203, QT_TRANSLATE_NOOP("Strings", "%d\tByte count error")},
    Entry{204, QT_TRANSLATE_NOOP("Strings", "%d\tWrite error: Break condition")},
    Entry{205, QT_TRANSLATE_NOOP("Strings", "%d\tWrite error: I/O error")},
    Entry{206, QT_TRANSLATE_NOOP("Strings", "%d\tWrite error: Serial connection error")},
    Entry{207, QT_TRANSLATE_NOOP("Strings", "%d\tWrite error: Output buffer overflow")},
    Entry{208, QT_TRANSLATE_NOOP("Strings", "%d\tWrite error")},
    Entry{209, QT_TRANSLATE_NOOP("Strings", "%d\tRead error: Framing error")},
    Entry{210, QT_TRANSLATE_NOOP("Strings", "%d\tRead error: Character buffer overrun")},
    Entry{211, QT_TRANSLATE_NOOP("Strings", "%d\tRead error: Parity error")},
    Entry{212, QT_TRANSLATE_NOOP("Strings", "%d\tRead error: Input buffer overflow")},
    Entry{213, QT_TRANSLATE_NOOP("Strings", "%d\tRead error: I/O error")},
    Entry{214, QT_TRANSLATE_NOOP("Strings", "%d\tRead error: Break condition")},
    Entry{215, QT_TRANSLATE_NOOP("Strings", "%d\tRead error")},
    Entry{216, QT_TRANSLATE_NOOP("Strings", "%d\tNo connection")},
    Entry{217, QT_TRANSLATE_NOOP("Strings", "%d\tThread error")},
    Entry{218, QT_TRANSLATE_NOOP("Strings", "%d\tBytes missing error")},
    Entry{219, QT_TRANSLATE_NOOP("Strings", "%d\tTransaction ID error")},
    Entry{220, QT_TRANSLATE_NOOP("Strings", "%d\tIllegal function")},
    Entry{221, QT_TRANSLATE_NOOP("Strings", "%d\tIllegal data address")},
    Entry{222, QT_TRANSLATE_NOOP("Strings", "%d\tIllegal data value")},
    Entry{223, QT_TRANSLATE_NOOP("Strings", "%d\tSlave device failure")},
    Entry{224, QT_TRANSLATE_NOOP("Strings", "%d\tAcknowledge")},
    Entry{225, QT_TRANSLATE_NOOP("Strings", "%d\tSlave device busy")},
    Entry{226, QT_TRANSLATE_NOOP("Strings", "%d\tNAK-negative acknowledgment")},
    Entry{227, QT_TRANSLATE_NOOP("Strings", "%d\tGateway path unavailable")},
    Entry{228, QT_TRANSLATE_NOOP("Strings", "%d\tGateway target device failed to respond")},
    Entry{229, QT_TRANSLATE_NOOP("Strings", "%d\tUnknown exception error")},
    Entry{230, QT_TRANSLATE_NOOP("Strings", "%d\tUnknown error")},
    Entry{231, QT_TRANSLATE_NOOP("Strings", "NO ERRORS!")},
    Entry{32785, QT_TRANSLATE_NOOP("Strings", "应答正确")},
    Entry{32786, QT_TRANSLATE_NOOP("Strings", "超时错误")},
    Entry{32787, QT_TRANSLATE_NOOP("Strings", "CRC 错误")},
    Entry{32788, QT_TRANSLATE_NOOP("Strings", "应答错误")},
    Entry{32789, QT_TRANSLATE_NOOP("Strings", "写入错误")},
    Entry{32790, QT_TRANSLATE_NOOP("Strings", "读取错误")},
    Entry{32791, QT_TRANSLATE_NOOP("Strings", "没有连接")},
    Entry{32792, QT_TRANSLATE_NOOP("Strings", "无法进行通信！")},
    Entry{32793, QT_TRANSLATE_NOOP("Strings", "不合法功能")},
    Entry{32794, QT_TRANSLATE_NOOP("Strings", "不合法数据地址")},
    Entry{32795, QT_TRANSLATE_NOOP("Strings", "不合法数据值")},
    Entry{32796, QT_TRANSLATE_NOOP("Strings", "从站设备有问题")},
    Entry{32797, QT_TRANSLATE_NOOP("Strings", "确认")},
    Entry{32798, QT_TRANSLATE_NOOP("Strings", "从站，忙")},
    Entry{32799, QT_TRANSLATE_NOOP("Strings", "NAK-没有确认")},
    Entry{32800, QT_TRANSLATE_NOOP("Strings", "内存不足，请关闭部分窗口！")},
    Entry{32801, QT_TRANSLATE_NOOP("Strings", "重新传输\n重设计数器(F12)")},
    Entry{32820, QT_TRANSLATE_NOOP("Strings", "错误输入")},
    Entry{32855, QT_TRANSLATE_NOOP("Strings", "未知错误")},
    Entry{57344, QT_TRANSLATE_NOOP("Strings", "Zentiq")},
    Entry{61712, QT_TRANSLATE_NOOP("Strings", "请输入一个整数。")},
    Entry{61713, QT_TRANSLATE_NOOP("Strings", "请输入一个数字。")},
    Entry{61714, QT_TRANSLATE_NOOP("Strings", "请输入一个整数,%1和%2之间。")},
    Entry{61715, QT_TRANSLATE_NOOP("Strings", "请输入%1和%2之间。")},
    Entry{61716, QT_TRANSLATE_NOOP("Strings", "请输入不超过%1个字符。")},
};

constexpr bool IsStrictlySorted() {
    for (std::size_t i = 1; i < kTable.size(); ++i) {
        if (kTable[i - 1].id >= kTable[i].id)
            return false;
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
    return e ? QCoreApplication::translate("Strings", e->text) : QString();
}

bool HasString(int id) { return Find(id) != nullptr; }

QString FileOpenErrorText() { return QStringLiteral("File open error"); }
QString DiskErrorText() { return QStringLiteral("Disk full or disk error"); }

}  // namespace zentiq
