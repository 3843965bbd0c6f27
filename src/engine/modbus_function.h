// The shared transaction core: for each supported function, how its request
// is built, how long the normal answer is, how the answer is checked and how
// values come out of it; and the rules every answer obeys (exceptions,
// lengths). Transports only frame and carry the bytes.
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
    // PDU bytes of an answer kept whole in data (08, 17, 43); 0 otherwise.
    std::uint16_t answerLength = 0;
};

struct FunctionEntry {
    FunctionCode code;
    // Writes the request (slave, function, data) and returns its length.
    std::size_t (*build)(const WorkArea& work, std::uint8_t* request);
    // Length of the normal answer (slave, function, data): this many bytes,
    // or 0 when the request or the answer itself tells it.
    std::size_t fixedAnswer;
    // The bytes after the first three that the normal answer to this request
    // has (a read's data behind its byte count); nullptr when only the
    // answer's own bytes tell its length.
    std::size_t (*countedData)(const WorkArea& work);
    // The PDU length that an answer's first bytes [0..got) announce: 0 while
    // they do not tell yet, never more than kMaxAnswerPdu + 1 (longer than
    // any answer). nullptr for a fixed answer and for one only the request
    // tells (an echo).
    std::size_t (*announced)(const std::uint8_t* pdu, std::size_t got);
    // Checks an answer of the expected length and a sound frame.
    EngineStatus (*check)(const WorkArea& work, const std::uint8_t* request,
                          const std::uint8_t* response);
    // Decodes values into work.data; nullptr for writes.
    void (*unpack)(WorkArea& work, const std::uint8_t* response);
};

// nullptr for a code without an entry (function 0 is handled apart).
const FunctionEntry* FindFunction(std::uint16_t code);

// Length of the normal answer to the request in work: slave, function, data;
// kMaxAnswerPdu when only the answer can tell (LengthOnlyInAnswer).
std::size_t ExpectedAnswerLength(const FunctionEntry& entry, const WorkArea& work);

// true for a function whose answer length neither is fixed nor follows from
// the request (17, 43): its frame is read as far as its own bytes announce.
bool LengthOnlyInAnswer(std::uint16_t code);

// Length of the answer PDU that begins with pdu[0..got), as far as those
// bytes tell: 3 for an exception, else by the function's entry; 0 while they
// do not tell yet, or for a function without an entry.
std::size_t AnswerPduLength(const std::uint8_t* pdu, std::size_t got);

// The rules every delivered answer obeys, whatever carried it: the
// transport's failure; for an answer with the function's top bit set, the
// exception (needs its code byte and a sound frame); BytesMissing when fewer
// than expected bytes came; ChecksumError for an unsound frame; else Ok.
EngineStatus AnswerStatus(const Delivery& delivery, const std::uint8_t* response,
                          std::size_t expected);

// The rules for an answer whose length only its own bytes tell: as
// AnswerStatus, against the length its bytes announce; a sound frame shorter
// or longer than that, or whose announced length runs past any answer, is
// MalformedAnswer; a frame of another function is ResponseError.
EngineStatus AnnouncedAnswerStatus(const Delivery& delivery, const std::uint8_t* request,
                                   const std::uint8_t* response);

// One operation: build, transact once, check, decode. Function 0
// sends writeData as a raw frame; an unknown function gives 65535 without a
// transaction (and clears the captures).
EngineStatus RunFunction(Transport& transport, WorkArea& work, Captures& captures);

// Registration limits shared by RegisterPollSlot and SubmitOneShot. The
// addresses matter only where they select something other than an address:
// 08 takes sub-function 0 (return query data) in readAddress; 43 a read
// device ID code 1..4 in readAddress and an object ID 0..255 in writeAddress.
bool RequestWithinLimits(bool oneShot, std::uint16_t slaveId, std::uint16_t function,
                         std::uint16_t readQuantity, std::uint16_t writeQuantity,
                         std::uint16_t readAddress = 0, std::uint16_t writeAddress = 0);

}  // namespace zentiq
