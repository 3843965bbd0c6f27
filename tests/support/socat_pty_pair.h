// Two linked pseudo-terminals made by socat: bytes written to one path come
// out of the other, like the two ends of a null-modem cable. The serial
// tests put the engine on one end and a peer slave on the other.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <memory>
#include <string>

namespace zentiq::test {

class SocatPtyPair {
public:
    static constexpr std::chrono::milliseconds kStartTimeout{10000};

    // Starts socat and waits until both paths exist and it relays. Returns
    // nullptr with error set (naming the package socat when it is missing).
    static std::unique_ptr<SocatPtyPair> Create(std::string& error);
    ~SocatPtyPair();
    SocatPtyPair(const SocatPtyPair&) = delete;
    SocatPtyPair& operator=(const SocatPtyPair&) = delete;

    // The two ends: symbolic links under /tmp to the pty devices.
    const std::string& PathA() const { return m_pathA; }
    const std::string& PathB() const { return m_pathB; }
    pid_t Pid() const { return m_pid; }
    bool IsRunning();

private:
    SocatPtyPair() = default;
    void Stop();

    pid_t m_pid = -1;
    bool m_reaped = false;
    std::string m_pathA;
    std::string m_pathB;
    std::string m_logPath;
};

}  // namespace zentiq::test
