// What the engine throughput benchmarks share: the rate record, timing an
// engine that polls one slot continuously, and a libmodbus client loop doing
// the same reads.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <string>

#include <modbus.h>

#include "bench_goal.h"
#include "engine/engine.h"
#include "engine/slot_timing.h"
#include "support/busy_loops.h"
#include "support/peer_data.h"

namespace bench {

using Clock = std::chrono::steady_clock;

inline constexpr zentiq::WindowHandle kWindow = 0x5151;
inline constexpr int kSlave = 1;
inline constexpr auto kWarmUp = std::chrono::milliseconds(200);

struct Rate {
    std::uint64_t ok = 0;
    std::uint64_t failures = 0;
    double seconds = 0;
    double cpuSeconds = 0;  // of the whole process while it was measured
    // Voluntary and involuntary context switches of the whole process while
    // it was measured: the sleeps and wake-ups each transaction costs.
    std::uint64_t contextSwitches = 0;
    std::uint64_t preemptions = 0;  // the involuntary ones among them
    bool valuesOk = false;

    double PerSecond() const { return seconds > 0 ? static_cast<double>(ok) / seconds : 0.0; }
    // Processor time per transaction: unlike the rate, hardly touched by
    // what else the machine is doing.
    double CpuMicrosEach() const { return ok > 0 ? cpuSeconds * 1e6 / static_cast<double>(ok) : 0.0; }
    double SwitchesEach() const {
        return ok > 0 ? static_cast<double>(contextSwitches) / static_cast<double>(ok) : 0.0;
    }
    double PreemptionsEach() const {
        return ok > 0 ? static_cast<double>(preemptions) / static_cast<double>(ok) : 0.0;
    }
    bool Sound() const { return failures == 0 && valuesOk; }
};

// The middle value (the mean of the two middle ones for an even count).
inline double Median(std::vector<double> values) {
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

inline bool MatchesPattern(const std::uint16_t* regs, int count) {
    for (int i = 0; i < count; ++i)
        if (regs[i] != zq_peer_holding(static_cast<unsigned>(i))) return false;
    return true;
}

inline double ProcessCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

struct Switches {
    std::uint64_t all = 0, involuntary = 0;
};

inline Switches ProcessContextSwitches() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto involuntary = static_cast<std::uint64_t>(usage.ru_nivcsw);
    return {static_cast<std::uint64_t>(usage.ru_nvcsw) + involuntary, involuntary};
}

inline void CountSwitchesSince(const Switches& before, Rate& rate) {
    const Switches now = ProcessContextSwitches();
    rate.contextSwitches = now.all - before.all;
    rate.preemptions = now.involuntary - before.involuntary;
}

// Seconds per measurement from the command line (default 3), 0 on bad input.
inline double SecondsArgument(int argc, char** argv) {
    if (argc < 2) return 3.0;
    const double seconds = std::atof(argv[1]);
    if (seconds >= 0.5 && seconds <= 60) return seconds;
    std::fprintf(stderr, "usage: %s [seconds per measurement, 0.5..60]\n", argv[0]);
    return 0;
}

// The command line of the benches that also measure on a busy machine:
// [seconds per measurement] [--busy N]. seconds is 0 on bad input.
struct Options {
    double seconds = 3.0;
    int busy = 0;  // busy loops beside the measurement
};

inline Options ParseOptions(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--busy" && i + 1 < argc) {
            o.busy = std::atoi(argv[++i]);
            if (o.busy < 0 || o.busy > 16) o.seconds = 0;
        } else {
            o.seconds = std::atof(argv[i]);
        }
        if (o.seconds < 0.5 || o.seconds > 60) {
            std::fprintf(stderr, "usage: %s [seconds per measurement, 0.5..60] [--busy N, 0..16]\n", argv[0]);
            o.seconds = 0;
            break;
        }
    }
    return o;
}

using zentiq::test::BusyLoops;

// The goal lines of one size on one line, from the rounds' ratios
// engine/libmodbus and the processor times per transaction of each side. On
// an idle machine: the median ratio at least idleRatio, and at most
// cpuShare times libmodbus's processor time. With busy loops beside: the
// median at least 1 and no round below a half.
inline void PrintRatioGoals(const char* line, const Options& o, int registers, const std::vector<double>& ratios,
                            const std::vector<double>& engineCpu, const std::vector<double>& libCpu,
                            double idleRatio = 1.1, double cpuShare = 1.5) {
    const std::string size = std::to_string(registers);
    if (o.busy > 0) {
        PrintGoal((std::string(line) + "_busy_ratio_" + size).c_str(), Median(ratios), Better::Higher, 1.0, "x");
        PrintGoal((std::string(line) + "_busy_worst_round_" + size).c_str(),
                  *std::min_element(ratios.begin(), ratios.end()), Better::Higher, 0.5, "x");
        return;
    }
    PrintGoal((std::string(line) + "_ratio_" + size).c_str(), Median(ratios), Better::Higher, idleRatio, "x");
    const double lib = Median(libCpu);
    PrintGoal((std::string(line) + "_cpu_vs_libmodbus_" + size).c_str(), lib > 0 ? Median(engineCpu) / lib : 0,
              Better::Lower, cpuShare, "x");
}

