// Engine-wide state, connection operations and setters.
#include <algorithm>
#include <array>
#include <iterator>
#include <cstdio>
#include <cstring>

#include "engine/engine.h"
#include "engine/modbus_line.h"
#include "engine/engine_state.h"
#include "engine/engine_trace.h"

namespace zentiq {
namespace {

constexpr std::array<BaudTiming, 14> kBaudTable{{
    {2400, 960, 4},
    {4800, 480, 2},
    {9600, 240, 2},
    {14400, 180, 1},
    {19200, 120, 1},
    {38400, 60, 1},
    {56000, 32, 1},
    {57600, 32, 1},
    {115200, 32, 1},
    {300, 1720, 32},
    {600, 1720, 16},
    {1200, 1720, 8},
    {128000, 32, 1},
    {256000, 32, 1},
}};

std::string DefaultDevice(int portNumber) { return "/dev/ttyS" + std::to_string(portNumber - 1); }


void TraceOpening(std::chrono::system_clock::time_point began, const char* line, int result,
                  int error) {
    const TraceFn listener = TraceCallback();
    if (listener == nullptr) return;
    TraceRecord r;
    r.kind = TraceRecord::Kind::Open;
    r.began = began;
    r.elapsed = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::system_clock::now() - began);
    r.status = result;
    r.error = error;
    r.line = line;
    listener(r);
}

}  // namespace

ModbusLine::ModbusLine() : m_state(std::make_unique<EngineState>()) { InitEngine(); }

ModbusLine::~ModbusLine() {
    StopPolling();
    m_state->port.Close();
    m_state->tcp.Close();
}

// The connection may only change while no transaction can run on it.
void ModbusLine::StopWorkerIfRunning() {
    if (m_state->polling) StopPolling();
}

ModbusLine& DefaultLine() {
    static ModbusLine line;
    return line;
}

EngineState& Engine() { return DefaultLine().State(); }

void WakeWorker(EngineState& e) {
    e.wakeRequested = true;
    e.wake.notify_one();
}

std::uint64_t TickUs() {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(
        duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count());
}

void Post(const EngineState& e, WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
          std::intptr_t lParam) {
    if (window == 0) return;
    if (PostMessageFn poster = e.poster.load()) poster(window, message, wParam, lParam);
}

bool Connected(const EngineState& e) {
    return e.port.IsOpen() || e.tcp.IsConnected() || e.testTransport != nullptr;
}

Transport& CurrentTransport(EngineState& e) {
    if (e.testTransport != nullptr) return *e.testTransport;
    switch (e.mode) {
    case ASCII: return e.ascii;
    case TCP: return e.tcp;
    case RTU_OVER_TCP: return e.rtuOverTcp;
    default: return e.rtu;
    }
}

void ModbusLine::SetMessagePoster(PostMessageFn poster) { m_state->poster.store(poster); }

BaudTiming BaudTimingForIndex(int baudIndex) {
    // An index outside the table means the default 9600, as the settings
    // dialog shows it, so that the line and what the user sees agree.
    if (baudIndex < 0 || baudIndex >= static_cast<int>(kBaudTable.size()))
        baudIndex = kDefaultBaudIndex;
    return kBaudTable[static_cast<std::size_t>(baudIndex)];
}

int ModbusLine::InitEngine() {
    auto& e = *m_state;
    StopWorkerIfRunning();
    {
        std::lock_guard guard(e.lock);
        std::memset(e.slots, 0, sizeof e.slots);
        std::memset(e.results, 0, sizeof e.results);
        e.monitorWindow = 0;
        e.pollSlotsPaused = false;
        e.timing = TimingTable{};
    }
    e.lastServed = kLastSlot;
    e.delayBetweenPolls = 10;
    e.tcp.SetTransactionCounter(0xFFFF);
    e.lastTickUs = TickUs();
    std::fill(std::begin(e.elapsedRemainderUs), std::end(e.elapsedRemainderUs), 0u);
    return 1;
}

int ModbusLine::SetHandshakeFlags(std::uint8_t flags) {
    m_state->handshake = flags;
    return 1;
}

int ModbusLine::SetPollDelay(std::uint32_t milliseconds) {
    m_state->delayBetweenPolls = milliseconds;
    return 1;
}

std::uint32_t ModbusLine::GetPollDelay() const { return m_state->delayBetweenPolls.load(); }

int ModbusLine::SetRtsDelay(std::uint16_t milliseconds) {
    m_state->rtsDelay = milliseconds;  // kept for the settings; no transaction waits on it
    return 1;
}

int ModbusLine::SetEchoRemoval(int on) {
    auto& e = *m_state;
    e.echo = on != 0;
    e.rtu.SetEchoRemoval(e.echo);
    e.ascii.SetEchoRemoval(e.echo);
    return 1;
}

int ModbusLine::SetSerialDevice(int portNumber, const char* devicePath) {
    if (portNumber < 1 || portNumber > 64 || devicePath == nullptr) return 0;
    m_state->serialDevices[static_cast<std::size_t>(portNumber - 1)] = devicePath;
    return 1;
}

int ModbusLine::GetSerialDevice(int portNumber, char* out, std::size_t outSize) const {
    if (portNumber < 1 || portNumber > 64) return -1;
    const std::string& custom = m_state->serialDevices[static_cast<std::size_t>(portNumber - 1)];
    const std::string path = custom.empty() ? DefaultDevice(portNumber) : custom;
    if (out != nullptr && outSize > 0) std::snprintf(out, outSize, "%s", path.c_str());
    return static_cast<int>(path.size());
}

