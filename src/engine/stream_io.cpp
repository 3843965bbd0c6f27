#include "engine/stream_io.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "engine/line_cancel.h"

namespace zentiq {
namespace {

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
