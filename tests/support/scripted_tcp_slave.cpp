#include "support/scripted_tcp_slave.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "engine/engine.h"

namespace zentiq::test {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kSlice = std::chrono::milliseconds(10);

// Length of the request at the start of inbox; 0 while it cannot be told.
std::size_t RequestLength(const ScriptedTcpSlave::Bytes& inbox, ScriptedTcpSlave::Framing framing) {
    if (framing == ScriptedTcpSlave::Framing::Mbap)
        return inbox.size() >= 6 ? 6 + ((std::size_t{inbox[4]} << 8) | inbox[5]) : 0;
    // RTU: fixed lengths (08 with a two-byte echo), or a byte count for the
    // multiple writes.
    if (inbox.size() < 2) return 0;
    switch (inbox[1]) {
    case 15: case 16: return inbox.size() >= 7 ? 9 + std::size_t{inbox[6]} : 0;
    case 17: return 4;
    case 22: return 10;
    case 43: return 7;
    case 23: return inbox.size() >= 11 ? 13 + std::size_t{inbox[10]} : 0;
    default: return 8;
    }
}

std::int64_t WallUs() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return std::int64_t{ts.tv_sec} * 1000000 + ts.tv_nsec / 1000;
}

// recv() that also gives the kernel's receive time stamp (wall clock, us;
// 0 without one).
ssize_t ReceiveStamped(int fd, std::uint8_t* buffer, std::size_t n, std::int64_t* stampUs) {
    iovec part{buffer, n};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(timeval))];
    msghdr message{};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    const ssize_t r = ::recvmsg(fd, &message, MSG_DONTWAIT);
    *stampUs = 0;
    for (cmsghdr* c = r > 0 ? CMSG_FIRSTHDR(&message) : nullptr; c != nullptr;
         c = CMSG_NXTHDR(&message, c)) {
        if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_TIMESTAMP) {
            timeval stamp{};
            std::memcpy(&stamp, CMSG_DATA(c), sizeof stamp);
            *stampUs = std::int64_t{stamp.tv_sec} * 1000000 + stamp.tv_usec;
        }
    }
    return r;
}

}  // namespace

ScriptedTcpSlave::Frame ScriptedTcpSlave::Answer(const Bytes& unitAndPdu, Id id) {
    Frame frame;
    frame.id = id;
    const std::size_t length = unitAndPdu.size();
    // Sized once and filled in place: GCC 12 warns falsely on insert() after
    // an initializer list under -O2 with sanitizers.
    frame.bytes.assign(6 + length, 0);
    frame.bytes[4] = static_cast<std::uint8_t>(length >> 8);
    frame.bytes[5] = static_cast<std::uint8_t>(length);
    std::copy(unitAndPdu.begin(), unitAndPdu.end(), frame.bytes.begin() + 6);
    return frame;
}

ScriptedTcpSlave::Frame ScriptedTcpSlave::RtuAnswer(const Bytes& slaveAndPdu) {
    Frame frame;
    frame.id = Id::AsIs;
    frame.bytes = slaveAndPdu;
    const std::uint16_t crc = Crc16(slaveAndPdu.data(), slaveAndPdu.size());
    frame.bytes.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    frame.bytes.push_back(static_cast<std::uint8_t>(crc >> 8));
    return frame;
}

ScriptedTcpSlave::ScriptedTcpSlave(std::vector<Step> script, Ms requestWait, Framing framing)
    : m_script(std::move(script)), m_requestWait(requestWait), m_framing(framing) {
    if (!OpenListener()) return;
    m_thread = std::thread([this] { Run(); });
}

ScriptedTcpSlave::~ScriptedTcpSlave() {
    m_stop = true;
    if (m_thread.joinable()) m_thread.join();
    CloseClient(false);
    if (m_listener >= 0) ::close(m_listener);
}

bool ScriptedTcpSlave::OpenListener() {
    // The same port again after a Relisten step; it may still be held for a
    // moment by connections that are closing, so try a few times.
    for (int attempt = 0; attempt < 50 && !m_stop; ++attempt) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) return false;
        const int on = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(m_port);
        socklen_t size = sizeof address;
        if (::bind(fd, reinterpret_cast<sockaddr*>(&address), size) == 0 && ::listen(fd, 8) == 0 &&
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
            m_listener = fd;
            if (m_port == 0) m_port = ntohs(address.sin_port);
            std::lock_guard lock(m_mutex);
            ++m_listens;
            m_changed.notify_all();
            return true;
        }
        ::close(fd);
        if (m_port == 0) return false;
        std::this_thread::sleep_for(kSlice);
    }
    return false;
}

void ScriptedTcpSlave::CloseClient(bool reset) {
    if (m_client < 0) return;
    if (reset) {
        const linger abort{1, 0};
        ::setsockopt(m_client, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    }
    ::close(m_client);
    m_client = -1;
    m_inbox.clear();
}

bool ScriptedTcpSlave::SleepFor(Ms duration) {
    const auto end = Clock::now() + duration;
    while (!m_stop) {
        const auto now = Clock::now();
        if (now >= end) return true;
        std::this_thread::sleep_for(std::min<Clock::duration>(kSlice, end - now));
    }
    return false;
}

void ScriptedTcpSlave::AcceptPending() {
    const int fd = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return;
    // The master has connected anew: its old connection is gone for it.
    CloseClient(false);
    m_client = fd;
    // Answers are held from the moment the request arrived, not from the
    // moment this thread got round to reading it.
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_TIMESTAMP, &on, sizeof on);
    ++m_connections;
}

