#include "support/pty_pair.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace zentiq::test {

namespace {

using Clock = std::chrono::steady_clock;

int MillisLeft(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

bool MakeRaw(int fd) {
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) return false;
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    return tcsetattr(fd, TCSANOW, &tio) == 0;
}

}  // namespace

PtyPair::PtyPair() {
    char name[128] = {};
    if (openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) {
        m_error = std::string("openpty: ") + std::strerror(errno);
        m_master = m_slave = -1;
        return;
    }
    m_slavePath = name;
    fcntl(m_master, F_SETFD, FD_CLOEXEC);
    fcntl(m_slave, F_SETFD, FD_CLOEXEC);
    // Termios requests on a master act on the slave side, so the slave (the
    // line discipline between the two) is what becomes raw here.
    if (!MakeRaw(m_slave) || !MakeRaw(m_master)) {
        m_error = std::string("making the pty raw: ") + std::strerror(errno);
        ::close(m_master);
        ::close(m_slave);
        m_master = m_slave = -1;
    }
}

PtyPair::~PtyPair() {
    if (m_slave >= 0) ::close(m_slave);
    if (m_master >= 0) ::close(m_master);
}

bool PtyPair::writeToPort(const std::uint8_t* bytes, std::size_t n) {
    if (m_master < 0) return false;
    std::size_t done = 0;
    while (done < n) {
        const ssize_t w = ::write(m_master, bytes + done, n - done);
        if (w > 0) {
            done += static_cast<std::size_t>(w);
        } else if (w < 0 && errno != EINTR && errno != EAGAIN) {
            return false;
        }
    }
    return true;
}

bool PtyPair::writeToPort(const std::vector<std::uint8_t>& bytes) {
    return writeToPort(bytes.data(), bytes.size());
}

bool PtyPair::writeToPort(std::initializer_list<std::uint8_t> bytes) {
    return writeToPort(bytes.begin(), bytes.size());
}

bool PtyPair::writeToPort(std::string_view text) {
    return writeToPort(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

std::vector<std::uint8_t> PtyPair::readFromPort(std::size_t max, int timeoutMs) {
    return read(max, timeoutMs, -1);
}

std::vector<std::uint8_t> PtyPair::readFrameFromPort(std::size_t max, int timeoutMs, int gapMs) {
    return read(max, timeoutMs, gapMs);
}

std::vector<std::uint8_t> PtyPair::read(std::size_t max, int timeoutMs, int gapMs) {
    std::vector<std::uint8_t> out;
    if (m_master < 0) return out;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    auto gapEnd = deadline;
    while (out.size() < max) {
        int waitMs = MillisLeft(deadline);
        if (gapMs >= 0 && !out.empty()) waitMs = std::min(waitMs, MillisLeft(gapEnd));
        pollfd pfd{m_master, POLLIN, 0};
        const int r = ::poll(&pfd, 1, waitMs);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        if (!(pfd.revents & POLLIN)) break;  // hang-up without data
        std::uint8_t chunk[512];
        const std::size_t want = std::min(sizeof chunk, max - out.size());
        const ssize_t got = ::read(m_master, chunk, want);
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (got <= 0) break;
        out.insert(out.end(), chunk, chunk + got);
        if (gapMs >= 0) gapEnd = Clock::now() + std::chrono::milliseconds(gapMs);
    }
    return out;
}

void PtyPair::discardFromPort() {
    if (m_master >= 0) tcflush(m_master, TCIFLUSH);
    // Whatever was still on its way is read away as well.
    while (!read(4096, 0, -1).empty()) {
    }
}

void PtyPair::closeMaster() {
    if (m_master >= 0) ::close(m_master);
    m_master = -1;
}

}  // namespace zentiq::test
