// Arbitrary bytes as the slave's answer to the Modbus/TCP transport, or to the
// RTU framer on the same connection (RTU over TCP), delivered over a socket
// pair in pieces that the input chooses.
//
// Input: [shape] [flags] then pieces, each [length] [length bytes]. A piece is
// written only after the transport has read everything before it, so every
// piece boundary is also a boundary between two reads.
//   shape % 8: read 10 registers, write single register, read 127 registers,
//              read 10 coils, raw frame, echo (08/00), report slave ID (17),
//              read device identification (43/14, extended)
//   flags bit 0: put the transaction ID the transport waits for in bytes 0-1
//         bit 1: the peer closes its side (orderly) after the last piece
//         bit 2: the peer drops the connection unread (a reset) after it
//         bit 3: a second transaction follows on the same connection
//         bit 4: RTU frames instead of MBAP (RTU over TCP)
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <linux/sockios.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "engine/modbus_function.h"
#include "engine/serial_transport.h"
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

// Waits until the transport has read all that this end wrote (bounded).
void WaitUntilRead(int fd, const std::atomic<bool>& stop) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(50);
    while (!stop && std::chrono::steady_clock::now() < end) {
        int queued = 0;
        if (::ioctl(fd, SIOCOUTQ, &queued) != 0 || queued == 0) return;
        std::this_thread::yield();
    }
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

// Sends the pieces after the first (which is already on its way), each once
// the transport has read the one before, then closes as the flags say.
void Peer(int fd, const std::vector<Piece>& pieces, std::uint8_t flags,
          const std::atomic<bool>& stop) {
    if (!pieces.empty()) WaitUntilRead(fd, stop);
    for (std::size_t i = 1; i < pieces.size() && !stop; ++i) {
        if (::send(fd, pieces[i].bytes, pieces[i].length, MSG_NOSIGNAL) < 0) break;
        WaitUntilRead(fd, stop);
    }
    if (flags & 4) {
        // Closing with the request still unread resets the connection.
        ::close(fd);
        return;
    }
    if (flags & 2) {
        std::uint8_t sink[600];
        while (::recv(fd, sink, sizeof sink, MSG_DONTWAIT) > 0) {
        }
        ::shutdown(fd, SHUT_WR);
    }
    ::close(fd);
}

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

    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) return 0;
    static TcpTransport transport;
    static RtuTransport rtuOverTcp{transport.Line()};
    const bool rtu = (flags & 16) != 0;
    Transport& framing = rtu ? static_cast<Transport&>(rtuOverTcp) : transport;
    transport.AdoptConnectedSocket(fds[0], kResponseTimeoutMs);
    transport.SetTransactionCounter(kCounter);

    std::vector<std::uint8_t> stream(data + 2, data + size);
    const std::vector<Piece> pieces = Pieces(stream, flags);
    // The first piece goes out before the transaction starts, so that it never
    // waits on the peer thread's start-up.
    if (!pieces.empty()) ::send(fds[1], pieces[0].bytes, pieces[0].length, MSG_NOSIGNAL);
    std::atomic<bool> stop{false};
    std::thread peer(Peer, fds[1], std::cref(pieces), flags, std::cref(stop));
    Captures captures;
    Run(framing, rtu, shape, captures);
    if (flags & 8) Run(framing, rtu, shape, captures);
    stop = true;
    peer.join();
    return 0;
}
