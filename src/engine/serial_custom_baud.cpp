// Only the kernel's own termios headers here: see serial_custom_baud.h.
#include "engine/serial_custom_baud.h"

#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <cerrno>

// <sys/ioctl.h> would pull glibc's termios types back in; the prototype is
// all that is needed.
extern "C" int ioctl(int fd, unsigned long request, ...) noexcept;

namespace zentiq {

bool SetCustomBaudRate(int fd, std::uint32_t baud) {
    if (baud == 0) {
        errno = EINVAL;
        return false;
    }
    struct termios2 tio {};
    if (ioctl(fd, TCGETS2, &tio) != 0) return false;
    tio.c_cflag &= ~static_cast<tcflag_t>(CBAUD | (CBAUD << IBSHIFT));
    tio.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    tio.c_ispeed = baud;
    tio.c_ospeed = baud;
    return ioctl(fd, TCSETS2, &tio) == 0;
}

bool GetTtyBaudRate(int fd, std::uint32_t* baud) {
    struct termios2 tio {};
    if (ioctl(fd, TCGETS2, &tio) != 0) return false;
    if (baud) *baud = tio.c_ospeed;
    return true;
}

}  // namespace zentiq
