// The engine and a libmodbus client compared in short alternating bursts,
// each on a line of its own to one slave process that serves both. On a
// busy machine a client's rate swings between rounds by a factor of five
// with where the scheduler puts the slave beside the busy loops: a libmodbus
// client compared with itself in rounds of seconds had rounds at 0.3x and
// 3.6x, and with a slave process for each side still 0.28x to 3.6x. With
// one slave process and bursts of some tens of milliseconds the same
// comparison stays within 0.86x to 1.01x, so that a round's ratio says how
// the clients compare, not which of them was lucky. Each side keeps its
// connection and the engine its worker over the bursts, as in use.
#pragma once

#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "throughput_common.h"

namespace bench {

// What one side did over the bursts of a round.
struct Tally {
    std::uint64_t ok = 0, failures = 0;
    double seconds = 0, cpuSeconds = 0;
    std::uint64_t switches = 0;
    bool valuesOk = true;

    double PerSecond() const { return seconds > 0 ? static_cast<double>(ok) / seconds : 0.0; }
    double CpuMicrosEach() const { return ok > 0 ? cpuSeconds * 1e6 / static_cast<double>(ok) : 0.0; }
    double SwitchesEach() const { return ok > 0 ? static_cast<double>(switches) / static_cast<double>(ok) : 0.0; }
};

// A side of the comparison: Prepare connects it for reads of that many
// registers (false when it cannot), Burst polls flat out for about
// `seconds` and adds what it did to the tally, Finish lets go of the line.
class Side {
public:
    virtual ~Side() = default;
    virtual bool Prepare(int registers) = 0;
    virtual void Burst(double seconds, Tally& tally) = 0;
    virtual void Finish() = 0;
};

// The engine with one slot polling continuously between PausePollSlots;
// connect() opens its line (true when it did) after InitEngine, and
// disconnect() closes it.
class EngineSide final : public Side {
public:
    EngineSide(std::function<bool()> connect, std::function<void()> disconnect)
        : m_connect(std::move(connect)), m_disconnect(std::move(disconnect)) {}

    bool Prepare(int registers) override {
        m_registers = registers;
        zentiq::InitEngine();
        if (!m_connect()) return false;
        zentiq::SetMessagePoster(&Post);
        zentiq::SetPollDelay(0);
        m_slot = zentiq::RegisterPollSlot(kWindow, zentiq::WM_POLL_RESULT, 0, kSlave, 3, 0,
                                          static_cast<std::uint16_t>(registers), 0, 0);
        zentiq::PausePollSlots(1);
        zentiq::SetPollMode(m_slot, zentiq::Continuous);
        zentiq::StartPolling();
        return m_slot >= 1;
    }
    // From the moment the slots are let go to the last result the burst
    // brought (the one under way at the pause counts, with its time).
    void Burst(double seconds, Tally& tally) override {
        const Results before = Taken();
        const double cpu0 = ProcessCpuSeconds();
        const Switches switches0 = ProcessContextSwitches();
        const auto t0 = Clock::now();
        zentiq::PausePollSlots(0);
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
        zentiq::PausePollSlots(1);
        // What was under way at the pause ends within its response time.
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        const Results after = Taken();
        tally.ok += after.ok - before.ok;
        tally.failures += after.failed - before.failed;
        if (after.ok > before.ok) tally.seconds += std::chrono::duration<double>(after.lastAt - t0).count();
        tally.cpuSeconds += ProcessCpuSeconds() - cpu0;
        const Switches switches = ProcessContextSwitches();
        tally.switches += switches.all - switches0.all;
    }
    void Finish() override {
        zentiq::StopPolling();
        std::vector<std::uint16_t> regs(static_cast<std::size_t>(m_registers));
        m_valuesOk = zentiq::ReadRegisters(m_slot, regs.data()) == 0 && MatchesPattern(regs.data(), m_registers);
        zentiq::SlotTiming timing;
        if (zentiq::GetSlotTiming(m_slot, &timing) == 1) {
            const double fractions[3] = {0.05, 0.5, 0.95};
            for (int i = 0; i < 3; ++i) m_answerUs[i] = zentiq::ResponseTimeQuantileUs(timing, fractions[i]);
        }
        zentiq::ReleasePollSlot(m_slot);
        zentiq::SetMessagePoster(nullptr);
        zentiq::PausePollSlots(0);
        m_disconnect();
    }
    bool ValuesOk() const { return m_valuesOk; }
    // The response times between Prepare and Finish: 5th percentile,
    // median, 95th percentile, in microseconds.
    const double* AnswerUs() const { return m_answerUs; }

private:
    struct Results {
        std::uint64_t ok = 0, failed = 0;
        Clock::time_point lastAt{};
    };
    static std::mutex& Lock() {
        static std::mutex lock;
        return lock;
    }
    static Results& Kept() {
        static Results results;
        return results;
    }
    static Results Taken() {
        std::lock_guard guard(Lock());
        return Kept();
    }
    static void Post(zentiq::WindowHandle window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t) {
        if (window != kWindow || message != zentiq::WM_POLL_RESULT) return;
        const auto now = Clock::now();
        std::lock_guard guard(Lock());
        if (wParam != 0) {
            ++Kept().failed;
            return;
        }
        ++Kept().ok;
        Kept().lastAt = now;
    }

