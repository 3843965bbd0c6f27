// Transactions per second of the engine in RTU over a pty against the
// libmodbus slave, side by side with a libmodbus client doing the same reads
// in the same run: short bursts of each side in turn, each on a line of its
// own to one slave process (see interleaved.h), over seven rounds. For reads of 10 and of
// 125 holding registers it prints the median rate of each side, the median
// of the per-round ratios engine/libmodbus, the processor time and context
// switches per transaction of each side, and the engine's response times.
// The system calls per transaction of each side: tools/syscall_count.sh.
//
// Two lines are measured: ptys whose master end the slave serves itself,
// and socat pty pairs (two relays and their wake-ups more). The goal lines
// of each: the median ratio engine/libmodbus, and the processor time per
// transaction against libmodbus's; with --busy N (N busy loops beside the
// whole run) the median ratio and the worst round instead.
//
//   bench_rtu_throughput [seconds per side and size, default 3] [--busy N]
#include <memory>
#include <string>

#include "interleaved.h"
#include "support/peer_process.h"
#include "support/socat_pty_pair.h"

namespace {

using zentiq::test::PeerProcess;
using zentiq::test::SocatPtyPair;

constexpr std::uint32_t kBaud = 115200;

bool OpenEngineOn(const std::string& device) {
    zentiq::SetSerialDevice(1, device.c_str());
    if (zentiq::OpenSerialPort(1, kBaud, 8, 0, 0) != 0) {
        std::fprintf(stderr, "engine: cannot open %s (errno %d)\n", device.c_str(), zentiq::LastSerialOpenErrno());
        return false;
    }
    zentiq::SetSerialTimeouts(32, 1, 1000, 1, 200);
    zentiq::SetTransmissionMode(zentiq::RTU);
    return true;
}

// The engine on one device, libmodbus on the other.
bool CompareOn(const std::string& engineDevice, const std::string& libDevice, const bench::Options& o,
               const char* line) {
    bench::EngineSide engine([&] { return OpenEngineOn(engineDevice); }, [] { zentiq::CloseSerialPort(); });
    bench::LibModbusSide lib(
        [&] { return modbus_new_rtu(libDevice.c_str(), static_cast<int>(kBaud), 'N', 8, 1); });
    return bench::CompareInterleaved(engine, lib, o, line, 1.1);
}

// One libmodbus slave serving two lines: two ptys of its own, or the far
// ends of two socat pairs. The near ends are the clients' devices.
struct Lines {
    std::unique_ptr<SocatPtyPair> pairs[2];
    std::unique_ptr<PeerProcess> slave;
    std::string devices[2];
};

bool StartLines(bool socat, Lines& lines) {
    std::string error;
    PeerProcess::Serial serial;
    serial.baud = kBaud;
    std::string far;
    for (int i = 0; socat && i < 2; ++i) {
        if (!(lines.pairs[i] = SocatPtyPair::Create(error))) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return false;
        }
        far += (i ? "," : "") + lines.pairs[i]->PathB();
        lines.devices[i] = lines.pairs[i]->PathA();
    }
    lines.slave = PeerProcess::LibModbus(PeerProcess::Mode::Rtu, far, error, bench::kSlave, serial, 2);
    if (!lines.slave) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return false;
    }
    if (!socat) {
        const std::string& both = lines.slave->Endpoint();
        const std::size_t space = both.find(' ');
        if (space == std::string::npos) return false;
        lines.devices[0] = both.substr(0, space);
        lines.devices[1] = both.substr(space + 1);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const bench::Options o = bench::ParseOptions(argc, argv);
    if (o.seconds == 0) return 2;
    // Started before any thread, so that the loops are plain processes.
    const bench::BusyLoops busy(o.busy);
    bool sound = true;
    for (const bool socat : {false, true}) {
        Lines lines;
        if (!StartLines(socat, lines)) return 1;
        std::printf("%sRTU holding-register reads from the libmodbus slave %s, %.1f s per side, %d busy loops beside\n",
                    socat ? "\n" : "", socat ? "through socat pty pairs" : "on ptys of its own", o.seconds, o.busy);
        sound = CompareOn(lines.devices[0], lines.devices[1], o, socat ? "rtu_socat" : "rtu") && sound;
    }
    return sound ? 0 : 1;
}
