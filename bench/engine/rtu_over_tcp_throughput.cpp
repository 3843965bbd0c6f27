// Transactions per second of the engine in RTU-over-TCP mode against
// pymodbus's TCP server with its RTU framer, side by side with Modbus/TCP
// against pymodbus's TCP server with its usual framer, in the same run. Both
// peers are the same server code and differ only in the framing, so the
// ratio RTU over TCP / Modbus/TCP tells what the RTU framing costs the
// engine (CRC, no length field to end an answer by) on the same wire.
//
//   bench_rtu_over_tcp_throughput [seconds per measurement, default 3]
#include <string>

#include "support/peer_process.h"
#include "throughput_common.h"

namespace {

using zentiq::test::PeerProcess;

bench::Rate EngineRate(std::uint16_t port, int mode, int registers, double seconds) {
    zentiq::InitEngine();
    if (const int code = zentiq::OpenTcpConnection("127.0.0.1", port, 1000, 3000); code != 0) {
        std::fprintf(stderr, "engine: cannot connect to 127.0.0.1:%u (code %d, errno %d)\n",
                     static_cast<unsigned>(port), code, zentiq::LastSocketError());
        return {};
    }
    zentiq::SetTransmissionMode(mode);
    const bench::Rate rate = bench::EnginePollingRate(registers, seconds);
    zentiq::CloseTcpConnection();
    return rate;
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = bench::SecondsArgument(argc, argv);
    if (seconds == 0) return 2;
    std::string error;
    auto rtuPeer = PeerProcess::PyModbus(PeerProcess::Mode::RtuOverTcp, "", error, bench::kSlave);
    auto mbapPeer = rtuPeer ? PeerProcess::PyModbus(PeerProcess::Mode::Tcp, "", error, bench::kSlave)
                            : nullptr;
    if (!rtuPeer || !mbapPeer) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }

    std::printf("Holding-register reads on 127.0.0.1 from pymodbus TCP servers, %.1f s each\n", seconds);
    std::printf("%-10s %18s %16s %8s %14s %14s\n", "registers", "RTU over TCP tx/s", "Modbus/TCP tx/s",
                "ratio", "RTU us CPU/tx", "TCP us CPU/tx");
    bool sound = true;
    for (int registers : {10, 125}) {
        const bench::Rate rtu = EngineRate(rtuPeer->Port(), zentiq::RTU_OVER_TCP, registers, seconds);
        const bench::Rate mbap = EngineRate(mbapPeer->Port(), zentiq::TCP, registers, seconds);
        const double base = mbap.PerSecond();
        std::printf("%-10d %18.1f %16.1f %8.2f %14.1f %14.1f\n", registers, rtu.PerSecond(), base,
                    base > 0 ? rtu.PerSecond() / base : 0.0, rtu.CpuMicrosEach(), mbap.CpuMicrosEach());
        bench::PrintIfUnsound("RTU over TCP", rtu);
        bench::PrintIfUnsound("Modbus/TCP", mbap);
        sound = sound && rtu.Sound() && mbap.Sound();
    }
    std::fflush(stdout);
    return sound ? 0 : 1;
}
