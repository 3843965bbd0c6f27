#include "support/socat_pty_pair.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

#include "support/peer_process.h"

namespace zentiq::test {

namespace {

bool Exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;  // follows the link to the pty
}

}  // namespace

std::unique_ptr<SocatPtyPair> SocatPtyPair::Create(std::string& error) {
    const std::string socat = process::FindInPath("socat");
    if (socat.empty()) {
        error = "socat is not installed: install the Debian package socat";
        return nullptr;
    }
    std::unique_ptr<SocatPtyPair> pair(new SocatPtyPair());
    const std::string base = process::UniqueTmpName("pty");
    pair->m_pathA = base + "-a";
    pair->m_pathB = base + "-b";
    pair->m_logPath = base + ".log";
    const int logFd = ::open(pair->m_logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (logFd < 0) {
        error = "cannot create " + pair->m_logPath;
        return nullptr;
    }
    // raw, echo=0: the line passes bytes unchanged, like a serial cable.
    const std::vector<std::string> argv{socat, "-d", "-d",
                                        "pty,raw,echo=0,link=" + pair->m_pathA,
                                        "pty,raw,echo=0,link=" + pair->m_pathB};
    pair->m_pid = process::Spawn(argv, -1, -1, logFd, error);
    ::close(logFd);
    if (pair->m_pid < 0) return nullptr;

    // socat logs "starting data transfer loop" once both ptys are set up.
    const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    for (int i = 0; i < 5000; ++i) {
        const bool relaying =
            process::ReadTail(pair->m_logPath).find("starting data transfer loop") != std::string::npos;
        if (relaying && Exists(pair->m_pathA) && Exists(pair->m_pathB)) return pair;
        if (!pair->IsRunning()) {
            error = "socat ended before the ptys were ready: " + process::ReadTail(pair->m_logPath);
            return nullptr;
        }
        if (std::chrono::steady_clock::now() >= deadline) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    error = "socat did not set up the pty pair within " + std::to_string(kStartTimeout.count()) +
            " ms: " + process::ReadTail(pair->m_logPath);
    return nullptr;
}

bool SocatPtyPair::IsRunning() {
    if (m_pid <= 0 || m_reaped) return false;
    int status = 0;
    const pid_t r = ::waitpid(m_pid, &status, WNOHANG);
    if (r == m_pid) m_reaped = true;
    return r == 0;
}

void SocatPtyPair::Stop() {
    if (m_pid > 0 && !m_reaped) {
        // socat relays until told to stop: no grace period is needed.
        ::kill(m_pid, SIGTERM);
        process::Stop(m_pid, std::chrono::milliseconds(3000));
        m_reaped = true;
    }
    m_pid = -1;
    // socat removes its links on a clean exit; not after SIGKILL.
    for (const std::string* path : {&m_pathA, &m_pathB, &m_logPath})
        if (!path->empty()) ::unlink(path->c_str());
}

SocatPtyPair::~SocatPtyPair() { Stop(); }

}  // namespace zentiq::test
