#include "framework/bus_id_scan.h"

#include "engine/engine.h"

namespace zentiq {

BusIdScan::BusIdScan(QObject* parent) : QObject(parent) {
    m_request = new OneShotRequest(this);
    connect(m_request, &OneShotRequest::Finished, this, &BusIdScan::answered);
}

BusIdScan::~BusIdScan() = default;

bool BusIdScan::Start(const Options& options) {
    // Without a connection no worker would ever serve the probes.
    if (m_running || IsConnected() == 0 || options.first < 0 || options.last > 255 ||
        options.first > options.last)
        return false;
    m_options = options;
    m_current = options.first;
    m_running = true;
    m_cancel = false;
    m_failure.clear();
    if (options.takeLine)
        m_lease.Take(options.timeoutMs);
    emit progress(0, options.last - options.first + 1);
    next();
    return true;
}

void BusIdScan::Cancel() {
    if (!m_running)
        return;
    m_cancel = true;
    // Nothing under way: end now; else the probe's answer ends it.
    if (!m_request->IsPending())
        finish(true);
}

void BusIdScan::next() {
    while (m_running) {
        if (m_cancel) {
            finish(true);
            return;
        }
        if (m_current > m_options.last) {
            finish(false);
            return;
        }
        const int total = m_options.last - m_options.first + 1;
        const auto args = ProbeRequest(m_options.probe, static_cast<std::uint16_t>(m_current));
        m_clock.start();
        if (m_request->Submit(args, {}))
            return;
        // ID 0 is a broadcast that no device answers; the engine refuses a
        // read to it. Anything else refused means slot 0 is someone else's.
        if (m_current != 0) {
            m_failure = m_request->FailureText();
            finish(true);
            return;
        }
        ++m_current;
        emit progress(m_current - m_options.first, total);
    }
}

void BusIdScan::answered(int status) {
    const qint64 us = m_clock.nsecsElapsed() / 1000;
    if (!m_running)
        return;
    if (DeviceAnswered(static_cast<EngineStatus>(status))) {
        ScanHit hit;
        hit.slaveId = m_current;
        hit.status = static_cast<EngineStatus>(status);
        hit.responseUs = us;
        if (const OneShotAnswer* a = m_request->Answer())
            hit.answer = AnswerHex(*a);
        emit found(hit);
    }
    ++m_current;
    emit progress(m_current - m_options.first, m_options.last - m_options.first + 1);
    next();
}

void BusIdScan::finish(bool cancelled) {
    m_running = false;
    if (m_lease.IsTaken())
        m_lease.Give();
    emit finished(cancelled);
}

}  // namespace zentiq