// Runs once() (true = a good read) after a warm-up for the given time.
template <typename Once>
Rate TimedLoop(double seconds, Once once) {
    Rate rate;
    const auto warm = Clock::now() + kWarmUp;
    for (int i = 0; i < 1000000 && Clock::now() < warm; ++i) once();
    const auto t0 = Clock::now();
    const double cpu0 = ProcessCpuSeconds();
    const Switches switches0 = ProcessContextSwitches();
    const auto end = t0 + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    for (long i = 0; i < 100000000L && Clock::now() < end; ++i) (once() ? rate.ok : rate.failures)++;
    rate.seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    rate.cpuSeconds = ProcessCpuSeconds() - cpu0;
    CountSwitchesSince(switches0, rate);
    return rate;
}

namespace detail {
inline std::atomic<std::uint64_t> g_ok{0};
inline std::atomic<std::uint64_t> g_failed{0};
inline void CountPost(zentiq::WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                      std::intptr_t) {
    if (window != kWindow || message != zentiq::WM_POLL_RESULT) return;
    (wParam == 0 ? g_ok : g_failed).fetch_add(1, std::memory_order_relaxed);
}
}  // namespace detail

// The engine, already connected and in its mode, polls one slot of holding
// registers continuously with no delay between polls.
inline Rate EnginePollingRate(int registers, double seconds) {
    Rate rate;
    zentiq::SetMessagePoster(&detail::CountPost);
    zentiq::SetPollDelay(0);
    const int slot = zentiq::RegisterPollSlot(kWindow, zentiq::WM_POLL_RESULT, 0, kSlave, 3, 0,
                                              static_cast<std::uint16_t>(registers), 0, 0);
    zentiq::SetPollMode(slot, zentiq::Continuous);
    zentiq::StartPolling();
    std::this_thread::sleep_for(kWarmUp);
    const std::uint64_t ok0 = detail::g_ok.load(), failed0 = detail::g_failed.load();
    const auto t0 = Clock::now();
    const double cpu0 = ProcessCpuSeconds();  // the worker's: this thread sleeps
    const Switches switches0 = ProcessContextSwitches();  // this thread's sleep is one
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const std::uint64_t ok1 = detail::g_ok.load(), failed1 = detail::g_failed.load();
    rate.seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    rate.cpuSeconds = ProcessCpuSeconds() - cpu0;
    CountSwitchesSince(switches0, rate);
    zentiq::StopPolling();
    std::vector<std::uint16_t> regs(static_cast<std::size_t>(registers));
    rate.valuesOk = zentiq::ReadRegisters(slot, regs.data()) == 0 && MatchesPattern(regs.data(), registers);
    zentiq::ReleasePollSlot(slot);
    zentiq::SetMessagePoster(nullptr);
    rate.ok = ok1 - ok0;
    rate.failures = failed1 - failed0;
    return rate;
}

// A libmodbus master reading in a tight loop; takes and frees ctx.
inline Rate LibModbusRate(modbus_t* ctx, const char* where, int registers, double seconds) {
    if (ctx == nullptr || modbus_set_slave(ctx, kSlave) != 0 || modbus_connect(ctx) != 0) {
        std::fprintf(stderr, "libmodbus: cannot reach %s: %s\n", where, modbus_strerror(errno));
        if (ctx != nullptr) modbus_free(ctx);
        return {};
    }
    modbus_set_response_timeout(ctx, 1, 0);
    std::vector<std::uint16_t> regs(static_cast<std::size_t>(registers));
    Rate rate = TimedLoop(seconds, [&] { return modbus_read_registers(ctx, 0, registers, regs.data()) == registers; });
    rate.valuesOk = MatchesPattern(regs.data(), registers);
    modbus_close(ctx);
    modbus_free(ctx);
    return rate;
}

inline void PrintIfUnsound(const char* what, const Rate& r) {
    if (r.Sound()) return;
    std::printf("  warning: %s had %llu failed reads, values %s\n", what,
                static_cast<unsigned long long>(r.failures), r.valuesOk ? "ok" : "WRONG");
}

}  // namespace bench
