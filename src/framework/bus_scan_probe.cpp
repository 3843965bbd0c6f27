#include "framework/bus_scan_probe.h"

#include "engine/device_identity.h"

namespace zentiq {

OneShotArgs ProbeRequest(const ScanProbeChoice& choice, std::uint16_t slaveId) {
    OneShotArgs a;
    a.slaveId = slaveId;
    switch (choice.probe) {
    case ScanProbe::ReadHolding:
        a.function = Code(FunctionCode::ReadHoldingRegisters);
        a.readAddress = choice.address;
        a.readQuantity = 1;
        break;
    case ScanProbe::ReportSlaveId: a.function = Code(FunctionCode::ReportSlaveId); break;
    case ScanProbe::DeviceIdentification:
        // The basic objects, from object 0.
        a.function = Code(FunctionCode::DeviceIdentification);
        a.readAddress = static_cast<std::uint16_t>(DeviceIdCode::Basic);
        a.writeAddress = 0;
        break;
    }
    return a;
}

ProbeOutcome ClassifyProbe(EngineStatus status) {
    constexpr EngineStatus kGatewayPathUnavailable = status::ExceptionBase + 0x0A;
    constexpr EngineStatus kGatewayTargetFailed = status::ExceptionBase + 0x0B;
    switch (status) {
    case status::Ok: return ProbeOutcome::Device;
    case kGatewayPathUnavailable:
    case kGatewayTargetFailed: return ProbeOutcome::GatewayNoDevice;
    case status::ResponseError:
    case status::ByteCountError:
    case status::MalformedAnswer: return ProbeOutcome::Malformed;
    case status::ConnectionClosed: return ProbeOutcome::ConnectionClosed;
    case status::WriteError:
    case status::ReadError:
    case status::NoConnection: return ProbeOutcome::LineLost;
    default: break;
    }
    if (status >= status::ExceptionBase && status < status::ExceptionBase + 128)
        return ProbeOutcome::Device;
    return ProbeOutcome::Silent;
}

bool DeviceAnswered(EngineStatus status) { return ClassifyProbe(status) == ProbeOutcome::Device; }

QString AnswerHex(const OneShotAnswer& answer) {
    const int n = std::min<int>(answer.responseLength, kResponseCaptureSize);
    QString text;
    for (int i = 0; i < n; ++i) {
        if (i > 0)
            text += u' ';
        text += QStringLiteral("%1").arg(answer.response[i], 2, 16, QLatin1Char('0')).toUpper();
    }
    return text;
}

std::uint32_t DefaultScanTimeoutMs(bool tcp, std::uint32_t baud) {
    if (tcp || baud == 0)
        return kTcpScanTimeoutMs;
    // 8 request bytes, a short answer and the gaps: about 24 characters of
    // 11 bits each.
    const std::uint32_t characters = 24 * 11 * 1000;
    return (characters + baud - 1) / baud + kSerialTurnaroundMs;
}

}  // namespace zentiq
