#include "support/scripted_serial_slave.h"

#include <algorithm>

namespace zentiq::test {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kSlice = std::chrono::milliseconds(20);
// Longest a request may take once its first byte is there.
constexpr int kRequestBodyMs = 3000;

std::uint16_t Crc16(const std::uint8_t* bytes, std::size_t n) {
    std::uint16_t crc = 0xFFFF;
    for (std::size_t i = 0; i < n; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001)
                            : static_cast<std::uint16_t>(crc >> 1);
    }
    return crc;
}

}  // namespace

ScriptedSerialSlave::Bytes ScriptedSerialSlave::Rtu(Bytes frame) {
    const std::uint16_t crc = Crc16(frame.data(), frame.size());
    frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
    return frame;
}

ScriptedSerialSlave::Bytes ScriptedSerialSlave::Ascii(const Bytes& bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    Bytes out{':'};
    std::uint8_t sum = 0;
    auto put = [&](std::uint8_t b) {
        out.push_back(static_cast<std::uint8_t>(kHex[b >> 4]));
        out.push_back(static_cast<std::uint8_t>(kHex[b & 0x0F]));
    };
    for (std::uint8_t b : bytes) {
        put(b);
        sum = static_cast<std::uint8_t>(sum + b);
    }
    put(static_cast<std::uint8_t>(-sum));
    out.push_back('\r');
    out.push_back('\n');
    return out;
}

ScriptedSerialSlave::ScriptedSerialSlave(PtyPair& pty, std::vector<Step> script, Ms requestWait)
    : m_pty(pty), m_script(std::move(script)), m_requestWait(requestWait) {
    m_thread = std::thread([this] { Run(); });
}

ScriptedSerialSlave::~ScriptedSerialSlave() { Stop(); }

void ScriptedSerialSlave::Stop() {
    m_stop = true;
    if (m_thread.joinable()) m_thread.join();
}

std::vector<ScriptedSerialSlave::Bytes> ScriptedSerialSlave::Requests() const {
    std::lock_guard lock(m_mutex);
    return m_requests;
}

int ScriptedSerialSlave::StepsDone() const {
    std::lock_guard lock(m_mutex);
    return m_stepsDone;
}

bool ScriptedSerialSlave::WaitForSteps(int count, Ms timeout) const {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] { return m_stepsDone >= count; });
}

bool ScriptedSerialSlave::Pause(Ms duration) {
    const auto end = Clock::now() + duration;
    while (!m_stop) {
        const auto now = Clock::now();
        if (now >= end) return true;
        std::this_thread::sleep_for(std::min<Clock::duration>(kSlice, end - now));
    }
    return false;
}

bool ScriptedSerialSlave::ReadRequest(const Step& step, Bytes& request) {
    // The first byte, in short slices so that Stop() is heard.
    const auto giveUp = Clock::now() + m_requestWait;
    while (request.empty()) {
        if (m_stop || Clock::now() >= giveUp) return false;
        request = m_pty.readFromPort(1, static_cast<int>(kSlice.count()));
    }
    // The rest: a count, or until the line is quiet.
    Bytes rest;
    if (step.requestBytes > 1)
        rest = m_pty.readFromPort(step.requestBytes - 1, kRequestBodyMs);
    else if (step.requestBytes == 0)
        rest = m_pty.readFrameFromPort(4096, kRequestBodyMs, static_cast<int>(step.gap.count()));
    request.insert(request.end(), rest.begin(), rest.end());
    return true;
}

void ScriptedSerialSlave::Send(const Step& step, const Bytes& request) {
    if (step.delay.count() > 0 && !Pause(step.delay)) return;
    if (step.hangUp) {
        m_pty.closeMaster();
        return;
    }
    if (step.echo) m_pty.writeToPort(request);
    std::size_t at = 0;
    for (std::size_t piece : step.pieces) {
        if (at >= step.reply.size()) break;
        const std::size_t n = std::min(piece, step.reply.size() - at);
        m_pty.writeToPort(step.reply.data() + at, n);
        at += n;
        if (!Pause(step.piecePause)) return;
    }
    if (at < step.reply.size()) m_pty.writeToPort(step.reply.data() + at, step.reply.size() - at);
}

void ScriptedSerialSlave::Run() {
    for (const Step& step : m_script) {
        Bytes request;
        if (!ReadRequest(step, request)) return;
        {
            std::lock_guard lock(m_mutex);
            m_requests.push_back(request);
        }
        Send(step, request);
        if (m_stop) return;
        std::lock_guard lock(m_mutex);
        ++m_stepsDone;
        m_changed.notify_all();
        if (step.hangUp) return;
    }
}

}  // namespace zentiq::test
