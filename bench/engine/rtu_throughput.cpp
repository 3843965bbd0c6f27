// Transactions per second of the engine in RTU over a pty pair, against the
// libmodbus slave, side by side with a libmodbus client doing the same reads
// on the same line in the same run. Prints both rates and the ratio
// engine/libmodbus for reads of 10 and of 125 holding registers.
//
//   bench_rtu_throughput [seconds per measurement, default 3]
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <modbus.h>

#include "engine/engine.h"
#include "support/peer_data.h"
#include "support/peer_process.h"
#include "support/socat_pty_pair.h"

namespace {

using Clock = std::chrono::steady_clock;
using zentiq::test::PeerProcess;
using zentiq::test::SocatPtyPair;

constexpr zentiq::WindowHandle kWindow = 0x5151;
constexpr int kSlave = 1;
constexpr std::uint32_t kBaud = 115200;

std::atomic<std::uint64_t> g_ok{0};
std::atomic<std::uint64_t> g_failed{0};

void CountPost(zentiq::WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
               std::intptr_t) {
    if (window != kWindow || message != zentiq::WM_POLL_RESULT) return;
    (wParam == 0 ? g_ok : g_failed).fetch_add(1, std::memory_order_relaxed);
}

bool MatchesPattern(const std::uint16_t* regs, int count) {
    for (int i = 0; i < count; ++i)
        if (regs[i] != zq_peer_holding(static_cast<unsigned>(i))) return false;
    return true;
}

struct Rate {
    std::uint64_t ok = 0;
    std::uint64_t failures = 0;
    double seconds = 0;
    bool valuesOk = false;
    int rounds = 0;

