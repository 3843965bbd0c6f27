#include "framework/function_support_scan.h"

#include <cstring>

#include "engine/device_identity.h"
#include "engine/modbus_line.h"

namespace zentiq {
namespace {

// What the reads found, for the writes that put it back.
struct Readings {
    std::optional<std::uint8_t> coil;
    std::optional<std::uint16_t> holding;
};

// One probe as it goes out.
struct Plan {
    ProbeKind kind = ProbeKind::Read;
    OneShotArgs args;
    std::vector<std::uint8_t> bytes;     // write bytes (coils, echo data)
    std::optional<std::uint16_t> value;  // one register to write
};

Plan Make(ProbeKind kind, FunctionCode f) {
    Plan p;
    p.kind = kind;
    p.args.function = Code(f);
    return p;
}

Plan ReadOne(FunctionCode f, const Readings&) {
    Plan p = Make(ProbeKind::Read, f);
    p.args.readQuantity = 1;
    return p;
}

Plan WriteCoil(FunctionCode f, const Readings& r) {
    if (!r.coil)
        return Make(ProbeKind::NotSent, f);
    Plan p = Make(ProbeKind::WriteBack, f);
    p.args.writeQuantity = 1;
    p.bytes = {*r.coil};
    return p;
}

Plan WriteRegister(FunctionCode f, const Readings& r) {
    if (!r.holding)
        return Make(ProbeKind::NotSent, f);
    Plan p = Make(ProbeKind::WriteBack, f);
    p.args.writeQuantity = 1;
    p.value = r.holding;
    return p;
}

Plan WriteCoils(FunctionCode f, const Readings& r) {
    if (!r.coil)
        return Make(ProbeKind::ZeroQuantity, f);
    return WriteCoil(f, r);
}

Plan WriteRegisters(FunctionCode f, const Readings& r) {
    if (!r.holding)
        return Make(ProbeKind::ZeroQuantity, f);
    return WriteRegister(f, r);
}

Plan ReadWrite(FunctionCode f, const Readings& r) {
    Plan p = WriteRegisters(f, r);
    p.args.readQuantity = 1;
    return p;
}

Plan Mask(FunctionCode f, const Readings&) {
    Plan p = Make(ProbeKind::UnchangingMask, f);
    p.args.readAddress = 0xFFFF;   // AND mask
    p.args.readQuantity = 0x0000;  // OR mask
    return p;
}

Plan Echo(FunctionCode f, const Readings&) {
    Plan p = Make(ProbeKind::Echo, f);
    p.bytes.assign(std::begin(FunctionSupportScan::kEchoData),
                   std::end(FunctionSupportScan::kEchoData));
    p.args.writeQuantity = static_cast<std::uint16_t>(p.bytes.size());
    return p;
}

Plan Report(FunctionCode f, const Readings&) { return Make(ProbeKind::Report, f); }

Plan Identity(FunctionCode f, const Readings&) {
    Plan p = Make(ProbeKind::Identity, f);
    p.args.readAddress = static_cast<std::uint16_t>(DeviceIdCode::Basic);
    return p;
}

struct Step {
    FunctionCode code;
    int subFunction;
    Plan (*plan)(FunctionCode, const Readings&);
};

// The reads come first: the writes put back what they found.
constexpr Step kSteps[] = {
    {FunctionCode::ReadCoils, -1, ReadOne},
    {FunctionCode::ReadDiscreteInputs, -1, ReadOne},
    {FunctionCode::ReadHoldingRegisters, -1, ReadOne},
    {FunctionCode::ReadInputRegisters, -1, ReadOne},
    {FunctionCode::WriteSingleCoil, -1, WriteCoil},
    {FunctionCode::WriteSingleRegister, -1, WriteRegister},
    {FunctionCode::Diagnostics, 0, Echo},
    {FunctionCode::WriteMultipleCoils, -1, WriteCoils},
    {FunctionCode::WriteMultipleRegisters, -1, WriteRegisters},
    {FunctionCode::ReportSlaveId, -1, Report},
    {FunctionCode::MaskWriteRegister, -1, Mask},
    {FunctionCode::ReadWriteRegisters, -1, ReadWrite},
    {FunctionCode::DeviceIdentification, kMeiReadDeviceId, Identity},
};

}  // namespace

FunctionSupport FunctionProbe::SupportOf(int status) {
    if (status < 0)
        return FunctionSupport::NotProbed;
    if (status == status::Ok)
        return FunctionSupport::Supported;
    if (status == status::Timeout)
        return FunctionSupport::NoAnswer;
    if (status >= status::ExceptionBase && status != status::UnhandledFunction) {
        switch (status - status::ExceptionBase) {
        case 1: return FunctionSupport::NotSupported;
        // A gateway answered for a device it could not reach.
        case 0x0A:
        case 0x0B: return FunctionSupport::NoAnswer;
        default: return FunctionSupport::Supported;
        }
    }
    return FunctionSupport::Unclear;
}

FunctionSupport FunctionProbe::Support() const {
    return kind == ProbeKind::NotSent ? FunctionSupport::NotProbed : SupportOf(status);
}

FunctionSupportScan::FunctionSupportScan(ModbusLine& line, QObject* parent)
    : QObject(parent), m_line(line), m_request(new OneShotRequest(this)) {
    connect(m_request, &OneShotRequest::Finished, this, &FunctionSupportScan::answered);
    m_retry.setSingleShot(true);
    m_retry.setInterval(kBusyRetryMs);
    connect(&m_retry, &QTimer::timeout, this, &FunctionSupportScan::send);
}

FunctionSupportScan::~FunctionSupportScan() = default;

const std::vector<std::pair<std::uint8_t, int>>& FunctionSupportScan::Functions() {
    static const auto functions = [] {
        std::vector<std::pair<std::uint8_t, int>> list;
        for (const Step& s : kSteps)
            list.emplace_back(static_cast<std::uint8_t>(s.code), s.subFunction);
        return list;
    }();
    return functions;
}

bool FunctionSupportScan::Start(int slaveId) {
    if (m_running || m_line.IsConnected() == 0 || slaveId < 1 || slaveId > 255)
        return false;
    m_slaveId = slaveId;
    m_step = 0;
    m_coil.reset();
    m_holding.reset();
    m_results.clear();
    m_failure.clear();
    m_cancel = false;
    m_running = true;
    m_busySince.invalidate();
    send();
    return true;
}

void FunctionSupportScan::Cancel() {
    if (!m_running)
        return;
    m_cancel = true;
    if (!m_request->IsPending())
        finish(true);
}

void FunctionSupportScan::send() {
    if (!m_running)
        return;
    if (m_cancel) {
        finish(true);
        return;
    }
    const Step& step = kSteps[m_step];
    Plan plan = step.plan(step.code, Readings{m_coil, m_holding});
    if (plan.kind == ProbeKind::NotSent) {
        record(plan.kind, -1);
        next();
        return;
    }
    plan.args.slaveId = static_cast<std::uint16_t>(m_slaveId);
    const auto load = [&plan](ModbusLine& line) {
        if (!plan.bytes.empty())
            return line.SetWriteBytes(0, static_cast<int>(plan.bytes.size()), plan.bytes.data());
        if (plan.value)
            return line.SetWriteRegisters(0, 1, &*plan.value);
        return 1;
    };
    if (m_request->Submit(m_line, plan.args, load)) {
        m_kind = plan.kind;
        m_busySince.invalidate();
        return;
    }
    // Another window's request holds slot 0: try again shortly, for a while.
    if (!m_busySince.isValid())
        m_busySince.start();
    if (m_busySince.elapsed() < kBusyWaitMs) {
        m_retry.start();
        return;
    }
    m_failure = m_request->FailureText();
    finish(true);
}

void FunctionSupportScan::answered(int status) {
    if (!m_running)
        return;
    const OneShotAnswer* answer = m_request->Answer();
    if (status == status::Ok && answer != nullptr) {
        const auto code = kSteps[m_step].code;
        if (code == FunctionCode::ReadCoils)
            m_coil = answer->data[0];
        if (code == FunctionCode::ReadHoldingRegisters) {
            std::uint16_t value = 0;
            std::memcpy(&value, answer->data, sizeof value);
            m_holding = value;
        }
    }
    record(m_kind, status);
    if (m_cancel) {
        finish(true);
        return;
    }
    next();
}

void FunctionSupportScan::record(ProbeKind kind, int status) {
    const Step& step = kSteps[m_step];
    FunctionProbe probe;
    probe.function = static_cast<std::uint8_t>(step.code);
    probe.subFunction = step.subFunction;
    probe.kind = kind;
    probe.status = status;
    probe.slaveId = m_slaveId;
    m_results.push_back(probe);
    emit probed(probe);
}

void FunctionSupportScan::next() {
    if (++m_step >= std::size(kSteps)) {
        finish(false);
        return;
    }
    send();
}

void FunctionSupportScan::finish(bool cancelled) {
    m_running = false;
    m_retry.stop();
    emit finished(cancelled);
}

}  // namespace zentiq
