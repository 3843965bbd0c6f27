// Modbus CRC-16 (reflected 0xA001, initial 0xFFFF) by table, and the ASCII LRC.
#include <array>

#include "engine/engine.h"

namespace zentiq {
namespace {

constexpr std::array<std::uint16_t, 256> MakeCrcTable() {
    std::array<std::uint16_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        std::uint16_t crc = static_cast<std::uint16_t>(i);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001)
                            : static_cast<std::uint16_t>(crc >> 1);
        table[i] = crc;
    }
    return table;
}

constexpr auto kCrcTable = MakeCrcTable();

}  // namespace

std::uint16_t Crc16(const std::uint8_t* bytes, std::size_t length) {
    std::uint16_t crc = 0xFFFF;
    for (std::size_t i = 0; i < length; ++i)
        crc = static_cast<std::uint16_t>((crc >> 8) ^ kCrcTable[(crc ^ bytes[i]) & 0xFF]);
    return crc;
}

std::uint8_t Lrc8(const std::uint8_t* bytes, std::size_t length) {
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < length; ++i) sum = static_cast<std::uint8_t>(sum + bytes[i]);
    return static_cast<std::uint8_t>(-sum);
}

}  // namespace zentiq
