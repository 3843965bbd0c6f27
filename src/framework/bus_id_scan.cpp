#include "framework/bus_id_scan.h"

#include "engine/modbus_line.h"
#include "framework/device_identity_reader.h"

namespace zentiq {

BusIdScan::BusIdScan(ModbusLine& line, QObject* parent) : QObject(parent), m_line(line) {
    m_request = new OneShotRequest(this);
    connect(m_request, &OneShotRequest::Finished, this, &BusIdScan::answered);
    m_identity = new DeviceIdentityReader(m_line, this);
    connect(m_identity, &DeviceIdentityReader::Finished, this, &BusIdScan::identified);
}

BusIdScan::~BusIdScan() = default;

bool BusIdScan::Start(const Options& options) {
    // Without a connection no worker would ever serve the probes.
    if (m_running || m_line.IsConnected() == 0 || options.first < 0 || options.last > 255 ||
        options.first > options.last || options.retries < 0 || options.retries > kMaxRetries)
        return false;
    m_options = options;
    m_current = options.first;
    m_attempt = 0;
    m_closedOnce = false;
    m_report = IdScanReport{};
    m_unitZero = m_line.GetTransmissionMode() == TCP;
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
        // The device is listed with what its probe said; then the scan ends.
        m_identity->Cancel();
        identified(-1);
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
        // On a serial line ID 0 is the broadcast: no device can answer it.
        if (m_current == 0 && !m_unitZero) {
            m_report.broadcastSkipped = true;
            ++m_current;
            emit progress(m_current - m_options.first, m_options.last - m_options.first + 1);
            continue;
        }
        const auto args = ProbeRequest(m_options.probe, static_cast<std::uint16_t>(m_current));
        if (m_request->Submit(m_line, args, {}))
            return;
        // Refused: slot 0 is someone else's.
        m_failure = m_request->FailureText();
        finish(true);
        return;
    }
}

void BusIdScan::answered(int status) {
    if (!m_running)
        return;
    const auto code = static_cast<EngineStatus>(status);
    const ProbeOutcome outcome = ClassifyProbe(code);
    if (outcome == ProbeOutcome::LineLost) {
        // The current ID was not probed: the request never reached a device.
        m_report.lostLine = code;
        finish(false);
        return;
    }
    if (!m_cancel) {
        // A silent ID gets its retries; a slave that closed the connection
        // one more probe on the new connection that the engine opens.
        if (outcome == ProbeOutcome::Silent && m_attempt < m_options.retries) {
            ++m_attempt;
            next();
            return;
        }
        if (outcome == ProbeOutcome::ConnectionClosed && !m_closedOnce) {
            m_closedOnce = true;
            next();
            return;
        }
    }
    if (outcome == ProbeOutcome::Silent) {
        advance();
        return;
    }
    m_hit = ScanHit{};
    m_hit.slaveId = m_current;
    m_hit.outcome = outcome;
    m_hit.status = code;
    const OneShotAnswer* a = m_request->Answer();
    if (a != nullptr) {
        m_hit.responseUs = a->responseUs;
        m_hit.answer = AnswerHex(*a);
    }
    if (outcome != ProbeOutcome::Device) {
        if (outcome == ProbeOutcome::GatewayNoDevice)
            ++m_report.gatewayNoDevice;
        else if (outcome == ProbeOutcome::Malformed)
            ++m_report.malformed;
        else
            ++m_report.connectionClosed;
        emit noted(m_hit);
        advance();
        return;
    }
    if (a != nullptr && code == status::Ok) {
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
    identified(-1);
}

void BusIdScan::identified(int status) {
    if (!m_running)
        return;
    // A device without identification answers exception 01: it is listed
    // all the same, with what it said to the probe. A list cut at the
    // request limit still names the device.
    if (status == status::Ok || status == DeviceIdentityReader::kRequestLimit)
        m_hit.objects = m_identity->Objects();
    ++m_report.devices;
    emit found(m_hit);
    if (m_options.stopAtFirst) {
        m_report.stoppedAtFirst = true;
        ++m_current;
        finish(false);
        return;
    }
    advance();
}

void BusIdScan::advance() {
    ++m_current;
    m_attempt = 0;
    m_closedOnce = false;
    emit progress(m_current - m_options.first, m_options.last - m_options.first + 1);
    next();
}

void BusIdScan::finish(bool cancelled) {
    m_running = false;
    if (m_current <= m_options.last)
        m_report.notProbed = std::make_pair(m_current, m_options.last);
    if (m_lease.IsTaken())
        m_lease.Give();
    emit finished(cancelled);
}

}  // namespace zentiq
