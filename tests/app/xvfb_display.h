// An X server of the test's own (Xvfb on a free display number), for the
// tests that need the real window system under the program: closing its
// window as a window manager does, or the display going away.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "support/peer_process.h"

namespace zentiq::test {

class XvfbDisplay {
public:
    XvfbDisplay() {
        const std::string xvfb = process::FindInPath("Xvfb");
        if (xvfb.empty()) {
            error = "Xvfb not found (install the package xvfb)";
            return;
        }
        int out[2] = {-1, -1};
        if (::pipe2(out, O_CLOEXEC) != 0) {
            error = "pipe failed";
            return;
        }
        m_pid = process::Spawn({xvfb, "-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "1024x768x24"}, -1,
                               out[1], -1, error);
        ::close(out[1]);
        // Xvfb writes its display number once it serves (bounded: a short line).
        char c = 0;
        for (int i = 0; m_pid > 0 && i < 16 && ::read(out[0], &c, 1) == 1 && c != '\n'; ++i)
            number += c;
        ::close(out[0]);
        if (number.empty() && error.empty())
            error = "Xvfb gave no display number";
    }
    ~XvfbDisplay() { Kill(); }
    XvfbDisplay(const XvfbDisplay&) = delete;
    XvfbDisplay& operator=(const XvfbDisplay&) = delete;

    bool ok() const { return !number.empty(); }
    std::string name() const { return ":" + number; }
    // The server goes at once, as when it crashes or the session ends.
    void Kill() {
        if (m_pid <= 0)
            return;
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

    std::string number;
    std::string error;

private:
    pid_t m_pid = -1;
};

}  // namespace zentiq::test
