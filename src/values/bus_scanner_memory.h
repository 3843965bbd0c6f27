// What the bus scanner remembers across restarts: the settings of its form
// and the table of its last scan, kept in the settings store.
#pragma once

#include <optional>

#include "values/bus_scan_table.h"

namespace zentiq {

class SettingsStore;

struct BusScannerSettings {
    int mode = 0;  // the scanner's mode: slave IDs, serial settings, address map, TCP hosts
    int firstId = 1;
    int lastId = 247;
    int probe = 0;
    int probeAddress = 0;
    int timeoutMs = 0;  // 0: the line's default
    int firstAddress = 0;
    int lastAddress = 9999;
    int budget = 500;
    int retries = 0;
    bool stopAtFirst = false;
    QString hosts;  // the host range of a TCP sweep; empty: the window's default
    int hostPort = 502;

    // Values outside their ranges come back as the defaults.
    static BusScannerSettings Load(const SettingsStore& store);
    void Save(SettingsStore& store) const;
    bool operator==(const BusScannerSettings&) const = default;
};

struct BusScannerResults {
    int mode = 0;
    BusScanTable table;
    QString status;  // the line that ended the scan

    // The last results, or nothing when none are kept or what is kept does
    // not read as a table (a hand-edited file).
    static std::optional<BusScannerResults> Load(const SettingsStore& store);
    // At most kMaxRows rows are kept.
    void Save(SettingsStore& store) const;
    static constexpr int kMaxRows = 2000;
};

}  // namespace zentiq
