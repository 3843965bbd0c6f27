#include "engine/tcp_transport.h"

#include <algorithm>
#include <cstring>

namespace zentiq {

namespace {

constexpr std::size_t kMbapHeaderSize = 6;  // transaction, protocol, length
constexpr std::size_t kFrameBufferSize = 300;
constexpr int kReceiveAttempts = 5;
// What the MBAP length field of an answer may say: unit ID and function at
// least, and at most unit, function, byte count and the 127 registers the
// largest read asks for (257; a standard PDU stops at 254).
constexpr std::size_t kMinMbapLength = 2;
constexpr std::size_t kMaxMbapLength = 3 + 2 * 127;

std::size_t MbapLengthField(const std::uint8_t* frame) {
    return (std::size_t{frame[4]} << 8) | frame[5];
}

std::size_t MbapFrameLength(const std::uint8_t* frame, std::size_t got, std::size_t maximum) {
    if (got < kMbapHeaderSize) return maximum;
    // The whole 16-bit length counts (a 127-register answer announces 257
    // bytes), but never more than the buffer holds.
    return std::min(maximum, kMbapHeaderSize + MbapLengthField(frame));
}

// How a received frame leaves the stream: in step, or out of step because its
// length field is impossible or it did not come whole within the time-out.
// After such a frame nothing on the connection can be trusted to begin a
// frame (a burst of junk would be read as answers for many polls).
enum class Step { InStep, ImpossibleLength, Incomplete };

Step FrameStep(const std::uint8_t* frame, std::size_t received) {
    if (received < kMbapHeaderSize) return Step::Incomplete;
    const std::size_t length = MbapLengthField(frame);
    if (length < kMinMbapLength || length > kMaxMbapLength) return Step::ImpossibleLength;
    return received < kMbapHeaderSize + length ? Step::Incomplete : Step::InStep;
}

}  // namespace

Delivery TcpTransport::Exchange(std::uint8_t* request, std::size_t length, std::uint8_t* response,
                                std::size_t expected, Captures& captures) {
    const std::uint16_t id = ++m_transactionId;
    captures.Clear();
    if (!m_line.IsConnected()) return {status::NoConnection};
    std::memset(response, 0, expected);
    if (length > kRequestBufferSize) return {status::WriteError};

    // Whatever is left of an earlier transaction is stale.
    m_line.DropPending();
    std::uint8_t frame[kMbapHeaderSize + kRequestBufferSize];
    frame[0] = static_cast<std::uint8_t>(id >> 8);
    frame[1] = static_cast<std::uint8_t>(id);
    frame[2] = 0;
    frame[3] = 0;
    frame[4] = static_cast<std::uint8_t>(length >> 8);
    frame[5] = static_cast<std::uint8_t>(length);
    std::memcpy(frame + kMbapHeaderSize, request, length);
    captures.Sending();
    if (!m_line.Send(frame, kMbapHeaderSize + length)) return {status::WriteError};
    captures.CaptureRequest(frame, kMbapHeaderSize + length);

    std::uint8_t answer[kFrameBufferSize];
    int received = 0;
    bool staleSeen = false;
    for (int attempt = 0; attempt < kReceiveAttempts; ++attempt) {
        received = m_line.Receive(answer, sizeof answer, MbapFrameLength);
        if (received < 0) return {status::ReadError};
        if (received == 0) break;
        captures.CaptureResponse(answer, static_cast<std::size_t>(received));
        const Step step = FrameStep(answer, static_cast<std::size_t>(received));
        if (step != Step::InStep) {
            // This poll fails once; the next one starts on a new connection.
            m_line.Drop();
            return {step == Step::ImpossibleLength ? status::ResponseError : status::BytesMissing};
        }
        if (((answer[0] << 8) | answer[1]) == id) break;
        staleSeen = true;
    }
    if (received == 0 && staleSeen) return {status::TransactionIdError};
    if (received == 0) return {m_line.PeerClosed() ? status::ConnectionClosed : status::Timeout};
    captures.AnswerArrived(m_line.LastArrivalUs());

    std::size_t copied = 0;
    if (static_cast<std::size_t>(received) > kMbapHeaderSize) {
        copied = std::min(static_cast<std::size_t>(received) - kMbapHeaderSize, expected);
        std::memcpy(response, answer + kMbapHeaderSize, copied);
    }
    return {status::Ok, copied};
}

EngineStatus TcpTransport::TransactRaw(const std::uint8_t* bytes, std::size_t n,
                                       Captures& captures) {
    captures.Clear();
    if (!m_line.IsConnected()) return status::NoConnection;
    m_line.DropPending();
    captures.Sending();
    if (!m_line.Send(bytes, n)) return status::WriteError;
    captures.CaptureRequest(bytes, n);
    const int received =
        m_line.Receive(captures.response, sizeof captures.response, MbapFrameLength);
    if (received < 0) return status::ReadError;
    captures.ResponseRead(static_cast<std::size_t>(received));
    captures.AnswerArrived(m_line.LastArrivalUs());
    return status::Ok;
}

}  // namespace zentiq
