#include "support/peer_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <thread>

#ifndef ZENTIQ_SOURCE_DIR
#define ZENTIQ_SOURCE_DIR ""
#endif
#ifndef ZENTIQ_BINARY_DIR
#define ZENTIQ_BINARY_DIR ""
#endif

namespace zentiq::test {

namespace {

using Clock = std::chrono::steady_clock;

// Exit code of pymodbus_slave.py when pymodbus cannot be imported.
constexpr int kExitMissingPackage = 3;

bool IsExecutable(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

bool IsFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string DescribeStatus(int status) {
    if (status < 0) return "not reaped";
    if (WIFEXITED(status)) return "exit code " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status)) return "killed by signal " + std::to_string(WTERMSIG(status));
    return "status " + std::to_string(status);
}

void CloseFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

// Waits for pid to end for at most `limit`; true when reaped.
bool WaitFor(pid_t pid, std::chrono::milliseconds limit, int& status) {
    const auto deadline = Clock::now() + limit;
    for (int i = 0; i < 100000; ++i) {  // also bounded by the deadline
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid) return true;
        if (r < 0 && errno != EINTR) return false;  // not our child (anymore)
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

std::string SerialArgsError(const PeerProcess::Serial& s) {
    if (s.parity != 'N' && s.parity != 'E' && s.parity != 'O') return "parity must be N, E or O";
    if (s.dataBits != 7 && s.dataBits != 8) return "data bits must be 7 or 8";
    if (s.stopBits != 1 && s.stopBits != 2) return "stop bits must be 1 or 2";
    if (s.baud == 0) return "baud must not be 0";
    return {};
}

void AppendSerialArgs(std::vector<std::string>& argv, const PeerProcess::Serial& s) {
    argv.insert(argv.end(), {"--baud", std::to_string(s.baud), "--parity", std::string(1, s.parity),
                             "--data", std::to_string(s.dataBits), "--stop",
                             std::to_string(s.stopBits)});
}

}  // namespace

// ---- process helpers --------------------------------------------------------

namespace process {

pid_t Spawn(const std::vector<std::string>& argv, int stdinFd, int stdoutFd, int stderrFd,
            std::string& error) {
    if (argv.empty() || argv[0].empty() || argv[0][0] != '/') {
        error = "Spawn needs an absolute program path";
        return -1;
    }
    // Everything the child needs is prepared before fork: between fork and
    // exec only async-signal-safe calls are allowed (the engine's worker
    // thread may be running in this process).
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const int devNull = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (devNull < 0) {
        error = std::string("cannot open /dev/null: ") + std::strerror(errno);
        return -1;
    }
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) {
        error = std::string("fork failed: ") + std::strerror(errno);
        ::close(devNull);
        return -1;
    }
    if (pid == 0) {
        // Child. dup2 clears close-on-exec on the copies; the originals close.
        const int in = stdinFd >= 0 ? stdinFd : devNull;
        const int out = stdoutFd >= 0 ? stdoutFd : devNull;
        const int err = stderrFd >= 0 ? stderrFd : devNull;
        if (::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0) ::_exit(126);
        // Descriptors the test process opened without close-on-exec (a
        // serial port, a socket) must not stay open in the peer.
        ::syscall(SYS_close_range, 3u, ~0u, 0u);
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent) ::_exit(125);  // the starter is already gone
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    ::close(devNull);
    return pid;
}

int Stop(pid_t pid, std::chrono::milliseconds grace) {
    if (pid <= 0) return -1;
    int status = -1;
    if (WaitFor(pid, grace, status)) return status;
    ::kill(pid, SIGTERM);
    if (WaitFor(pid, grace, status)) return status;
    ::kill(pid, SIGKILL);
    if (WaitFor(pid, std::chrono::milliseconds(5000), status)) return status;
    return -1;
}

std::string FindInPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string dirs = path != nullptr && *path != '\0' ? path : "/usr/local/bin:/usr/bin:/bin";
    std::stringstream in(dirs);
    std::string dir;
    while (std::getline(in, dir, ':')) {
        if (dir.empty()) continue;
        const std::string candidate = dir + "/" + name;
        if (IsExecutable(candidate)) return candidate;
    }
    return {};
}

std::string UniqueTmpName(const std::string& tag) {
    static std::atomic<unsigned> counter{0};
    const auto ticks = Clock::now().time_since_epoch().count();
    return "/tmp/zq-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + "-" +
           std::to_string(static_cast<unsigned long long>(ticks) % 1000000ull) + "-" + tag;
}

std::string ReadTail(const std::string& path, std::size_t maxBytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    std::stringstream buffer;
    buffer << in.rdbuf();
    std::string text = buffer.str();
    if (text.size() > maxBytes) text.erase(0, text.size() - maxBytes);
    return text;
}

}  // namespace process

// ---- PeerProcess ------------------------------------------------------------

std::string PeerProcess::SourceDir() {
    const char* env = std::getenv("ZENTIQ_SOURCE_DIR");
    return env != nullptr && *env != '\0' ? env : ZENTIQ_SOURCE_DIR;
}

