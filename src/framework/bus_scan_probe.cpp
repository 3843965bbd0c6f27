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

bool DeviceAnswered(EngineStatus status) {
    return status == status::Ok ||
           (status >= status::ExceptionBase && status < status::ExceptionBase + 128);
}

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
