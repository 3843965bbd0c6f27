// The one TCP connection of the process as a line of bytes: connect with a
// time limit, a silent reconnect after a failed send, and receives that
// reassemble a frame from its segments. Modbus/TCP puts MBAP frames on it;
// as a SerialLine it carries RTU frames for gateways that speak RTU over TCP.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/answer_spin.h"
#include "engine/engine_types.h"
#include "engine/line_cancel.h"
#include "engine/serial_line.h"
#include "engine/stream_io.h"

namespace zentiq {

class TcpLine final : public SerialLine {
public:
    TcpLine() = default;
    ~TcpLine() override;
    TcpLine(const TcpLine&) = delete;
    TcpLine& operator=(const TcpLine&) = delete;

    // Ok, or one of the connect failures (LastError() then holds errno):
    // SocketCreateFailed, BlockingSwitchFailed, InvalidIpAddress,
    // ConnectError, ConnectTimeout, ConnectWaitFailed.
    EngineStatus Open(const char* ipAddress, std::uint16_t port, std::uint32_t responseTimeoutMs,
                      std::uint32_t connectTimeoutMs);
    // Open in steps, for a caller that waits in its own event loop: Ok
    // with *underWay clear is connected; with it set, the connect goes on
    // until OpeningSocket() turns writable, then FinishOpen() gives the
    // outcome, or the connect timeout passes first and AbandonOpen() gives
    // ConnectTimeout.
    EngineStatus BeginOpen(const char* ipAddress, std::uint16_t port,
                           std::uint32_t responseTimeoutMs, std::uint32_t connectTimeoutMs,
                           bool* underWay);
    EngineStatus FinishOpen();
    EngineStatus AbandonOpen();
    // The socket of an open under way, -1 when none is.
    int OpeningSocket() const { return m_opening ? m_fd : -1; }
    void Close();
    bool IsConnected() const { return m_connected; }
    int LastError() const { return m_lastError; }
    // The wait for an answer's bytes, as Open set it.
    void SetResponseTimeout(std::uint32_t milliseconds) { m_responseTimeoutMs = milliseconds; }
    std::uint32_t ResponseTimeout() const { return m_responseTimeoutMs; }
    // Adopts an already connected socket (tests over socketpair).
    void AdoptConnectedSocket(int fd, std::uint32_t responseTimeoutMs);
    // Adopts a connected stream whose calls are io's (the fuzzer's memory);
    // io must outlive the stream, which ends at the next Close or failure.
    void AdoptStream(StreamIo& io, int fd, std::uint32_t responseTimeoutMs);

    // Sends n bytes in one call; on failure reconnects and returns false.
    bool Send(const std::uint8_t* bytes, std::size_t n);
    // Bytes of one frame: the first part as soon as it comes within the
    // response timeout, then up to `reads` reads, each waiting at most the
    // response timeout, until frameLength (null: maximum) says the frame is
    // whole. 0 = nothing came, -1 = the wait or a read failed. Bytes past
    // the frame are kept for the next receive.
    static constexpr int kFrameReads = 4;
    // A transparent serial converter passes an RTU answer on in pieces as
    // its serial side delivers them, often many more than four.
    static constexpr int kStreamReads = 64;
    int Receive(std::uint8_t* buffer, std::size_t maximum, FrameLengthFn frameLength,
                int reads = kFrameReads);
    // Forgets bytes kept from an earlier receive.
    void DropPending() { m_pendingLength = 0; }
    // When the kernel received the last bytes the last Receive read, on the
    // transaction clock; 0 when the socket gave no time stamp.
    std::uint64_t LastArrivalUs() const { return m_arrivedUs; }
    // The peer closed the connection (a read met its end): the next send
    // reconnects first.
    bool PeerClosed() const { return m_peerGone; }
    // The stream is out of step (junk, an impossible frame): closes the
    // socket, and the next send connects afresh. The connected flag stays.
    void Drop() { CloseSocket(); }
    // Every wait also ends when cancel is raised (nullptr: only by time).
    void SetCancel(const LineCancel* cancel) { m_cancel = cancel; }

    // ---- as a SerialLine: no error flags, no echo ----
    bool IsOpen() const override { return m_connected; }
    int Write(const std::uint8_t* bytes, std::size_t n) override { return Send(bytes, n) ? 1 : 0; }
    int Read(std::uint8_t* buffer, std::size_t n) override {
        return Receive(buffer, n, nullptr, kStreamReads);
    }
    int ReadFrame(std::uint8_t* buffer, std::size_t n, FrameLengthFn frameLength) override {
        return Receive(buffer, n, frameLength, kStreamReads);
    }
    // Drops kept bytes and whatever the socket has received and not been
    // read: without transaction IDs a late answer would pass for the next.
    void Purge() override;
    std::uint32_t WriteFlags() const override { return 0; }
    std::uint32_t ReadFlags() const override { return 0; }

private:
    EngineStatus StartConnect(bool* underWay);
    EngineStatus CompleteConnect(bool wasUnderWay);
    EngineStatus Connect();
    bool Reconnect();
    // The outcome of the one send of a request: false (and a reconnect)
    // unless all n bytes went out.
    bool Sent(ssize_t sent, std::size_t n);
    void CloseSocket();

    // Waits on m_fd through m_io; a wait that failed or met POLLNVAL is -1.
    int WaitFor(short events, std::uint32_t timeoutMs) const;

    int m_fd = -1;
    StreamIo* m_io = &SocketIo();  // the calls on m_fd
    const LineCancel* m_cancel = nullptr;
    bool m_connected = false;
    bool m_opening = false;  // BeginOpen left a connect under way
    int m_lastError = 0;
    std::string m_address;
    std::uint16_t m_port = 0;
    std::uint32_t m_connectTimeoutMs = 0;
    std::uint32_t m_responseTimeoutMs = 1000;
    // The peer closed or reset the connection: the next send reconnects first.
    bool m_peerGone = false;
    // Purge found the connection open with nothing queued, just before the
    // send: that send needs no look of its own.
    bool m_lookedIdle = false;
    // Bytes read past the end of a frame (two frames in one read), handed to
    // the next receive of the same transaction.
    std::uint8_t m_pending[kResponseCaptureSize];
    std::size_t m_pendingLength = 0;
    std::uint64_t m_arrivedUs = 0;
    // How soon this peer answers, and the look for an answer that is due at once.
    AnswerSpin m_spin;
};

}  // namespace zentiq
