// The shared transaction core: for each supported function, how its request
// is built, how long the normal answer is, how the answer is checked and how
// values come out of it. Transports only frame and carry the bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/engine_types.h"
#include "engine/transport.h"

namespace zentiq {

// The worker's copy of one slot's request; data holds writeData before the
// transaction and the decoded values after it.
struct WorkArea {
    std::uint16_t slaveId = 0;
    std::uint16_t function = 0;
    std::uint16_t readAddress = 0;
    std::uint16_t readQuantity = 0;
    std::uint16_t writeAddress = 0;
    std::uint16_t writeQuantity = 0;
    std::uint8_t data[kDataSize]{};
};

struct FunctionEntry {
    std::uint16_t code;
    // Writes the request (slave, function, data) and returns its length.
    std::size_t (*build)(const WorkArea& work, std::uint8_t* request);
    // Length of the normal answer: slave, function and data, no checksum.
    std::size_t (*expected)(const WorkArea& work);
    // Checks an answer that the transport accepted (status 0).
    EngineStatus (*check)(const WorkArea& work, const std::uint8_t* request,
                          const std::uint8_t* response);
    // Decodes values into work.data; nullptr for writes.
    void (*unpack)(WorkArea& work, const std::uint8_t* response);
};

// nullptr for a code without an entry (function 0 is handled apart).
const FunctionEntry* FindFunction(std::uint16_t code);

// One operation: build, transact once, check, decode. Function 0
// sends writeData as a raw frame; an unknown function gives 65535 without a
// transaction (and clears the captures).
EngineStatus RunFunction(Transport& transport, WorkArea& work, Captures& captures);

// Registration limits shared by RegisterPollSlot and SubmitOneShot.
bool RequestWithinLimits(bool oneShot, std::uint16_t slaveId, std::uint16_t function,
                         std::uint16_t readQuantity, std::uint16_t writeQuantity);

}  // namespace zentiq
