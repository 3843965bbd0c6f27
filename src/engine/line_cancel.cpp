#include "engine/line_cancel.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>

namespace zentiq {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kCancelled = -2;

}  // namespace

LineCancel::LineCancel() : m_fd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

LineCancel::~LineCancel() {
    if (m_fd >= 0) ::close(m_fd);
}

void LineCancel::Raise() {
    m_raised.store(true);
    if (m_fd < 0) return;
    const std::uint64_t one = 1;
    ssize_t r;
    do {
        r = ::write(m_fd, &one, sizeof one);
    } while (r < 0 && errno == EINTR);
}

void LineCancel::Clear() {
    if (m_fd >= 0) {
        std::uint64_t count = 0;
        ssize_t r;
        do {
            r = ::read(m_fd, &count, sizeof count);
        } while (r < 0 && errno == EINTR);
    }
    m_raised.store(false);
    m_cutShort.store(false);
}

namespace {

// revents of fd (> 0), 0 when the time ran out, -1 when the wait failed,
// kCancelled when the cancel was raised before or during the wait.
int PollBoth(int fd, short events, int cancelFd, const std::atomic<bool>& raised, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    int remaining = timeoutMs;
    for (;;) {
        if (raised.load()) return kCancelled;
        pollfd p[2] = {{fd, events, 0}, {cancelFd, POLLIN, 0}};
        const int r = ::poll(p, 2, remaining);
        if (r > 0) return p[1].revents != 0 ? kCancelled : p[0].revents;
        if (r == 0) return 0;
        if (errno != EINTR) return -1;
        // Interrupted by a signal: wait for what is left of the time.
        if (timeoutMs >= 0) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
            remaining = static_cast<int>(std::clamp<long long>(left, 0, INT_MAX));
        }
    }
}

}  // namespace

int LineCancel::Wait(int fd, short events, int timeoutMs) const {
    const int r = PollBoth(fd, events, m_fd, m_raised, timeoutMs);
    if (r != kCancelled) return r;
    m_cutShort.store(true);
    return 0;
}

bool LineCancel::SleepFor(std::chrono::milliseconds duration) const {
    const int ms = static_cast<int>(std::clamp<long long>(duration.count(), 0, INT_MAX));
    if (PollBoth(-1, 0, m_fd, m_raised, ms) != kCancelled) return true;
    m_cutShort.store(true);
    return false;
}

int WaitOrCancel(const LineCancel* cancel, int fd, short events, int timeoutMs) {
    if (cancel != nullptr) return cancel->Wait(fd, events, timeoutMs);
    std::atomic<bool> never{false};
    const int r = PollBoth(fd, events, -1, never, timeoutMs);
    return r == kCancelled ? 0 : r;
}

}  // namespace zentiq
