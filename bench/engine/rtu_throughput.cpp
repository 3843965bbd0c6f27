// Transactions per second of the engine in RTU over a pty, against the
// libmodbus slave, side by side with a libmodbus client doing the same reads
// on the same line in the same run. For reads of 10 and of 125 holding
// registers it prints the median rate of each side and the median of the
// per-round ratios engine/libmodbus, over alternating rounds, and the median
// processor time and context switches per transaction of each side. The
// system calls per transaction of each side: tools/syscall_count.sh.
//
// Two lines are measured. The goal lines come from a pty whose master end
// the slave serves itself: the clients' own work and wake-ups decide them.
// The same reads through a socat pty pair follow for comparison, without a
// goal: socat adds two relays and their wake-ups on a two-core machine,
// where which core each lands on swings a round either way.
//
//   bench_rtu_throughput [seconds per side and size, default 3]
#include <string>
#include <vector>

#include "bench_goal.h"
#include "support/peer_process.h"
#include "support/socat_pty_pair.h"
#include "throughput_common.h"

namespace {

using zentiq::test::PeerProcess;
using zentiq::test::SocatPtyPair;

constexpr std::uint32_t kBaud = 115200;

bench::Rate EngineRate(const std::string& device, int registers, double seconds) {
    zentiq::InitEngine();
    zentiq::SetSerialDevice(1, device.c_str());
    if (zentiq::OpenSerialPort(1, kBaud, 8, 0, 0) != 0) {
        std::fprintf(stderr, "engine: cannot open %s (errno %d)\n", device.c_str(),
                     zentiq::LastSerialOpenErrno());
        return {};
    }
    zentiq::SetSerialTimeouts(32, 1, 1000, 1, 200);
    zentiq::SetTransmissionMode(zentiq::RTU);
    const bench::Rate rate = bench::EnginePollingRate(registers, seconds);
    zentiq::CloseSerialPort();
    return rate;
}

// Both sides on device, for each size; false when a side read wrong values
// or failed. With goalPrefix the ratios are goal lines, else plain lines.
bool CompareOn(const std::string& device, double seconds, const char* goalPrefix) {
    std::printf("%-10s %14s %16s %8s %12s %12s   %s\n", "registers", "engine tx/s", "libmodbus tx/s",
                "ratio", "engine us/tx", "libmb us/tx", "ratio per round");
    // The machine is shared: measure in alternating rounds (engine,
    // libmodbus, engine, ...) so that a change of load weighs on both sides
    // alike, and report medians so that one disturbed round does not count.
    constexpr int kRounds = 7;
    bool sound = true;
    for (int registers : {10, 125}) {
        std::vector<double> engineRates, libRates, ratios, engineCpu, libCpu, engineSwitches,
            libSwitches, enginePreempted, libPreempted;
        std::string perRound;
        for (int round = 0; round < kRounds; ++round) {
            const bench::Rate engine = EngineRate(device, registers, seconds / kRounds);
            const bench::Rate lib = bench::LibModbusRate(
                modbus_new_rtu(device.c_str(), static_cast<int>(kBaud), 'N', 8, 1), device.c_str(),
                registers, seconds / kRounds);
            bench::PrintIfUnsound("engine", engine);
            bench::PrintIfUnsound("libmodbus", lib);
            sound = sound && engine.Sound() && lib.Sound();
            engineCpu.push_back(engine.CpuMicrosEach());
            libCpu.push_back(lib.CpuMicrosEach());
            engineSwitches.push_back(engine.SwitchesEach());
            libSwitches.push_back(lib.SwitchesEach());
            enginePreempted.push_back(engine.PreemptionsEach());
            libPreempted.push_back(lib.PreemptionsEach());
            engineRates.push_back(engine.PerSecond());
            libRates.push_back(lib.PerSecond());
            const double ratio = lib.PerSecond() > 0 ? engine.PerSecond() / lib.PerSecond() : 0.0;
            ratios.push_back(ratio);
            char text[16];
            std::snprintf(text, sizeof text, " %.2f", ratio);
            perRound += text;
        }
        std::printf("%-10d %14.1f %16.1f %8.2f %12.1f %12.1f  %s\n", registers, bench::Median(engineRates),
                    bench::Median(libRates), bench::Median(ratios), bench::Median(engineCpu),
                    bench::Median(libCpu), perRound.c_str());
        std::printf("%-10s context switches per transaction (involuntary): engine %.2f (%.2f), "
                    "libmodbus %.2f (%.2f)\n",
                    "", bench::Median(engineSwitches), bench::Median(enginePreempted),
                    bench::Median(libSwitches), bench::Median(libPreempted));
        if (goalPrefix != nullptr) {
            const std::string goal = goalPrefix + std::to_string(registers);
            bench::PrintGoal(goal.c_str(), bench::Median(ratios), bench::Better::Higher, 1.1, "x");
        }
    }
    std::fflush(stdout);
    return sound;
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = bench::SecondsArgument(argc, argv);
    if (seconds == 0) return 2;
    std::string error;
    PeerProcess::Serial serial;
    serial.baud = kBaud;
    bool sound = true;
    {
        auto slave = PeerProcess::LibModbus(PeerProcess::Mode::Rtu, "", error, bench::kSlave, serial);
        if (!slave) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        std::printf("RTU holding-register reads from the libmodbus slave on its own pty, %.1f s per side\n",
                    seconds);
        sound = CompareOn(slave->Endpoint(), seconds, "rtu_ratio_") && sound;
    }
    auto line = SocatPtyPair::Create(error);
    if (!line) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    auto slave = PeerProcess::LibModbus(PeerProcess::Mode::Rtu, line->PathB(), error, bench::kSlave, serial);
    if (!slave) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::printf("\nThe same through a socat pty pair (for comparison, no goal)\n");
    sound = CompareOn(line->PathA(), seconds, nullptr) && sound;
    return sound ? 0 : 1;
}
