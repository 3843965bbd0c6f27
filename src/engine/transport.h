// The framing layer under the shared transaction core: each backend puts a
// request (slave ID, function, data) on its wire with its own framing, reads
// the answer back into the same form and captures both as on the wire.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/engine_types.h"

namespace zentiq {

// Largest request the core builds: function 23 with 127 registers, plus the
// two spare bytes for the RTU CRC.
inline constexpr std::size_t kMaxRequestLength = 11 + 2 * 127;
inline constexpr std::size_t kRequestBufferSize = kMaxRequestLength + 2;
// Largest normal response (127 registers read), plus room for a checksum.
inline constexpr std::size_t kResponseBufferSize = kDataSize + 16;

// The bytes of the current transaction as they went over the wire. The
// request capture keeps its first 531 bytes: an ASCII frame of a 127-register
// function-23 request (535 characters) is sent whole but captured cut.
// The transports note the moment before the request is handed to the line
// and capture the answer once it has come whole (TransactionClockUs): the
// response time lies between the two. Taken before the write, a worker that
// loses its processor right after it cannot make an answer look quicker
// than it was.
struct Captures {
    std::uint8_t request[kRequestCaptureSize];
    std::uint16_t requestLength = 0;
    std::uint8_t response[kResponseCaptureSize];
    std::uint16_t responseLength = 0;
    std::uint64_t sentUs = 0;
    std::uint64_t answeredUs = 0;

    void Clear() {
        requestLength = responseLength = 0;
        sentUs = answeredUs = 0;
    }
    void Sending();
    void CaptureRequest(const std::uint8_t* bytes, std::size_t n);
    void CaptureResponse(const std::uint8_t* bytes, std::size_t n);
    // n bytes of an answer were read straight into response (raw frames).
    void ResponseRead(std::size_t n);
    // The line knows when the answer's last bytes arrived (a socket's
    // receive time stamp, 0 when it does not): that moment ends the answer.
    void AnswerArrived(std::uint64_t arrivedUs);
};

// What a transport hands back for one request: whether a frame came, and
// the answer's PDU (slave ID, function, data) without its framing. What the
// answer means (its length, an exception) the function table decides.
struct Delivery {
    // Ok, or why no whole frame came: no connection, write or read error,
    // time-out, or a framing fault of the backend (MBAP length, stale IDs).
    EngineStatus status = status::Ok;
    // PDU bytes placed in the response, at most the expected length.
    std::size_t length = 0;
    // The frame's own check (RTU CRC, ASCII LRC) held; true where there is none.
    bool checksumOk = true;
    // false for a serial broadcast, which nobody answers.
    bool answered = true;
};

class Transport {
public:
    virtual ~Transport() = default;
    // request has kRequestBufferSize bytes of room (length used); response
    // receives slave ID, function and data, at most expected bytes of them.
    virtual Delivery Exchange(std::uint8_t* request, std::size_t length, std::uint8_t* response,
                              std::size_t expected, Captures& captures) = 0;
    // Exchange, and the delivery judged by the shared answer rules
    // (AnswerStatus): Ok when a normal answer of expected bytes came.
    EngineStatus Transact(std::uint8_t* request, std::size_t length, std::uint8_t* response,
                          std::size_t expected, Captures& captures);
    // A frame sent unchanged; the answer is only captured.
    virtual EngineStatus TransactRaw(const std::uint8_t* bytes, std::size_t n,
                                     Captures& captures) = 0;
};

}  // namespace zentiq
