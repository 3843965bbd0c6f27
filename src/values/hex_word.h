// A 16-bit register value typed as hex digits, as the write dialogs take it.
#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace zentiq {

// One or more hex digits (either case, nothing else: no sign, no "0x", no
// blanks) worth at most 0xFFFF; nothing for any other text.
std::optional<std::uint16_t> ParseHexWord(const QString& text);

// The warning for a text that ParseHexWord refuses.
QString HexNumberMessage();

}  // namespace zentiq
