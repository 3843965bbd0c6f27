#include "framework/scan_line_lease.h"

#include "engine/modbus_line.h"
#include "framework/poll_pause.h"

namespace zentiq {
namespace {

// The waits of the connection change only while the worker is stopped;
// it runs again afterwards if it ran before.
template <typename Change>
void WithWorkerStopped(ModbusLine& line, Change change) {
    const bool running = line.IsConnected() != 0;
    if (running)
        line.StopPolling();
    change();
    if (running)
        line.StartPolling();
}

}  // namespace

ScanLineLease::~ScanLineLease() {
    if (m_taken)
        Give();
}

void ScanLineLease::Take(std::uint32_t timeoutMs) {
    if (m_taken) {
        Retime(timeoutMs);
        return;
    }
    PollPause::Of(m_line).SetPaused(true);
    m_tcpTimeout = m_line.GetTcpResponseTimeout();
    m_line.GetSerialTimeouts(&m_serial[0], &m_serial[1], &m_serial[2], &m_serial[3], &m_serial[4]);
    m_pollDelay = m_line.GetPollDelay();
    m_taken = true;
    Retime(timeoutMs);
}

void ScanLineLease::Retime(std::uint32_t timeoutMs) {
    if (!m_taken)
        return;
    WithWorkerStopped(m_line, [&] {
        m_line.SetTcpResponseTimeout(timeoutMs);
        // The read wait starts with the request: the whole answer must come
        // within the timeout, byte gaps as the user set them.
        std::uint32_t interval = 0;
        m_line.GetSerialTimeouts(&interval, nullptr, nullptr, nullptr, nullptr);
        m_line.SetSerialTimeouts(interval, 0, timeoutMs, m_serial[3], m_serial[4]);
        m_line.SetPollDelay(0);
    });
}

void ScanLineLease::Give() {
    if (!m_taken)
        return;
    m_taken = false;
    WithWorkerStopped(m_line, [&] {
        m_line.SetTcpResponseTimeout(m_tcpTimeout);
        m_line.SetSerialTimeouts(m_serial[0], m_serial[1], m_serial[2], m_serial[3], m_serial[4]);
        m_line.SetPollDelay(m_pollDelay);
    });
    PollPause::Of(m_line).SetPaused(false);
}

}  // namespace zentiq
