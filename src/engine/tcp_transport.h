// Modbus/TCP: MBAP header and transaction IDs over the process's one TCP
// connection (TcpLine: connect, reassembly, silent reconnect).
#pragma once

#include "engine/tcp_line.h"
#include "engine/transport.h"

namespace zentiq {

class TcpTransport final : public Transport {
public:
    // As TcpLine::Open.
    EngineStatus Open(const char* ipAddress, std::uint16_t port, std::uint32_t responseTimeoutMs,
                      std::uint32_t connectTimeoutMs) {
        return m_line.Open(ipAddress, port, responseTimeoutMs, connectTimeoutMs);
    }
    void Close() { m_line.Close(); }
    bool IsConnected() const { return m_line.IsConnected(); }
    int LastError() const { return m_line.LastError(); }
    // The counter that the next transaction pre-increments (starts at 0xFFFF).
    std::uint16_t TransactionCounter() const { return m_transactionId; }
    void SetTransactionCounter(std::uint16_t value) { m_transactionId = value; }
    // Adopts an already connected socket (fuzzing and tests over socketpair).
    void AdoptConnectedSocket(int fd, std::uint32_t responseTimeoutMs) {
        m_line.AdoptConnectedSocket(fd, responseTimeoutMs);
    }
    // The connection itself, for framings other than MBAP on it.
    TcpLine& Line() { return m_line; }

    Delivery Exchange(std::uint8_t* request, std::size_t length, std::uint8_t* response,
                      std::size_t expected, Captures& captures) override;
    EngineStatus TransactRaw(const std::uint8_t* bytes, std::size_t n, Captures& captures) override;

private:
    TcpLine m_line;
    std::uint16_t m_transactionId = 0xFFFF;
};

}  // namespace zentiq
