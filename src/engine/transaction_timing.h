// The engine's side of the response-time figures: the clock every
// transaction reads and the table that the worker fills. Internal to the
// engine; the figures leave through GetSlotTiming and GetLineTiming.
#pragma once

#include <cstdint>
#include <optional>

#include "engine/engine_types.h"
#include "engine/slot_timing.h"

namespace zentiq {

// Microseconds on the monotonic clock (a vDSO read, no system call).
// 0 while the timing is switched off for a benchmark.
std::uint64_t TransactionClockUs();

// Only for the benchmark that measures what the timing costs: false stops
// every clock read and record of it. On from the start.
void SetTransactionTimingForBench(bool on);

// The moments of one transaction, in TransactionClockUs.
struct TransactionMoments {
    std::uint64_t startUs = 0;     // before the request is built
    std::uint64_t sentUs = 0;      // the request has left (0: never went)
    std::uint64_t answeredUs = 0;  // the answer is complete (0: none came)
    std::uint64_t endUs = 0;       // the transaction is over
};

// Per slot and for the line; guarded by the engine lock.
class TimingTable {
public:
    // Zeroes a slot's figures (a slot claimed anew starts afresh).
    void ResetSlot(int slot);
    void ResetLine(std::uint64_t nowUs);
    // The worker began or stopped running (its wall time counts in between).
    void LineRunning(bool running, std::uint64_t nowUs);

    // One transaction served while connected: always for the line; for the
    // slot when it still holds the request that was served.
    void Record(int slot, bool forSlot, const TransactionMoments& moments, EngineStatus status);

    // The poll slots (1..32) were paused for a tool that had the line to
    // itself (the bus scanner) or resumed: the pause is no time of theirs,
    // so their achieved rate is judged without it.
    void PollSlotsPaused(bool paused, std::uint64_t nowUs);

    void Slot(int slot, std::uint64_t nowUs, SlotTiming* out) const;
    void Line(std::uint64_t nowUs, LineTiming* out) const;

private:
    struct SlotFigures {
        SlotTiming timing;
        std::uint64_t firstStartUs = 0;
        std::uint64_t lastStartUs = 0;
    };
    SlotFigures m_slots[kSlotCount];
    LineTiming m_line;
    std::uint64_t m_runningSinceUs = 0;  // 0 while the worker is stopped
    std::uint64_t m_pausedSinceUs = 0;   // 0 while the poll slots run
};

// Whether a transaction that ended with `status` had a whole answer to time.
bool StatusHasAnswer(EngineStatus status);
// From the request handed to the kernel to its answer complete, in
// microseconds; nothing for a transaction without a whole answer to time.
std::optional<std::uint32_t> ResponseTimeUs(const TransactionMoments& m, EngineStatus status);

}  // namespace zentiq
