// The serial devices of the connection dialog's ports, apart from the
// dialog: the headless logger loads them without linking any window.
#include <QFile>

#include "app/mb_comm_setup.h"
#include "engine/modbus_line.h"
#include "framework/settings_store.h"

namespace zentiq {
namespace {

const QString kPortsSection = QStringLiteral("Ports");

QString portKey(int portNumber) { return QStringLiteral("COM%1").arg(portNumber); }

}  // namespace

QString CMBCommSetup::DefaultDevice(int portNumber) {
    return QStringLiteral("/dev/ttyS%1").arg(portNumber - 1);
}

QString CMBCommSetup::PortDevice(const SettingsStore& store, int portNumber) {
    const QString path = store.GetString(kPortsSection, portKey(portNumber), QString()).trimmed();
    return path.isEmpty() ? DefaultDevice(portNumber) : path;
}

void CMBCommSetup::StorePortDevice(SettingsStore& store, int portNumber, const QString& path) {
    store.SetString(kPortsSection, portKey(portNumber), path);
}

void CMBCommSetup::LoadPortDevices(const SettingsStore& store, ModbusLine& line) {
    for (int n = 1; n <= kPortCount; ++n)
        line.SetSerialDevice(n, QFile::encodeName(PortDevice(store, n)).constData());
}

}  // namespace zentiq
