#include "engine/serial_line_config.h"

namespace zentiq {

speed_t StandardSpeed(std::uint32_t baud) {
    switch (baud) {
    case 50: return B50;
    case 75: return B75;
    case 110: return B110;
    case 134: return B134;
    case 150: return B150;
    case 200: return B200;
    case 300: return B300;
    case 600: return B600;
    case 1200: return B1200;
    case 1800: return B1800;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
    case 460800: return B460800;
    case 500000: return B500000;
    case 576000: return B576000;
    case 921600: return B921600;
    case 1000000: return B1000000;
    default: return B0;
    }
}

bool ConfigureLine(termios& tio, std::uint32_t baud, int dataBits, int parity, int stopBits,
                   HandshakeFlags flags) {
    if (baud == 0) return false;
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    // CIBAUD too: a split input speed left by an earlier BOTHER would survive.
    tio.c_cflag &=
        ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS | CIBAUD);
    switch (dataBits) {
    case 5: tio.c_cflag |= CS5; break;
    case 6: tio.c_cflag |= CS6; break;
    case 7: tio.c_cflag |= CS7; break;
    case 8: tio.c_cflag |= CS8; break;
    default: return false;
    }
    tio.c_iflag &= ~static_cast<tcflag_t>(INPCK | IGNPAR | PARMRK | ISTRIP | IXON | IXOFF | IXANY);
    switch (parity) {
    case 0: break;
    case 1: tio.c_cflag |= PARENB | PARODD; break;
    case 2: tio.c_cflag |= PARENB; break;
    case 3: tio.c_cflag |= PARENB | PARODD | CMSPAR; break;
    case 4: tio.c_cflag |= PARENB | CMSPAR; break;
    default: return false;
    }
    if (tio.c_cflag & PARENB) tio.c_iflag |= INPCK;
    if (stopBits != 0) tio.c_cflag |= CSTOPB;
    if (flags & handshake::RTSCTS) tio.c_cflag |= CRTSCTS;
    if (flags & handshake::XONXOFF) tio.c_iflag |= IXON | IXOFF;
    tio.c_cc[VSTART] = 0x11;
    tio.c_cc[VSTOP] = 0x13;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    const speed_t speed = StandardSpeed(baud);
    return cfsetispeed(&tio, speed != B0 ? speed : B38400) == 0 &&
           cfsetospeed(&tio, speed != B0 ? speed : B38400) == 0;
}

}  // namespace zentiq
