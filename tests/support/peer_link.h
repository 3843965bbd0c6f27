// The engine connected to a real slave the way the connection command does
// it: Modbus/TCP to a peer on 127.0.0.1, or RTU or ASCII to a peer on the
// other end of a socat pty pair. Disconnects and stops the peer when gone.
#pragma once

#include <signal.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "engine/modbus_line.h"
#include "support/peer_process.h"
#include "support/socat_pty_pair.h"

namespace zentiq::testing {

class PeerLink {
public:
    enum class Peer { PyModbus, LibModbus };

    // nullptr with error set when the peer or the pty pair cannot be had.
    // peerArgs go to the pymodbus slave's command line. `engine` is the line
    // connected to the peer.
    static std::unique_ptr<PeerLink> Start(Peer peer, TransmissionMode mode, std::string& error,
                                           std::uint32_t pollDelayMs = 1,
                                           const std::vector<std::string>& peerArgs = {},
                                           ModbusLine& engine = DefaultLine()) {
        std::unique_ptr<PeerLink> link(new PeerLink(engine));
        ModbusLine& e = engine;
        link->m_mode = mode;
        using test::PeerProcess;
        const bool network = mode == TCP || mode == RTU_OVER_TCP;
        const auto peerMode = mode == TCP            ? PeerProcess::Mode::Tcp
                              : mode == RTU_OVER_TCP ? PeerProcess::Mode::RtuOverTcp
                              : mode == ASCII        ? PeerProcess::Mode::Ascii
                                                     : PeerProcess::Mode::Rtu;
        std::string device;
        if (!network) {
            link->m_line = test::SocatPtyPair::Create(error);
            if (!link->m_line)
                return nullptr;
            device = link->m_line->PathB();
        }
        link->m_peerKind = peer;
        link->m_peerMode = peerMode;
        link->m_peerArgs = peerArgs;
        link->m_device = device;
        if (!link->StartPeer(error))
            return nullptr;
        if (network)
            link->m_device = std::to_string(link->m_peer->Port());  // a restart binds it again
        e.SetPollDelay(pollDelayMs);
        if (network) {
            if (e.OpenTcpConnection("127.0.0.1", link->m_peer->Port(), 1000, 3000) != 0) {
                error = "cannot connect to the peer, socket error " +
                        std::to_string(e.LastSocketError());
                return nullptr;
            }
        } else {
            e.SetSerialDevice(1, link->m_line->PathA().c_str());
            if (e.OpenSerialPort(1, 19200, 8, 0, 0) != 0) {
                error = "cannot open the pty, errno " + std::to_string(e.LastSerialOpenErrno());
                return nullptr;
            }
            e.SetSerialTimeouts(mode == ASCII ? 1000 : 32, 1, 1000, 1, 200);
        }
        link->m_open = true;
        e.SetTransmissionMode(mode);
        if (e.StartPolling() != 1) {
            error = "the poll worker did not start";
            return nullptr;
        }
        return link;
    }

    ~PeerLink() {
        m_engine.StopPolling();
        if (m_open)
            (m_mode == TCP || m_mode == RTU_OVER_TCP) ? m_engine.CloseTcpConnection()
                                                      : m_engine.CloseSerialPort();
        m_peer.reset();
        m_line.reset();
    }
    PeerLink(const PeerLink&) = delete;
    PeerLink& operator=(const PeerLink&) = delete;

    TransmissionMode Mode() const { return m_mode; }
    // Ends the slave while the engine stays connected: later polls fail as
    // they would with a device switched off.
    void StopPeer() { m_peer.reset(); }
    // The same, without warning (SIGKILL): a slave that crashes.
    void KillPeer() {
        if (m_peer)
            ::kill(m_peer->Pid(), SIGKILL);
        m_peer.reset();
    }
    // Starts the slave again where it served before (the same port or pty),
    // as a device switched on again; false with error set when it cannot.
    bool RestartPeer(std::string& error) {
        m_peer.reset();
        return StartPeer(error);
    }

private:
    explicit PeerLink(ModbusLine& engine) : m_engine(engine) {}

    bool StartPeer(std::string& error) {
        using test::PeerProcess;
        m_peer = m_peerKind == Peer::PyModbus
                     ? PeerProcess::PyModbus(m_peerMode, m_device, error, 1, {}, m_peerArgs)
                     : PeerProcess::LibModbus(m_peerMode, m_device, error);
        return m_peer != nullptr;
    }

    Peer m_peerKind = Peer::PyModbus;
    test::PeerProcess::Mode m_peerMode = test::PeerProcess::Mode::Tcp;
    std::vector<std::string> m_peerArgs;
    std::string m_device;  // the pty path, or the TCP port once bound

    ModbusLine& m_engine;
    TransmissionMode m_mode = TCP;
    bool m_open = false;
    std::unique_ptr<test::SocatPtyPair> m_line;
    std::unique_ptr<test::PeerProcess> m_peer;
};

}  // namespace zentiq::testing
