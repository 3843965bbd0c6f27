// The byte line under the RTU and ASCII framing: synchronous write, read with
// the five-timeout semantics, purge, saved error flags. The POSIX port
// implements it, and so does the TCP connection for RTU frames over TCP;
// tests and the fuzzer put a scripted line in its place.
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

// How long the frame in bytes[0..got) is in all, once its first bytes tell;
// maximum while they do not. Never more than maximum.
using FrameLengthFn = std::size_t (*)(const std::uint8_t* bytes, std::size_t got,
                                      std::size_t maximum);

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
    // Reads one answer of at most n bytes. A serial port ends a short answer
    // by the silence after its last character; a stream without such gaps
    // (TCP) asks frameLength (may be null) when the answer is whole.
    virtual int ReadFrame(std::uint8_t* buffer, std::size_t n, FrameLengthFn frameLength) {
        (void)frameLength;
        return Read(buffer, n);
    }
    // Reads an answer that announces its own length (17, 43): a line that
    // ends frames by silence still ends this one as soon as frameLength
    // says it is whole, since it may be far shorter than n.
    virtual int ReadAnnounced(std::uint8_t* buffer, std::size_t n, FrameLengthFn frameLength) {
        return ReadFrame(buffer, n, frameLength);
    }
    // Discards received bytes not read yet. There is no output to discard:
    // Write leaves none behind.
    virtual void Purge() = 0;
    virtual std::uint32_t WriteFlags() const = 0;
    virtual std::uint32_t ReadFlags() const = 0;
};

}  // namespace zentiq
