#include "engine/serial_transport.h"

#include <algorithm>
#include <cstring>

#include "engine/engine.h"
#include "engine/modbus_function.h"

namespace zentiq {
namespace {

// ASCII frame of the largest request: 2 * 265 + 5 characters.
constexpr std::size_t kAsciiFrameSize = 2 * kMaxRequestLength + 5;
// Largest ASCII answer the core expects, plus the frame characters.
constexpr std::size_t kAsciiResponseSize = 2 * kResponseBufferSize + 5;

int HexValue(std::uint8_t c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 0;
}

constexpr char kHexDigits[] = "0123456789ABCDEF";

}  // namespace

std::uint8_t DecodeHexPair(const std::uint8_t* chars) {
    return static_cast<std::uint8_t>((HexValue(chars[0]) << 4) | HexValue(chars[1]));
}

std::size_t EncodeAsciiFrame(const std::uint8_t* bytes, std::size_t n, char* out) {
    std::size_t k = 0;
    out[k++] = ':';
    auto put = [&](std::uint8_t b) {
        out[k++] = kHexDigits[b >> 4];
        out[k++] = kHexDigits[b & 0x0F];
    };
    for (std::size_t i = 0; i < n; ++i) put(bytes[i]);
    put(Lrc8(bytes, n));
    out[k++] = '\r';
    out[k++] = '\n';
    return k;
}

std::size_t RtuAnswerLength(const std::uint8_t* bytes, std::size_t got, std::size_t maximum) {
    const std::size_t pdu = AnswerPduLength(bytes, got);
    return pdu == 0 ? maximum : std::min(pdu + 2, maximum);
}

FrameLengthFn RtuTransport::RawAnswerLength() const { return RtuAnswerLength; }

void SerialTransportBase::DiscardEcho(std::size_t n) {
    std::uint8_t scratch[kAsciiFrameSize];
    m_line.Read(scratch, std::min(n, sizeof scratch));
}

EngineStatus SerialTransportBase::TransactRaw(const std::uint8_t* bytes, std::size_t n,
                                              Captures& captures) {
    captures.Clear();
    if (!m_line.IsOpen()) return status::NoConnection;
    // Input is purged before the frame goes out, as for every transaction: a
    // quick slave's answer may be there before the write returns.
    m_line.Purge();
    captures.Sending();
    if (!m_line.Write(bytes, n)) return status::WriteError;
    if (m_echo) DiscardEcho(n);
    captures.CaptureRequest(bytes, n);
    const int got =
        m_line.ReadFrame(captures.response, sizeof captures.response, RawAnswerLength());
    if (got < 0) return status::ReadError;
    captures.ResponseRead(static_cast<std::size_t>(got));
    return status::Ok;
}

Delivery RtuTransport::Exchange(std::uint8_t* request, std::size_t length, std::uint8_t* response,
                                std::size_t expected, Captures& captures) {
    const std::uint16_t crc = Crc16(request, length);
    request[length] = static_cast<std::uint8_t>(crc & 0xFF);
    request[length + 1] = static_cast<std::uint8_t>(crc >> 8);
    const std::size_t frameLength = length + 2;
    // Never listen for more than the buffer holds, whatever the caller asks.
    const std::size_t want = std::min(expected + 2, kResponseBufferSize);

    captures.Clear();
    if (!m_line.IsOpen()) return {status::NoConnection};
    m_line.Purge();
    std::memset(response, 0, std::max<std::size_t>(want, 5));
    captures.Sending();
    if (!m_line.Write(request, frameLength)) return {status::WriteError};
    if (m_echo) DiscardEcho(frameLength);
    captures.CaptureRequest(request, frameLength);
    if (request[0] == 0) return {status::Ok, 0, true, false};  // broadcast: nobody answers

    const int n = LengthOnlyInAnswer(request[1]) ? m_line.ReadAnnounced(response, want, RtuAnswerLength)
                                                 : m_line.ReadFrame(response, want, RtuAnswerLength);
    if (n < 0) return {status::ReadError};
    const std::size_t got = static_cast<std::size_t>(n);
    captures.CaptureResponse(response, got);
    if (got == 0) return {status::Timeout};
    // A frame cut short keeps a CRC that cannot hold.
    if (got < 4) return {status::Ok, 0, false};
    return {status::Ok, got - 2, Crc16(response, got) == 0};
}

int AsciiTransport::ReadAnnouncedFrame(std::uint8_t* chars) {
    // ':' and the first three bytes, then as far as the bytes so far tell
    // (one more byte while they do not): a line whose read interval is a
    // second long must not wait that long at the end of every frame.
    std::uint8_t bytes[kMaxAnswerPdu + 2];
    std::size_t have = 0;
    std::size_t target = 7;
    for (std::size_t step = 0; step < 2 * kMaxAnswerPdu && have < target; ++step) {
        const int got = m_line.Read(chars + have, target - have);
        if (got < 0) return -1;
        have += static_cast<std::size_t>(got);
        if (have < target) break;  // the line fell silent
        const std::size_t count = std::min((have - 1) / 2, sizeof bytes);
        for (std::size_t i = 0; i < count; ++i) bytes[i] = DecodeHexPair(chars + 1 + 2 * i);
        const std::size_t pdu = AnswerPduLength(bytes, count);
        // LRC and CR LF follow the PDU; nothing is longer than the largest answer.
        target = pdu == 0 ? have + 2 : 2 * std::min(pdu, kMaxAnswerPdu) + 5;
        if (count > kMaxAnswerPdu) break;
    }
    return static_cast<int>(have);
}

Delivery AsciiTransport::Exchange(std::uint8_t* request, std::size_t length, std::uint8_t* response,
                                  std::size_t expected, Captures& captures) {
    char frame[kAsciiFrameSize];
    const std::size_t frameLength =
        EncodeAsciiFrame(request, std::min(length, kMaxRequestLength), frame);
    const auto* frameBytes = reinterpret_cast<const std::uint8_t*>(frame);

    captures.Clear();
    if (!m_line.IsOpen()) return {status::NoConnection};
    m_line.Purge();
    std::memset(response, 0, std::min(expected + 2, kResponseBufferSize));
    captures.Sending();
    if (!m_line.Write(frameBytes, frameLength)) return {status::WriteError};
    if (m_echo) DiscardEcho(frameLength);
    // A 127-register function-23 frame (535 characters) is captured cut to 531.
    captures.CaptureRequest(frameBytes, frameLength);
    if (request[0] == 0) return {status::Ok, 0, true, false};

    std::uint8_t chars[kAsciiResponseSize] = {};
    const int got = LengthOnlyInAnswer(request[1])
                        ? ReadAnnouncedFrame(chars)
                        : m_line.Read(chars, std::min(2 * expected + 5, sizeof captures.response));
    if (got < 0) return {status::ReadError};
    const std::size_t n = static_cast<std::size_t>(got);
    captures.CaptureResponse(chars, n);
    if (n == 0) return {status::Timeout};
    // ':', two characters per byte, the LRC's two, CR LF.
    if (n < 5) return {status::Ok, 0, false};

    const std::size_t count = std::min((n - 5) / 2, expected);
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < count; ++i) {
        response[i] = DecodeHexPair(chars + 1 + 2 * i);
        sum = static_cast<std::uint8_t>(sum + response[i]);
    }
    return {status::Ok, count, static_cast<std::uint8_t>(-sum) == DecodeHexPair(chars + n - 4)};
}

}  // namespace zentiq
