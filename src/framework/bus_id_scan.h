// Slave-ID scan: one probe per ID through the one-shot slot, one at a time,
// each answered or timed out before the next goes out. Window-free; the
// caller lends it the line (ScanLineLease) or lets it take the line itself.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "engine/device_identity.h"

#include "framework/bus_scan_probe.h"
#include "framework/scan_line_lease.h"

namespace zentiq {

struct ScanHit {
    int slaveId = 0;
    EngineStatus status = 0;
    qint64 responseUs = 0;
    QString answer;  // the answer frame in hex
    // What the device says it is: its report slave ID bytes (probe 17) or
    // its basic identification objects; empty when it gives neither.
    std::optional<std::vector<std::uint8_t>> report;
    std::vector<DeviceIdObject> objects;
};

class DeviceIdentityReader;

class BusIdScan final : public QObject {
    Q_OBJECT
public:
    struct Options {
        int first = 1;
        int last = 247;
        ScanProbeChoice probe;
        std::uint32_t timeoutMs = kTcpScanTimeoutMs;
        // Pause the poll windows and set the timeout for the scan's length;
        // false when the caller holds the line already.
        bool takeLine = true;
        // After a 03 probe found a device, read its basic identification
        // objects (one more exchange per found ID, none per silent one).
        bool identify = true;
    };

    explicit BusIdScan(QObject* parent = nullptr);
    ~BusIdScan() override;

    // false (and nothing sent) for a range outside 0..255 or while running.
    bool Start(const Options& options);
    // Stops after the probe under way; finished(true) follows.
    void Cancel();
    bool IsRunning() const { return m_running; }
    // Set when a probe could not be submitted (slot 0 busy elsewhere).
    const QString& Failure() const { return m_failure; }

signals:
    void progress(int done, int total);
    void found(const zentiq::ScanHit& hit);
    void finished(bool cancelled);

private:
    void next();
    void answered(int status);
    void identified(int status);
    void advance();
    void finish(bool cancelled);

    Options m_options;
    OneShotRequest* m_request = nullptr;
    DeviceIdentityReader* m_identity = nullptr;
    ScanHit m_hit;  // found, its identity being read
    ScanLineLease m_lease;
    QElapsedTimer m_clock;
    int m_current = 0;
    bool m_running = false;
    bool m_cancel = false;
    QString m_failure;
};

}  // namespace zentiq
