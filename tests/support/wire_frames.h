// Frames as the tests expect them on the wire, built independently of the
// engine's own framing: the peers' holding registers, RTU CRC, ASCII
// characters with LRC, and the "%02X " text of the monitor lines.
#pragma once

#include <QString>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "support/peer_data.h"

namespace zentiq::testing {

using Bytes = std::vector<std::uint8_t>;

inline QString HexText(const Bytes& bytes) {
    QString text;
    for (std::uint8_t b : bytes)
        text += QString::asprintf("%02X ", b);
    return text;
}

// Holding registers 0..count-1 of a fresh peer, high byte first.
inline Bytes HoldingData(unsigned count) {
    Bytes data;
    for (unsigned i = 0; i < count; ++i) {
        data.push_back(static_cast<std::uint8_t>(zq_peer_holding(i) >> 8));
        data.push_back(static_cast<std::uint8_t>(zq_peer_holding(i) & 0xFF));
    }
    return data;
}

// Unit, function 3, byte count and the first `count` holding registers.
inline Bytes ReadHoldingAnswer(unsigned count) {
    Bytes frame{0x01, 0x03, static_cast<std::uint8_t>(2 * count)};
    const Bytes data = HoldingData(count);
    frame.insert(frame.end(), data.begin(), data.end());
    return frame;
}

inline Bytes WithCrc(Bytes frame) {
    const std::uint16_t crc = Crc16(frame.data(), frame.size());
    frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
    return frame;
}

// The characters of the ASCII frame of a binary frame (LRC, CR, LF added).
inline Bytes AsAscii(const Bytes& frame) {
    std::uint8_t sum = 0;
    for (std::uint8_t b : frame)
        sum = static_cast<std::uint8_t>(sum + b);
    Bytes withLrc = frame;
    withLrc.push_back(static_cast<std::uint8_t>(-sum));
    std::string text = ":";
    for (std::uint8_t b : withLrc)
        text += QString::asprintf("%02X", b).toStdString();
    text += "\r\n";
    return Bytes(text.begin(), text.end());
}

}  // namespace zentiq::testing
