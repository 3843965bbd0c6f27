#include "engine/tcp_line.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <utility>

#include "engine/engine_trace.h"

namespace zentiq {

namespace {

constexpr std::uint32_t kSendWaitMs = 2000;

#ifdef POLLRDHUP
constexpr short kPeerClosedEvents = POLLRDHUP | POLLHUP | POLLERR;
#else
constexpr short kPeerClosedEvents = POLLHUP | POLLERR;
#endif

bool SetBlocking(int fd, bool blocking) {
    const int flags = ::fcntl(fd, F_GETFL, 0);
    if (flags < 0) return false;
    const int wanted = blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK);
    return wanted == flags || ::fcntl(fd, F_SETFL, wanted) == 0;
}

}  // namespace

TcpLine::~TcpLine() { CloseSocket(); }

// Sends and receives never block (the worker must not hang in a call that
// no cancel can end): every wait is this one, which a stop ends at once.
// Returns the reported events, 0 when the time ran out or the wait was
// cancelled, -1 when the wait failed.
int TcpLine::WaitFor(short events, std::uint32_t timeoutMs) const {
    if (m_fd < 0) return -1;
    const int r = m_io->Wait(m_cancel, m_fd, events,
                             static_cast<int>(std::min<std::uint32_t>(timeoutMs, INT_MAX)));
    return (r > 0 && (r & POLLNVAL)) ? -1 : r;
}

void TcpLine::CloseSocket() {
    if (m_fd >= 0) m_io->Close(m_fd);
    m_fd = -1;
    m_io = &SocketIo();  // a new connection is a socket
    m_peerGone = false;
    m_lookedIdle = false;
    m_pendingLength = 0;
    m_spin.Forget();
}

