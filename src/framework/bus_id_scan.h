// Slave-ID scan: one probe per ID through the one-shot slot, one at a time,
// each answered or timed out before the next goes out. Window-free; the
// caller lends it the line (ScanLineLease) or lets it take the line itself.
#pragma once

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

class ModbusLine;

struct ScanHit {
    int slaveId = 0;
    ProbeOutcome outcome = ProbeOutcome::Device;
    EngineStatus status = 0;
    // The engine's time of the transaction (request handed to the kernel
    // to answer complete); 0 without an answer.
    qint64 responseUs = 0;
    QString answer;  // the answer frame in hex
    // What the device says it is: its report slave ID bytes (probe 17) or
    // its basic identification objects; empty when it gives neither.
    std::optional<std::vector<std::uint8_t>> report;
    std::vector<DeviceIdObject> objects;
};

// What a scan did and did not do, for the line that ends it.
struct IdScanReport {
    int devices = 0;
    int gatewayNoDevice = 0;
    int malformed = 0;
    int connectionClosed = 0;
    // IDs the scan never probed (cancelled, or ended early), first..last;
    // none when every ID of the range was probed.
    std::optional<std::pair<int, int>> notProbed;
    // Why the scan ended early: the status of the probe that lost the line.
    std::optional<EngineStatus> lostLine;
    // The range held ID 0 on a serial line: the broadcast, which cannot answer.
    bool broadcastSkipped = false;
    bool stoppedAtFirst = false;
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
        // Probes after the first for an ID that stayed silent.
        int retries = 0;
        // End the scan at the first device found.
        bool stopAtFirst = false;
    };
    static constexpr int kMaxRetries = 5;

    explicit BusIdScan(ModbusLine& line, QObject* parent = nullptr);
    ~BusIdScan() override;

    // false (and nothing sent) for a range outside 0..255 or while running.
    bool Start(const Options& options);
    // Stops after the probe under way; finished(true) follows.
    void Cancel();
    bool IsRunning() const { return m_running; }
    // Set when a probe could not be submitted (slot 0 busy elsewhere).
    const QString& Failure() const { return m_failure; }
    // What the scan that ran last did, complete once it has finished.
    const IdScanReport& Report() const { return m_report; }

signals:
    void progress(int done, int total);
    // A device answered.
    void found(const zentiq::ScanHit& hit);
    // Something that is no device answered at an ID: a gateway without a
    // device behind it, a malformed answer, a slave that closed the connection.
    void noted(const zentiq::ScanHit& hit);
    void finished(bool cancelled);

private:
    ModbusLine& m_line;
    void next();
    void answered(int status);
    void identified(int status);
    void advance();
    void finish(bool cancelled);

    Options m_options;
    OneShotRequest* m_request = nullptr;
    DeviceIdentityReader* m_identity = nullptr;
    ScanHit m_hit;  // found, its identity being read
    ScanLineLease m_lease{m_line};
    IdScanReport m_report;
    int m_current = 0;
    int m_attempt = 0;          // probes of the current ID so far, less one
    bool m_closedOnce = false;  // the current ID's slave closed the connection once
    bool m_unitZero = false;    // ID 0 is an address (Modbus/TCP)
    bool m_running = false;
    bool m_cancel = false;
    QString m_failure;
};

}  // namespace zentiq
