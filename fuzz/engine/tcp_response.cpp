// Arbitrary bytes as the slave's answer to the Modbus/TCP transport, or to the
// RTU framer on the same connection (RTU over TCP), handed over from memory
// in pieces that the input chooses: the line's reassembly, reconnect and
// framing rules run as over a socket, without a socket, a thread or a wait.
//
// Input: [shape] [flags] then pieces, each [length] [length bytes]. The
// answer starts to come once a request has gone out, and a piece comes only
// when the line waits after it has read everything before it, so every piece
// boundary is also a boundary between two reads, and a purge never sees more
// than the piece at hand. When the pieces are over, a wait times out at once.
//   shape % 8: read 10 registers, write single register, read 127 registers,
//              read 10 coils, raw frame, echo (08/00), report slave ID (17),
//              read device identification (43/14, extended)
//   flags bit 0: put the transaction ID the transport waits for in bytes 0-1
//         bit 1: the peer closes its side (orderly) after the last piece
//         bit 2: the peer drops the connection unread (a reset) after it
//         bit 3: a second transaction follows on the same connection
//         bit 4: RTU frames instead of MBAP (RTU over TCP)
#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/modbus_function.h"
#include "engine/serial_transport.h"
#include "engine/stream_io.h"
#include "engine/tcp_transport.h"

namespace {

using namespace zentiq;

constexpr std::uint32_t kResponseTimeoutMs = 3;
constexpr std::uint16_t kCounter = 0x1233;  // the first transaction carries 0x1234

struct Shape {
    std::uint8_t request[12];
    std::size_t length;
    std::size_t expected;
    bool raw;
};

const Shape kShapes[] = {
    {{0x11, 0x03, 0x00, 0x00, 0x00, 0x0A}, 6, 3 + 20, false},
    {{0x11, 0x06, 0x00, 0x10, 0x12, 0x34}, 6, 6, false},
    {{0x01, 0x03, 0x00, 0x00, 0x00, 0x7F}, 6, 3 + 254, false},
    {{0x01, 0x01, 0x00, 0x00, 0x00, 0x0A}, 6, 3 + 2, false},
    {{0x12, 0x34, 0x00, 0x00, 0x00, 0x06, 0x01, 0x03, 0x00, 0x00, 0x00, 0x01}, 12, 0, true},
    {{0x11, 0x08, 0x00, 0x00, 0xA5, 0x37}, 6, 6, false},
    {{0x11, 0x11}, 2, kMaxAnswerPdu, false},
    {{0x11, 0x2B, 0x0E, 0x03, 0x00}, 5, kMaxAnswerPdu, false},
};

void Check(bool condition) {
    if (!condition) std::abort();
}

struct Piece {
    const std::uint8_t* bytes;
    std::size_t length;
};

// Splits the input into pieces; the transaction ID is patched into a copy.
std::vector<Piece> Pieces(std::vector<std::uint8_t>& stream, std::uint8_t flags) {
    std::vector<Piece> pieces;
    std::size_t pos = 0;
    while (pos < stream.size()) {
        const std::size_t announced = stream[pos++];
        const std::size_t length = std::min(announced, stream.size() - pos);
        if (length == 0) continue;
        if (pieces.empty() && (flags & 1)) {
            stream[pos] = static_cast<std::uint8_t>((kCounter + 1) >> 8);
            if (length > 1) stream[pos + 1] = static_cast<std::uint8_t>(kCounter + 1);
        }
        pieces.push_back({stream.data() + pos, length});
        pos += length;
    }
    return pieces;
}

// The peer's side of the connection, in memory.
class MemoryStream final : public StreamIo {
public:
    static constexpr int kFd = 1000;  // never a real descriptor's number here

    MemoryStream(const std::vector<Piece>& pieces, std::uint8_t flags)
        : m_pieces(pieces), m_closes(flags & 2), m_resets(flags & 4) {}

