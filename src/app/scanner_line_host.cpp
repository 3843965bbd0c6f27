#include "app/scanner_line_host.h"

#include "app/connection_controller.h"

namespace zentiq {

ConnectionSettings ScannerLineHost::UserSettings() const { return m_connection.Settings(); }

int ScannerLineHost::OpenTrial(const ConnectionSettings& trial) {
    return m_connection.OpenSerialTrial(trial);
}

int ScannerLineHost::RestoreUser() { return m_connection.ReopenSerial(); }

bool ScannerLineHost::UserLineIsTcp() const {
    return m_connection.IsConnected() && m_connection.Settings().Serial != 0;
}

void ScannerLineHost::ReconnectUser() { m_connection.Connect(false); }

}  // namespace zentiq
