#include "framework/frame_address.h"

namespace zentiq {
namespace {

int HexDigit(std::uint8_t c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

int HexPair(const std::uint8_t* p) {
    const int high = HexDigit(p[0]), low = HexDigit(p[1]);
    return high < 0 || low < 0 ? -1 : high * 16 + low;
}

}  // namespace

FrameAddress FrameAddressOf(TransmissionMode mode, const std::uint8_t* bytes, std::size_t count) {
    FrameAddress a;
    if (bytes == nullptr)
        return a;
    switch (mode) {
    case ASCII:
        if (count >= 5 && bytes[0] == ':') {
            a.slave = HexPair(bytes + 1);
            a.function = HexPair(bytes + 3);
        }
        break;
    case TCP:
        if (count >= 8) {
            a.slave = bytes[6];
            a.function = bytes[7];
        }
        break;
    case RTU:
    case RTU_OVER_TCP:
        if (count >= 2) {
            a.slave = bytes[0];
            a.function = bytes[1];
        }
        break;
    }
    if (a.slave < 0 || a.function < 0)
        return FrameAddress{};
    a.function &= 0x7F;
    return a;
}

}  // namespace zentiq
