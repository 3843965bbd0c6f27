// How long a disconnect takes while a request waits for a slave that never
// answers: StopPolling plus closing the line, on a serial line (a pty nobody
// answers on) and on Modbus/TCP (a scripted slave that stays silent), with a
// 10 s response timeout. Printed against that timeout, which is what a stop
// that waited for the transaction would take.
//
//   bench_stop_latency [rounds per line, 1..50; default 10]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <thread>
#include <vector>

#include "engine/engine.h"
#include "support/pty_pair.h"
#include "support/scripted_tcp_slave.h"
#include "bench_goal.h"

namespace {

using namespace zentiq;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr std::uint32_t kTimeoutMs = 10000;
constexpr WindowHandle kWindow = 0x7101;

void Poster(WindowHandle, std::uint32_t, std::uintptr_t, std::intptr_t) {}

struct Line {
    const char* name;
    std::function<int()> open;
    int mode;
    std::function<bool()> requestArrived;
};

// One stop with a request outstanding, in milliseconds; negative when the
// request never reached the slave.
double OneStop(const Line& line) {
    InitEngine();
    SetPollDelay(1);
    if (line.open() != 0) return -1;
    SetSerialTimeouts(240, 2, kTimeoutMs, 2, 200);
    SetTransmissionMode(line.mode);
    const int slot = RegisterPollSlot(kWindow, WM_POLL_RESULT, 0, 1, 3, 0, 10, 0, 0);
    SetPollMode(slot, Continuous);
    StartPolling();
    const bool arrived = line.requestArrived();
    std::this_thread::sleep_for(20ms);  // well inside the wait for the answer
    const auto start = Clock::now();
    StopPolling();
    CloseSerialPort();
    CloseTcpConnection();
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    ReleasePollSlot(slot);
    return arrived ? ms : -1;
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::clamp(std::atoi(argv[1]), 1, 50) : 10;
    SetMessagePoster(Poster);
    test::PtyPair pty;
    if (!pty.ok()) {
        std::fprintf(stderr, "no pty pair: %s\n", pty.error().c_str());
        return 1;
    }
    SetSerialDevice(1, pty.slavePath().c_str());
    const Line lines[] = {
        {"serial RTU", [] { return OpenSerialPort(1, 9600, 8, 2, 0); }, RTU,
         [&] { return pty.readFromPort(8, 5000).size() == 8; }},
        {"Modbus/TCP", nullptr, TCP, nullptr},
    };
    std::printf("stop with a request outstanding, response timeout %u ms, %d rounds per line\n", kTimeoutMs,
                rounds);
    int status = 0;
    for (const Line& base : lines) {
        std::vector<double> ms;
        for (int r = 0; r < rounds; ++r) {
            Line line = base;
            // A silent slave of its own each round: it serves one connection.
            test::ScriptedTcpSlave slave({test::ScriptedTcpSlave::Silent()});
            if (line.mode == TCP) {
                line.open = [&] { return OpenTcpConnection("127.0.0.1", slave.Port(), kTimeoutMs, 2000); };
                line.requestArrived = [&] {
                    for (int i = 0; i < 500 && slave.Requests().empty(); ++i) std::this_thread::sleep_for(10ms);
                    return !slave.Requests().empty();
                };
            }
            const double t = OneStop(line);
            if (t < 0) {
                std::fprintf(stderr, "%s: the request never reached the slave\n", line.name);
                status = 1;
                break;
            }
            ms.push_back(t);
        }
        if (ms.empty()) continue;
        std::sort(ms.begin(), ms.end());
        const double median = ms[ms.size() / 2], worst = ms.back();
        std::printf("%-11s median %7.2f ms  max %7.2f ms  (goal 100 ms)  max/timeout %.4f\n", base.name,
                    median, worst, worst / kTimeoutMs);
        ::bench::PrintGoal(base.mode == TCP ? "stop_latency_tcp_max_ms" : "stop_latency_rtu_max_ms", worst,
                           ::bench::Better::Lower, 100.0, "ms");
    }
    InitEngine();
    return status;
}
