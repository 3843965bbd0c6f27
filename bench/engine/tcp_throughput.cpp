// Transactions per second of the engine over Modbus/TCP on 127.0.0.1 against
// the libmodbus TCP slave, side by side with a libmodbus client doing the same
// reads from the same slave in the same run. Prints both rates and the ratio
// engine/libmodbus for reads of 10 and of 125 holding registers, and beside
// them the TCP transport alone in a tight loop (no worker, no slot table), so
// that the cost of the poll schedule and the cost of the wire can be told apart.
//
//   bench_tcp_throughput [seconds per measurement, default 3]
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include <modbus.h>

#include "engine/engine.h"
#include "engine/tcp_transport.h"
#include "support/peer_data.h"
#include "support/peer_process.h"

namespace {

using Clock = std::chrono::steady_clock;
using zentiq::test::PeerProcess;

constexpr zentiq::WindowHandle kWindow = 0x5152;
constexpr int kSlave = 1;

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
    double perSecond = 0;
    std::uint64_t failures = 0;
    bool valuesOk = false;
};

// The engine polls one slot continuously with no delay between polls.
Rate EngineRate(std::uint16_t port, int registers, double seconds) {
    Rate rate;
    zentiq::InitEngine();
    zentiq::SetMessagePoster(&CountPost);
    zentiq::SetPollDelay(0);
    if (const int code = zentiq::OpenTcpConnection("127.0.0.1", port, 1000, 3000); code != 0) {
        std::fprintf(stderr, "engine: cannot connect to 127.0.0.1:%u (code %d, errno %d)\n",
                     static_cast<unsigned>(port), code, zentiq::LastSocketError());
        return rate;
    }
    zentiq::SetTransmissionMode(zentiq::TCP);
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
    rate.valuesOk =
        zentiq::ReadRegisters(slot, regs.data()) == 0 && MatchesPattern(regs.data(), registers);
    zentiq::ReleasePollSlot(slot);
    // The slave serves one client at a time: the libmodbus client comes next.
    zentiq::CloseTcpConnection();
    zentiq::SetMessagePoster(nullptr);
    rate.perSecond = static_cast<double>(ok1 - ok0) / elapsed;
    rate.failures = failed1 - failed0;
    return rate;
}

// The transport without the engine around it: the same reads back to back.
Rate TransportRate(std::uint16_t port, int registers, double seconds) {
    Rate rate;
    zentiq::TcpTransport transport;
    if (transport.Open("127.0.0.1", port, 1000, 3000) != 0) {
        std::fprintf(stderr, "transport: cannot connect (errno %d)\n", transport.LastError());
        return rate;
    }
    zentiq::Captures captures;
    const std::uint8_t request[6] = {kSlave, 3, 0, 0, 0, static_cast<std::uint8_t>(registers)};
    std::uint8_t buffer[zentiq::kRequestBufferSize];
    std::uint8_t response[zentiq::kResponseBufferSize];
    const std::size_t expected = 3 + 2 * static_cast<std::size_t>(registers);
    auto once = [&] {
        std::copy(request, request + 6, buffer);
        return transport.Transact(buffer, 6, response, expected, captures);
    };
    const auto warm = Clock::now() + std::chrono::milliseconds(200);
    for (int i = 0; i < 1000000 && Clock::now() < warm; ++i) once();
    std::uint64_t ok = 0, failed = 0;
    const auto t0 = Clock::now();
    const auto end =
        t0 + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    for (long i = 0; i < 100000000L && Clock::now() < end; ++i) (once() == 0 ? ok : failed)++;
    const double elapsed = std::chrono::duration<double>(Clock::now() - t0).count();
    rate.valuesOk = response[2] == 2 * registers;
    for (int i = 0; i < registers && rate.valuesOk; ++i)
        rate.valuesOk = ((response[3 + 2 * i] << 8) | response[4 + 2 * i]) ==
                        zq_peer_holding(static_cast<unsigned>(i));
    transport.Close();
    rate.perSecond = static_cast<double>(ok) / elapsed;
    rate.failures = failed;
    return rate;
}

// A libmodbus master reading in a tight loop from the same slave.
Rate LibModbusRate(std::uint16_t port, int registers, double seconds) {
    Rate rate;
    modbus_t* ctx = modbus_new_tcp("127.0.0.1", port);
    if (ctx == nullptr || modbus_set_slave(ctx, kSlave) != 0 || modbus_connect(ctx) != 0) {
        std::fprintf(stderr, "libmodbus: cannot connect to 127.0.0.1:%u: %s\n",
                     static_cast<unsigned>(port), modbus_strerror(errno));
        if (ctx != nullptr) modbus_free(ctx);
        return rate;
    }
    modbus_set_response_timeout(ctx, 1, 0);
    std::vector<std::uint16_t> regs(static_cast<std::size_t>(registers));
    // Warm-up, as for the engine.
    const auto warm = Clock::now() + std::chrono::milliseconds(200);
    for (int i = 0; i < 1000000 && Clock::now() < warm; ++i)
        modbus_read_registers(ctx, 0, registers, regs.data());
    std::uint64_t ok = 0, failed = 0;
    const auto t0 = Clock::now();
    const auto end =
        t0 + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    for (long i = 0; i < 100000000L && Clock::now() < end; ++i) {
        if (modbus_read_registers(ctx, 0, registers, regs.data()) == registers)
            ++ok;
        else
            ++failed;
    }
    const double elapsed = std::chrono::duration<double>(Clock::now() - t0).count();
    rate.valuesOk = MatchesPattern(regs.data(), registers);
    modbus_close(ctx);
    modbus_free(ctx);
    rate.perSecond = static_cast<double>(ok) / elapsed;
    rate.failures = failed;
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
    auto slave = PeerProcess::LibModbus(PeerProcess::Mode::Tcp, "", error, kSlave);
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
        const Rate engine = EngineRate(port, registers, seconds);
        const Rate lib = LibModbusRate(port, registers, seconds);
        const Rate alone = TransportRate(port, registers, seconds);
        const double ratio = lib.perSecond > 0 ? engine.perSecond / lib.perSecond : 0.0;
        const double aloneRatio = lib.perSecond > 0 ? alone.perSecond / lib.perSecond : 0.0;
        std::printf("%-10d %14.1f %16.1f %8.2f   %16.1f %8.2f\n", registers, engine.perSecond,
                    lib.perSecond, ratio, alone.perSecond, aloneRatio);
        if (alone.failures != 0 || !alone.valuesOk) {
            std::printf("  warning: transport %llu failed, values %s\n",
                        static_cast<unsigned long long>(alone.failures),
                        alone.valuesOk ? "ok" : "WRONG");
            sound = false;
        }
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
