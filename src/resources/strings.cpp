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
    Entry{116, QT_TRANSLATE_NOOP("Strings", "通信:")},
    Entry{127, QT_TRANSLATE_NOOP("Strings", "应答格式错误")},
    Entry{128, QT_TRANSLATE_NOOP("Strings", "从站关闭了连接")},
    Entry{129, QT_TRANSLATE_NOOP(
                   "Strings",
                   "\nZentiq\nZentiq\nZentiq 文件 (*.zqd)\n.zqd\nZentiq.Document\nZentiq 文件")},
    Entry{200, QT_TRANSLATE_NOOP("Strings", "%d\t超时错误")},
    Entry{201, QT_TRANSLATE_NOOP("Strings", "%d\tCRC 错误")},
    Entry{202, QT_TRANSLATE_NOOP("Strings", "%d\t应答错误")},
    Entry{203, QT_TRANSLATE_NOOP("Strings", "%d\t字节数目错误")},
    Entry{204, QT_TRANSLATE_NOOP("Strings", "%d\t写入错误: 线路中断")},
    Entry{205, QT_TRANSLATE_NOOP("Strings", "%d\t写入错误: I/O 错误")},
    Entry{206, QT_TRANSLATE_NOOP("Strings", "%d\t写入错误: 串口连接错误")},
    Entry{207, QT_TRANSLATE_NOOP("Strings", "%d\t写入错误: 输出缓冲区溢出")},
    Entry{208, QT_TRANSLATE_NOOP("Strings", "%d\t写入错误")},
    Entry{209, QT_TRANSLATE_NOOP("Strings", "%d\t读取错误: 帧错误")},
    Entry{210, QT_TRANSLATE_NOOP("Strings", "%d\t读取错误: 字符缓冲区溢出")},
    Entry{211, QT_TRANSLATE_NOOP("Strings", "%d\t读取错误: 校验错误")},
    Entry{212, QT_TRANSLATE_NOOP("Strings", "%d\t读取错误: 输入缓冲区溢出")},
    Entry{213, QT_TRANSLATE_NOOP("Strings", "%d\t读取错误: I/O 错误")},
    Entry{214, QT_TRANSLATE_NOOP("Strings", "%d\t读取错误: 线路中断")},
    Entry{215, QT_TRANSLATE_NOOP("Strings", "%d\t读取错误")},
    Entry{216, QT_TRANSLATE_NOOP("Strings", "%d\t没有连接")},
    Entry{217, QT_TRANSLATE_NOOP("Strings", "%d\t线程错误")},
    Entry{218, QT_TRANSLATE_NOOP("Strings", "%d\t字节丢失")},
    Entry{219, QT_TRANSLATE_NOOP("Strings", "%d\t传输 ID 错误")},
    Entry{220, QT_TRANSLATE_NOOP("Strings", "%d\t不合法功能")},
    Entry{221, QT_TRANSLATE_NOOP("Strings", "%d\t不合法数据地址")},
    Entry{222, QT_TRANSLATE_NOOP("Strings", "%d\t不合法数据值")},
    Entry{223, QT_TRANSLATE_NOOP("Strings", "%d\t从站设备故障")},
    Entry{224, QT_TRANSLATE_NOOP("Strings", "%d\t确认")},
    Entry{225, QT_TRANSLATE_NOOP("Strings", "%d\t从站设备忙")},
    Entry{226, QT_TRANSLATE_NOOP("Strings", "%d\tNAK-否定确认")},
    Entry{227, QT_TRANSLATE_NOOP("Strings", "%d\t网关路径不可用")},
    Entry{228, QT_TRANSLATE_NOOP("Strings", "%d\t网关目标设备无应答")},
    Entry{229, QT_TRANSLATE_NOOP("Strings", "%d\t未知异常错误")},
    Entry{230, QT_TRANSLATE_NOOP("Strings", "%d\t未知错误")},
    Entry{231, QT_TRANSLATE_NOOP("Strings", "没有错误！")},
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

QString FileOpenErrorText() { return QCoreApplication::translate("Strings", "文件打开错误"); }
QString DiskErrorText() { return QCoreApplication::translate("Strings", "磁盘已满或磁盘错误"); }

}  // namespace zentiq
