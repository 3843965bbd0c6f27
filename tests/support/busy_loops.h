// Busy loops at normal priority in processes of their own (their time is
// not this process's), as a compiler or a browser would keep a machine
// busy. They end with this object, with the process that started them, or
// after 15 minutes.
#pragma once

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <vector>

namespace zentiq::test {

class BusyLoops {
public:
    explicit BusyLoops(int count) {
        const pid_t parent = ::getpid();
        for (int i = 0; i < count; ++i) {
            const pid_t pid = ::fork();
            if (pid == 0) {
                ::prctl(PR_SET_PDEATHSIG, SIGKILL);
                if (::getppid() != parent) ::_exit(0);
                const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(15);
                volatile std::uint64_t spin = 0;
                while (std::chrono::steady_clock::now() < end)
                    for (int k = 0; k < 100000; ++k) spin = spin + 1;
                ::_exit(0);
            }
            if (pid > 0) m_pids.push_back(pid);
        }
    }
    ~BusyLoops() {
        for (const pid_t pid : m_pids) ::kill(pid, SIGKILL);
        for (const pid_t pid : m_pids) ::waitpid(pid, nullptr, 0);
    }
    BusyLoops(const BusyLoops&) = delete;
    BusyLoops& operator=(const BusyLoops&) = delete;

private:
    std::vector<pid_t> m_pids;
};

}  // namespace zentiq::test