    double PerSecond() const { return seconds > 0 ? static_cast<double>(ok) / seconds : 0.0; }
    void Add(const Rate& r) {
        ok += r.ok;
        failures += r.failures;
        seconds += r.seconds;
        valuesOk = r.valuesOk && (rounds == 0 || valuesOk);
        ++rounds;
    }
};

// The engine polls one slot continuously with no delay between polls.
Rate EngineRate(const std::string& device, int registers, double seconds) {
    Rate rate;
    zentiq::InitEngine();
    zentiq::SetMessagePoster(&CountPost);
    zentiq::SetSerialDevice(1, device.c_str());
    zentiq::SetPollDelay(0);
    if (zentiq::OpenSerialPort(1, kBaud, 8, 0, 0) != 0) {
        std::fprintf(stderr, "engine: cannot open %s (errno %d)\n", device.c_str(),
                     zentiq::LastSerialOpenErrno());
        return rate;
    }
    zentiq::SetSerialTimeouts(32, 1, 1000, 1, 200);
    zentiq::SetTransmissionMode(zentiq::RTU);
    const int slot = zentiq::RegisterPollSlot(kWindow, zentiq::WM_POLL_RESULT, 0, kSlave, 3, 0,
                                              static_cast<std::uint16_t>(registers), 0, 0);
    zentiq::SetPollMode(slot, zentiq::Continuous);
    g_ok = 0;
    g_failed = 0;
    zentiq::StartPolling();
    // Let the first transactions settle before the clock starts.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const std::uint64_t ok0 = g_ok.load(), failed0 = g_failed.load();
    const auto t0 = Clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const std::uint64_t ok1 = g_ok.load(), failed1 = g_failed.load();
    const double elapsed = std::chrono::duration<double>(Clock::now() - t0).count();
    zentiq::StopPolling();
    std::vector<std::uint16_t> regs(static_cast<std::size_t>(registers));
    rate.valuesOk = zentiq::ReadRegisters(slot, regs.data()) == 0 && MatchesPattern(regs.data(), registers);
    zentiq::ReleasePollSlot(slot);
    zentiq::CloseSerialPort();
    zentiq::SetMessagePoster(nullptr);
    rate.ok = ok1 - ok0;
    rate.failures = failed1 - failed0;
    rate.seconds = elapsed;
    return rate;
}

// A libmodbus master reading in a tight loop on the same line.
Rate LibModbusRate(const std::string& device, int registers, double seconds) {
    Rate rate;
    modbus_t* ctx = modbus_new_rtu(device.c_str(), static_cast<int>(kBaud), 'N', 8, 1);
    if (ctx == nullptr || modbus_set_slave(ctx, kSlave) != 0 || modbus_connect(ctx) != 0) {
        std::fprintf(stderr, "libmodbus: cannot open %s: %s\n", device.c_str(), modbus_strerror(errno));
        if (ctx != nullptr) modbus_free(ctx);
        return rate;
    }
    modbus_set_response_timeout(ctx, 1, 0);
    std::vector<std::uint16_t> regs(static_cast<std::size_t>(registers));
    // Warm-up, as for the engine.
    const auto warm = Clock::now() + std::chrono::milliseconds(200);
    for (int i = 0; i < 100000 && Clock::now() < warm; ++i) modbus_read_registers(ctx, 0, registers, regs.data());
    std::uint64_t ok = 0, failed = 0;
    const auto t0 = Clock::now();
    const auto end = t0 + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    for (long i = 0; i < 10000000L && Clock::now() < end; ++i) {
        if (modbus_read_registers(ctx, 0, registers, regs.data()) == registers)
            ++ok;
        else
            ++failed;
    }
    const double elapsed = std::chrono::duration<double>(Clock::now() - t0).count();
    rate.valuesOk = MatchesPattern(regs.data(), registers);
    modbus_close(ctx);
    modbus_free(ctx);
    rate.ok = ok;
    rate.failures = failed;
    rate.seconds = elapsed;
    return rate;
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = 3.0;
    if (argc > 1) {
        seconds = std::atof(argv[1]);
        if (!(seconds >= 0.5 && seconds <= 60)) {
            std::fprintf(stderr, "usage: %s [seconds per measurement, 0.5..60]\n", argv[0]);
            return 2;
        }
    }
    std::string error;
    auto line = SocatPtyPair::Create(error);
    if (!line) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    PeerProcess::Serial serial;
    serial.baud = kBaud;
    auto slave = PeerProcess::LibModbus(PeerProcess::Mode::Rtu, line->PathB(), error, kSlave, serial);
    if (!slave) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }

    std::printf("RTU holding-register reads over a pty pair from the libmodbus slave, %.1f s per side\n",
                seconds);
    std::printf("%-10s %14s %16s %8s\n", "registers", "engine tx/s", "libmodbus tx/s", "ratio");
    // The machine is shared: measure in alternating rounds so that a change
    // of load weighs on both sides alike.
    constexpr int kRounds = 3;
    bool sound = true;
    for (int registers : {10, 125}) {
        Rate engine, lib;
        for (int round = 0; round < kRounds; ++round) {
            engine.Add(EngineRate(line->PathA(), registers, seconds / kRounds));
            lib.Add(LibModbusRate(line->PathA(), registers, seconds / kRounds));
        }
        const double ratio = lib.PerSecond() > 0 ? engine.PerSecond() / lib.PerSecond() : 0.0;
        std::printf("%-10d %14.1f %16.1f %8.2f\n", registers, engine.PerSecond(), lib.PerSecond(),
                    ratio);
        if (engine.failures != 0 || lib.failures != 0 || !engine.valuesOk || !lib.valuesOk) {
            std::printf("  warning: engine %llu failed, values %s; libmodbus %llu failed, values %s\n",
                        static_cast<unsigned long long>(engine.failures),
                        engine.valuesOk ? "ok" : "WRONG",
                        static_cast<unsigned long long>(lib.failures), lib.valuesOk ? "ok" : "WRONG");
            sound = false;
        }
    }
    std::fflush(stdout);
    return sound ? 0 : 1;
}
