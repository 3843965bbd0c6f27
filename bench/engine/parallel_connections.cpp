// Several connections at once: 1, 2, 4 and 8 lines (ModbusLine) polling
// holding registers flat out over Modbus/TCP on 127.0.0.1, each against a
// libmodbus slave of its own; the total transactions per second of each
// count, median over rounds in which the counts take turns. Beside it the
// single line against the engine's default line driven through the free
// functions (as bench_tcp_throughput drives it), in alternating bursts of
// the same run; and the processor time of 8 lines with 32 windows each at a
// 1 s scan rate, the load of a commissioning site left polling.
//
//   bench_parallel_connections [seconds per burst, default 2]
#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench_goal.h"
#include "engine/engine.h"
#include "engine/modbus_line.h"
#include "support/peer_process.h"
#include "throughput_common.h"

namespace {

using zentiq::ModbusLine;
using zentiq::test::PeerProcess;
using Clock = std::chrono::steady_clock;

constexpr int kMaxLines = 8;
constexpr int kWindowsPerLine = 32;
constexpr int kRounds = 5;

std::array<std::atomic<std::uint64_t>, kMaxLines + 1> g_ok{};

// Window i + 1 is line i's; window kMaxLines + 1 the default line's.
void Count(zentiq::WindowHandle window, std::uint32_t message, std::uintptr_t status,
           std::intptr_t) {
    if (message != zentiq::WM_POLL_RESULT || window == 0 || window > g_ok.size() ||
        status != zentiq::status::Ok)
        return;
    g_ok[window - 1].fetch_add(1, std::memory_order_relaxed);
}

std::uint64_t OkOf(std::size_t window) { return g_ok[window - 1].load(std::memory_order_relaxed); }

// Connects, registers one continuous poll of 10 registers for `window` and
// starts the worker with the polls held; the line's operations as members
// of a ModbusLine or of the default line alike.
template <typename Line>
bool Prepare(Line& line, std::uint16_t port, zentiq::WindowHandle window, int windows,
             std::uint16_t scanRate) {
    line.SetMessagePoster(&Count);
    line.SetPollDelay(0);
    if (line.OpenTcpConnection("127.0.0.1", port, 1000, 3000) != 0)
        return false;
    line.SetTransmissionMode(zentiq::TCP);
    for (int w = 0; w < windows; ++w) {
        const int slot =
            line.RegisterPollSlot(window, zentiq::WM_POLL_RESULT, scanRate, 1, 3, 0, 10, 0, 0);
        if (slot < 1)
            return false;
        line.SetPollMode(slot, zentiq::Continuous);
    }
    line.PausePollSlots(1);
    return line.StartPolling() == 1;
}

// The default line through the free functions.
struct DefaultLineOps {
    void SetMessagePoster(zentiq::PostMessageFn p) { zentiq::SetMessagePoster(p); }
    void SetPollDelay(std::uint32_t ms) { zentiq::SetPollDelay(ms); }
    int OpenTcpConnection(const char* a, std::uint16_t p, std::uint32_t r, std::uint32_t c) {
        return zentiq::OpenTcpConnection(a, p, r, c);
    }
    int SetTransmissionMode(int m) { return zentiq::SetTransmissionMode(m); }
    int RegisterPollSlot(zentiq::WindowHandle w, std::uint32_t m, std::uint16_t rate,
                         std::uint16_t s, std::uint16_t f, std::uint16_t a, std::uint16_t q,
                         std::uint16_t wa, std::uint16_t wq) {
        return zentiq::RegisterPollSlot(w, m, rate, s, f, a, q, wa, wq);
    }
    int SetPollMode(int slot, int mode) { return zentiq::SetPollMode(slot, mode); }
    int PausePollSlots(int p) { return zentiq::PausePollSlots(p); }
    int StartPolling() { return zentiq::StartPolling(); }
};

// Lets the lines poll for `seconds` and returns their total successful
// transactions per second.
template <typename Pause>
double Burst(const std::vector<std::size_t>& windows, double seconds, Pause pause) {
    std::uint64_t before = 0;
    for (std::size_t w : windows)
        before += OkOf(w);
    const auto t0 = Clock::now();
    pause(0);
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    pause(1);
    const double took = std::chrono::duration<double>(Clock::now() - t0).count();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));  // what was under way ends
    std::uint64_t after = 0;
    for (std::size_t w : windows)
        after += OkOf(w);
    return static_cast<double>(after - before) / took;
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::max(0.2, std::atof(argv[1])) : 2.0;
    std::vector<std::unique_ptr<PeerProcess>> slaves;
    for (int i = 0; i < kMaxLines + 1; ++i) {
        std::string error;
        slaves.push_back(PeerProcess::LibModbus(PeerProcess::Mode::Tcp, "", error, 1));
        if (!slaves.back()) {
            std::fprintf(stderr, "libmodbus slave: %s\n", error.c_str());
            return 1;
        }
    }
    std::vector<std::unique_ptr<ModbusLine>> lines;
    for (int i = 0; i < kMaxLines; ++i) {
        lines.push_back(std::make_unique<ModbusLine>());
        if (!Prepare(*lines.back(), slaves[static_cast<std::size_t>(i)]->Port(),
                     static_cast<zentiq::WindowHandle>(i + 1), 1, 0)) {
            std::fprintf(stderr, "line %d: cannot connect\n", i + 1);
            return 1;
        }
    }
    DefaultLineOps defaultLine;
    zentiq::InitEngine();
    if (!Prepare(defaultLine, slaves[kMaxLines]->Port(), kMaxLines + 1, 1, 0)) {
        std::fprintf(stderr, "default line: cannot connect\n");
        return 1;
    }

    std::printf(
        "Modbus/TCP reads of 10 holding registers on 127.0.0.1, each line against a libmodbus "
        "slave of its "
        "own, %.1f s per burst, %d rounds, %u processors\n",
        seconds, kRounds, std::thread::hardware_concurrency());
    const int counts[] = {1, 2, 4, 8};
    std::vector<double> rates[4];
    std::vector<double> defaultRates, singleVsDefault;
    for (int round = 0; round < kRounds; ++round) {
        for (int c = 0; c < 4; ++c) {
            std::vector<std::size_t> windows;
            for (int i = 0; i < counts[c]; ++i)
                windows.push_back(static_cast<std::size_t>(i + 1));
            rates[c].push_back(Burst(windows, seconds, [&](int p) {
                for (int i = 0; i < counts[c]; ++i)
                    lines[static_cast<std::size_t>(i)]->PausePollSlots(p);
            }));
        }
        defaultRates.push_back(
            Burst({kMaxLines + 1}, seconds, [](int p) { zentiq::PausePollSlots(p); }));
        singleVsDefault.push_back(rates[0].back() / defaultRates.back());
    }
    std::printf("lines   total tx/s   per line   x one line\n");
    const double one = bench::Median(rates[0]);
    for (int c = 0; c < 4; ++c) {
        const double total = bench::Median(rates[c]);
        std::printf("%-5d %12.1f %10.1f %10.2f\n", counts[c], total, total / counts[c],
                    total / one);
    }
    std::printf("default line through the free functions: %.1f tx/s\n",
                bench::Median(defaultRates));
    bench::PrintGoal("parallel_two_vs_one", bench::Median(rates[1]) / one, bench::Better::Higher,
                     1.8, "x");
    bench::PrintGoal("parallel_one_vs_default_line", bench::Median(singleVsDefault),
                     bench::Better::Higher, 0.95, "x");

    // The idle cost: 8 lines, 32 windows each, every window once a second.
    zentiq::StopPolling();
    lines.clear();
    std::vector<std::unique_ptr<ModbusLine>> site;
    for (int i = 0; i < kMaxLines; ++i) {
        site.push_back(std::make_unique<ModbusLine>());
        ModbusLine& line = *site.back();
        if (!Prepare(line, slaves[static_cast<std::size_t>(i)]->Port(),
                     static_cast<zentiq::WindowHandle>(i + 1), kWindowsPerLine, 1000)) {
            std::fprintf(stderr, "site line %d: cannot connect\n", i + 1);
            return 1;
        }
        line.SetPollDelay(10);  // the application's default pause between polls
    }
    for (auto& line : site)
        line->PausePollSlots(0);
    std::this_thread::sleep_for(std::chrono::seconds(2));  // the first polls of every window
    std::uint64_t ok0 = 0;
    for (int i = 1; i <= kMaxLines; ++i)
        ok0 += OkOf(static_cast<std::size_t>(i));
    const double cpu0 = bench::ProcessCpuSeconds();
    const auto t0 = Clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(std::max(5.0, 3 * seconds)));
    const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    const double cpu = bench::ProcessCpuSeconds() - cpu0;
    std::uint64_t ok1 = 0;
    for (int i = 1; i <= kMaxLines; ++i)
        ok1 += OkOf(static_cast<std::size_t>(i));
    std::printf("%d lines x %d windows at 1 s: %.1f polls/s, %.2f %% of a core\n", kMaxLines,
                kWindowsPerLine, static_cast<double>(ok1 - ok0) / wall, 100.0 * cpu / wall);
    bench::PrintGoal("parallel_site_idle_cpu_percent", 100.0 * cpu / wall, bench::Better::Lower,
                     3.0, "%");
    site.clear();
    return 0;
}
