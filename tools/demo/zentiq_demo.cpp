// A console demonstration of the engine: it wires a pty pair with socat,
// starts tools/demo_slave.py (pymodbus) on one end, polls it in Modbus RTU
// on the other end for a few seconds with two slots (holding registers and
// coils), prints the values as they change, and stops everything cleanly.
//
//   zentiq_demo [--seconds N] [--script PATH/demo_slave.py]
//
// Needs socat and python3-pymodbus (tools/deps.sh installs both).
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/engine.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr zentiq::WindowHandle kRegistersWindow = 1;
constexpr zentiq::WindowHandle kCoilsWindow = 2;
constexpr std::uint16_t kSlave = 1;
constexpr std::uint32_t kBaud = 19200;

volatile sig_atomic_t g_interrupted = 0;
void OnSignal(int) { g_interrupted = 1; }

// ---- the engine's posts, queued for the main thread -------------------------

struct Post {
    zentiq::WindowHandle window;
    std::uint32_t message;
    std::uintptr_t status;
    std::intptr_t slot;
};

std::mutex g_postLock;
std::condition_variable g_postArrived;
std::deque<Post> g_posts;

void QueuePost(zentiq::WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
               std::intptr_t lParam) {
    {
        std::lock_guard guard(g_postLock);
        if (g_posts.size() < 10000) g_posts.push_back({window, message, wParam, lParam});
    }
    g_postArrived.notify_one();
}

bool NextPost(Post& post, std::chrono::milliseconds limit) {
    std::unique_lock lock(g_postLock);
    if (!g_postArrived.wait_for(lock, limit, [] { return !g_posts.empty(); })) return false;
    post = g_posts.front();
    g_posts.pop_front();
    return true;
}

// ---- child processes ---------------------------------------------------------

bool IsExecutable(const std::string& path) { return ::access(path.c_str(), X_OK) == 0; }

std::string FindInPath(const std::string& name) {
    const char* env = std::getenv("PATH");
    std::stringstream dirs(env != nullptr ? env : "/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':'))
        if (!dir.empty() && IsExecutable(dir + "/" + name)) return dir + "/" + name;
    return {};
}

// fork/exec with the given stdin/stdout/stderr; the child gets SIGTERM if the
// demo dies, so nothing outlives it.
pid_t Spawn(const std::vector<std::string>& argv, int in, int out, int err) {
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    const int devNull = ::open("/dev/null", O_RDWR);
    if (::dup2(in >= 0 ? in : devNull, 0) < 0 || ::dup2(out >= 0 ? out : devNull, 1) < 0 ||
        ::dup2(err >= 0 ? err : devNull, 2) < 0)
        ::_exit(126);
    ::syscall(SYS_close_range, 3u, ~0u, 0u);
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent) ::_exit(125);
    ::execv(args[0], args.data());
    ::_exit(127);
}

// Bounded wait; SIGTERM and then SIGKILL when the child does not end.
void Reap(pid_t pid, bool terminate) {
    if (pid <= 0) return;
    if (terminate) ::kill(pid, SIGTERM);
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < 300; ++i) {  // 3 s
            int status = 0;
            const pid_t r = ::waitpid(pid, &status, WNOHANG);
            if (r == pid || r < 0) return;
            std::this_thread::sleep_for(10ms);
        }
        ::kill(pid, round == 0 ? SIGTERM : SIGKILL);
    }
    ::waitpid(pid, nullptr, 0);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

struct Children {
    pid_t socat = -1;
    pid_t slave = -1;
    int slaveStdin = -1;
    std::string linkA, linkB, socatLog, slaveLog;

    ~Children() {
        if (slaveStdin >= 0) ::close(slaveStdin);  // the slave's cue to end
        Reap(slave, false);
        Reap(socat, true);
        for (const auto* p : {&linkA, &linkB, &socatLog, &slaveLog})
            if (!p->empty()) ::unlink(p->c_str());
    }
};

