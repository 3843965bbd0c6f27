#include "values/status_texts.h"

#include <array>
#include <cerrno>

#include <QCoreApplication>

#include "resources/strings.h"

namespace zentiq {
namespace {

struct CodeText {
    int code;
    int stringId;
};

// Engine failures below 128.
constexpr std::array<CodeText, 12> kFailureTexts = {{
    {status::Timeout, ids::Timeout},
    {status::ChecksumError, ids::CrcError},
    {status::ResponseError, ids::ResponseError},
    {status::WriteError, ids::WriteError},
    {status::ReadError, ids::ReadError},
    {status::NoConnection, ids::NoConnection},
    {status::ThreadError, ids::CannotCommunicate},
    {status::BytesMissing, ids::BytesMissing},
    {status::ByteCountError, ids::ByteCountError},
    {status::TransactionIdError, ids::TransactionIdError},
    {status::MalformedAnswer, ids::MalformedAnswer},
    {status::ConnectionClosed, ids::ConnectionClosed},
}};

// Exception responses by exception code (the status's low seven bits).
constexpr std::array<CodeText, 9> kExceptionTexts = {{
    {1, ids::IllegalFunction},
    {2, ids::IllegalDataAddress},
    {3, ids::IllegalDataValue},
    {4, ids::SlaveDeviceFailure},
    {5, ids::Acknowledge},
    {6, ids::SlaveBusy},
    {7, ids::NegativeAcknowledge},
    {10, ids::GatewayPathUnavailable},
    {11, ids::GatewayTargetFailed},
}};

struct FlagText {
    std::uint32_t flag;
    const char* text;
};

// In the order the flags are tested.
constexpr std::array<FlagText, kWriteErrorSubKinds> kWriteSubKinds = {{
    {port_error::Break, QT_TRANSLATE_NOOP("StatusTexts", "写入错误: 线路中断")},
    {port_error::IoError, QT_TRANSLATE_NOOP("StatusTexts", "写入错误: I/O 错误")},
    {port_error::Mode, QT_TRANSLATE_NOOP("StatusTexts", "写入错误: 串口连接错误")},
    {port_error::TxFull, QT_TRANSLATE_NOOP("StatusTexts", "写入错误: 输出缓冲区溢出")},
}};
constexpr std::array<FlagText, kReadErrorSubKinds> kReadSubKinds = {{
    {port_error::Frame, QT_TRANSLATE_NOOP("StatusTexts", "读取错误: 帧错误")},
    {port_error::Overrun, QT_TRANSLATE_NOOP("StatusTexts", "读取错误: 字符缓冲区溢出")},
    {port_error::RxParity, QT_TRANSLATE_NOOP("StatusTexts", "读取错误: 校验错误")},
    {port_error::RxOver, QT_TRANSLATE_NOOP("StatusTexts", "读取错误: 输入缓冲区溢出")},
    {port_error::IoError, QT_TRANSLATE_NOOP("StatusTexts", "读取错误: I/O 错误")},
    {port_error::Break, QT_TRANSLATE_NOOP("StatusTexts", "读取错误: 线路中断")},
}};

struct FlavourRules {
    int successId;  // 0: success shows no text
    bool splitsPortErrors;
};

constexpr FlavourRules RulesFor(StatusFlavour flavour) {
    switch (flavour) {
    case StatusFlavour::DataView: return {0, true};
    case StatusFlavour::WriteResult: return {ids::ResponseOk, false};
    case StatusFlavour::Monitor: return {0, false};
    }
    return {0, false};
}

template <std::size_t N>
int FirstFlag(const std::array<FlagText, N>& kinds, std::uint32_t flags) {
    for (std::size_t i = 0; i < N; ++i) {
        if (flags & kinds[i].flag)
            return static_cast<int>(i);
    }
    return static_cast<int>(N);
}

template <std::size_t N>
int StringIdFor(const std::array<CodeText, N>& table, int code) {
    for (const CodeText& row : table) {
        if (row.code == code)
            return row.stringId;
    }
    return 0;
}


// Which number a connection message carries.
enum class Arg { None, PortNumber, Result, SocketError };

struct OpenMessage {
    int result;
    const char* format;
    Arg arg;
};

constexpr std::array<OpenMessage, 5> kSerialOpenMessages = {{
    {1, QT_TRANSLATE_NOOP("StatusTexts", "端口 %1 不可用"), Arg::PortNumber},
    {2, QT_TRANSLATE_NOOP("StatusTexts", "设置端口参数失败，错误 %1。"), Arg::Result},
    {3, QT_TRANSLATE_NOOP("StatusTexts", "设置端口参数失败，错误 %1。"), Arg::Result},
    {4, QT_TRANSLATE_NOOP("StatusTexts", "设置端口参数失败，错误 %1。"), Arg::Result},
    {5, QT_TRANSLATE_NOOP("StatusTexts", "设置端口参数失败，错误 %1。"), Arg::Result},
}};

// 19 (waiting for the connect failed) has no message of its own.
constexpr std::array<OpenMessage, 6> kTcpOpenMessages = {{
    {status::SocketStartupFailed, QT_TRANSLATE_NOOP("StatusTexts", "Modbus/TCP 连接失败：网络初始化错误 %1"),
     Arg::SocketError},
    {status::InvalidIpAddress, QT_TRANSLATE_NOOP("StatusTexts", "Modbus/TCP 连接失败：IP 地址无效"), Arg::None},
    {status::ConnectError, QT_TRANSLATE_NOOP("StatusTexts", "Modbus/TCP 连接失败：连接错误 %1"), Arg::SocketError},
    {status::ConnectTimeout, QT_TRANSLATE_NOOP("StatusTexts", "Modbus/TCP 连接失败：连接超时"), Arg::None},
    {status::BlockingSwitchFailed, QT_TRANSLATE_NOOP("StatusTexts", "Modbus/TCP 连接失败：套接字设置错误 %1"),
     Arg::SocketError},
    {status::SocketCreateFailed, QT_TRANSLATE_NOOP("StatusTexts", "Modbus/TCP 连接失败：套接字错误 %1"),
     Arg::SocketError},
}};

template <std::size_t N>
QString OpenFailureMessage(const std::array<OpenMessage, N>& table, int result, int portNumber,
                           int socketError) {
    for (const OpenMessage& row : table) {
        if (row.result != result)
            continue;
        const QString text = QCoreApplication::translate("StatusTexts", row.format);
        switch (row.arg) {
        case Arg::None: return text;
        case Arg::PortNumber: return text.arg(portNumber);
        case Arg::Result: return text.arg(result);
        case Arg::SocketError: return text.arg(socketError);
        }
    }
    return QString();
}

// The causes of a failed send or receive that a log names, by errno.
struct ErrnoText {
    int error;
    const char* text;
};
constexpr std::array<ErrnoText, 11> kLineErrorTexts = {{
    {ECONNREFUSED, QT_TRANSLATE_NOOP("StatusTexts", "连接被拒绝")},
    {ETIMEDOUT, QT_TRANSLATE_NOOP("StatusTexts", "连接超时")},
    {ECONNRESET, QT_TRANSLATE_NOOP("StatusTexts", "连接被对方断开")},
    {ECONNABORTED, QT_TRANSLATE_NOOP("StatusTexts", "连接被中止")},
    {EPIPE, QT_TRANSLATE_NOOP("StatusTexts", "连接已断开")},
    {EHOSTUNREACH, QT_TRANSLATE_NOOP("StatusTexts", "主机不可达")},
    {ENETUNREACH, QT_TRANSLATE_NOOP("StatusTexts", "网络不可达")},
    {ENETDOWN, QT_TRANSLATE_NOOP("StatusTexts", "网络已关闭")},
    {EIO, QT_TRANSLATE_NOOP("StatusTexts", "端口 I/O 错误")},
    {ENXIO, QT_TRANSLATE_NOOP("StatusTexts", "设备已断开")},
    {ENODEV, QT_TRANSLATE_NOOP("StatusTexts", "设备已断开")},
}};

}  // namespace

int WriteErrorSubKind(std::uint32_t writeErrorFlags) {
    return FirstFlag(kWriteSubKinds, writeErrorFlags);
}

int ReadErrorSubKind(std::uint32_t readErrorFlags) {
    return FirstFlag(kReadSubKinds, readErrorFlags);
}

QString StatusText(EngineStatus status, StatusFlavour flavour, std::uint32_t writeErrorFlags,
                   std::uint32_t readErrorFlags) {
    const FlavourRules rules = RulesFor(flavour);
    if (status == status::Ok)
        return rules.successId ? LoadString(rules.successId) : QString();

    // Every code of 128 or more is an exception by its low seven bits, the
    // unhandled-function code 65535 included (127).
    if (status >= status::ExceptionBase) {
        const int code = status & 0x7F;
        const int id = StringIdFor(kExceptionTexts, code);
        return id ? LoadString(id) : QCoreApplication::translate("StatusTexts", "异常错误 %1").arg(code);
    }

    if (rules.splitsPortErrors) {
        if (status == status::WriteError) {
            const int kind = WriteErrorSubKind(writeErrorFlags);
            if (kind < kWriteErrorSubKinds)
                return QCoreApplication::translate("StatusTexts", kWriteSubKinds[kind].text);
        } else if (status == status::ReadError) {
            const int kind = ReadErrorSubKind(readErrorFlags);
            if (kind < kReadErrorSubKinds)
                return QCoreApplication::translate("StatusTexts", kReadSubKinds[kind].text);
        }
    }
    const int id = StringIdFor(kFailureTexts, status);
    return LoadString(id ? id : ids::UnknownError);
}

QString LogStatusText(EngineStatus status, int lineError, std::uint32_t writeErrorFlags,
                      std::uint32_t readErrorFlags) {
    if (status == status::WriteError || status == status::ReadError) {
        for (const ErrnoText& row : kLineErrorTexts)
            if (row.error == lineError)
                return QCoreApplication::translate("StatusTexts", row.text);
        if (status == status::WriteError)
            return QCoreApplication::translate("StatusTexts", "请求发送失败");
    }
    return StatusText(status, StatusFlavour::DataView, writeErrorFlags, readErrorFlags);
}

QString SerialOpenFailureMessage(int result, int portNumber) {
    return OpenFailureMessage(kSerialOpenMessages, result, portNumber, 0);
}

QString TcpOpenFailureMessage(int result, int lastSocketError) {
    return OpenFailureMessage(kTcpOpenMessages, result, 0, lastSocketError);
}

}  // namespace zentiq
