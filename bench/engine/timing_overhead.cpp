// What the response-time figures cost the poll worker: the engine polls one
// slot of 10 holding registers as fast as it can from the libmodbus TCP
// slave on 127.0.0.1, with the transaction timing on and switched off (a
// switch that exists for this benchmark only), in alternating runs of the
// same process. A shared machine moves single runs by several per cent, so
// the figure is the median of the rounds' ratios; the processor time per
// transaction, which load disturbs less, is printed beside it.
//
//   bench_timing_overhead [seconds per run, default 2] [rounds, default 7]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/transaction_timing.h"
#include "support/peer_process.h"
#include "throughput_common.h"
#include "bench_goal.h"

namespace {

using zentiq::test::PeerProcess;

bench::Rate Measure(bool timing, double seconds) {
    zentiq::SetTransactionTimingForBench(timing);
    const bench::Rate rate = bench::EnginePollingRate(10, seconds);
    zentiq::SetTransactionTimingForBench(true);
    return rate;
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::clamp(std::atof(argv[1]), 0.5, 60.0) : 2.0;
    const int rounds = argc > 2 ? std::clamp(std::atoi(argv[2]), 1, 30) : 7;
    std::string error;
    auto slave = PeerProcess::LibModbus(PeerProcess::Mode::Tcp, "", error, bench::kSlave);
    if (!slave) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    zentiq::InitEngine();
    if (zentiq::OpenTcpConnection("127.0.0.1", slave->Port(), 1000, 3000) != 0) {
        std::fprintf(stderr, "cannot connect to 127.0.0.1:%u (errno %d)\n", unsigned(slave->Port()),
                     zentiq::LastSocketError());
        return 1;
    }
    zentiq::SetTransmissionMode(zentiq::TCP);

    std::printf("Transaction timing on and off, 10 holding registers over Modbus/TCP from the "
                "libmodbus slave, %.1f s per run, %d rounds (goal: under 1 %% difference)\n",
                seconds, rounds);
    std::printf("%-6s %12s %12s %9s   %12s %12s\n", "round", "on tx/s", "off tx/s", "on/off",
                "on cpu us", "off cpu us");
    std::vector<double> ratios, cpuRatios, onRates;
    bool sound = true;
    for (int round = 1; round <= rounds; ++round) {
        // Alternate the order so neither always runs first.
        bench::Rate on, off;
        if (round % 2 == 1) {
            on = Measure(true, seconds);
            off = Measure(false, seconds);
        } else {
            off = Measure(false, seconds);
            on = Measure(true, seconds);
        }
        const double ratio = off.PerSecond() > 0 ? on.PerSecond() / off.PerSecond() : 0;
        const double cpuRatio = off.CpuMicrosEach() > 0 ? on.CpuMicrosEach() / off.CpuMicrosEach() : 0;
        ratios.push_back(ratio);
        onRates.push_back(on.PerSecond());
        cpuRatios.push_back(cpuRatio);
        std::printf("%-6d %12.1f %12.1f %9.4f   %12.2f %12.2f\n", round, on.PerSecond(),
                    off.PerSecond(), ratio, on.CpuMicrosEach(), off.CpuMicrosEach());
        bench::PrintIfUnsound("timing on", on);
        bench::PrintIfUnsound("timing off", off);
        sound = sound && on.Sound() && off.Sound();
    }
    const double median = bench::Median(ratios);
    std::printf("median throughput with timing: %.2f %% of without (difference %+.2f %%); "
                "median processor time per transaction: %.2f %% of without\n",
                100 * median, 100 * (median - 1), 100 * bench::Median(cpuRatios));
    bench::PrintGoal("timing_overhead_percent", 100 * std::abs(median - 1), bench::Better::Lower, 1.0, "%");

    // What the figures stand on, timed alone: four clock reads per
    // transaction, steady whatever the machine's load does to the rates.
    constexpr int kReads = 2000000;
    std::uint64_t sink = 0;
    const auto t0 = bench::Clock::now();
    for (int i = 0; i < kReads; ++i) sink += zentiq::TransactionClockUs();
    const double nsEach =
        std::chrono::duration<double, std::nano>(bench::Clock::now() - t0).count() / kReads;
    const double perTransactionUs = 1e6 / std::max(1.0, bench::Median(onRates));
    std::printf("one clock read: %.1f ns; four per transaction = %.3f %% of a transaction of "
                "%.1f us (median with timing)%s\n",
                nsEach, 100 * 4 * nsEach / 1000 / perTransactionUs, perTransactionUs,
                sink == 0 ? " (clock never moved)" : "");

    zentiq::CloseTcpConnection();
    std::fflush(stdout);
    return sound ? 0 : 1;
}