    std::function<bool()> m_connect;
    std::function<void()> m_disconnect;
    int m_registers = 0;
    int m_slot = -1;
    bool m_valuesOk = false;
    double m_answerUs[3] = {0, 0, 0};
};

// A libmodbus client reading in a loop; make() returns a new context.
class LibModbusSide final : public Side {
public:
    explicit LibModbusSide(std::function<modbus_t*()> make) : m_make(std::move(make)) {}

    bool Prepare(int registers) override {
        m_registers = registers;
        m_regs.assign(static_cast<std::size_t>(registers), 0);
        m_ctx = m_make();
        if (m_ctx == nullptr || modbus_set_slave(m_ctx, kSlave) != 0 || modbus_connect(m_ctx) != 0) {
            std::fprintf(stderr, "libmodbus: cannot connect: %s\n", modbus_strerror(errno));
            if (m_ctx != nullptr) modbus_free(m_ctx);
            m_ctx = nullptr;
            return false;
        }
        modbus_set_response_timeout(m_ctx, 1, 0);
        return true;
    }
    void Burst(double seconds, Tally& tally) override {
        const double cpu0 = ProcessCpuSeconds();
        const Switches switches0 = ProcessContextSwitches();
        const auto t0 = Clock::now();
        const auto end = t0 + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
        for (long i = 0; i < 10000000L && Clock::now() < end; ++i) {
            if (modbus_read_registers(m_ctx, 0, m_registers, m_regs.data()) == m_registers)
                ++tally.ok;
            else
                ++tally.failures;
        }
        tally.seconds += std::chrono::duration<double>(Clock::now() - t0).count();
        tally.cpuSeconds += ProcessCpuSeconds() - cpu0;
        const Switches switches = ProcessContextSwitches();
        tally.switches += switches.all - switches0.all;
        tally.valuesOk = tally.valuesOk && MatchesPattern(m_regs.data(), m_registers);
    }
    void Finish() override {
        if (m_ctx == nullptr) return;
        modbus_close(m_ctx);
        modbus_free(m_ctx);
        m_ctx = nullptr;
    }

private:
    std::function<modbus_t*()> m_make;
    modbus_t* m_ctx = nullptr;
    int m_registers = 0;
    std::vector<std::uint16_t> m_regs;
};

// Rounds of bursts of each side in turn, the engine first in even
// alternations and libmodbus first in odd ones; a tally of each side per
// round, over about secondsPerSide in all.
struct Round {
    Tally engine, lib;
    double Ratio() const { return lib.PerSecond() > 0 ? engine.PerSecond() / lib.PerSecond() : 0.0; }
};

inline std::vector<Round> InterleavedRounds(EngineSide& engine, LibModbusSide& lib, int registers, int rounds,
                                            double secondsPerSide) {
    constexpr double kBurst = 0.025;
    const int alternations = std::max(1, static_cast<int>(secondsPerSide / rounds / kBurst));
    std::vector<Round> result;
    if (!engine.Prepare(registers)) return result;
    if (!lib.Prepare(registers)) {
        engine.Finish();
        return result;
    }
    Tally warm;
    engine.Burst(0.1, warm);
    lib.Burst(0.1, warm);
    result.resize(static_cast<std::size_t>(rounds));
    for (Round& round : result) {
        for (int a = 0; a < alternations; ++a) {
            if (a % 2 == 0) {
                engine.Burst(kBurst, round.engine);
                lib.Burst(kBurst, round.lib);
            } else {
                lib.Burst(kBurst, round.lib);
                engine.Burst(kBurst, round.engine);
            }
        }
    }
    lib.Finish();
    engine.Finish();
    if (!engine.ValuesOk())
        for (Round& round : result) round.engine.valuesOk = false;
    return result;
}

// Both sides for reads of 10 and 125 registers: a row per size with the
// medians over the rounds (rates, the ratio, processor time and context
// switches per transaction, the engine's response times) and the goal lines
// (PrintRatioGoals, named after line). false when a side failed reads or
// read wrong values.
inline bool CompareInterleaved(EngineSide& engine, LibModbusSide& lib, const Options& o, const char* line,
                               double idleRatio) {
    constexpr int kRounds = 7;
    std::printf("%-10s %12s %14s %7s %10s %10s %9s %9s  %-22s %s\n", "registers", "engine tx/s", "libmodbus tx/s",
                "ratio", "engine us", "libmb us", "engine cs", "libmb cs", "engine answer us", "ratio per round");
    bool sound = true;
    for (const int registers : {10, 125}) {
        const std::vector<Round> rounds = InterleavedRounds(engine, lib, registers, kRounds, o.seconds);
        if (rounds.empty()) return false;
        std::vector<double> engineRates, libRates, ratios, engineCpu, libCpu, engineCs, libCs;
        std::string perRound;
        for (const Round& r : rounds) {
            sound = sound && r.engine.failures == 0 && r.lib.failures == 0 && r.engine.valuesOk && r.lib.valuesOk;
            engineRates.push_back(r.engine.PerSecond());
            libRates.push_back(r.lib.PerSecond());
            ratios.push_back(r.Ratio());
            engineCpu.push_back(r.engine.CpuMicrosEach());
            libCpu.push_back(r.lib.CpuMicrosEach());
            engineCs.push_back(r.engine.SwitchesEach());
            libCs.push_back(r.lib.SwitchesEach());
            char text[16];
            std::snprintf(text, sizeof text, " %.2f", r.Ratio());
            perRound += text;
        }
        char answer[48];
        std::snprintf(answer, sizeof answer, "%.0f/%.0f/%.0f", engine.AnswerUs()[0], engine.AnswerUs()[1],
                      engine.AnswerUs()[2]);
        std::printf("%-10d %12.1f %14.1f %7.2f %10.1f %10.1f %9.2f %9.2f  %-22s%s\n", registers, Median(engineRates),
                    Median(libRates), Median(ratios), Median(engineCpu), Median(libCpu), Median(engineCs),
                    Median(libCs), answer, perRound.c_str());
        if (!sound) std::printf("  warning: a side failed reads or read wrong values\n");
        PrintRatioGoals(line, o, registers, ratios, engineCpu, libCpu, idleRatio);
    }
    std::fflush(stdout);
    return sound;
}

}  // namespace bench
