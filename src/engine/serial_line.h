// The port layer as the serial transactions see it: synchronous write, read
// with the five-timeout semantics, purge, saved error flags. The POSIX port
// implements it; tests and the fuzzer put a scripted line in its place.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zentiq {

struct SerialTimeouts {
    std::uint32_t readInterval;
    std::uint32_t readMultiplier;
    std::uint32_t readConstant;
    std::uint32_t writeMultiplier;
    std::uint32_t writeConstant;
};

// Before the first SetSerialTimeouts: read interval and multiplier at the
// maximum, everything else 0.
inline constexpr SerialTimeouts kInitialSerialTimeouts{0xFFFFFFFFu, 0xFFFFFFFFu, 0, 0, 0};

class SerialLine {
public:
    virtual ~SerialLine() = default;
    virtual bool IsOpen() const = 0;
    // 1 once all n bytes have left the port, 0 when no port is open or the
    // write failed or timed out (the error flags are then saved as write
    // flags and what was not sent is dropped).
    virtual int Write(const std::uint8_t* bytes, std::size_t n) = 0;
    // Bytes read, 0..n; -1 when no port is open or the read failed (flags
    // saved as read flags).
    virtual int Read(std::uint8_t* buffer, std::size_t n) = 0;
    // Discards received bytes not read yet. There is no output to discard:
    // Write leaves none behind.
    virtual void Purge() = 0;
    virtual std::uint32_t WriteFlags() const = 0;
    virtual std::uint32_t ReadFlags() const = 0;
};

}  // namespace zentiq
