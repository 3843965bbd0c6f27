// Whom a frame on the wire is for and what it asks: the slave ID and the
// function code, read from the bytes as the line's framing places them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/engine_types.h"

namespace zentiq {

struct FrameAddress {
    // -1 when the frame is too short (or, in ASCII, not hex) to say.
    int slave = -1;
    // Without the exception bit: an exception answer belongs to the function
    // it answers.
    int function = -1;

    bool operator==(const FrameAddress&) const = default;
};

// RTU and RTU over TCP: the first two bytes; Modbus/TCP: after the 7-byte
// MBAP header (its unit id is the slave); ASCII: the hex pairs after ':'.
FrameAddress FrameAddressOf(TransmissionMode mode, const std::uint8_t* bytes, std::size_t count);

}  // namespace zentiq
