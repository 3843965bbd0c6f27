#include "engine/transaction_timing.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <ctime>
#include <limits>

#include "engine/engine.h"
#include "engine/engine_state.h"
#include "engine/modbus_line.h"

namespace zentiq {
namespace {

std::atomic<bool> g_timingOn{true};

constexpr int kExactBits = std::bit_width(unsigned{kTimingExactLimit}) - 1;  // 4

std::uint32_t ClampUs(std::uint64_t us) {
    return static_cast<std::uint32_t>(
        std::min<std::uint64_t>(us, std::numeric_limits<std::uint32_t>::max()));
}

bool ValidSlot(int slot) { return slot >= 0 && slot <= kLastSlot; }

}  // namespace

// ---- histogram -------------------------------------------------------------

int ResponseTimeBucket(std::uint32_t us) {
    if (us < static_cast<std::uint32_t>(kTimingExactLimit)) return static_cast<int>(us);
    const int octave = std::bit_width(us) - 1;  // kExactBits..31
    const int shift = octave - kExactBits;
    const int sub = static_cast<int>((us >> shift) & (kTimingSubBuckets - 1));
    return kTimingExactLimit + shift * kTimingSubBuckets + sub;
}

std::uint32_t ResponseTimeBucketTop(int bucket) {
    bucket = std::clamp(bucket, 0, kResponseTimeBuckets - 1);
    if (bucket < kTimingExactLimit) return static_cast<std::uint32_t>(bucket);
    const int shift = (bucket - kTimingExactLimit) / kTimingSubBuckets;
    const std::uint64_t sub = static_cast<std::uint64_t>((bucket - kTimingExactLimit) % kTimingSubBuckets);
    const std::uint64_t low = (kTimingSubBuckets + sub) << shift;
    return ClampUs(low + (std::uint64_t{1} << shift) - 1);
}

std::uint32_t ResponseTimeQuantileUs(const SlotTiming& timing, double fraction) {
    std::uint64_t total = 0;
    for (const std::uint32_t n : timing.histogram) total += n;
    if (total == 0) return 0;
    if (!(fraction > 0)) fraction = 0;  // NaN too
    fraction = std::min(fraction, 1.0);
    const auto rank = std::max<std::uint64_t>(
        1, static_cast<std::uint64_t>(std::ceil(fraction * static_cast<double>(total))));
    // The extremes are known exactly, whatever their buckets.
    if (rank == 1) return timing.minUs;
    if (rank == total) return timing.maxUs;
    std::uint64_t seen = 0;
    for (int b = 0; b < kResponseTimeBuckets; ++b) {
        seen += timing.histogram[b];
        if (seen >= rank)
            return std::clamp(ResponseTimeBucketTop(b), timing.minUs,
                              std::max(timing.minUs, timing.maxUs));
    }
    return timing.maxUs;
}

// ---- clock -----------------------------------------------------------------

std::uint64_t TransactionClockUs() {
    if (!g_timingOn.load(std::memory_order_relaxed)) return 0;
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::uint64_t>(ts.tv_sec) * 1000000u +
           static_cast<std::uint64_t>(ts.tv_nsec) / 1000u;
}

void SetTransactionTimingForBench(bool on) { g_timingOn.store(on, std::memory_order_relaxed); }

bool StatusHasAnswer(EngineStatus status) {
    switch (status) {
    case status::Ok:
    case status::ChecksumError:
    case status::ResponseError:
    case status::ByteCountError: return true;
    default: return status >= status::ExceptionBase && status != status::UnhandledFunction;
    }
}

// ---- table -----------------------------------------------------------------

void TimingTable::ResetSlot(int slot) {
    if (ValidSlot(slot)) m_slots[slot] = SlotFigures{};
}

void TimingTable::ResetLine(std::uint64_t nowUs) {
    m_line = LineTiming{};
    if (m_runningSinceUs != 0 && nowUs != 0) m_runningSinceUs = nowUs;
}

void TimingTable::LineRunning(bool running, std::uint64_t nowUs) {
    if (nowUs == 0) return;  // timing switched off
    if (!running && m_runningSinceUs != 0 && nowUs > m_runningSinceUs)
        m_line.wallUs += nowUs - m_runningSinceUs;
    m_runningSinceUs = running ? nowUs : 0;
}

void TimingTable::Record(int slot, bool forSlot, const TransactionMoments& m,
                         EngineStatus status) {
    if (m.startUs == 0 || m.endUs < m.startUs) return;  // timing switched off
    ++m_line.transactions;
    m_line.busyUs += m.endUs - m.startUs;
    if (!forSlot || !ValidSlot(slot)) return;

    SlotFigures& f = m_slots[slot];
    SlotTiming& t = f.timing;
    if (t.transactions == 0) f.firstStartUs = m.startUs;
    f.lastStartUs = m.startUs;
    ++t.transactions;
    t.spanUs = f.lastStartUs - f.firstStartUs;
    if (status == status::Timeout) ++t.timeouts;
    if (status == status::ChecksumError) ++t.checksumErrors;
    if (status >= status::ExceptionBase && status != status::UnhandledFunction) ++t.exceptions;

    const auto took = ResponseTimeUs(m, status);
    if (!took) return;
    const std::uint32_t us = *took;
    t.lastUs = us;
    t.minUs = t.answered == 0 ? us : std::min(t.minUs, us);
    t.maxUs = std::max(t.maxUs, us);
    t.sumUs += us;
    ++t.answered;
    ++t.histogram[ResponseTimeBucket(us)];
}

std::optional<std::uint32_t> ResponseTimeUs(const TransactionMoments& m, EngineStatus status) {
    if (!StatusHasAnswer(status) || m.sentUs == 0 || m.answeredUs < m.sentUs) return std::nullopt;
    return ClampUs(m.answeredUs - m.sentUs);
}

void TimingTable::PollSlotsPaused(bool paused, std::uint64_t nowUs) {
    if (nowUs == 0) return;  // timing switched off
    if (paused) {
        if (m_pausedSinceUs == 0) m_pausedSinceUs = nowUs;
        return;
    }
    if (m_pausedSinceUs == 0 || nowUs < m_pausedSinceUs) {
        m_pausedSinceUs = 0;
        return;
    }
    // Every start moves on by the pause: the span and the time since the
    // last transaction then hold only time the slot could poll.
    const std::uint64_t pause = nowUs - m_pausedSinceUs;
    m_pausedSinceUs = 0;
    for (int s = 1; s < kSlotCount; ++s) {
        SlotFigures& f = m_slots[s];
        if (f.timing.transactions == 0) continue;
        f.firstStartUs += pause;
        f.lastStartUs += pause;
    }
}

void TimingTable::Slot(int slot, std::uint64_t nowUs, SlotTiming* out) const {
    const SlotFigures& f = m_slots[slot];
    *out = f.timing;
    // While the poll slots are paused their clock stands still.
    if (slot != 0 && m_pausedSinceUs != 0) nowUs = std::min(nowUs, m_pausedSinceUs);
    out->sinceLastUs = f.timing.transactions != 0 && nowUs > f.lastStartUs ? nowUs - f.lastStartUs : 0;
}

void TimingTable::Line(std::uint64_t nowUs, LineTiming* out) const {
    *out = m_line;
    if (m_runningSinceUs != 0 && nowUs > m_runningSinceUs) out->wallUs += nowUs - m_runningSinceUs;
}

// ---- engine operations -----------------------------------------------------

int ModbusLine::GetSlotTiming(int slot, SlotTiming* timing) const {
    if (!ValidSlot(slot) || timing == nullptr) return 0;
    auto& e = *m_state;
    const std::uint64_t now = TransactionClockUs();
    std::lock_guard guard(e.lock);
    e.timing.Slot(slot, now, timing);
    return 1;
}

int ModbusLine::ResetSlotTiming(int slot) {
    if (!ValidSlot(slot)) return 0;
    auto& e = *m_state;
    std::lock_guard guard(e.lock);
    e.timing.ResetSlot(slot);
    return 1;
}

int ModbusLine::GetLineTiming(LineTiming* timing) const {
    if (timing == nullptr) return 0;
    auto& e = *m_state;
    const std::uint64_t now = TransactionClockUs();
    std::lock_guard guard(e.lock);
    e.timing.Line(now, timing);
    return 1;
}

int ModbusLine::ResetLineTiming() {
    auto& e = *m_state;
    const std::uint64_t now = TransactionClockUs();
    std::lock_guard guard(e.lock);
    e.timing.ResetLine(now);
    return 1;
}

}  // namespace zentiq
