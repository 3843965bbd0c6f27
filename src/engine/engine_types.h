// Types shared by the engine and everything above it. Standard library only.
#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <string>

namespace zentiq {

// Windows are known to the engine only by an opaque handle; 0 = none.
using WindowHandle = std::uintptr_t;

using EngineStatus = std::uint16_t;

// Every EngineStatus value the engine produces (128 + e: exception e).
namespace status {
inline constexpr EngineStatus Ok = 0;
inline constexpr EngineStatus Timeout = 1;
inline constexpr EngineStatus ChecksumError = 2;
inline constexpr EngineStatus ResponseError = 3;
inline constexpr EngineStatus WriteError = 4;
inline constexpr EngineStatus ReadError = 5;
inline constexpr EngineStatus NoConnection = 6;
inline constexpr EngineStatus ThreadError = 7;
inline constexpr EngineStatus BadSlot = 8;
inline constexpr EngineStatus TooFewRegisters = 9;
inline constexpr EngineStatus NoTransactionYet = 10;
inline constexpr EngineStatus BytesMissing = 11;
inline constexpr EngineStatus SocketStartupFailed = 12;
inline constexpr EngineStatus InvalidIpAddress = 13;
inline constexpr EngineStatus ConnectError = 14;
inline constexpr EngineStatus ConnectTimeout = 15;
inline constexpr EngineStatus BlockingSwitchFailed = 16;
inline constexpr EngineStatus ByteCountError = 17;
inline constexpr EngineStatus SocketCreateFailed = 18;
inline constexpr EngineStatus ConnectWaitFailed = 19;
inline constexpr EngineStatus TransactionIdError = 20;
// An answer whose own structure does not hold: a byte count or object list
// that runs past the frame, or a frame longer than its contents.
inline constexpr EngineStatus MalformedAnswer = 21;
// The slave closed the connection after the request, without an answer: no
// time-out (it did not keep anyone waiting), and the next request reconnects.
inline constexpr EngineStatus ConnectionClosed = 22;
inline constexpr EngineStatus ExceptionBase = 128;
inline constexpr EngineStatus UnhandledFunction = 65535;
}  // namespace status

// Modbus function codes, as slots, files, settings and automation clients
// carry them (the numbers never change). RawFrame sends the one-shot slot's
// data as a frame of its own.
enum class FunctionCode : std::uint16_t {
    RawFrame = 0,
    ReadCoils = 1,
    ReadDiscreteInputs = 2,
    ReadHoldingRegisters = 3,
    ReadInputRegisters = 4,
    WriteSingleCoil = 5,
    WriteSingleRegister = 6,
    Diagnostics = 8,
    WriteMultipleCoils = 15,
    WriteMultipleRegisters = 16,
    ReportSlaveId = 17,
    MaskWriteRegister = 22,
    ReadWriteRegisters = 23,
    DeviceIdentification = 43,
};

constexpr std::uint16_t Code(FunctionCode function) { return static_cast<std::uint16_t>(function); }

// Codes travel as plain integers; they compare with the names directly.
template <std::integral T>
constexpr bool operator==(T value, FunctionCode function) {
    return static_cast<long long>(value) == static_cast<long long>(function);
}

// RTU_OVER_TCP: RTU frames (slave ID, PDU, CRC) over the TCP connection, as
// serial-to-Ethernet gateways and many small devices speak it.
enum TransmissionMode : int { RTU = 0, ASCII = 1, TCP = 2, RTU_OVER_TCP = 3 };

enum PollMode : std::uint16_t { Stopped = 0, Continuous = 1, Once = 2 };

// Bits of the handshake flags byte.
namespace handshake {
inline constexpr std::uint8_t DTRDSR = 0x01;
inline constexpr std::uint8_t RTSCTS = 0x02;
inline constexpr std::uint8_t RTS = 0x04;
inline constexpr std::uint8_t XONXOFF = 0x08;
}  // namespace handshake
using HandshakeFlags = std::uint8_t;

// Port error flags as the serial layer saves them after a failed read or write.
namespace port_error {
inline constexpr std::uint32_t RxOver = 0x0001;    // input buffer overflow
inline constexpr std::uint32_t Overrun = 0x0002;   // character buffer overrun
inline constexpr std::uint32_t RxParity = 0x0004;  // parity error
inline constexpr std::uint32_t Frame = 0x0008;     // framing error
inline constexpr std::uint32_t Break = 0x0010;     // break condition
inline constexpr std::uint32_t TxFull = 0x0100;    // transmit buffer full
inline constexpr std::uint32_t IoError = 0x0400;   // I/O error
inline constexpr std::uint32_t Mode = 0x8000;      // mode (connection) error
}  // namespace port_error

inline constexpr int kSlotCount = 33;
inline constexpr int kFirstPollSlot = 1;
inline constexpr int kLastSlot = 32;
inline constexpr std::size_t kDataSize = 2000;
inline constexpr std::size_t kRequestCaptureSize = 531;
inline constexpr std::size_t kResponseCaptureSize = 523;

inline constexpr std::uint32_t WM_POLL_RESULT = 0x8190;
inline constexpr std::uint32_t WM_CONNECTION_CHANGED = 0x8191;

// Largest answer PDU with its slave ID: one byte more than the 253 bytes a
// Modbus PDU may hold. Functions 17 and 43 are read up to this.
inline constexpr std::size_t kMaxAnswerPdu = 254;
// Data bytes a diagnostics echo (08/00) may carry: its answer fits kMaxAnswerPdu.
inline constexpr std::uint16_t kMaxEchoBytes = kMaxAnswerPdu - 4;

// Request side of one engine slot (fields in this order).
struct PollSlot {
    WindowHandle window;
    std::uint32_t message;
    std::uint16_t slaveId;
    std::uint16_t function;
    std::uint16_t readAddress;
    std::uint16_t readQuantity;
    std::uint16_t writeAddress;
    std::uint16_t writeQuantity;
    std::uint16_t scanRate;
    std::uint32_t inUse;
    std::uint32_t ready;
    std::uint16_t pollMode;
    std::uint32_t elapsed;
    std::uint32_t txCount;
    std::uint32_t okCount;
    std::uint8_t requestCapture[kRequestCaptureSize];
    std::uint8_t responseCapture[kResponseCaptureSize];
    std::uint16_t requestLength;
    std::uint16_t responseLength;
    std::uint8_t writeData[kDataSize];
};

// Result side of one engine slot (fields in this order).
struct PollResult {
    EngineStatus status;
    std::uint32_t txCount;
    std::uint32_t okCount;
    std::uint32_t resetRequest;
    std::uint8_t data[kDataSize];
};

// What one served one-shot request got back, kept by the engine for the
// request's owner: slot 0 is free again as soon as it is served, so the next
// one-shot request may already use it when the owner reads its answer.
struct OneShotAnswer {
    EngineStatus status;
    std::uint16_t function;
    std::uint16_t readQuantity;
    std::uint16_t responseLength;
    std::uint8_t response[kResponseCaptureSize];
    std::uint8_t data[kDataSize];  // the values read, as PollResult::data; zeros unless status is 0
    // Functions whose answer is kept whole (08, 17, 43): data holds the
    // answer's slave ID, function and data, this many bytes; 0 otherwise.
    std::uint16_t answerLength;
    // From the request handed to the kernel to the answer complete, in
    // microseconds (the slot's response time); 0 when no whole answer came.
    std::uint32_t responseUs;
};

// Connection settings; field names are the settings-store keys ("RTU/ASCII"
// becomes RTU_ASCII). Defaults are those of a fresh settings store.
struct ConnectionSettings {
    int Serial = 0;  // 0 serial line, non-zero Modbus/TCP
    int Port = 0;    // serial port number - 1
    int BaudRate = 2;
    int DataBits = 1;
    int Parity = 2;
    int StopBits = 0;
    int Timeout = 1000;
    int DTRDSR = 0;
    int RTSCTS = 0;
    int RTS = 1;
    int CLRRTSDelay = 1;
    int RTU_ASCII = 0;
    std::string IPAddress = "0.0.0.0";
    int ServicePort = 502;
    int ConnectionTimeout = 3000;
    int DelayBetweenPolls = 10;
    int Echo = 0;
    // Framing of a TCP connection (Serial != 0): kTcpFramingMbap or kTcpFramingRtu.
    int TcpFraming = 0;
};

inline constexpr int kTcpFramingMbap = 0;  // Modbus/TCP
inline constexpr int kTcpFramingRtu = 1;   // RTU over TCP

}  // namespace zentiq
