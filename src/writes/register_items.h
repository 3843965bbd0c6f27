// Item k of a register value buffer in a display format: word k, 32-bit
// value k or double k, each as it lies in memory (little-endian, no word
// swap). The register lists, the value-entry dialog and the editing of
// write polls read and replace items through here, and the register write
// dialogs hand a buffer to an engine slot. No window needed.
#pragma once

#include <cstddef>
#include <cstdint>

#include <QString>

#include "engine/engine_types.h"

namespace zentiq {

class ModbusLine;

// The members of the value-entry dialog: each format keeps its value in
// its own member ("Unsigned" and "Hex" share the unsigned value).
struct InputRegisterValue {
    int signedValue = 0;
    int unsignedValue = 0;
    QString hexText = QStringLiteral("0");
    double doubleValue = 0;
    float floatValue = 0;
    int longValue = 0;
};

class RegisterItems {
public:
    // Upper-case hexadecimal without leading zeros ("%X").
    static QString HexText(std::uint16_t word);

    // Item k of the buffer in the member of the format; false (value left
    // alone) when the item lies beyond `size` bytes or the format is unknown.
    static bool Get(int displayFormat, const std::uint8_t* buffer, std::size_t size, int item,
                    InputRegisterValue& value);
    // Replaces item k by the member of the format; false (buffer untouched)
    // as for Get.
    static bool Set(int displayFormat, std::uint8_t* buffer, std::size_t size, int item,
                    const InputRegisterValue& value);

    static std::uint16_t Word(const std::uint8_t* buffer, std::size_t size, int index);
    static void SetWord(std::uint8_t* buffer, std::size_t size, int index, std::uint16_t word);

    // The value entry of a typed digit: the digit in the member of the format
    // (and as hex text).
    static InputRegisterValue FromDigit(int displayFormat, int digit);

    // The value registers in address order make: the first register is the
    // least significant word, or the most significant one when `inverse`.
    // At most four registers count.
    static std::uint64_t JoinWords(const std::uint16_t* words, int count, bool inverse);

    // Whether a format sends its values most significant word first; these
    // formats can only send whole values.
    static bool IsInverse(int displayFormat);
    // The fewest registers a block in the format must hold to send anything.
    static int MinimumQuantity(int displayFormat);

    // Loads `registers` registers of the buffer into the write data of a
    // slot of `line`. Inverse formats always go as whole values; with
    // `wholeValues` the other wide formats do too, otherwise they go as the
    // words as they lie. Returns the write-data operation's result (0 when
    // the block holds no whole value).
    static int LoadWriteData(ModbusLine& line, int slot, int displayFormat, int registers,
                             const std::uint8_t* buffer, std::size_t size, bool wholeValues);
    // Copies the registers an answered one-shot request read into the buffer
    // as the engine's accessor of the format would: whole values, their
    // words reversed in the inverse formats. Returns the answer's status.
    static int ReadAnswer(const OneShotAnswer& answer, int displayFormat, std::uint8_t* buffer,
                          std::size_t size);
};

}  // namespace zentiq
