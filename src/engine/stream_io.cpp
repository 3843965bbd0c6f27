#include "engine/stream_io.h"

#include <sys/socket.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "engine/line_cancel.h"
#include "engine/transaction_timing.h"

namespace zentiq {
namespace {

constexpr std::int64_t kMicro = 1000000;

std::int64_t ClockUs(clockid_t clock) {
    timespec ts{};
    clock_gettime(clock, &ts);
    return std::int64_t{ts.tv_sec} * kMicro + ts.tv_nsec / 1000;
}

// A kernel receive stamp (wall clock) as a moment of the transaction clock:
// its age now, taken from now. A stamp from the future or older than a
// minute means the wall clock was set meanwhile: no stamp then.
std::uint64_t StampOnTransactionClock(const timeval& stamp) {
    const std::uint64_t now = TransactionClockUs();
    if (now == 0) return 0;  // timing switched off
    const std::int64_t age = ClockUs(CLOCK_REALTIME) - (std::int64_t{stamp.tv_sec} * kMicro + stamp.tv_usec);
    if (age < 0 || age > 60 * kMicro || static_cast<std::uint64_t>(age) >= now) return 0;
    return now - static_cast<std::uint64_t>(age);
}

class SystemSockets final : public StreamIo {
public:
    ssize_t Send(int fd, const std::uint8_t* bytes, std::size_t n) override {
        ssize_t sent;
        do {
            sent = ::send(fd, bytes, n, MSG_NOSIGNAL | MSG_DONTWAIT);
        } while (sent < 0 && errno == EINTR);
        return sent;
    }
    ssize_t Receive(int fd, std::uint8_t* buffer, std::size_t n) override {
        ssize_t r;
        do {
            r = ::recv(fd, buffer, n, MSG_DONTWAIT);
        } while (r < 0 && errno == EINTR);
        return r;
    }
    ssize_t ReceiveStamped(int fd, std::uint8_t* buffer, std::size_t n,
                           std::uint64_t* arrivedUs) override {
        *arrivedUs = 0;
        iovec part{buffer, n};
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(timeval))];
        msghdr message{};
        message.msg_iov = &part;
        message.msg_iovlen = 1;
        ssize_t r;
        do {
            message.msg_control = control;
            message.msg_controllen = sizeof control;
            r = ::recvmsg(fd, &message, MSG_DONTWAIT);
        } while (r < 0 && errno == EINTR);
        if (r <= 0) return r;
        for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
            if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_TIMESTAMP &&
                c->cmsg_len >= CMSG_LEN(sizeof(timeval))) {
                timeval stamp{};
                std::memcpy(&stamp, CMSG_DATA(c), sizeof stamp);
                *arrivedUs = StampOnTransactionClock(stamp);
            }
        }
        return r;
    }
    int Wait(const LineCancel* cancel, int fd, short events, int timeoutMs) override {
        return WaitOrCancel(cancel, fd, events, timeoutMs);
    }
    void Close(int fd) override { ::close(fd); }
};

}  // namespace

StreamIo& SocketIo() {
    static SystemSockets sockets;
    return sockets;
}

}  // namespace zentiq