    ssize_t Send(int, const std::uint8_t*, std::size_t n) override {
        if (m_closed || (Over() && (m_closes || m_resets))) return Fail(EPIPE);
        m_requested = true;
        return static_cast<ssize_t>(n);
    }
    ssize_t Receive(int, std::uint8_t* buffer, std::size_t n) override {
        if (m_closed) return Fail(EBADF);
        if (!m_arrived) {
            if (Over() && m_requested && m_resets) return Fail(ECONNRESET);
            if (Over() && m_requested && m_closes) return 0;
            return Fail(EAGAIN);
        }
        const Piece& piece = m_pieces[m_next];
        const std::size_t k = std::min(n, piece.length - m_offset);
        std::memcpy(buffer, piece.bytes + m_offset, k);
        m_offset += k;
        if (m_offset == piece.length) {
            // The next piece is sent once this one is read, and arrives by
            // the line's next wait.
            ++m_next;
            m_offset = 0;
            m_arrived = false;
        }
        return static_cast<ssize_t>(k);
    }
    int Wait(const LineCancel*, int, short events, int) override {
        if (m_closed) return POLLNVAL;
        if (m_requested && !m_arrived && !Over()) m_arrived = true;
        short ready = POLLOUT;
        if (m_arrived) ready |= POLLIN;
        if (Over() && m_requested && m_closes) ready |= POLLIN | POLLRDHUP;
        if (Over() && m_requested && m_resets) ready = POLLIN | POLLERR | POLLHUP;
        // Errors and hang-ups are reported whether asked for or not.
        return ready & (events | POLLERR | POLLHUP);
    }
    void Close(int) override { m_closed = true; }

private:
    bool Over() const { return m_next >= m_pieces.size(); }
    static ssize_t Fail(int error) {
        errno = error;
        return -1;
    }

    const std::vector<Piece>& m_pieces;
    const bool m_closes;
    const bool m_resets;
    std::size_t m_next = 0;    // the piece being read or to come
    std::size_t m_offset = 0;  // read so far of it
    bool m_arrived = false;    // m_next is there to be read
    bool m_requested = false;  // a request went out: the answer may come
    bool m_closed = false;     // the line closed its end
};

EngineStatus Run(Transport& transport, bool rtu, const Shape& shape, Captures& captures) {
    if (shape.raw) {
        const EngineStatus s = transport.TransactRaw(shape.request, shape.length, captures);
        Check(s == status::Ok || s == status::WriteError || s == status::ReadError);
        Check(captures.responseLength <= kResponseCaptureSize);
        return s;
    }
    std::uint8_t request[kRequestBufferSize] = {};
    std::memcpy(request, shape.request, shape.length);
    // Guard bytes behind the expected length must survive.
    std::uint8_t response[kResponseBufferSize + 8];
    std::memset(response, 0xA5, sizeof response);
    // Answers whose length only they tell are judged by what they announce.
    const bool announced = LengthOnlyInAnswer(shape.request[1]);
    const EngineStatus s =
        announced ? AnnouncedAnswerStatus(
                        transport.Exchange(request, shape.length, response, shape.expected, captures),
                        request, response)
                  : transport.Transact(request, shape.length, response, shape.expected, captures);
    // The RTU framer clears and reads the CRC behind the answer too.
    const std::size_t used =
        rtu ? std::max<std::size_t>(std::min(shape.expected + 2, kResponseBufferSize), 5) : shape.expected;
    for (std::size_t i = used; i < sizeof response; ++i) Check(response[i] == 0xA5);
    Check(s == status::Ok || s == status::Timeout || s == status::WriteError ||
          s == status::ReadError || s == status::BytesMissing ||
          (rtu ? s == status::ChecksumError
               : s == status::TransactionIdError || s == status::ResponseError) ||
          (announced && (s == status::MalformedAnswer || s == status::ResponseError ||
                         s == status::ChecksumError)) ||
          (s >= 128 && s <= 128 + 255));
    Check(captures.responseLength <= kResponseCaptureSize);
    if (s != status::WriteError) Check(captures.requestLength == shape.length + (rtu ? 2 : 6));
    return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const Shape& shape = kShapes[data[0] % (sizeof kShapes / sizeof kShapes[0])];
    const std::uint8_t flags = data[1];

    std::vector<std::uint8_t> stream(data + 2, data + size);
    const std::vector<Piece> pieces = Pieces(stream, flags);
    MemoryStream peer(pieces, flags);
    TcpTransport transport;
    RtuTransport rtuOverTcp{transport.Line()};
    const bool rtu = (flags & 16) != 0;
    Transport& framing = rtu ? static_cast<Transport&>(rtuOverTcp) : transport;
    transport.Line().AdoptStream(peer, MemoryStream::kFd, kResponseTimeoutMs);
    transport.SetTransactionCounter(kCounter);

    Captures captures;
    Run(framing, rtu, shape, captures);
    if (flags & 8) Run(framing, rtu, shape, captures);
    transport.Close();
    return 0;
}