// Creates the socket and starts connecting it to the kept address. Ok with
// *underWay set: the outcome comes when the socket turns writable. Ok
// without it: connected at once. The socket is closed on failure.
EngineStatus TcpLine::StartConnect(bool* underWay) {
    *underWay = false;
    CloseSocket();
    // Socket library start-up: nothing to do on POSIX.
    m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
    if (m_fd < 0) {
        m_lastError = errno;
        CloseSocket();
        return status::SocketCreateFailed;
    }
    if (!SetBlocking(m_fd, false)) {
        m_lastError = errno;
        CloseSocket();
        return status::BlockingSwitchFailed;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(m_port);
    if (::inet_pton(AF_INET, m_address.c_str(), &address.sin_addr) != 1) {
        CloseSocket();
        return status::InvalidIpAddress;
    }
    if (::connect(m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        if (errno != EINPROGRESS && errno != EINTR) {
            m_lastError = errno;
            CloseSocket();
            return status::ConnectError;
        }
        *underWay = true;
    }
    return status::Ok;
}

// The socket of a connect under way has turned writable: the outcome is in
// SO_ERROR. Then the socket blocks again for the transactions.
EngineStatus TcpLine::CompleteConnect(bool wasUnderWay) {
    if (wasUnderWay) {
        int error = 0;
        socklen_t size = sizeof error;
        if (::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0) {
            m_lastError = errno;
            CloseSocket();
            return status::ConnectWaitFailed;
        }
        if (error != 0) {
            m_lastError = error;
            CloseSocket();
            return status::ConnectError;
        }
    }
    if (!SetBlocking(m_fd, true)) {
        m_lastError = errno;
        CloseSocket();
        return status::BlockingSwitchFailed;
    }
    // One small request at a time: never hold it back for coalescing.
    const int on = 1;
    ::setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    // The kernel's receive time of an answer: a worker that loses the
    // processor before it reads the answer does not make the slave look slow.
    ::setsockopt(m_fd, SOL_SOCKET, SO_TIMESTAMP, &on, sizeof on);
    return status::Ok;
}

// Connects to the kept address within the kept connect timeout.
EngineStatus TcpLine::Connect() {
    bool underWay = false;
    const EngineStatus started = StartConnect(&underWay);
    if (started != status::Ok) return started;
    if (underWay) {
        const int ready = WaitFor(POLLOUT, m_connectTimeoutMs);
        if (ready == 0) {
            m_lastError = ETIMEDOUT;
            CloseSocket();
            return status::ConnectTimeout;
        }
        if (ready < 0) {
            m_lastError = errno;
            CloseSocket();
            return status::ConnectWaitFailed;
        }
    }
    return CompleteConnect(underWay);
}

EngineStatus TcpLine::Open(const char* ipAddress, std::uint16_t port,
                           std::uint32_t responseTimeoutMs, std::uint32_t connectTimeoutMs) {
    bool underWay = false;
    const EngineStatus started =
        BeginOpen(ipAddress, port, responseTimeoutMs, connectTimeoutMs, &underWay);
    if (started != status::Ok || !underWay) return started;
    const int ready = WaitFor(POLLOUT, m_connectTimeoutMs);
    if (ready == 0) return AbandonOpen();
    if (ready < 0) {
        m_lastError = errno;
        m_opening = false;
        CloseSocket();
        return status::ConnectWaitFailed;
    }
    return FinishOpen();
}

EngineStatus TcpLine::BeginOpen(const char* ipAddress, std::uint16_t port,
                                std::uint32_t responseTimeoutMs, std::uint32_t connectTimeoutMs,
                                bool* underWay) {
    m_connectTimeoutMs = connectTimeoutMs;
    m_responseTimeoutMs = responseTimeoutMs;
    m_connected = false;
    m_opening = false;
    m_address = ipAddress ? ipAddress : "";
    m_port = port;
    const EngineStatus started = StartConnect(underWay);
    if (started != status::Ok) return started;
    if (*underWay) {
        m_opening = true;
        return status::Ok;
    }
    const EngineStatus code = CompleteConnect(false);
    m_connected = code == status::Ok;
    return code;
}

EngineStatus TcpLine::FinishOpen() {
    // Nothing under way: a late or second call changes nothing.
    if (!m_opening) return m_connected ? status::Ok : status::ConnectWaitFailed;
    m_opening = false;
    const EngineStatus code = CompleteConnect(true);
    m_connected = code == status::Ok;
    return code;
}

EngineStatus TcpLine::AbandonOpen() {
    if (!m_opening) return m_connected ? status::Ok : status::ConnectTimeout;
    m_opening = false;
    m_lastError = ETIMEDOUT;
    CloseSocket();
    return status::ConnectTimeout;
}

void TcpLine::Close() {
    // Socket library shutdown: nothing to do on POSIX.
    m_opening = false;
    CloseSocket();
    m_connected = false;
}

void TcpLine::AdoptConnectedSocket(int fd, std::uint32_t responseTimeoutMs) {
    AdoptStream(SocketIo(), fd, responseTimeoutMs);
    if (m_fd >= 0) SetBlocking(m_fd, true);
}

void TcpLine::AdoptStream(StreamIo& io, int fd, std::uint32_t responseTimeoutMs) {
    m_opening = false;
    CloseSocket();
    m_io = &io;
    m_fd = fd;
    m_address.clear();  // nothing to reconnect to
    m_responseTimeoutMs = responseTimeoutMs;
    m_connected = m_fd >= 0;
}

// After a failed send: a new connection to the kept address. The connected
// flag stays as it is, so the next transaction simply tries again.
bool TcpLine::Reconnect() {
    if (m_address.empty()) {  // an adopted stream: nothing to connect to
        CloseSocket();
        return false;
    }
    if (Connect() == status::Ok) return true;
    NoteLineError(m_lastError);
    return false;
}

bool TcpLine::Send(const std::uint8_t* bytes, std::size_t n) {
    // Purge's look counts only for the send that directly follows it.
    const bool lookedIdle = std::exchange(m_lookedIdle, false);
    // A connection known to be gone (or already given up) is renewed before
    // the send instead of failing one more transaction on a dead socket.
    if (m_fd < 0 || m_peerGone) {
        if (!Reconnect()) return false;
    }
    // The usual case, in one or two calls: the connection is still there
    // (Purge just found it so, or a look without waiting does) and the
    // request fits into the send buffer. Everything else takes the waits
    // below, which a stop ends at once.
    if (m_cancel == nullptr || !m_cancel->Raised()) {
        bool fine = lookedIdle;
        if (!fine) {
            // A late answer may be queued (POLLIN): the send goes out all the same.
            const int r = m_io->Wait(nullptr, m_fd, static_cast<short>(POLLOUT | kPeerClosedEvents), 0);
            fine = r > 0 && (r & (POLLOUT | POLLNVAL | kPeerClosedEvents)) == POLLOUT;
        }
        if (fine) {
            const ssize_t sent = m_io->Send(m_fd, bytes, n);
            if (sent >= 0 || errno != EAGAIN) return Sent(sent, n);
        }
    }
    int ready = WaitFor(POLLOUT | kPeerClosedEvents, kSendWaitMs);
    if (ready > 0 && (ready & kPeerClosedEvents)) {
        // The peer closed or reset the connection since the last answer.
        if (!Reconnect()) return false;
        ready = WaitFor(POLLOUT, kSendWaitMs);
    }
    if (ready <= 0 || !(ready & POLLOUT)) {
        Reconnect();
        return false;
    }
    return Sent(m_io->Send(m_fd, bytes, n), n);
}

bool TcpLine::Sent(ssize_t sent, std::size_t n) {
    if (sent >= 0 && static_cast<std::size_t>(sent) == n) {
        m_spin.Sent();
        return true;
    }
    if (sent < 0) NoteLineError(errno);
    Reconnect();
    return false;
}

int TcpLine::Receive(std::uint8_t* buffer, std::size_t maximum, FrameLengthFn frameLength,
                     int reads) {
    const auto frameTotal = [&](std::size_t got) {
        return frameLength != nullptr ? std::min(frameLength(buffer, got, maximum), maximum)
                                      : maximum;
    };
    m_lookedIdle = false;
    m_arrivedUs = 0;
    std::size_t got = std::min(m_pendingLength, maximum);
    std::size_t total = maximum;
    // The first read after the wait below is known to find bytes; any later
    // one first takes what is queued and waits only when nothing is.
    bool readable = false;
    if (got > 0) {
        std::memcpy(buffer, m_pending, got);
        m_pendingLength -= got;
        std::memmove(m_pending, m_pending + got, m_pendingLength);
        total = frameTotal(got);
    } else {
        const auto queued = [this] {
            const int r = m_io->Wait(nullptr, m_fd, POLLIN, 0);
            if (r == 0) return AnswerSpin::Seen::Nothing;
            return r > 0 && (r & POLLIN) ? AnswerSpin::Seen::Answer : AnswerSpin::Seen::GiveUp;
        };
        const int ready = m_spin.Look(m_cancel, queued) ? POLLIN : WaitFor(POLLIN, m_responseTimeoutMs);
        m_spin.Answered();  // a time-out too: such a peer is slept for
        if (ready < 0) return -1;
        if (ready == 0) return 0;
        readable = true;
    }
    // Many small pieces (an RTU answer through a serial converter) are also
    // bounded as a whole, so that a peer trickling bytes cannot hold the
    // worker for reads x the response timeout.
    using Clock = std::chrono::steady_clock;
    const bool wholeBound = reads > kFrameReads;
    const auto wholeDeadline = Clock::now() + 2 * std::chrono::milliseconds(m_responseTimeoutMs);
    for (int read = 0; read < reads && got < total; ++read) {
        if (m_peerGone) break;  // an orderly close leaves nothing more to read
        std::uint32_t waitMs = m_responseTimeoutMs;
        if (wholeBound) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(wholeDeadline - Clock::now()).count();
            if (left <= 0) break;
            waitMs = static_cast<std::uint32_t>(std::min<std::int64_t>(waitMs, left));
        }
        // One read takes everything queued, up to the buffer's end: usually
        // the whole answer, sometimes the next frame too (kept below).
        std::uint64_t arrived = 0;
        ssize_t r = m_io->ReceiveStamped(m_fd, buffer + got, total - got, &arrived);
        if (r < 0 && errno == EAGAIN && !readable) {
            if (WaitFor(POLLIN, waitMs) <= 0) break;
            r = m_io->ReceiveStamped(m_fd, buffer + got, total - got, &arrived);
        }
        readable = false;
        if (r < 0 && errno == EAGAIN) continue;  // readiness without bytes
        if (r < 0) {
            NoteLineError(errno);
            m_peerGone = true;
            return -1;
        }
        if (r == 0) {
            m_peerGone = true;
            break;
        }
        got += static_cast<std::size_t>(r);
        m_arrivedUs = arrived;
        total = frameTotal(got);
    }
    if (got > total) {
        // A second frame came in the same read: keep it for the next receive.
        const std::size_t surplus = std::min(got - total, sizeof m_pending - m_pendingLength);
        std::memmove(m_pending + surplus, m_pending, m_pendingLength);
        std::memcpy(m_pending, buffer + total, surplus);
        m_pendingLength += surplus;
        got = total;
    }
    return static_cast<int>(got);
}

void TcpLine::Purge() {
    m_pendingLength = 0;
    m_lookedIdle = false;
    if (m_fd < 0) return;
    std::uint8_t scratch[512];
    // Bounded: a peer that streams without pause must not hold the worker here.
    for (int i = 0; i < 64; ++i) {
        const ssize_t r = m_io->Receive(m_fd, scratch, sizeof scratch);
        if (r > 0) continue;
        // Closed or reset: the next send reconnects first. Nothing queued
        // and no close: the send that follows need not look again.
        if (r == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) m_peerGone = true;
        else m_lookedIdle = true;
        break;
    }
}

}  // namespace zentiq
