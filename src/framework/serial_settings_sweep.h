// Serial settings sweep: the line is reopened at each baud rate, parity and
// stop-bit combination of the connection dialog, most common first, and a
// short ID range is probed at each. Every combination at which a device
// answers is reported. The user's settings are back on the line when the
// sweep ends or is cancelled; applying a found one is the caller's choice.
#pragma once

#include <QElapsedTimer>
#include <QObject>

#include <vector>

#include "engine/engine_types.h"
#include "framework/bus_id_scan.h"
#include "framework/probe_time_estimate.h"

namespace zentiq {

// Opens the serial line; the application does it as its connection does.
class SerialLineHost {
public:
    virtual ~SerialLineHost() = default;
    // The user's connection settings.
    virtual ConnectionSettings UserSettings() const = 0;
    // Opens the line with `trial` without making it the user's; 0 or the
    // engine's open failure.
    virtual int OpenTrial(const ConnectionSettings& trial) = 0;
    // Opens the line with the user's settings again.
    virtual int RestoreUser() = 0;
};

class SerialSettingsSweep final : public QObject {
    Q_OBJECT
public:
    // A short range by default: every ID costs a timeout at each of the
    // 84 combinations.
    static constexpr int kDefaultFirst = 1;
    static constexpr int kDefaultLast = 10;

    struct Options {
        int first = kDefaultFirst;
        int last = kDefaultLast;
        ScanProbeChoice probe;
        // BaudRate indexes to try, in order; empty: all, most common first.
        std::vector<int> baudIndexes;
    };

    SerialSettingsSweep(ModbusLine& line, SerialLineHost& host, QObject* parent = nullptr);
    ~SerialSettingsSweep() override;

    // The combinations in the order they are tried (data bits, port and
    // handshake as the user has them).
    static std::vector<ConnectionSettings> Combinations(const ConnectionSettings& user,
                                                        const std::vector<int>& baudIndexes);

    bool Start(const Options& options);
    void Cancel();
    bool IsRunning() const { return m_running; }

signals:
    void progress(int done, int total);
    // Before each probe: the combination and ID it tries, and the time the
    // sweep should still take.
    void trying(const zentiq::ConnectionSettings& settings, int slaveId, qint64 remainingMs);
    void found(const zentiq::ConnectionSettings& settings, const zentiq::ScanHit& hit);
    void finished(bool cancelled);

private:
    ModbusLine& m_line;
    void nextCombination();
    void combinationDone(bool cancelled);
    void probed(int done, int total);
    std::uint32_t timeoutMs(std::size_t combination) const;
    int ids() const { return m_options.last - m_options.first + 1; }

    SerialLineHost& m_host;
    Options m_options;
    std::vector<ConnectionSettings> m_combinations;
    std::size_t m_index = 0;
    BusIdScan* m_scan = nullptr;
    ScanLineLease m_lease{m_line};
    bool m_running = false;
    bool m_cancel = false;
    ProbeTimeEstimate m_estimate;
    QElapsedTimer m_clock;
};

}  // namespace zentiq
