// Modbus RTU (CRC-16) and Modbus ASCII (LRC) framing over a SerialLine, and
// raw frames for the test center.
#pragma once

#include <atomic>

#include "engine/serial_line.h"
#include "engine/transport.h"

namespace zentiq {

class SerialTransportBase : public Transport {
public:
    explicit SerialTransportBase(SerialLine& line) : m_line(line) {}
    void SetEchoRemoval(bool on) { m_echo = on; }
    bool EchoRemoval() const { return m_echo; }
    EngineStatus TransactRaw(const std::uint8_t* bytes, std::size_t n, Captures& captures) override;

protected:
    // Reads and drops the echo of n bytes just sent on a two-wire line.
    void DiscardEcho(std::size_t n);
    SerialLine& m_line;
    std::atomic<bool> m_echo{false};
};

class RtuTransport final : public SerialTransportBase {
public:
    using SerialTransportBase::SerialTransportBase;
    EngineStatus Transact(std::uint8_t* request, std::size_t length, std::uint8_t* response,
                          std::size_t expected, Captures& captures) override;
};

class AsciiTransport final : public SerialTransportBase {
public:
    using SerialTransportBase::SerialTransportBase;
    EngineStatus Transact(std::uint8_t* request, std::size_t length, std::uint8_t* response,
                          std::size_t expected, Captures& captures) override;
};

// ':' + two upper-case hex digits per byte + LRC + CR LF; returns the length.
std::size_t EncodeAsciiFrame(const std::uint8_t* bytes, std::size_t n, char* out);
// Two hex digits to a byte; anything but 0-9 and A-F decodes as 0.
std::uint8_t DecodeHexPair(const std::uint8_t* chars);

}  // namespace zentiq
