// Several Modbus/TCP hosts, one after another: the line connects to each
// address of a range at one port (waiting in the event loop, never blocking
// it), scans its units, and goes on to the next; a host that does not
// accept the connection is reported as such. The user's own connection is
// opened again when the sweep ends or is cancelled.
#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <optional>
#include <utility>

#include "framework/bus_id_scan.h"

class QSocketNotifier;
class QTimer;

namespace zentiq {

// The user's TCP connection, lent to the sweep.
class TcpLineHost {
public:
    virtual ~TcpLineHost() = default;
    // Whether the user's connection is a TCP one (the only kind a host sweep may borrow).
    virtual bool UserLineIsTcp() const = 0;
    // Connects the user's own connection again (in the event loop, as a connect does).
    virtual void ReconnectUser() = 0;
};

class TcpHostSweep final : public QObject {
    Q_OBJECT
public:
    struct Options {
        std::uint32_t firstHost = 0;  // IPv4 addresses in host byte order
        std::uint32_t lastHost = 0;
        std::uint16_t port = 502;
        int firstUnit = 1;
        int lastUnit = 1;
        ScanProbeChoice probe;
        std::uint32_t timeoutMs = kTcpScanTimeoutMs;
        std::uint32_t connectTimeoutMs = 500;
        int retries = 0;
    };
    static constexpr std::uint32_t kMaxHosts = 256;

    // "a.b.c.d-a.b.c.e", "a.b.c.d-e" (the last part only) or one address;
    // nothing for anything else, a range that runs backwards or one of more
    // than kMaxHosts addresses.
    static std::optional<std::pair<std::uint32_t, std::uint32_t>> ParseRange(const QString& text);
    static QString AddressText(std::uint32_t address);

    TcpHostSweep(ModbusLine& line, TcpLineHost& host, QObject* parent = nullptr);
    ~TcpHostSweep() override;

    // false (nothing done) while running, without a TCP connection of the
    // user's, or for a range or units out of bounds.
    bool Start(const Options& options);
    void Cancel();
    bool IsRunning() const { return m_running; }

signals:
    // Hosts done of all.
    void progress(int done, int total);
    void found(const QString& host, const zentiq::ScanHit& hit);
    void noted(const QString& host, const zentiq::ScanHit& hit);
    // One host is done: connectStatus 0 and what its scan did, or the
    // engine's connect failure (nothing probed then).
    void hostDone(const QString& host, int connectStatus, const zentiq::IdScanReport& report);
    void finished(bool cancelled);

private:
    ModbusLine& m_line;
    void nextHost();
    void connectReady();
    void connectTimedOut();
    void connected(int status);
    void hostScanned(bool cancelled);
    void endAttempt();
    void finish();
    QString current() const { return AddressText(m_options.firstHost + m_index); }

    TcpLineHost& m_host;
    Options m_options;
    std::uint32_t m_index = 0;
    BusIdScan* m_scan = nullptr;
    ScanLineLease m_lease{m_line};
    QSocketNotifier* m_notifier = nullptr;
    QTimer* m_timer = nullptr;
    bool m_running = false;
    bool m_cancel = false;
};

}  // namespace zentiq
