// Baud rates that <termios.h> has no Bxxx constant for (14400, 56000,
// 128000, 256000, ...), set through Linux's termios2 with BOTHER. Kept in a
// translation unit of its own because <asm/termbits.h> and <termios.h>
// define the same names differently.
#pragma once

#include <cstdint>

namespace zentiq {

// Sets input and output speed of the tty fd to baud bits per second
// (TCGETS2, BOTHER, TCSETS2), leaving the rest of its configuration alone.
// false with errno set when the driver refuses.
bool SetCustomBaudRate(int fd, std::uint32_t baud);

// The output speed the driver reports for fd (TCGETS2, c_ospeed), in bits per
// second; false with errno set on failure. Works for standard rates too.
bool GetTtyBaudRate(int fd, std::uint32_t* baud);

}  // namespace zentiq
