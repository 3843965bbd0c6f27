#include "values/status_texts.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <ostream>

#include "engine/engine_types.h"

// Readable failure messages for QString comparisons.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace zentiq {
namespace {

constexpr StatusFlavour kAllFlavours[] = {StatusFlavour::DataView, StatusFlavour::WriteResult,
                                          StatusFlavour::Monitor};

QString View(EngineStatus s, std::uint32_t writeFlags = 0, std::uint32_t readFlags = 0) {
    return StatusText(s, StatusFlavour::DataView, writeFlags, readFlags);
}

TEST(StatusTexts, SuccessDependsOnWhoShowsIt) {
    EXPECT_EQ(StatusText(0, StatusFlavour::DataView), "");
    EXPECT_EQ(StatusText(0, StatusFlavour::WriteResult), QString::fromUtf8("应答正确"));
    EXPECT_EQ(StatusText(0, StatusFlavour::Monitor), "");
}

TEST(StatusTexts, EngineFailuresInEveryFlavour) {
    const std::pair<EngineStatus, const char*> cases[] = {
        {1, "超时错误"},       {2, "CRC 错误"},    {3, "应答错误"},
        {4, "写入错误"},       {5, "读取错误"},    {6, "没有连接"},
        {7, "无法进行通信！"}, {11, "字节丢失"},   {17, "字节数目错误"},
        {20, "传输 ID 错误"},   {21, "应答格式错误"}, {22, "从站关闭了连接"},
    };
    for (StatusFlavour flavour : kAllFlavours) {
        for (const auto& [code, text] : cases) {
            EXPECT_EQ(StatusText(code, flavour), QString::fromUtf8(text)) << "status " << code;
        }
    }
}

TEST(StatusTexts, CodesWithoutATextOfTheirOwnAreUnknown) {
    // Defined codes that no status text describes, and codes nobody defines.
    for (EngineStatus code : {8, 9, 10, 12, 16, 18, 19, 23, 100, 127}) {
        for (StatusFlavour flavour : kAllFlavours) {
            EXPECT_EQ(StatusText(code, flavour), QString::fromUtf8("未知错误")) << "status " << code;
        }
    }
}

TEST(StatusTexts, ExceptionsGoByTheLowSevenBits) {
    const std::pair<EngineStatus, const char*> cases[] = {
        {129, "不合法功能"},     {130, "不合法数据地址"}, {131, "不合法数据值"},
        {132, "从站设备有问题"}, {133, "确认"},           {134, "从站，忙"},
        {135, "NAK-没有确认"},   {138, "网关不可用"},     {139, "网关设备不可用"},
        {128 + 128 + 2, "不合法数据地址"},
    };
    for (StatusFlavour flavour : kAllFlavours) {
        for (const auto& [code, text] : cases) {
            EXPECT_EQ(StatusText(code, flavour), QString::fromUtf8(text)) << "status " << code;
        }
        EXPECT_EQ(StatusText(128, flavour), "异常错误 0");
        EXPECT_EQ(StatusText(136, flavour), "异常错误 8");
        EXPECT_EQ(StatusText(137, flavour), "异常错误 9");
        EXPECT_EQ(StatusText(140, flavour), "异常错误 12");
        EXPECT_EQ(StatusText(255, flavour), "异常错误 127");
        EXPECT_EQ(StatusText(status::UnhandledFunction, flavour), "异常错误 127");
    }
}

TEST(StatusTexts, DataViewSplitsWriteErrorsByTheFirstFlagInOrder) {
    using namespace port_error;
    EXPECT_EQ(View(4, Break), "写入错误: 线路中断");
    EXPECT_EQ(View(4, IoError), "写入错误: I/O 错误");
    EXPECT_EQ(View(4, Mode), "写入错误: 串口连接错误");
    EXPECT_EQ(View(4, TxFull), "写入错误: 输出缓冲区溢出");
    // Several flags: the earliest in the test order wins, not the lowest bit.
    EXPECT_EQ(View(4, TxFull | Mode | IoError | Break), "写入错误: 线路中断");
    EXPECT_EQ(View(4, TxFull | Mode | IoError), "写入错误: I/O 错误");
    EXPECT_EQ(View(4, TxFull | Mode), "写入错误: 串口连接错误");
    // Flags that are not write sub-kinds, and read flags, leave the plain text.
    EXPECT_EQ(View(4, Frame | Overrun | RxParity | RxOver), QString::fromUtf8("写入错误"));
    EXPECT_EQ(View(4, 0, Break), QString::fromUtf8("写入错误"));
}

TEST(StatusTexts, DataViewSplitsReadErrorsByTheFirstFlagInOrder) {
    using namespace port_error;
    EXPECT_EQ(View(5, 0, Frame), "读取错误: 帧错误");
    EXPECT_EQ(View(5, 0, Overrun), "读取错误: 字符缓冲区溢出");
    EXPECT_EQ(View(5, 0, RxParity), "读取错误: 校验错误");
    EXPECT_EQ(View(5, 0, RxOver), "读取错误: 输入缓冲区溢出");
    EXPECT_EQ(View(5, 0, IoError), "读取错误: I/O 错误");
    EXPECT_EQ(View(5, 0, Break), "读取错误: 线路中断");
    EXPECT_EQ(View(5, 0, Break | IoError | RxOver | RxParity | Overrun | Frame),
              "读取错误: 帧错误");
    EXPECT_EQ(View(5, 0, RxOver | Overrun), "读取错误: 字符缓冲区溢出");
    EXPECT_EQ(View(5, 0, Break | IoError), "读取错误: I/O 错误");
    EXPECT_EQ(View(5, 0, Break | RxOver), "读取错误: 输入缓冲区溢出");
    EXPECT_EQ(View(5, 0, TxFull | Mode), QString::fromUtf8("读取错误"));
    EXPECT_EQ(View(5, Frame, 0), QString::fromUtf8("读取错误"));
}

TEST(StatusTexts, OnlyTheDataViewSplitsPortErrors) {
    using namespace port_error;
    for (StatusFlavour flavour : {StatusFlavour::WriteResult, StatusFlavour::Monitor}) {
        EXPECT_EQ(StatusText(4, flavour, Break, Frame), QString::fromUtf8("写入错误"));
        EXPECT_EQ(StatusText(5, flavour, Break, Frame), QString::fromUtf8("读取错误"));
    }
    // Flags never leak into other codes.
    EXPECT_EQ(View(1, Break, Frame), QString::fromUtf8("超时错误"));
    EXPECT_EQ(View(0, Break, Frame), "");
}

TEST(StatusTexts, SerialOpenFailures) {
    EXPECT_EQ(SerialOpenFailureMessage(1, 3), "端口 3 不可用");
    for (int result = 2; result <= 5; ++result) {
        EXPECT_EQ(SerialOpenFailureMessage(result, 3),
                  QString("设置端口参数失败，错误 %1。").arg(result));
    }
    for (int result : {0, 6, -1, 12}) {
        EXPECT_EQ(SerialOpenFailureMessage(result, 3), "") << "result " << result;
    }
}

TEST(StatusTexts, TcpOpenFailures) {
    EXPECT_EQ(TcpOpenFailureMessage(12, 10091), "Modbus/TCP 连接失败：网络初始化错误 10091");
    EXPECT_EQ(TcpOpenFailureMessage(13, 5), "Modbus/TCP 连接失败：IP 地址无效");
    EXPECT_EQ(TcpOpenFailureMessage(14, 111), "Modbus/TCP 连接失败：连接错误 111");
    EXPECT_EQ(TcpOpenFailureMessage(15, 5), "Modbus/TCP 连接失败：连接超时");
    EXPECT_EQ(TcpOpenFailureMessage(16, 22), "Modbus/TCP 连接失败：套接字设置错误 22");
    EXPECT_EQ(TcpOpenFailureMessage(18, 24), "Modbus/TCP 连接失败：套接字错误 24");
    for (int result : {0, 1, 17, 19, 20}) {
        EXPECT_EQ(TcpOpenFailureMessage(result, 5), "") << "result " << result;
    }
}

// A log names what failed: the cause the system gave for a failed send or
// receive, never "写入错误" for a request that could not go out; every
// other status as the status line words it.
TEST(StatusTexts, LogsWordTheCauseOfAFailedPoll) {
    const struct {
        EngineStatus status;
        int lineError;
        std::uint32_t readFlags;
        const char* text;
    } cases[] = {
        {status::WriteError, ECONNREFUSED, 0, "连接被拒绝"},
        {status::WriteError, ETIMEDOUT, 0, "连接超时"},
        {status::WriteError, EHOSTUNREACH, 0, "主机不可达"},
        {status::WriteError, EPIPE, 0, "连接已断开"},
        {status::WriteError, 0, 0, "请求发送失败"},
        {status::WriteError, EINVAL, 0, "请求发送失败"},
        {status::ReadError, ECONNRESET, 0, "连接被对方断开"},
        {status::ReadError, EIO, 0, "端口 I/O 错误"},
        {status::ReadError, 0, port_error::Frame, "读取错误: 帧错误"},
        {status::ReadError, 0, 0, "读取错误"},
        // The errno belongs to failed sends and receives only.
        {status::Timeout, ECONNREFUSED, 0, "超时错误"},
        {status::ExceptionBase + 2, ECONNREFUSED, 0, "不合法数据地址"},
        {status::NoConnection, 0, 0, "没有连接"},
        {status::Ok, ECONNREFUSED, 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "status " << c.status << ", errno " << c.lineError);
        const QString text = LogStatusText(c.status, c.lineError, 0, c.readFlags);
        EXPECT_EQ(text, QString::fromUtf8(c.text));
        EXPECT_FALSE(text.contains(QString::fromUtf8("写入"))) << "a read poll wrote nothing";
    }
}

}  // namespace
}  // namespace zentiq
