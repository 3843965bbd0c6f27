// A session bus of the test's own: dbus-daemon started as a child (it ends
// with the test process even after a crash), its address exported as
// DBUS_SESSION_BUS_ADDRESS before anything connects, and stopped at the end.
// Extra environment (e.g. XDG_DATA_HOME for its service files) is handed to
// the daemon and so to every program it activates; their stderr is the
// daemon's, in a file when a path is given.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/peer_process.h"

namespace zentiq::test {

class PrivateSessionBus {
public:
    explicit PrivateSessionBus(const std::vector<std::string>& environment = {},
                               const std::string& stderrPath = {}) {
        const std::string daemon = process::FindInPath("dbus-daemon");
        if (daemon.empty()) {
            error = "dbus-daemon not found (install the package dbus)";
            return;
        }
        int out[2] = {-1, -1};
        if (::pipe2(out, O_CLOEXEC) != 0) {
            error = "pipe failed";
            return;
        }
        std::vector<std::string> argv{"/usr/bin/env"};
        argv.insert(argv.end(), environment.begin(), environment.end());
        argv.insert(argv.end(), {daemon, "--session", "--nofork", "--print-address=1"});
        const int err = stderrPath.empty()
                            ? -1
                            : ::open(stderrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        m_pid = process::Spawn(argv, -1, out[1], err, error);
        ::close(out[1]);
        if (err >= 0)
            ::close(err);
        if (m_pid > 0)
            address = readLine(out[0], std::chrono::seconds(20));
        ::close(out[0]);
        if (address.empty()) {
            if (error.empty())
                error = "dbus-daemon printed no address";
            return;
        }
        ::setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
    }
    ~PrivateSessionBus() { process::Stop(m_pid, std::chrono::milliseconds(2000)); }
    PrivateSessionBus(const PrivateSessionBus&) = delete;
    PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

    bool ok() const { return !address.empty(); }

    std::string address;
    std::string error;

private:
    static std::string readLine(int fd, std::chrono::milliseconds limit) {
        std::string line;
        const auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0)
                continue;
            char c = 0;
            if (::read(fd, &c, 1) != 1)
                break;
            if (c == '\n')
                return line;
            line += c;
        }
        return {};
    }

    pid_t m_pid = -1;
};

}  // namespace zentiq::test