// One request frame from the master, taken whole from the connection.
bool ScriptedTcpSlave::ReadRequest(Bytes& request) {
    const auto end = Clock::now() + m_requestWait;
    while (!m_stop && Clock::now() < end) {
        if (const std::size_t total = RequestLength(m_inbox, m_framing); total > 0) {
            if (m_inbox.size() >= total) {
                request.assign(m_inbox.begin(), m_inbox.begin() + static_cast<long>(total));
                m_inbox.erase(m_inbox.begin(), m_inbox.begin() + static_cast<long>(total));
                std::lock_guard lock(m_mutex);
                m_requests.push_back(request);
                return true;
            }
        }
        pollfd fds[2] = {{m_listener, POLLIN, 0}, {m_client, POLLIN, 0}};
        if (::poll(fds, 2, static_cast<int>(kSlice.count())) <= 0) continue;
        if (fds[0].revents & POLLIN) AcceptPending();
        if (m_client >= 0 && (fds[1].revents & (POLLIN | POLLHUP | POLLERR))) {
            std::uint8_t chunk[1024];
            std::int64_t stamp = 0;
            const ssize_t n = ReceiveStamped(m_client, chunk, sizeof chunk, &stamp);
            if (n > 0) {
                m_inbox.insert(m_inbox.end(), chunk, chunk + n);
                m_arrivedUs = stamp != 0 ? stamp : WallUs();
            } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
                CloseClient(false);
            }
        }
    }
    return false;
}

void ScriptedTcpSlave::SendFrame(const Frame& frame, const Bytes& request) {
    Bytes bytes = frame.bytes;
    if (frame.id != Id::AsIs && bytes.size() >= 2 && request.size() >= 2) {
        std::uint16_t id = static_cast<std::uint16_t>((request[0] << 8) | request[1]);
        if (frame.id == Id::Stale) --id;
        bytes[0] = static_cast<std::uint8_t>(id >> 8);
        bytes[1] = static_cast<std::uint8_t>(id);
    }
    std::size_t offset = 0;
    std::vector<std::size_t> segments = frame.segments;
    segments.push_back(bytes.size());  // the rest
    if (frame.delay.count() > 0) {
        // Until `delay` after the request arrived, to the microsecond.
        const std::int64_t due = m_arrivedUs + frame.delay.count() * 1000;
        while (!m_stop && WallUs() < due)
            std::this_thread::sleep_for(std::min<std::chrono::microseconds>(
                kSlice, std::chrono::microseconds(due - WallUs())));
        if (m_stop) return;
    }
    const std::int64_t holdUs = WallUs() - m_arrivedUs;
    {
        std::lock_guard lock(m_mutex);
        m_holdsUs.push_back(holdUs);
    }
    for (std::size_t i = 0; i < segments.size() && offset < bytes.size(); ++i) {
        if (i > 0 && !SleepFor(frame.pause)) return;
        const std::size_t n = std::min(segments[i], bytes.size() - offset);
        if (m_client < 0 || ::send(m_client, bytes.data() + offset, n, MSG_NOSIGNAL) < 0) return;
        offset += n;
    }
}

std::vector<std::int64_t> ScriptedTcpSlave::HoldsUs() const {
    std::lock_guard lock(m_mutex);
    return m_holdsUs;
}

void ScriptedTcpSlave::Run() {
    for (const Step& step : m_script) {
        Bytes request;
        if (!ReadRequest(request)) break;
        switch (step.action) {
        case Action::Reply:
            for (const Frame& frame : step.frames) SendFrame(frame, request);
            if (step.closeAfter) CloseClient(false);
            break;
        case Action::Silent:
            break;
        case Action::Close:
            CloseClient(false);
            break;
        case Action::Reset:
            CloseClient(true);
            break;
        case Action::Relisten:
            // The listener goes first: once the master sees its connection
            // end, nobody accepts a new one until the slave is back.
            ::close(m_listener);
            m_listener = -1;
            CloseClient(false);
            if (SleepFor(step.downTime)) OpenListener();
            break;
        }
        if (m_stop || m_listener < 0) break;
        std::lock_guard lock(m_mutex);
        ++m_stepsDone;
        m_changed.notify_all();
    }
}

std::vector<ScriptedTcpSlave::Bytes> ScriptedTcpSlave::Requests() const {
    std::lock_guard lock(m_mutex);
    return m_requests;
}

bool ScriptedTcpSlave::WaitForListens(int count, Ms timeout) {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] { return m_listens >= count; });
}

bool ScriptedTcpSlave::WaitForSteps(int count, Ms timeout) {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] { return m_stepsDone >= count; });
}

}  // namespace zentiq::test
