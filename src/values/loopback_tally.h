// The count of a loopback test (diagnostics 08/00): how many echoes came
// back as sent, were lost, came back changed, were refused by an exception
// or failed on our side, and the round trips of the good ones.
#pragma once

#include <cstdint>

namespace zentiq {

class LoopbackTally {
public:
    enum class Outcome { Echoed, Lost, Corrupted, Refused, Failed };

    // What an engine status means for one echo: a timeout or a frame cut
    // short is lost; a changed echo, a bad checksum or a malformed answer is
    // corrupted; an exception is refused; a failure of the port or the
    // connection is ours.
    static Outcome Classify(int status);

    // One echo and its round trip (counted only for a good echo with a
    // time: 0 means not measured).
    void Add(int status, std::int64_t roundTripUs);
    void Clear() { *this = {}; }

    int Sent() const { return m_sent; }
    int Count(Outcome outcome) const { return m_counts[static_cast<int>(outcome)]; }
    // Good echoes with a round trip.
    int Timed() const { return m_echoed; }
    // Round trips of the good echoes in microseconds; 0 while there is none.
    std::int64_t MinUs() const { return m_echoed ? m_minUs : 0; }
    std::int64_t MaxUs() const { return m_maxUs; }
    std::int64_t AverageUs() const { return m_echoed ? m_totalUs / m_echoed : 0; }

private:
    int m_sent = 0;
    int m_counts[5] = {};
    int m_echoed = 0;
    std::int64_t m_minUs = 0;
    std::int64_t m_maxUs = 0;
    std::int64_t m_totalUs = 0;
};

}  // namespace zentiq
