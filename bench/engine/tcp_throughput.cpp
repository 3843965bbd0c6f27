// Transactions per second of the engine over Modbus/TCP on 127.0.0.1 against
// the libmodbus TCP slave, side by side with a libmodbus client doing the same
// reads from the same slave in the same run. Prints both rates and the ratio
// engine/libmodbus for reads of 10 and of 125 holding registers, and beside
// them the TCP transport alone in a tight loop (no worker, no slot table), so
// that the cost of the poll schedule and the cost of the wire can be told apart.
//
//   bench_tcp_throughput [seconds per measurement, default 3]
#include <algorithm>
#include <string>

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

    std::printf("Modbus/TCP holding-register reads on 127.0.0.1 from the libmodbus slave, %.1f s each\n",
                seconds);
    std::printf("%-10s %14s %16s %8s   %16s %8s\n", "registers", "engine tx/s", "libmodbus tx/s",
                "ratio", "transport tx/s", "ratio");
    bool sound = true;
    for (int registers : {10, 125}) {
        const bench::Rate engine = EngineRate(port, registers, seconds);
        const bench::Rate lib = bench::LibModbusRate(modbus_new_tcp("127.0.0.1", port), "127.0.0.1",
                                                     registers, seconds);
        const bench::Rate alone = TransportRate(port, registers, seconds);
        const double base = lib.PerSecond();
        std::printf("%-10d %14.1f %16.1f %8.2f   %16.1f %8.2f\n", registers, engine.PerSecond(), base,
                    base > 0 ? engine.PerSecond() / base : 0.0, alone.PerSecond(),
                    base > 0 ? alone.PerSecond() / base : 0.0);
        bench::PrintIfUnsound("engine", engine);
        bench::PrintIfUnsound("libmodbus", lib);
        bench::PrintIfUnsound("transport", alone);
        sound = sound && engine.Sound() && lib.Sound() && alone.Sound();
    }
    std::fflush(stdout);
    return sound ? 0 : 1;
}
