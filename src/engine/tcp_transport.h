// Modbus/TCP: one socket for the process, MBAP header, transaction IDs,
// reassembly of split responses and a silent reconnect after a failed send.
#pragma once

#include <string>

#include "engine/transport.h"

namespace zentiq {

class TcpTransport final : public Transport {
public:
    TcpTransport() = default;
    ~TcpTransport() override;
    TcpTransport(const TcpTransport&) = delete;
    TcpTransport& operator=(const TcpTransport&) = delete;

    // 0 = connected; 12, 13, 14, 15, 16, 18, 19 = failure (LastError() holds errno).
    int Open(const char* ipAddress, std::uint16_t port, std::uint32_t responseTimeoutMs,
             std::uint32_t connectTimeoutMs);
    void Close();
    bool IsConnected() const { return m_connected; }
    int LastError() const { return m_lastError; }
    // The counter that the next transaction pre-increments (starts at 0xFFFF).
    std::uint16_t TransactionCounter() const { return m_transactionId; }
    void SetTransactionCounter(std::uint16_t value) { m_transactionId = value; }
    // Adopts an already connected socket (fuzzing and tests over socketpair).
    void AdoptConnectedSocket(int fd, std::uint32_t responseTimeoutMs);

    EngineStatus Transact(std::uint8_t* request, std::size_t length, std::uint8_t* response,
                          std::size_t expected, Captures& captures) override;
    EngineStatus TransactRaw(const std::uint8_t* bytes, std::size_t n, Captures& captures) override;

private:
    int Connect();
    bool Reconnect();
    void CloseSocket();
    bool Send(const std::uint8_t* bytes, std::size_t n);
    int Receive(std::uint8_t* buffer, std::size_t maximum);

    int m_fd = -1;
    bool m_connected = false;
    int m_lastError = 0;
    std::string m_address;
    std::uint16_t m_port = 0;
    std::uint32_t m_connectTimeoutMs = 0;
    std::uint32_t m_responseTimeoutMs = 1000;
    std::uint16_t m_transactionId = 0xFFFF;
    // The peer closed or reset the connection: the next send reconnects first.
    bool m_peerGone = false;
    // Bytes read past the end of a frame (two frames in one read), handed to
    // the next receive of the same transaction.
    std::uint8_t m_pending[kResponseCaptureSize];
    std::size_t m_pendingLength = 0;
};

}  // namespace zentiq
