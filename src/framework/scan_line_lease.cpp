#include "framework/scan_line_lease.h"

#include "engine/engine.h"
#include "framework/poll_pause.h"

namespace zentiq {
namespace {

// The waits of the connection change only while the worker is stopped;
// it runs again afterwards if it ran before.
template <typename Change>
void WithWorkerStopped(Change change) {
    const bool running = IsConnected() != 0;
    if (running)
        StopPolling();
    change();
    if (running)
        StartPolling();
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
    PollPause::Instance().SetPaused(true);
    m_tcpTimeout = GetTcpResponseTimeout();
    GetSerialTimeouts(&m_serial[0], &m_serial[1], &m_serial[2], &m_serial[3], &m_serial[4]);
    m_pollDelay = GetPollDelay();
    m_taken = true;
    Retime(timeoutMs);
}

void ScanLineLease::Retime(std::uint32_t timeoutMs) {
    if (!m_taken)
        return;
    WithWorkerStopped([&] {
        SetTcpResponseTimeout(timeoutMs);
        // The read wait starts with the request: the whole answer must come
        // within the timeout, byte gaps as the user set them.
        std::uint32_t interval = 0;
        GetSerialTimeouts(&interval, nullptr, nullptr, nullptr, nullptr);
        SetSerialTimeouts(interval, 0, timeoutMs, m_serial[3], m_serial[4]);
        SetPollDelay(0);
    });
}

void ScanLineLease::Give() {
    if (!m_taken)
        return;
    m_taken = false;
    WithWorkerStopped([&] {
        SetTcpResponseTimeout(m_tcpTimeout);
        SetSerialTimeouts(m_serial[0], m_serial[1], m_serial[2], m_serial[3], m_serial[4]);
        SetPollDelay(m_pollDelay);
    });
    PollPause::Instance().SetPaused(false);
}

}  // namespace zentiq