bool StartSocat(Children& c, std::string& error) {
    const std::string socat = FindInPath("socat");
    if (socat.empty()) {
        error = "socat is not installed: install the Debian package socat (tools/deps.sh does)";
        return false;
    }
    const std::string base = "/tmp/zq-demo-" + std::to_string(::getpid());
    c.linkA = base + "-a";
    c.linkB = base + "-b";
    c.socatLog = base + "-socat.log";
    const int log = ::open(c.socatLog.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    c.socat = Spawn({socat, "-d", "-d", "pty,raw,echo=0,link=" + c.linkA,
                     "pty,raw,echo=0,link=" + c.linkB},
                    -1, -1, log);
    if (log >= 0) ::close(log);
    if (c.socat < 0) {
        error = "cannot start socat";
        return false;
    }
    const auto deadline = Clock::now() + 10s;
    while (Clock::now() < deadline) {
        struct stat st {};
        if (ReadFile(c.socatLog).find("starting data transfer loop") != std::string::npos &&
            ::stat(c.linkA.c_str(), &st) == 0 && ::stat(c.linkB.c_str(), &st) == 0)
            return true;
        if (::waitpid(c.socat, nullptr, WNOHANG) == c.socat) {
            c.socat = -1;
            break;
        }
        std::this_thread::sleep_for(10ms);
    }
    error = "socat did not set up the pty pair: " + ReadFile(c.socatLog);
    return false;
}

std::string FindScript(const char* given, const char* argv0) {
    if (given != nullptr) return given;
    std::vector<std::string> roots;
    if (const char* src = std::getenv("ZENTIQ_SOURCE_DIR")) roots.push_back(src);
    roots.push_back(".");
    // The executable lives in <source>/build/<name>/src: look a few levels up.
    char exe[PATH_MAX] = {};
    const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
    std::string dir = n > 0 ? std::string(exe, static_cast<std::size_t>(n)) : std::string(argv0);
    for (int up = 0; up < 5; ++up) {
        const auto slash = dir.find_last_of('/');
        if (slash == std::string::npos || slash == 0) break;
        dir.erase(slash);
        roots.push_back(dir);
    }
    for (const auto& root : roots) {
        const std::string candidate = root + "/tools/demo_slave.py";
        if (::access(candidate.c_str(), R_OK) == 0) return candidate;
    }
    return {};
}

bool StartSlave(Children& c, const std::string& script, std::string& error) {
    const std::string python = "/usr/bin/python3";
    if (!IsExecutable(python)) {
        error = "/usr/bin/python3 is missing: install the Debian packages python3 and python3-pymodbus";
        return false;
    }
    int in[2], out[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) {
        error = "pipe failed";
        return false;
    }
    c.slaveLog = "/tmp/zq-demo-" + std::to_string(::getpid()) + "-slave.log";
    const int log = ::open(c.slaveLog.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    c.slave = Spawn({python, script, "--rtu", c.linkB, "--baud", std::to_string(kBaud), "--slave",
                     std::to_string(kSlave), "--exit-on-stdin-eof", "--max-seconds", "600"},
                    in[0], out[1], log);
    ::close(in[0]);
    ::close(out[1]);
    if (log >= 0) ::close(log);
    c.slaveStdin = in[1];
    // Wait for its READY line.
    std::string text;
    const auto deadline = Clock::now() + 15s;
    bool ready = false;
    while (!ready && Clock::now() < deadline) {
        pollfd pfd{out[0], POLLIN, 0};
        if (::poll(&pfd, 1, 100) <= 0) continue;
        char buf[256];
        const ssize_t got = ::read(out[0], buf, sizeof buf);
        if (got <= 0) break;
        text.append(buf, static_cast<std::size_t>(got));
        ready = text.find("READY ") != std::string::npos && text.find('\n') != std::string::npos;
    }
    ::close(out[0]);
    if (!ready) {
        std::this_thread::sleep_for(200ms);
        error = "the demo slave did not start: " + ReadFile(c.slaveLog);
        if (error.find("python3-pymodbus") == std::string::npos)
            error += " (it needs the Debian package python3-pymodbus)";
    }
    return ready;
}

// ---- output ------------------------------------------------------------------

struct Shown {
    std::string registers;
    std::string coils;
};

std::string RegistersText(int slot) {
    std::uint16_t regs[6] = {};
    float floats[3] = {};
    const int st = zentiq::ReadRegisters(slot, regs);
    zentiq::ReadFloats(slot, floats, 0);  // floats[1] spans registers 2-3
    if (st != 0) return "status " + std::to_string(st);
    char line[160];
    std::snprintf(line, sizeof line, "counter %5u  sine %+8.3f  temperature %5.1f  sawtooth %3u",
                  regs[0], static_cast<double>(floats[1]), regs[4] / 10.0, regs[5]);
    return line;
}

std::string CoilsText(int slot) {
    std::uint8_t coils[8] = {};
    const int st = zentiq::ReadBytes(slot, coils);
    if (st != 0) return "status " + std::to_string(st);
    std::string text = "coils 0-7 ";
    for (std::uint8_t c : coils) text += c ? '1' : '0';
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    int seconds = 8;
    const char* scriptArg = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--seconds" && i + 1 < argc) {
            seconds = std::atoi(argv[++i]);
        } else if (a == "--script" && i + 1 < argc) {
            scriptArg = argv[++i];
        } else {
            std::fprintf(stderr, "usage: %s [--seconds N] [--script PATH/demo_slave.py]\n", argv[0]);
            return 2;
        }
    }
    if (seconds < 1 || seconds > 3600) {
        std::fprintf(stderr, "--seconds must be 1..3600\n");
        return 2;
    }
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);

    const std::string script = FindScript(scriptArg, argv[0]);
    if (script.empty()) {
        std::fprintf(stderr, "tools/demo_slave.py not found; pass --script PATH\n");
        return 1;
    }
    Children children;
    std::string error;
    if (!StartSocat(children, error) || !StartSlave(children, script, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::printf("demo slave (pymodbus, RTU) on %s; the engine polls %s at %u baud\n",
                children.linkB.c_str(), children.linkA.c_str(), kBaud);

    // The connection command's order: settings, open, timeouts, mode, slots, worker.
    zentiq::InitEngine();
    zentiq::SetMessagePoster(&QueuePost);
    zentiq::SetSerialDevice(1, children.linkA.c_str());
    zentiq::SetHandshakeFlags(0);
    zentiq::SetPollDelay(10);
    if (const int r = zentiq::OpenSerialPort(1, kBaud, 8, 0, 0); r != 0) {
        std::fprintf(stderr, "opening %s failed (%d, errno %d)\n", children.linkA.c_str(), r,
                     zentiq::LastSerialOpenErrno());
        return 1;
    }
    const zentiq::BaudTiming timing = zentiq::BaudTimingForIndex(4);  // 19200
    zentiq::SetSerialTimeouts(timing.readInterval, timing.multiplier, 1000, timing.multiplier, 200);
    zentiq::SetTransmissionMode(zentiq::RTU);
    const int regSlot = zentiq::RegisterPollSlot(kRegistersWindow, zentiq::WM_POLL_RESULT, 250,
                                                 kSlave, 3, 0, 6, 0, 0);
    const int coilSlot = zentiq::RegisterPollSlot(kCoilsWindow, zentiq::WM_POLL_RESULT, 500,
                                                  kSlave, 1, 0, 8, 0, 0);
    zentiq::SetPollMode(regSlot, zentiq::Continuous);
    zentiq::SetPollMode(coilSlot, zentiq::Continuous);
    zentiq::StartPolling();

    Shown shown;
    const auto start = Clock::now();
    const auto end = start + std::chrono::seconds(seconds);
    int failures = 0;
    while (!g_interrupted && Clock::now() < end) {
        Post post{};
        if (!NextPost(post, 100ms) || post.message != zentiq::WM_POLL_RESULT) continue;
        const double t = std::chrono::duration<double>(Clock::now() - start).count();
        if (post.status != 0) ++failures;
        std::string text;
        std::string* last = nullptr;
        if (post.window == kRegistersWindow) {
            text = RegistersText(regSlot);
            last = &shown.registers;
        } else if (post.window == kCoilsWindow) {
            text = CoilsText(coilSlot);
            last = &shown.coils;
        }
        if (last != nullptr && text != *last) {
            std::printf("%6.2f s  %s\n", t, text.c_str());
            std::fflush(stdout);
            *last = text;
        }
    }

    zentiq::StopPolling();
    std::uint32_t tx[2] = {}, ok[2] = {};
    zentiq::GetSlotCounters(regSlot, &tx[0], &ok[0]);
    zentiq::GetSlotCounters(coilSlot, &tx[1], &ok[1]);
    zentiq::ReleasePollSlot(regSlot);
    zentiq::ReleasePollSlot(coilSlot);
    zentiq::CloseSerialPort();
    zentiq::SetMessagePoster(nullptr);
    std::printf("registers: %u requests, %u answered; coils: %u requests, %u answered\n", tx[0],
                ok[0], tx[1], ok[1]);
    return (failures == 0 && ok[0] > 0 && ok[1] > 0) ? 0 : 1;
}
