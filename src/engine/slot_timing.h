// How fast and how reliably the line answers: the response times and
// failures of one slot, and how busy the line is. The engine keeps these for
// every transaction; the types and the histogram arithmetic are here so that
// the windows above can read percentiles without the engine's internals.
#pragma once

#include <cstdint>

namespace zentiq {

// Response times go into a fixed log-scale histogram: exact below 16 us,
// above that 16 buckets per power of two, so that a bucket is never wider
// than 1/16 of its values (about 6 %) whatever the line's speed.
inline constexpr int kTimingSubBuckets = 16;
inline constexpr int kTimingExactLimit = kTimingSubBuckets;
inline constexpr int kResponseTimeBuckets = kTimingExactLimit + (32 - 4) * kTimingSubBuckets;

// The bucket of a response time in microseconds.
int ResponseTimeBucket(std::uint32_t us);
// The largest response time that falls into a bucket (0..kResponseTimeBuckets-1).
std::uint32_t ResponseTimeBucketTop(int bucket);

// Figures of one slot since it was claimed or its figures were reset.
struct SlotTiming {
    // Transactions served while connected, as the slot's tx counter counts them.
    std::uint32_t transactions = 0;
    // Those that ended with a whole answer (normal, exception, or one whose
    // CRC/LRC or content was wrong); the response times cover these.
    std::uint32_t answered = 0;
    // From the moment the request had left to the moment its answer was
    // complete, in microseconds.
    std::uint32_t lastUs = 0;
    std::uint32_t minUs = 0;
    std::uint32_t maxUs = 0;
    std::uint64_t sumUs = 0;
    std::uint32_t timeouts = 0;
    std::uint32_t checksumErrors = 0;  // CRC (RTU) or LRC (ASCII)
    std::uint32_t exceptions = 0;
    // Microseconds from the start of the first transaction counted to the
    // start of the last: transactions - 1 poll periods.
    std::uint64_t spanUs = 0;
    // Microseconds since the last transaction started, when the figures were
    // read; 0 before the first.
    std::uint64_t sinceLastUs = 0;
    std::uint32_t histogram[kResponseTimeBuckets] = {};
};

// Figures of the line since they were reset.
struct LineTiming {
    std::uint64_t transactions = 0;
    // Time spent in transactions, from the first byte sent to the end of the
    // answer or the time-out.
    std::uint64_t busyUs = 0;
    // Time the poll worker has run (polling started and not stopped).
    std::uint64_t wallUs = 0;
};

// The response time below which `fraction` (0..1) of the answered
// transactions lie (nearest rank), to the resolution of the histogram and
// never outside min..max; 0 when none was answered.
std::uint32_t ResponseTimeQuantileUs(const SlotTiming& timing, double fraction);

}  // namespace zentiq
