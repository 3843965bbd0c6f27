// Builds expected file bytes by hand, field by field, without the codec
// under test, so that tests compare its output with an independent layout.
#pragma once

#include <QByteArray>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace zentiq::test {

class FileBytes {
public:
    FileBytes& u8(std::uint8_t v) {
        m_bytes.push_back(v);
        return *this;
    }
    FileBytes& u16(std::uint16_t v) {
        u8(v & 0xFF);
        return u8(v >> 8);
    }
    FileBytes& i32(std::int32_t v) {
        const auto u = static_cast<std::uint32_t>(v);
        for (int i = 0; i < 4; ++i)
            u8((u >> (8 * i)) & 0xFF);
        return *this;
    }
    // An IEEE 754 double, little-endian.
    FileBytes& f64(double v) {
        std::uint64_t u = 0;
        std::memcpy(&u, &v, sizeof u);
        for (int i = 0; i < 8; ++i)
            u8((u >> (8 * i)) & 0xFF);
        return *this;
    }
    FileBytes& raw(const std::vector<std::uint8_t>& bytes) {
        m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
        return *this;
    }
    // UTF-16 string with the 0xFFFE mark (short counts only: tests stay below 255).
    FileBytes& wide(const std::u16string& s) {
        u8(0xFF).u16(0xFFFE).u8(static_cast<std::uint8_t>(s.size()));
        for (char16_t c : s)
            u16(c);
        return *this;
    }
    // 8-bit string without the mark.
    FileBytes& narrow(const std::string& s) {
        u8(static_cast<std::uint8_t>(s.size()));
        for (char c : s)
            u8(static_cast<std::uint8_t>(c));
        return *this;
    }
    // The 28-byte font record followed by its face name.
    FileBytes& font(std::int32_t height, std::int32_t weight, std::uint8_t italic,
                    std::uint8_t outPrecision, std::uint8_t quality, std::uint8_t pitchAndFamily,
                    const std::u16string& face) {
        i32(height).i32(0).i32(0).i32(0).i32(weight);
        u8(italic).u8(0).u8(0).u8(0).u8(outPrecision).u8(0).u8(quality).u8(pitchAndFamily);
        return wide(face);
    }
    FileBytes& placement(std::int32_t base) {
        i32(44);
        for (int i = 1; i < 11; ++i)
            i32(base + i);
        return *this;
    }

    QByteArray bytes() const {
        return QByteArray(reinterpret_cast<const char*>(m_bytes.data()),
                          static_cast<qsizetype>(m_bytes.size()));
    }
    std::size_t size() const { return m_bytes.size(); }

private:
    std::vector<std::uint8_t> m_bytes;
};

}  // namespace zentiq::test
