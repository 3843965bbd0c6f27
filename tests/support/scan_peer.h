// pymodbus started with the bus scanner's options (several slave IDs,
// sparse blocks) and the engine connected to it as a user would connect:
// Modbus/TCP on 127.0.0.1, or RTU over a socat pty pair.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "engine/modbus_line.h"
#include "support/peer_process.h"
#include "support/socat_pty_pair.h"

namespace zentiq::test {

// pymodbus with extra options, the engine connected to it as a user would.
class ScanPeer {
public:
    static constexpr std::uint32_t kUserTimeoutMs = 1000;
    static constexpr std::uint32_t kUserPollDelayMs = 1;

    // `engine` is the line connected to the slave.
    static std::unique_ptr<ScanPeer> Start(TransmissionMode mode,
                                           const std::vector<std::string>& options,
                                           std::string& error, ModbusLine& engine = DefaultLine()) {
        std::unique_ptr<ScanPeer> p(new ScanPeer(engine));
        p->m_mode = mode;
        std::vector<std::string> argv{
            "/usr/bin/python3",
            PeerProcess::SourceDir() + "/tests/support/peers/pymodbus_slave.py"};
        if (mode == TCP) {
            argv.insert(argv.end(), {"--tcp", "0"});
        } else {
            p->m_line = SocatPtyPair::Create(error);
            if (!p->m_line)
                return nullptr;
            argv.insert(argv.end(), {"--rtu", p->m_line->PathB()});
        }
        argv.insert(argv.end(), options.begin(), options.end());
        p->m_peer = PeerProcess::Start(argv, PeerProcess::kReadyTimeout, error);
        if (!p->m_peer) {
            error = "pymodbus slave did not start (install python3-pymodbus): " + error;
            return nullptr;
        }
        p->m_engine.SetPollDelay(kUserPollDelayMs);
        if (mode == TCP) {
            if (p->m_engine.OpenTcpConnection("127.0.0.1", p->m_peer->Port(), kUserTimeoutMs,
                                              3000) != 0) {
                error = "cannot connect to pymodbus";
                return nullptr;
            }
        } else {
            p->m_engine.SetSerialDevice(1, p->m_line->PathA().c_str());
            if (p->m_engine.OpenSerialPort(1, 19200, 8, 0, 0) != 0) {
                error = "cannot open the pty";
                return nullptr;
            }
            p->m_engine.SetSerialTimeouts(32, 1, kUserTimeoutMs, 1, 200);
        }
        p->m_open = true;
        p->m_engine.SetTransmissionMode(mode);
        p->m_engine.StartPolling();
        return p;
    }
    ~ScanPeer() {
        m_engine.StopPolling();
        if (m_open)
            m_mode == TCP ? m_engine.CloseTcpConnection() : m_engine.CloseSerialPort();
    }

private:
    explicit ScanPeer(ModbusLine& engine) : m_engine(engine) {}
    ModbusLine& m_engine;
    TransmissionMode m_mode = TCP;
    bool m_open = false;
    std::unique_ptr<SocatPtyPair> m_line;
    std::unique_ptr<PeerProcess> m_peer;
};

}  // namespace zentiq::test
