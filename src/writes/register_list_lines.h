// The lines of the register value lists of the multiple-write dialogs: line k
// shows item k of the value buffer (word k, 32-bit value k or double k),
// labelled with its first register's address.
#pragma once

#include <cstddef>
#include <cstdint>

#include <QString>
#include <QStringList>

namespace zentiq {

class RegisterListLines {
public:
    // Registers per line for a display format (1, 2 or 4), 0 for a format
    // outside 0..9.
    static int RegistersPerLine(int displayFormat);

    // Number of lines for `quantity` registers: registers at the end that do
    // not fill a whole value get no line.
    static int LineCount(int displayFormat, int quantity);

    // The text of line k. `buffer` holds the values as little-endian words
    // (floats, longs and doubles without any word swap); a line whose value
    // lies beyond `bufferSize` is not built (empty string).
    static QString Line(int displayFormat, int firstAddress, int line, const std::uint8_t* buffer,
                        std::size_t bufferSize);

    // The value part of a line labelled `label` (what follows "= ", without
    // the binary form's final blank) for the item at `item`, laid out as in
    // the buffer.
    static QString ValueText(int displayFormat, int label, const std::uint8_t* item);

    // All lines for a block of `quantity` registers starting at the address
    // `firstAddress` (as the user sees it). An unknown format or a negative
    // quantity gives no lines.
    static QStringList Build(int displayFormat, int firstAddress, int quantity,
                             const std::uint8_t* buffer, std::size_t bufferSize);

private:
    static QString lineText(int displayFormat, int label, const std::uint8_t* item);
};

}  // namespace zentiq