std::string PeerProcess::BinaryDir() {
    const char* env = std::getenv("ZENTIQ_BINARY_DIR");
    return env != nullptr && *env != '\0' ? env : ZENTIQ_BINARY_DIR;
}

std::unique_ptr<PeerProcess> PeerProcess::Start(const std::vector<std::string>& argv,
                                                std::chrono::milliseconds readyTimeout,
                                                std::string& error) {
    std::unique_ptr<PeerProcess> peer(new PeerProcess());
    int inPipe[2] = {-1, -1};
    int outPipe[2] = {-1, -1};
    if (::pipe2(inPipe, O_CLOEXEC) != 0 || ::pipe2(outPipe, O_CLOEXEC) != 0) {
        error = std::string("pipe failed: ") + std::strerror(errno);
        for (int fd : {inPipe[0], inPipe[1], outPipe[0], outPipe[1]})
            if (fd >= 0) ::close(fd);
        return nullptr;
    }
    peer->m_stderrPath = process::UniqueTmpName("peer.log");
    const int errFd = ::open(peer->m_stderrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);

    peer->m_pid = process::Spawn(argv, inPipe[0], outPipe[1], errFd, error);
    ::close(inPipe[0]);
    ::close(outPipe[1]);
    if (errFd >= 0) ::close(errFd);
    peer->m_stdin = inPipe[1];
    peer->m_stdout = outPipe[0];
    if (peer->m_pid < 0) return nullptr;

    // Read stdout up to the READY line, bounded by the timeout and by size.
    std::string line;
    const auto deadline = Clock::now() + readyTimeout;
    bool ready = false;
    for (int i = 0; i < 10000 && !ready; ++i) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) break;
        pollfd pfd{peer->m_stdout, POLLIN, 0};
        const int r = ::poll(&pfd, 1, static_cast<int>(left.count()));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        char buf[256];
        const ssize_t n = ::read(peer->m_stdout, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {  // the child closed stdout: it is ending
            int status = 0;
            if (WaitFor(peer->m_pid, std::chrono::milliseconds(2000), status)) {
                peer->m_reaped = true;
                peer->m_waitStatus = status;
            }
            break;
        }
        line.append(buf, static_cast<std::size_t>(n));
        for (std::size_t nl = line.find('\n'); nl != std::string::npos; nl = line.find('\n')) {
            const std::string one = line.substr(0, nl);
            line.erase(0, nl + 1);
            if (one.rfind("READY ", 0) == 0) {
                peer->m_endpoint = one.substr(6);
                ready = true;
                break;
            }
        }
        if (line.size() > 4096) line.erase(0, line.size() - 4096);
    }
    if (!ready) {
        const bool running = peer->IsRunning();
        std::ostringstream msg;
        msg << argv[0] << (running ? " did not report READY within " : " ended before it served (")
            << (running ? std::to_string(readyTimeout.count()) + " ms"
                        : DescribeStatus(peer->m_waitStatus) + ")");
        const std::string log = process::ReadTail(peer->m_stderrPath);
        if (!log.empty()) msg << "; its stderr:\n" << log;
        error = msg.str();
        peer->m_reportExit = false;  // error already says it all
        peer.reset();                // the destructor stops and reaps it
        return nullptr;
    }
    char* end = nullptr;
    const unsigned long port = std::strtoul(peer->m_endpoint.c_str(), &end, 10);
    if (end != peer->m_endpoint.c_str() && *end == '\0' && port > 0 && port <= 65535)
        peer->m_port = static_cast<std::uint16_t>(port);
    return peer;
}

std::unique_ptr<PeerProcess> PeerProcess::PyModbus(Mode mode, const std::string& device,
                                                   std::string& error, int slaveId,
                                                   const Serial& serial,
                                                   const std::vector<std::string>& extraArgs) {
    const std::string python = "/usr/bin/python3";
    if (!IsExecutable(python)) {
        error = "/usr/bin/python3 is missing: install the Debian packages python3 and python3-pymodbus";
        return nullptr;
    }
    const std::string script = SourceDir() + "/tests/support/peers/pymodbus_slave.py";
    if (!IsFile(script)) {
        error = "pymodbus slave script not found at " + script + " (is ZENTIQ_SOURCE_DIR right?)";
        return nullptr;
    }
    if (std::string bad = SerialArgsError(serial); !bad.empty()) {
        error = bad;
        return nullptr;
    }
    std::vector<std::string> argv{python, script};
    switch (mode) {
    case Mode::Tcp: argv.insert(argv.end(), {"--tcp", device.empty() ? "0" : device}); break;
    case Mode::Rtu: argv.insert(argv.end(), {"--rtu", device}); break;
    case Mode::Ascii: argv.insert(argv.end(), {"--ascii", device}); break;
    case Mode::RtuOverTcp:
        argv.insert(argv.end(), {"--rtu-tcp", device.empty() ? "0" : device});
        break;
    }
    if (mode == Mode::Rtu || mode == Mode::Ascii) AppendSerialArgs(argv, serial);
    argv.insert(argv.end(), {"--slave", std::to_string(slaveId)});
    argv.insert(argv.end(), extraArgs.begin(), extraArgs.end());

    // Tell a missing pymodbus apart from other start failures: the script
    // exits with a code of its own when the import fails.
    std::unique_ptr<PeerProcess> peer = Start(argv, kReadyTimeout, error);
    if (!peer && error.find("exit code " + std::to_string(kExitMissingPackage)) != std::string::npos)
        error = "pymodbus is missing: install the Debian package python3-pymodbus (" + error + ")";
    return peer;
}

