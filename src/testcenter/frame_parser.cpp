#include "testcenter/frame_parser.h"

#include <cstdint>
#include <vector>

#include "engine/engine.h"

namespace zentiq {
namespace {

int HexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

bool IsSeparator(QChar c) { return c == u' ' || c == u',' || c == u'.'; }

// Decoding of ASCII frame characters as the transport does it: anything that
// is not an upper-case hexadecimal digit counts as 0.
int AsciiNibble(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return 0;
}

}  // namespace

FrameParser::Result FrameParser::Parse(const QString& text) {
    Result result;
    if (text.size() > kMaxTextLength) {
        result.status = Status::TooLong;
        return result;
    }
    const int n = static_cast<int>(text.size());
    int i = 0;
    while (i < n) {
        const int high = HexDigit(text.at(i));
        if (high < 0) {
            result.errorPosition = i;
            return result;
        }
        if (i + 1 >= n)
            return result;  // a lone digit at the end
        const int low = HexDigit(text.at(i + 1));
        if (low < 0) {
            result.errorPosition = i + 1;
            return result;
        }
        result.bytes.append(static_cast<char>(high << 4 | low));
        i += 2;
        if (i == n)
            break;
        if (!IsSeparator(text.at(i))) {
            result.errorPosition = i;
            return result;
        }
        ++i;
    }
    if (result.bytes.isEmpty())
        return result;
    result.status = Status::Ok;
    return result;
}

void FrameParser::AppendCrc(QByteArray& bytes) {
    const std::uint16_t crc = Crc16(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                    static_cast<std::size_t>(bytes.size()));
    bytes.append(static_cast<char>(crc & 0xFF));
    bytes.append(static_cast<char>(crc >> 8));
}

void FrameParser::AppendLrc(QByteArray& bytes) {
    const qsizetype pairs = bytes.isEmpty() ? 0 : (bytes.size() - 1) / 2;
    std::vector<std::uint8_t> decoded(static_cast<std::size_t>(pairs));
    for (qsizetype k = 0; k < pairs; ++k) {
        decoded[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(
            AsciiNibble(bytes.at(1 + 2 * k)) << 4 | AsciiNibble(bytes.at(2 + 2 * k)));
    }
    const std::uint8_t lrc = Lrc8(decoded.data(), decoded.size());
    static const char kHex[] = "0123456789ABCDEF";
    bytes.append(kHex[lrc >> 4]);
    bytes.append(kHex[lrc & 0x0F]);
    bytes.append('\r');
    bytes.append('\n');
}

}  // namespace zentiq
