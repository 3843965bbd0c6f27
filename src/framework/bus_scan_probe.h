// What the bus scanner sends to ask "is anyone there?" and how it reads the
// answer: any well-formed answer, an exception included, means a device.
#pragma once

#include <QString>

#include <algorithm>

#include <cstdint>

#include "engine/engine_types.h"
#include "framework/one_shot_request.h"

namespace zentiq {

enum class ScanProbe { ReadHolding = 0, ReportSlaveId = 1, DeviceIdentification = 2 };

struct ScanProbeChoice {
    ScanProbe probe = ScanProbe::ReadHolding;
    std::uint16_t address = 0;  // for ReadHolding
};

// The one-shot request of the probe for one slave ID.
OneShotArgs ProbeRequest(const ScanProbeChoice& choice, std::uint16_t slaveId);

// What one probe found at an ID.
enum class ProbeOutcome {
    Device,            // a normal answer or an exception of the device's own
    GatewayNoDevice,   // a gateway says nobody is behind it (exception 0A/0B)
    Malformed,         // something answered, but not a well-formed answer to the probe
    ConnectionClosed,  // the slave closed the connection instead of answering
    Silent,            // time-out, or noise that is no answer (checksum, missing bytes)
    LineLost,          // the connection itself failed: nothing more can be probed
};
ProbeOutcome ClassifyProbe(EngineStatus status);

// A device answered: a normal answer or an exception. Timeouts, checksum
// and framing faults are not an answer from this ID at these settings.
bool DeviceAnswered(EngineStatus status);

// Upper-case hex of the answer's bytes, separated by spaces.
QString AnswerHex(const OneShotAnswer& answer);

// Per-ID timeout that suits the line: short on TCP; on a serial line the
// request and a short answer at that baud rate plus the slave's turnaround.
std::uint32_t DefaultScanTimeoutMs(bool tcp, std::uint32_t baud);

inline constexpr std::uint32_t kTcpScanTimeoutMs = 100;
inline constexpr std::uint32_t kSerialTurnaroundMs = 50;

}  // namespace zentiq
