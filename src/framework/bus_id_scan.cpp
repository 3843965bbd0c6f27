#include "framework/bus_id_scan.h"

#include "engine/engine.h"
#include "framework/device_identity_reader.h"

namespace zentiq {

BusIdScan::BusIdScan(QObject* parent) : QObject(parent) {
    m_request = new OneShotRequest(this);
    connect(m_request, &OneShotRequest::Finished, this, &BusIdScan::answered);
    m_identity = new DeviceIdentityReader(this);
    connect(m_identity, &DeviceIdentityReader::Finished, this, &BusIdScan::identified);
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
    if (m_identity->IsRunning()) {
        m_identity->Cancel();
        finish(true);
    } else if (!m_request->IsPending()) {
        finish(true);
    }
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
    if (!DeviceAnswered(static_cast<EngineStatus>(status))) {
        advance();
        return;
    }
    m_hit = ScanHit{};
    m_hit.slaveId = m_current;
    m_hit.status = static_cast<EngineStatus>(status);
    m_hit.responseUs = us;
    const OneShotAnswer* a = m_request->Answer();
    if (a != nullptr)
        m_hit.answer = AnswerHex(*a);
    if (a != nullptr && status == status::Ok) {
        switch (m_options.probe.probe) {
        case ScanProbe::ReportSlaveId:
            m_hit.report = ParseSlaveIdReport(a->data, a->answerLength);
            break;
        case ScanProbe::DeviceIdentification:
            if (const auto page = ParseDeviceIdPage(a->data, a->answerLength))
                m_hit.objects = page->objects;
            break;
        case ScanProbe::ReadHolding: break;
        }
    }
    if (m_options.identify && m_options.probe.probe == ScanProbe::ReadHolding && !m_cancel &&
        m_identity->Start(static_cast<std::uint16_t>(m_current), DeviceIdCode::Basic))
        return;
    emit found(m_hit);
    advance();
}

void BusIdScan::identified(int status) {
    if (!m_running)
        return;
    // A device without identification answers exception 01: it is listed
    // all the same, with what it said to the probe.
    if (status == status::Ok)
        m_hit.objects = m_identity->Objects();
    emit found(m_hit);
    advance();
}

void BusIdScan::advance() {
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
