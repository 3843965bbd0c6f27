// The serial line as the bus scanner's settings sweep borrows it: trial
// combinations opened through the connection, the user's settings put back
// after, and a found combination applied as the connection dialog would.
#pragma once

#include "framework/serial_settings_sweep.h"

namespace zentiq {

class ConnectionController;

class ScannerLineHost final : public SerialLineHost {
public:
    explicit ScannerLineHost(ConnectionController& connection) : m_connection(connection) {}
    ConnectionSettings UserSettings() const override;
    int OpenTrial(const ConnectionSettings& trial) override;
    int RestoreUser() override;

private:
    ConnectionController& m_connection;
};

}  // namespace zentiq
