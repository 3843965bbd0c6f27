// The bus scanner: finds the slave IDs on the line, the serial settings a
// device answers at, and which addresses of a slave's four tables read.
// A tool window over the window-free scans of the framework; the
// application lends it the serial line and opens poll windows for it.
#pragma once

#include <QWidget>

#include <array>
#include <functional>
#include <utility>

#include "engine/engine_types.h"
#include "framework/bus_id_scan.h"
#include "values/bus_scan_table.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace zentiq {

class ModbusLine;

class AddressMapScan;
class BusIdScan;
class DeviceIdentityDialog;
class SerialLineHost;
class SerialSettingsSweep;
class TcpHostSweep;
class TcpLineHost;

class BusScannerWindow final : public QWidget {
    Q_OBJECT
public:
    enum class Mode { Ids = 0, Settings = 1, AddressMap = 2, TcpHosts = 3 };

    struct Hooks {
        // The serial line for the settings sweep; nullptr: no sweep.
        SerialLineHost* serial = nullptr;
        // The TCP connection for a sweep over several hosts; nullptr: none.
        TcpLineHost* tcp = nullptr;
        // Makes a found combination the user's connection settings.
        std::function<void(const ConnectionSettings&)> applySettings;
        // Opens a poll window: slave, function, address, quantity.
        std::function<void(int, int, int, int)> openPollWindow;
        // How many more poll windows can poll; unset: no limit is checked.
        std::function<int()> freePollWindows;
        // The connection scanned; nullptr: the default line.
        ModbusLine* line = nullptr;
    };

    explicit BusScannerWindow(Hooks hooks, QWidget* parent = nullptr);
    ~BusScannerWindow() override;

    void SetMode(Mode mode);
    void SetIdRange(int first, int last);
    void SetAddressRange(int first, int last, int budget);
    void SetTimeoutMs(int ms);
    // Hosts of a TCP sweep: "a.b.c.d-a.b.c.e" and the port.
    void SetHosts(const QString& range, int port);
    void SetProbe(ScanProbe probe, int address);
    // Starts the scan of the current mode; false with the reason shown.
    bool StartScan();
    void CancelScan();
    bool IsScanning() const;
    const BusScanTable& Results() const { return m_table; }
    // The found combinations of the last sweep, row by row.
    const std::vector<ConnectionSettings>& FoundSettings() const { return m_foundSettings; }
    QString StatusText() const;

    bool CopyResults();
    bool SaveCsv();
    bool ApplySelectedSettings();
    bool OpenSelectedRange();
    // Opens the device identity window for the selected found ID (owned by
    // this window's owner, so it outlives the scanner), with its function
    // support probed at once when asked; nullptr when no ID row is
    // selected or a scan runs.
    DeviceIdentityDialog* OpenSelectedIdentity(bool probeFunctions);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    bool lineIsTcp() const;
    void modeChanged();
    void rangeChanged();
    void scanEnded(bool cancelled, const QString& failure);
    // Inserts a result row at `at` (-1: at the end).
    void addRow(const QStringList& row, int at = -1);
    // The form and the last results, kept across restarts.
    void restoreMemory();
    void saveMemory() const;
    void setBusy(bool busy);
    int selectedRow() const;
    void tell(const QString& text);

    Hooks m_hooks;
    ModbusLine& m_line;
    QComboBox* m_mode = nullptr;
    QSpinBox* m_firstId = nullptr;
    QSpinBox* m_lastId = nullptr;
    QComboBox* m_probe = nullptr;
    QSpinBox* m_probeAddress = nullptr;
    QSpinBox* m_timeout = nullptr;
    QSpinBox* m_firstAddress = nullptr;
    QSpinBox* m_lastAddress = nullptr;
    QSpinBox* m_budget = nullptr;
    QSpinBox* m_retries = nullptr;
    QCheckBox* m_stopAtFirst = nullptr;
    QLineEdit* m_hosts = nullptr;
    QSpinBox* m_hostPort = nullptr;
    QLabel* m_warning = nullptr;
    QLabel* m_status = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_start = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_copy = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_apply = nullptr;
    QPushButton* m_open = nullptr;
    QPushButton* m_identity = nullptr;
    QPushButton* m_functions = nullptr;
    QTableWidget* m_results = nullptr;

    BusIdScan* m_idScan = nullptr;
    SerialSettingsSweep* m_sweep = nullptr;
    AddressMapScan* m_map = nullptr;
    TcpHostSweep* m_hostSweep = nullptr;
    // Hosts of the last TCP sweep: tried, connected.
    int m_hostsTried = 0;
    int m_hostsConnected = 0;
    int m_hostDevices = 0;
    Mode m_tableMode = Mode::Ids;
    int m_deviceRows = 0;  // device rows of an ID scan, above the others
    BusScanTable m_table;
    std::vector<ConnectionSettings> m_foundSettings;
    // Table, first address, quantity of each address-map row.
    struct MapRow {
        int function;
        int address;
        int quantity;
    };
    std::vector<MapRow> m_mapRows;
    int m_mapSlave = 0;
    // First and last ID of each mode, while another mode is shown.
    std::array<std::pair<int, int>, 4> m_idRanges{{{1, 247}, {1, 247}, {1, 1}, {1, 247}}};
    Mode m_shownMode = Mode::Ids;
    QString m_statusText;
};

}  // namespace zentiq
