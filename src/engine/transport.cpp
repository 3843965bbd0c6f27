#include "engine/transport.h"

#include "engine/modbus_function.h"
#include "engine/transaction_timing.h"

#include <algorithm>
#include <cstring>

namespace zentiq {

EngineStatus Transport::Transact(std::uint8_t* request, std::size_t length, std::uint8_t* response,
                                 std::size_t expected, Captures& captures) {
    return AnswerStatus(Exchange(request, length, response, expected, captures), response,
                        expected);
}

void Captures::CaptureRequest(const std::uint8_t* bytes, std::size_t n) {
    n = std::min(n, sizeof request);
    if (n > 0) std::memcpy(request, bytes, n);
    requestLength = static_cast<std::uint16_t>(n);
}

void Captures::ResponseRead(std::size_t n) {
    responseLength = static_cast<std::uint16_t>(std::min(n, sizeof response));
    if (n > 0) answeredUs = TransactionClockUs();
}

void Captures::Sending() { sentUs = TransactionClockUs(); }

void Captures::CaptureResponse(const std::uint8_t* bytes, std::size_t n) {
    n = std::min(n, sizeof response);
    if (n > 0) std::memcpy(response, bytes, n);
    responseLength = static_cast<std::uint16_t>(n);
    answeredUs = TransactionClockUs();
}

void Captures::AnswerArrived(std::uint64_t arrivedUs) {
    // Never before the request left, never after the answer was taken.
    if (arrivedUs != 0 && arrivedUs >= sentUs && arrivedUs < answeredUs) answeredUs = arrivedUs;
}

}  // namespace zentiq