int ModbusLine::OpenSerialPort(int portNumber, std::uint32_t baud, int dataBits, int parity, int stopBits) {
    if (portNumber < 1 || portNumber > 64) return 1;
    auto& e = *m_state;
    StopWorkerIfRunning();
    char device[512];
    GetSerialDevice(portNumber, device, sizeof device);
    const auto began = std::chrono::system_clock::now();
    const int result = e.port.Open(device, baud, dataBits, parity, stopBits, e.handshake);
    TraceOpening(began, device, result, result == 0 ? 0 : e.port.LastOpenErrno());
    if (result == 0) NotifyAllSlotWindows();
    return result;
}

int ModbusLine::LastSerialOpenErrno() const { return m_state->port.LastOpenErrno(); }

int ModbusLine::OpenTcpConnection(const char* ipAddress, std::uint16_t servicePort,
                      std::uint32_t responseTimeoutMs, std::uint32_t connectTimeoutMs) {
    StopWorkerIfRunning();
    const auto began = std::chrono::system_clock::now();
    const int result =
        m_state->tcp.Open(ipAddress, servicePort, responseTimeoutMs, connectTimeoutMs);
    if (TraceCallback() != nullptr) {
        char line[300];
        std::snprintf(line, sizeof line, "%s:%u", ipAddress != nullptr ? ipAddress : "",
                      unsigned{servicePort});
        TraceOpening(began, line, result, result == 0 ? 0 : m_state->tcp.LastError());
    }
    if (result == 0) NotifyAllSlotWindows();
    return result;
}

int ModbusLine::LastSocketError() const { return m_state->tcp.LastError(); }

int ModbusLine::BeginTcpConnection(const char* ipAddress, std::uint16_t servicePort,
                       std::uint32_t responseTimeoutMs, std::uint32_t connectTimeoutMs) {
    StopWorkerIfRunning();
    bool underWay = false;
    const int result = m_state->tcp.Line().BeginOpen(ipAddress, servicePort, responseTimeoutMs,
                                                     connectTimeoutMs, &underWay);
    if (result != 0) return result;
    if (underWay) return kTcpConnectUnderWay;
    NotifyAllSlotWindows();
    return 0;
}

int ModbusLine::TcpConnectingSocket() const { return m_state->tcp.Line().OpeningSocket(); }

int ModbusLine::FinishTcpConnection() {
    const int result = m_state->tcp.Line().FinishOpen();
    if (result == 0) NotifyAllSlotWindows();
    return result;
}

int ModbusLine::AbandonTcpConnection() { return m_state->tcp.Line().AbandonOpen(); }

int ModbusLine::SetSerialTimeouts(std::uint32_t readInterval, std::uint32_t readMultiplier,
                      std::uint32_t readConstant, std::uint32_t writeMultiplier,
                      std::uint32_t writeConstant) {
    return m_state->port.SetTimeouts(
               {readInterval, readMultiplier, readConstant, writeMultiplier, writeConstant})
               ? 1
               : 0;
}

int ModbusLine::SetTcpResponseTimeout(std::uint32_t milliseconds) {
    auto& e = *m_state;
    if (e.polling) return 0;
    e.tcp.Line().SetResponseTimeout(milliseconds);
    return 1;
}

std::uint32_t ModbusLine::GetTcpResponseTimeout() const { return m_state->tcp.Line().ResponseTimeout(); }

int ModbusLine::GetSerialTimeouts(std::uint32_t* readInterval, std::uint32_t* readMultiplier,
                      std::uint32_t* readConstant, std::uint32_t* writeMultiplier,
                      std::uint32_t* writeConstant) const {
    const SerialTimeouts& t = m_state->port.Timeouts();
    if (readInterval) *readInterval = t.readInterval;
    if (readMultiplier) *readMultiplier = t.readMultiplier;
    if (readConstant) *readConstant = t.readConstant;
    if (writeMultiplier) *writeMultiplier = t.writeMultiplier;
    if (writeConstant) *writeConstant = t.writeConstant;
    return 1;
}

int ModbusLine::SetTransmissionMode(int mode) {
    auto& e = *m_state;
    if (e.polling) return 0;
    if (mode < RTU || mode > RTU_OVER_TCP) return 0;
    e.mode = mode;
    return 1;
}

int ModbusLine::GetTransmissionMode() const { return m_state->mode; }

void ModbusLine::UseTransportForTesting(Transport* transport) {
    StopWorkerIfRunning();
    m_state->testTransport = transport;
}

int ModbusLine::CloseSerialPort() {
    auto& e = *m_state;
    StopWorkerIfRunning();
    e.port.Close();
    // The error flags describe this port; they must not outlive it.
    e.writeFlags = 0;
    e.readFlags = 0;
    NotifyAllSlotWindows();
    return 1;
}

int ModbusLine::CloseTcpConnection() {
    StopWorkerIfRunning();
    m_state->tcp.Close();
    NotifyAllSlotWindows();
    return 1;
}

int ModbusLine::IsConnected() const { return Connected(*m_state) ? 1 : 0; }

int ModbusLine::NotifyAllSlotWindows() {
    auto& e = *m_state;
    std::lock_guard guard(e.lock);
    for (const PollSlot& s : e.slots)
        if (s.inUse && s.window != 0) Post(e, s.window, s.message + 1, 0, 0);
    return 1;
}

std::uint32_t ModbusLine::GetWriteErrorFlags() const { return m_state->writeFlags.load(); }
std::uint32_t ModbusLine::GetReadErrorFlags() const { return m_state->readFlags.load(); }
int ModbusLine::GetLastLineError() const { return m_state->lineError.load(); }

}  // namespace zentiq
