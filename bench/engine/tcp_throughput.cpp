// Transactions per second of the engine over Modbus/TCP on 127.0.0.1 against
// the libmodbus TCP slave, side by side with a libmodbus client doing the same
// reads in the same run: short bursts of each side in turn, each on its own
// connection to one slave process (see interleaved.h), over seven rounds. For reads of 10
// and of 125 holding registers it prints the median rate of each side, the
// median of the per-round ratios engine/libmodbus (with goal lines), the
// processor time and context switches per transaction of each side, the
// engine's response times, and beside them the TCP transport alone in a
// tight loop (no worker, no slot table), so that the cost of the poll
// schedule and the cost of the wire can be told apart.
// With --busy N, N busy loops run beside the whole run, and the goal lines
// are those of a busy machine (see PrintRatioGoals).
//
//   bench_tcp_throughput [seconds per side and size, default 3] [--busy N]
#include <algorithm>
#include <memory>
#include <string>

#include "engine/tcp_transport.h"
#include "interleaved.h"
#include "support/peer_process.h"

namespace {

using zentiq::test::PeerProcess;

bool ConnectEngine(std::uint16_t port) {
    if (const int code = zentiq::OpenTcpConnection("127.0.0.1", port, 1000, 3000); code != 0) {
        std::fprintf(stderr, "engine: cannot connect to 127.0.0.1:%u (code %d, errno %d)\n",
                     static_cast<unsigned>(port), code, zentiq::LastSocketError());
        return false;
    }
    zentiq::SetTransmissionMode(zentiq::TCP);
    return true;
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

std::unique_ptr<PeerProcess> StartSlave() {
    std::string error;
    // Two clients at once: the engine's connection and libmodbus's.
    auto slave = PeerProcess::LibModbus(PeerProcess::Mode::Tcp, "", error, bench::kSlave, {}, 2);
    if (!slave) std::fprintf(stderr, "%s\n", error.c_str());
    return slave;
}

}  // namespace

int main(int argc, char** argv) {
    const bench::Options o = bench::ParseOptions(argc, argv);
    if (o.seconds == 0) return 2;
    // Started before any thread, so that the loops are plain processes.
    const bench::BusyLoops busy(o.busy);
    const auto slave = StartSlave();
    if (!slave) return 1;
    const std::uint16_t port = slave->Port();

    std::printf("Modbus/TCP holding-register reads on 127.0.0.1 from the libmodbus slave, %.1f s per side, "
                "%d busy loops beside\n", o.seconds, o.busy);
    bench::EngineSide engine([&] { return ConnectEngine(port); }, [] { zentiq::CloseTcpConnection(); });
    bench::LibModbusSide lib([&] { return modbus_new_tcp("127.0.0.1", port); });
    bool sound = bench::CompareInterleaved(engine, lib, o, "tcp", 1.2);
    std::printf("The TCP transport alone (no worker), for comparison:");
    for (const int registers : {10, 125}) {
        const bench::Rate alone = TransportRate(port, registers, o.seconds / 3);
        bench::PrintIfUnsound("transport", alone);
        sound = sound && alone.Sound();
        std::printf(" %d registers %.1f tx/s, %.1f us each;", registers, alone.PerSecond(), alone.CpuMicrosEach());
    }
    std::printf("\n");
    return sound ? 0 : 1;
}
