// The calls by which the TCP line moves bytes over its connected socket.
// The line's reassembly, reconnect and framing rules run unchanged over
// another set of them: the fuzzer hands answers over from memory, without a
// socket, a thread or a wait.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>

namespace zentiq {

class LineCancel;

class StreamIo {
public:
    virtual ~StreamIo() = default;
    // As send() that never blocks and raises no SIGPIPE: the bytes taken,
    // or -1 with errno (EAGAIN: the send buffer is full, nothing went out).
    virtual ssize_t Send(int fd, const std::uint8_t* bytes, std::size_t n) = 0;
    // As recv() that never blocks: the bytes read, 0 at an orderly close,
    // -1 with errno (EAGAIN: nothing is queued).
    virtual ssize_t Receive(int fd, std::uint8_t* buffer, std::size_t n) = 0;
    // Receive that also tells when the kernel took the last bytes read off
    // the wire, on the transaction clock (TransactionClockUs), where the
    // socket keeps receive time stamps; *arrivedUs stays 0 where it does not.
    virtual ssize_t ReceiveStamped(int fd, std::uint8_t* buffer, std::size_t n,
                                   std::uint64_t* arrivedUs) {
        *arrivedUs = 0;
        return Receive(fd, buffer, n);
    }
    // As WaitOrCancel: the events of fd (POLLNVAL, POLLHUP and POLLERR
    // included), 0 when the time ran out or the wait was cancelled, -1 when
    // it failed. cancel may be null; timeoutMs 0 only looks.
    virtual int Wait(const LineCancel* cancel, int fd, short events, int timeoutMs) = 0;
    virtual void Close(int fd) = 0;
};

// The system's sockets.
StreamIo& SocketIo();

}  // namespace zentiq
