// How the settings of PosixSerialPort::Open become a termios configuration.
// Kept apart from the port so that it can be checked without a device: a pty
// (what the tests have) forces CS8 and no parity whatever it is told.
#pragma once

#include <termios.h>

#include <cstdint>

#include "engine/engine_types.h"

namespace zentiq {

// The termios constant for a baud rate, or B0 when termios has none (then
// termios2/BOTHER sets it, see serial_custom_baud.h).
speed_t StandardSpeed(std::uint32_t baud);

// Turns tio (the device's current configuration) into the line of Open:
// raw, receiver on, modem control lines ignored; data bits 5..8; parity
// 0 none, 1 odd, 2 even, 3 mark, 4 space, with input parity checking when on;
// stop bits 0 = one, anything else two; CTS flow control for handshake bit 1,
// XON/XOFF (0x11/0x13) both ways for bit 3; VMIN = VTIME = 0 (reads never wait
// in the driver). The speed is the baud's constant, or B38400 as a stand-in
// when it has none. false (tio unusable) for a value out of range or baud 0.
bool ConfigureLine(termios& tio, std::uint32_t baud, int dataBits, int parity, int stopBits,
                   HandshakeFlags flags);

}  // namespace zentiq
