// Modbus RTU (CRC-16) and Modbus ASCII (LRC) framing over a SerialLine (the
// serial port, or the TCP connection for RTU over TCP), and raw frames for
// the test center.
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
    // How a line without gaps between frames tells where a raw answer ends.
    virtual FrameLengthFn RawAnswerLength() const { return nullptr; }
    SerialLine& m_line;
    std::atomic<bool> m_echo{false};
};

class RtuTransport final : public SerialTransportBase {
public:
    using SerialTransportBase::SerialTransportBase;
    Delivery Exchange(std::uint8_t* request, std::size_t length, std::uint8_t* response,
                      std::size_t expected, Captures& captures) override;

private:
    FrameLengthFn RawAnswerLength() const override;
};

// Length of the RTU answer in bytes[0..got), CRC included, as far as the
// function table tells from them (AnswerPduLength); maximum while it does
// not, or for a function without an entry.
std::size_t RtuAnswerLength(const std::uint8_t* bytes, std::size_t got, std::size_t maximum);

class AsciiTransport final : public SerialTransportBase {
public:
    using SerialTransportBase::SerialTransportBase;
    Delivery Exchange(std::uint8_t* request, std::size_t length, std::uint8_t* response,
                      std::size_t expected, Captures& captures) override;

private:
    // Reads an answer whose length only its own bytes tell, frame character
    // by frame character as far as they announce; the characters read, or -1.
    int ReadAnnouncedFrame(std::uint8_t* chars);
};

// ':' + two upper-case hex digits per byte + LRC + CR LF; returns the length.
std::size_t EncodeAsciiFrame(const std::uint8_t* bytes, std::size_t n, char* out);
// Two hex digits to a byte; anything but 0-9 and A-F decodes as 0.
std::uint8_t DecodeHexPair(const std::uint8_t* chars);

}  // namespace zentiq
