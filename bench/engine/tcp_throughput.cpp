// Transactions per second of the engine over Modbus/TCP on 127.0.0.1 against
// the libmodbus TCP slave, side by side with a libmodbus client doing the same
// reads from the same slave in the same run. For reads of 10 and of 125
// holding registers it prints, over alternating rounds, the median rate of
// each side, the median of the per-round ratios engine/libmodbus (with a goal
// line), the processor time and context switches per transaction of each
// side, and beside them the TCP transport alone in a tight loop (no worker,
// no slot table), so that the cost of the poll schedule and the cost of the
// wire can be told apart.
//
//   bench_tcp_throughput [seconds per side and size, default 3]
#include <sys/resource.h>

#include <algorithm>
#include <string>
#include <vector>

#include "bench_goal.h"
#include "engine/tcp_transport.h"
#include "support/peer_process.h"
#include "throughput_common.h"

namespace {

using zentiq::test::PeerProcess;

bench::Rate EngineRate(std::uint16_t port, int registers, double seconds) {
    zentiq::InitEngine();
    if (const int code = zentiq::OpenTcpConnection("127.0.0.1", port, 1000, 3000); code != 0) {
        std::fprintf(stderr, "engine: cannot connect to 127.0.0.1:%u (code %d, errno %d)\n",
                     static_cast<unsigned>(port), code, zentiq::LastSocketError());
        return {};
    }
    zentiq::SetTransmissionMode(zentiq::TCP);
    const bench::Rate rate = bench::EnginePollingRate(registers, seconds);
    // The slave serves one client at a time: the libmodbus client comes next.
    zentiq::CloseTcpConnection();
    return rate;
}

// The transport without the engine around it: the same reads back to back.
bench::Rate TransportRate(std::uint16_t port, int registers, double seconds) {
    zentiq::TcpTransport transport;
    if (transport.Open("127.0.0.1", port, 1000, 3000) != 0) {
        std::fprintf(stderr, "transport: cannot connect (errno %d)\n", transport.LastError());
        return {};
    }
    zentiq::Captures captures;
    const std::uint8_t request[6] = {bench::kSlave, 3, 0, 0, 0, static_cast<std::uint8_t>(registers)};
    std::uint8_t buffer[zentiq::kRequestBufferSize];
    std::uint8_t response[zentiq::kResponseBufferSize];
    const std::size_t expected = 3 + 2 * static_cast<std::size_t>(registers);
    bench::Rate rate = bench::TimedLoop(seconds, [&] {
        std::copy(request, request + 6, buffer);
        return transport.Transact(buffer, 6, response, expected, captures) == 0;
    });
    rate.valuesOk = response[2] == 2 * registers;
    for (int i = 0; i < registers && rate.valuesOk; ++i)
        rate.valuesOk = ((response[3 + 2 * i] << 8) | response[4 + 2 * i]) ==
                        zq_peer_holding(static_cast<unsigned>(i));
    transport.Close();
    return rate;
}

// Context switches of the whole process (the worker's included) so far.
double ContextSwitches() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_nvcsw + usage.ru_nivcsw);
}

// A rate with the context switches per transaction of its measurement. The
// switches are counted over the whole call, warm-up included, so they are
// shared out over the transactions the measured rate gives that time.
struct Measured {
    bench::Rate rate;
    double switchesEach = 0;
};

template <typename Measure>
Measured WithSwitches(double seconds, Measure measure) {
    const double before = ContextSwitches();
    Measured m{measure(), 0};
    const double transactions =
        m.rate.PerSecond() * (seconds + std::chrono::duration<double>(bench::kWarmUp).count());
    if (transactions > 0) m.switchesEach = (ContextSwitches() - before) / transactions;
    return m;
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = bench::SecondsArgument(argc, argv);
    if (seconds == 0) return 2;
    std::string error;
    auto slave = PeerProcess::LibModbus(PeerProcess::Mode::Tcp, "", error, bench::kSlave);
    if (!slave) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    const std::uint16_t port = slave->Port();

    std::printf("Modbus/TCP holding-register reads on 127.0.0.1 from the libmodbus slave, %.1f s per side\n",
                seconds);
    std::printf("%-10s %12s %14s %7s %10s %10s %9s %9s %14s %7s   %s\n", "registers", "engine tx/s",
                "libmodbus tx/s", "ratio", "engine us", "libmb us", "engine cs", "libmb cs",
                "transport tx/s", "ratio", "ratio per round");
    // The machine is shared: measure in alternating rounds (engine,
    // libmodbus, transport, engine, ...) so that a change of load weighs on
    // every side alike, and report medians so that one disturbed round does
    // not count.
    constexpr int kRounds = 7;
    const double each = seconds / kRounds;
    bool sound = true;
    for (int registers : {10, 125}) {
        std::vector<double> engineRates, libRates, aloneRates, ratios, aloneRatios;
        std::vector<double> engineCpu, libCpu, engineSwitches, libSwitches;
        std::string perRound;
        for (int round = 0; round < kRounds; ++round) {
            const Measured engine = WithSwitches(each, [&] { return EngineRate(port, registers, each); });
            const Measured lib = WithSwitches(each, [&] {
                return bench::LibModbusRate(modbus_new_tcp("127.0.0.1", port), "127.0.0.1", registers, each);
            });
            const bench::Rate alone = TransportRate(port, registers, each);
            bench::PrintIfUnsound("engine", engine.rate);
            bench::PrintIfUnsound("libmodbus", lib.rate);
            bench::PrintIfUnsound("transport", alone);
            sound = sound && engine.rate.Sound() && lib.rate.Sound() && alone.Sound();
            const double base = lib.rate.PerSecond();
            engineRates.push_back(engine.rate.PerSecond());
            libRates.push_back(base);
            aloneRates.push_back(alone.PerSecond());
            ratios.push_back(base > 0 ? engine.rate.PerSecond() / base : 0.0);
            aloneRatios.push_back(base > 0 ? alone.PerSecond() / base : 0.0);
            engineCpu.push_back(engine.rate.CpuMicrosEach());
            libCpu.push_back(lib.rate.CpuMicrosEach());
            engineSwitches.push_back(engine.switchesEach);
            libSwitches.push_back(lib.switchesEach);
            char text[16];
            std::snprintf(text, sizeof text, " %.2f", ratios.back());
            perRound += text;
        }
        std::printf("%-10d %12.1f %14.1f %7.2f %10.1f %10.1f %9.2f %9.2f %14.1f %7.2f  %s\n", registers,
                    bench::Median(engineRates), bench::Median(libRates), bench::Median(ratios),
                    bench::Median(engineCpu), bench::Median(libCpu), bench::Median(engineSwitches),
                    bench::Median(libSwitches), bench::Median(aloneRates), bench::Median(aloneRatios),
                    perRound.c_str());
        const std::string name = "tcp_ratio_" + std::to_string(registers);
        bench::PrintGoal(name.c_str(), bench::Median(ratios), bench::Better::Higher, 1.2, "x");
    }
    std::fflush(stdout);
    return sound ? 0 : 1;
}
