#include "values/hex_word.h"

#include <algorithm>

namespace zentiq {

std::optional<std::uint16_t> ParseHexWord(const QString& text) {
    const auto isHexDigit = [](QChar c) {
        return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
               (c >= QLatin1Char('a') && c <= QLatin1Char('f')) ||
               (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
    };
    if (text.isEmpty() || !std::all_of(text.begin(), text.end(), isHexDigit))
        return std::nullopt;
    bool ok = false;
    const uint value = text.toUInt(&ok, 16);
    if (!ok || value > 0xFFFFu)
        return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

QString HexNumberMessage() { return QStringLiteral("Please enter a hex number"); }

}  // namespace zentiq