std::unique_ptr<PeerProcess> PeerProcess::LibModbus(Mode mode, const std::string& device,
                                                    std::string& error, int slaveId,
                                                    const Serial& serial, int lines) {
    if (mode == Mode::Ascii || mode == Mode::RtuOverTcp) {
        error = "the libmodbus slave serves TCP and RTU only";
        return nullptr;
    }
    std::string binary;
    for (const std::string& candidate : {BinaryDir() + "/tests/zentiq_libmodbus_slave",
                                         BinaryDir() + "/zentiq_libmodbus_slave"}) {
        if (IsExecutable(candidate)) {
            binary = candidate;
            break;
        }
    }
    if (binary.empty()) {
        error = "zentiq_libmodbus_slave not found under " + BinaryDir() +
                "/tests: build that target (it needs the Debian package libmodbus-dev)";
        return nullptr;
    }
    if (std::string bad = SerialArgsError(serial); !bad.empty()) {
        error = bad;
        return nullptr;
    }
    std::vector<std::string> argv{binary};
    if (mode == Mode::Tcp) {
        argv.insert(argv.end(), {"--tcp", device.empty() ? "0" : device});
    } else if (device.empty()) {
        argv.push_back("--rtu-own-pty");
    } else {
        argv.insert(argv.end(), {"--rtu", device});
        AppendSerialArgs(argv, serial);
    }
    argv.insert(argv.end(), {"--slave", std::to_string(slaveId), "--exit-on-stdin-eof"});
    if (lines != 1) argv.insert(argv.end(), {"--lines", std::to_string(lines)});
    return Start(argv, kReadyTimeout, error);
}

long long PeerProcess::Served() {
    const std::string report = Report("SERVED ");
    return report.empty() ? -1 : std::atoll(report.c_str());
}

std::string PeerProcess::Report(const std::string& tag) {
    if (m_pid <= 0 || m_stdout < 0 || ::kill(m_pid, SIGUSR1) != 0) return "";
    const auto deadline = Clock::now() + std::chrono::seconds(2);
    std::string text;
    for (int i = 0; i < 1000; ++i) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return "";
        pollfd pfd{m_stdout, POLLIN, 0};
        const int r = ::poll(&pfd, 1, static_cast<int>(left.count()));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return "";
        char buf[64];
        const ssize_t n = ::read(m_stdout, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return "";
        text.append(buf, static_cast<std::size_t>(n));
        const std::size_t at = text.rfind(tag);
        const std::size_t end = at == std::string::npos ? at : text.find('\n', at);
        if (end != std::string::npos) return text.substr(at + tag.size(), end - at - tag.size());
        if (text.size() > 4096) return "";
    }
    return "";
}

bool PeerProcess::IsRunning() {
    if (m_pid <= 0 || m_reaped) return false;
    int status = 0;
    const pid_t r = ::waitpid(m_pid, &status, WNOHANG);
    if (r == m_pid) {
        m_reaped = true;
        m_waitStatus = status;
        return false;
    }
    return r == 0;
}

int PeerProcess::Stop() {
    CloseFd(m_stdin);  // the peer's cue to end by itself
    const bool started = m_pid > 0;
    if (started) {
        if (!m_reaped) {
            m_waitStatus = process::Stop(m_pid, std::chrono::milliseconds(3000));
            m_reaped = true;
        }
        // A peer that failed, crashed or had to be killed says why.
        const bool clean = m_waitStatus >= 0 &&
                           ((WIFEXITED(m_waitStatus) && WEXITSTATUS(m_waitStatus) == 0) ||
                            (WIFSIGNALED(m_waitStatus) && WTERMSIG(m_waitStatus) == SIGTERM));
        if (!clean && m_reportExit) {
            const std::string log = process::ReadTail(m_stderrPath);
            std::cerr << "peer " << m_pid << " ended with " << DescribeStatus(m_waitStatus)
                      << (log.empty() ? std::string() : "; its stderr:\n" + log) << '\n';
        }
    }
    CloseFd(m_stdout);
    if (!m_stderrPath.empty()) {
        ::unlink(m_stderrPath.c_str());
        m_stderrPath.clear();
    }
    m_pid = -1;
    return started ? m_waitStatus : -1;
}

PeerProcess::~PeerProcess() { Stop(); }

}  // namespace zentiq::test
