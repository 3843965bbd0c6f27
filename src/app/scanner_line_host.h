// The line as the bus scanner borrows it: for the settings sweep, trial
// combinations opened through the connection, the user's settings put back
// after, and a found combination applied as the connection dialog would;
// for a sweep over TCP hosts, the user's connection made again after it.
#pragma once

#include "framework/serial_settings_sweep.h"
#include "framework/tcp_host_sweep.h"

namespace zentiq {

class ConnectionController;

class ScannerLineHost final : public SerialLineHost, public TcpLineHost {
public:
    explicit ScannerLineHost(ConnectionController& connection) : m_connection(connection) {}
    ConnectionSettings UserSettings() const override;
    int OpenTrial(const ConnectionSettings& trial) override;
    int RestoreUser() override;
    bool UserLineIsTcp() const override;
    void ReconnectUser() override;
    ConnectionController& Connection() const { return m_connection; }

private:
    ConnectionController& m_connection;
};

}  // namespace zentiq
