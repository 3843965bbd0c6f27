// "通信设置": edits the connection settings before a connection is opened,
// and the device path behind each serial port number.
#pragma once

#include <QDialog>
#include <QLineEdit>
#include <QStringList>
#include <functional>
#include <memory>

#include "app/advanced.h"
#include "engine/engine_types.h"
#include "engine/modbus_line.h"

namespace Ui {
class CMBCommSetup;
}

namespace zentiq {

class SettingsStore;

class CMBCommSetup : public QDialog {
    Q_OBJECT
public:
    static constexpr int kPortCount = 64;
    static constexpr int kBaudCount = 14;
    static constexpr int kTimeoutMin = 50, kTimeoutMax = 100000;
    static constexpr int kAddressMaxChars = 15;
    static constexpr int kServicePortMin = 1, kServicePortMax = 65535;
    static constexpr int kDelayMin = 0, kDelayMax = 1000;
    static constexpr int kConnectionTimeoutMin = 100, kConnectionTimeoutMax = 30000;

    // Filled from `settings` (BaudRate is the index of the baud table; the
    // dialog shows the rates in ascending order). Port mappings are read
    // from and, on OK, written to `store`; nullptr uses the application's
    // store.
    explicit CMBCommSetup(const ConnectionSettings& settings, QWidget* parent = nullptr,
                          SettingsStore* store = nullptr);
    ~CMBCommSetup() override;

    // The opening settings with the dialog's values; meaningful after OK.
    // BaudRate is converted back to the baud table's index.
    ConnectionSettings settings() const;
    AdvancedOptions advancedOptions() const;

    // Runs the dialog; on OK copies the values into `settings` and returns
    // true. Cancel leaves `settings` untouched.
    static bool Edit(ConnectionSettings& settings, QWidget* parent = nullptr,
                     SettingsStore* store = nullptr);

    // Moves the members into the controls or takes them back with
    // validation (first failure wins); false when a field was refused.
    bool UpdateData(bool fromControls);
    void accept() override;

    // ---- baud list --------------------------------------------------------
    // Index of the baud table (2400, 4800, ...) <-> position in the
    // ascending list. Values outside 0..13 give the 9600 entry.
    static int BaudIndexToPosition(int index);
    static int BaudPositionToIndex(int position);

    // ---- serial devices ---------------------------------------------------
    // "/dev/ttyS<n-1>" for port n.
    static QString DefaultDevice(int portNumber);
    // The device of port n: the store's "Ports"/"COMn", or the default.
    static QString PortDevice(const SettingsStore& store, int portNumber);
    // Keeps `path` as the device of port n in the store.
    static void StorePortDevice(SettingsStore& store, int portNumber, const QString& path);
    // Hands every port's device from the store to the engine (start-up).
    static void LoadPortDevices(const SettingsStore& store, ModbusLine& line);
    // Serial devices present under `devRoot`: serial/by-id/* first, then
    // ttyUSB*, ttyACM* and ttyS*, each group in natural order.
    static QStringList FindSerialDevices(const QString& devRoot = QStringLiteral("/dev"));
    // Shows the connection's name above the settings; OK refuses a name
    // for which `refusal` gives a reason.
    using NameRefusal = std::function<QString(const QString& name)>;
    void SetConnectionName(const QString& name, NameRefusal refusal);
    // The name as accepted; empty when the dialog shows none.
    QString ConnectionName() const;
    // The line whose port devices OK sets (the default line unless told).
    void SetLine(ModbusLine& line) { m_line = &line; }

private:
    void onAdvanced();
    void onModeClicked();
    void enableByMode(bool tcp);
    void showPortDevice(int position);
    void onDeviceEdited(const QString& text);
    void storePortDevices();

    // The line whose port devices the dialog sets when they are stored.
    ModbusLine* m_line = &DefaultLine();
    std::unique_ptr<Ui::CMBCommSetup> m_ui;
    SettingsStore* m_store;
    std::unique_ptr<SettingsStore> m_ownStore;
    ConnectionSettings m_opening;

    // Members in the order of the data exchange.
    int m_baudPosition = 0;
    int m_parity = 0;
    int m_port = 0;
    int m_stopBits = 0;
    int m_timeout = 0;
    int m_dataBits = 0;
    QString m_ipAddress;
    int m_rtuAscii = 0;
    int m_servicePort = 0;
    int m_delayBetweenPolls = 0;
    int m_serial = 0;
    int m_connectionTimeout = 0;
    int m_rtuOverTcp = 0;  // TcpFraming
    // Carried for the advanced dialog.
    AdvancedOptions m_advanced;

    QLineEdit* m_nameEdit = nullptr;
    NameRefusal m_nameRefusal;

    // Device path of every port as edited, and as found when opening.
    QStringList m_devices;
    QStringList m_openingDevices;
    bool m_showingDevice = false;
};

}  // namespace zentiq
