#include "values/status_texts.h"

#include <array>
#include <cerrno>
#include <cstdio>

#include <QCoreApplication>

#include "resources/strings.h"

namespace zentiq {
namespace {

struct CodeText {
    int code;
    int stringId;
};

// Engine failures below 128.
constexpr std::array<CodeText, 11> kFailureTexts = {{
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
    {port_error::Break, "Write error: Break condition"},
    {port_error::IoError, "Write error: I/O error"},
    {port_error::Mode, "Write error: Serial connection error"},
    {port_error::TxFull, "Write error: Output buffer overflow"},
}};
constexpr std::array<FlagText, kReadErrorSubKinds> kReadSubKinds = {{
    {port_error::Frame, "Read error: Framing error"},
    {port_error::Overrun, "Read error: Character buffer overrun"},
    {port_error::RxParity, "Read error: Parity error"},
    {port_error::RxOver, "Read error: Input buffer overflow"},
    {port_error::IoError, "Read error: I/O error"},
    {port_error::Break, "Read error: Break condition"},
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

QString FormatInt(const char* format, int value) {
    char buffer[128];
    const int n = std::snprintf(buffer, sizeof buffer, format, value);
    return n < 0 ? QString() : QString::fromLatin1(buffer);
}

// Which number a connection message carries.
enum class Arg { None, PortNumber, Result, SocketError };

struct OpenMessage {
    int result;
    const char* format;
    Arg arg;
};

constexpr std::array<OpenMessage, 5> kSerialOpenMessages = {{
    {1, "Port %d not available", Arg::PortNumber},
    {2, "Setting port parameters failed with error %d.", Arg::Result},
    {3, "Setting port parameters failed with error %d.", Arg::Result},
    {4, "Setting port parameters failed with error %d.", Arg::Result},
    {5, "Setting port parameters failed with error %d.", Arg::Result},
}};

// 19 (waiting for the connect failed) has no message of its own.
constexpr std::array<OpenMessage, 6> kTcpOpenMessages = {{
    {status::SocketStartupFailed, "Modbus/TCP Connection Failed. WSA Startup error %d",
     Arg::SocketError},
    {status::InvalidIpAddress, "Modbus/TCP Connection Failed. Invalid IP Address", Arg::None},
    {status::ConnectError, "Modbus/TCP Connection Failed. Connect error %d", Arg::SocketError},
    {status::ConnectTimeout, "Modbus/TCP Connection Failed. Connect Timeout", Arg::None},
    {status::BlockingSwitchFailed, "Modbus/TCP Connection Failed. ioctlsocket - error %d",
     Arg::SocketError},
    {status::SocketCreateFailed, "Modbus/TCP Connection Failed. Socket - error %d",
     Arg::SocketError},
}};

template <std::size_t N>
QString OpenFailureMessage(const std::array<OpenMessage, N>& table, int result, int portNumber,
                           int socketError) {
    for (const OpenMessage& row : table) {
        if (row.result != result)
            continue;
        switch (row.arg) {
        case Arg::None: return QString::fromLatin1(row.format);
        case Arg::PortNumber: return FormatInt(row.format, portNumber);
        case Arg::Result: return FormatInt(row.format, result);
        case Arg::SocketError: return FormatInt(row.format, socketError);
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
        return id ? LoadString(id) : FormatInt("Exception Error %i", code);
    }

    if (rules.splitsPortErrors) {
        if (status == status::WriteError) {
            const int kind = WriteErrorSubKind(writeErrorFlags);
            if (kind < kWriteErrorSubKinds)
                return QString::fromLatin1(kWriteSubKinds[kind].text);
        } else if (status == status::ReadError) {
            const int kind = ReadErrorSubKind(readErrorFlags);
            if (kind < kReadErrorSubKinds)
                return QString::fromLatin1(kReadSubKinds[kind].text);
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
