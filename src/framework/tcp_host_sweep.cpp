#include "framework/tcp_host_sweep.h"

#include <arpa/inet.h>

#include <QSocketNotifier>
#include <QStringList>
#include <QTimer>

#include "engine/engine.h"
#include "engine/modbus_line.h"

namespace zentiq {

std::optional<std::pair<std::uint32_t, std::uint32_t>> TcpHostSweep::ParseRange(
    const QString& text) {
    const QStringList parts = text.trimmed().split(u'-');
    if (parts.size() > 2)
        return std::nullopt;
    // Dotted quads only: inet_pton takes exactly four decimal parts.
    const auto address = [](const QString& s) -> std::optional<std::uint32_t> {
        in_addr a{};
        if (::inet_pton(AF_INET, s.trimmed().toLatin1().constData(), &a) != 1)
            return std::nullopt;
        return ntohl(a.s_addr);
    };
    const auto first = address(parts[0]);
    if (!first)
        return std::nullopt;
    std::optional<std::uint32_t> last = first;
    if (parts.size() == 2) {
        bool ok = false;
        const int tail = parts[1].trimmed().toInt(&ok);
        // "a.b.c.d-e": the last part of the address only.
        if (ok && !parts[1].contains(u'.') && tail >= 0 && tail <= 255)
            last = (*first & 0xFFFFFF00u) | static_cast<std::uint32_t>(tail);
        else
            last = address(parts[1]);
    }
    if (!last || *last < *first || *last - *first >= kMaxHosts)
        return std::nullopt;
    return std::make_pair(*first, *last);
}

QString TcpHostSweep::AddressText(std::uint32_t address) {
    return QStringLiteral("%1.%2.%3.%4")
        .arg(address >> 24)
        .arg((address >> 16) & 0xFF)
        .arg((address >> 8) & 0xFF)
        .arg(address & 0xFF);
}

TcpHostSweep::TcpHostSweep(ModbusLine& line, TcpLineHost& host, QObject* parent)
    : QObject(parent), m_line(line), m_host(host) {
    m_scan = new BusIdScan(m_line, this);
    connect(m_scan, &BusIdScan::found, this,
            [this](const ScanHit& hit) { emit found(current(), hit); });
    connect(m_scan, &BusIdScan::noted, this,
            [this](const ScanHit& hit) { emit noted(current(), hit); });
    connect(m_scan, &BusIdScan::finished, this, &TcpHostSweep::hostScanned);
    m_timer = new QTimer(this);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &TcpHostSweep::connectTimedOut);
}

TcpHostSweep::~TcpHostSweep() {
    if (!m_running)
        return;
    endAttempt();
    m_line.StopPolling();
    m_line.CloseTcpConnection();
    m_lease.Give();
    m_host.ReconnectUser();
}

bool TcpHostSweep::Start(const Options& o) {
    if (m_running || !m_host.UserLineIsTcp() || m_line.IsConnected() == 0 ||
        o.lastHost < o.firstHost || o.lastHost - o.firstHost >= kMaxHosts || o.port == 0 ||
        o.firstUnit < 0 || o.lastUnit > 255 || o.firstUnit > o.lastUnit || o.retries < 0 ||
        o.retries > BusIdScan::kMaxRetries)
        return false;
    m_options = o;
    m_index = 0;
    m_cancel = false;
    m_running = true;
    m_lease.Take(o.timeoutMs);
    emit progress(0, static_cast<int>(o.lastHost - o.firstHost + 1));
    nextHost();
    return true;
}

void TcpHostSweep::Cancel() {
    if (!m_running)
        return;
    m_cancel = true;
    if (m_scan->IsRunning()) {
        m_scan->Cancel();
    } else if (m_notifier != nullptr) {
        endAttempt();
        m_line.AbandonTcpConnection();
        finish();
    }
}

void TcpHostSweep::nextHost() {
    if (m_cancel || m_options.firstHost + m_index > m_options.lastHost) {
        finish();
        return;
    }
    // Modbus/TCP on the borrowed line, with the scan's short waits.
    m_line.StopPolling();
    m_line.CloseTcpConnection();
    m_line.SetTransmissionMode(TCP);
    const QByteArray ip = current().toLatin1();
    const int r = m_line.BeginTcpConnection(ip.constData(), m_options.port, m_options.timeoutMs,
                                            m_options.connectTimeoutMs);
    if (r != kTcpConnectUnderWay) {
        connected(r);
        return;
    }
    m_notifier = new QSocketNotifier(m_line.TcpConnectingSocket(), QSocketNotifier::Write, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TcpHostSweep::connectReady);
    m_timer->start(static_cast<int>(m_options.connectTimeoutMs));
}

void TcpHostSweep::connectReady() {
    endAttempt();
    connected(m_line.FinishTcpConnection());
}

void TcpHostSweep::connectTimedOut() {
    endAttempt();
    connected(m_line.AbandonTcpConnection());
}

void TcpHostSweep::endAttempt() {
    m_timer->stop();
    if (m_notifier != nullptr) {
        m_notifier->setEnabled(false);
        m_notifier->deleteLater();
        m_notifier = nullptr;
    }
}

void TcpHostSweep::connected(int status) {
    if (status == 0 && !m_cancel) {
        m_line.StartPolling();
        BusIdScan::Options o;
        o.first = m_options.firstUnit;
        o.last = m_options.lastUnit;
        o.probe = m_options.probe;
        o.timeoutMs = m_options.timeoutMs;
        o.retries = m_options.retries;
        o.takeLine = false;
        if (m_scan->Start(o))
            return;
    }
    if (m_cancel) {
        finish();
        return;
    }
    emit hostDone(current(), status == 0 ? status::NoConnection : status, IdScanReport{});
    ++m_index;
    emit progress(static_cast<int>(m_index),
                  static_cast<int>(m_options.lastHost - m_options.firstHost + 1));
    nextHost();
}

void TcpHostSweep::hostScanned(bool cancelled) {
    emit hostDone(current(), 0, m_scan->Report());
    if (cancelled)
        m_cancel = true;
    ++m_index;
    emit progress(static_cast<int>(m_index),
                  static_cast<int>(m_options.lastHost - m_options.firstHost + 1));
    nextHost();
}

void TcpHostSweep::finish() {
    m_running = false;
    m_line.StopPolling();
    m_line.CloseTcpConnection();
    m_lease.Give();
    m_host.ReconnectUser();
    emit finished(m_cancel);
}

}  // namespace zentiq
