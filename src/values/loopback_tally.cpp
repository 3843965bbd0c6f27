#include "values/loopback_tally.h"

#include <algorithm>

#include "engine/engine_types.h"

namespace zentiq {

LoopbackTally::Outcome LoopbackTally::Classify(int status) {
    if (status == status::Ok) return Outcome::Echoed;
    if (status >= status::ExceptionBase && status <= status::ExceptionBase + 0xFF)
        return Outcome::Refused;
    switch (status) {
    case status::Timeout:
    case status::BytesMissing:
    case status::TransactionIdError: return Outcome::Lost;
    case status::ChecksumError:
    case status::ResponseError:
    case status::MalformedAnswer: return Outcome::Corrupted;
    default: return Outcome::Failed;
    }
}

void LoopbackTally::Add(int status, std::int64_t roundTripUs) {
    ++m_sent;
    const Outcome outcome = Classify(status);
    ++m_counts[static_cast<int>(outcome)];
    // An echo without a time (the engine did not measure it) counts as
    // echoed but says nothing about round trips.
    if (outcome != Outcome::Echoed || roundTripUs <= 0) return;
    m_minUs = m_echoed == 0 ? roundTripUs : std::min(m_minUs, roundTripUs);
    m_maxUs = std::max(m_maxUs, roundTripUs);
    m_totalUs += roundTripUs;
    ++m_echoed;
}

}  // namespace zentiq
