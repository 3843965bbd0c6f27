// One read of 10 holding registers from unit 1 at address 0 and its answer,
// the exchange the line tests script their slaves with.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zentiq::test {

inline const std::vector<std::uint8_t> kReadRequest = {0x01, 0x03, 0x00, 0x00, 0x00, 0x0A};
inline constexpr std::size_t kReadExpected = 3 + 2 * 10;

// Registers 0x0100, 0x0101, ...; `mark` is the first one's high byte.
inline std::vector<std::uint8_t> ReadAnswer(std::uint8_t mark = 0x01) {
    std::vector<std::uint8_t> pdu = {0x01, 0x03, 20};
    for (std::uint8_t i = 0; i < 10; ++i) {
        pdu.push_back(i == 0 ? mark : 0x01);
        pdu.push_back(i);
    }
    return pdu;
}

inline std::vector<std::uint8_t> Head(const std::uint8_t* bytes, std::size_t n) {
    return std::vector<std::uint8_t>(bytes, bytes + n);
}

}  // namespace zentiq::test
