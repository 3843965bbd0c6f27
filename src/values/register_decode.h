// Every way a run of registers can be read: 16-bit integers, BCD, 32- and
// 64-bit integers and floats in the four byte orders, ASCII text in both byte
// orders; which readings look implausible; which display format shows a
// reading. No window needed.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace zentiq {

enum class DecodeKind {
    Unsigned16,
    Signed16,
    Hex16,
    Binary16,
    Bcd16,
    Unsigned32,
    Signed32,
    Float32,
    Unsigned64,
    Signed64,
    Float64,
    Text,
};

// The order in which a value's bytes arrive, A being the most significant:
// ABCD big-endian, CDAB words swapped (first register least significant),
// BADC bytes swapped in each word, DCBA little-endian. For 64-bit values the
// same four rules apply to the eight bytes (CDAB: the four words reversed).
// Text uses ABCD (high byte of each register first) and BADC (low byte first).
enum class ByteOrder { ABCD, CDAB, BADC, DCBA };

struct DecodeReading {
    DecodeKind kind = DecodeKind::Unsigned16;
    ByteOrder order = ByteOrder::ABCD;
    friend bool operator==(const DecodeReading&, const DecodeReading&) = default;
};

// Why a reading looks wrong.
enum class Doubt { None, NotANumber, Infinite, Denormal, AbsurdMagnitude, NonPrintable, NotBcd };

struct DecodedValue {
    bool available = false;  // the registers the reading needs are there
    QString text;            // as the assistant shows it
    Doubt doubt = Doubt::None;
    double number = 0;  // numeric readings
    // Integer readings: the value's bits (signed ones sign-extended to 64 bits).
    std::uint64_t bits = 0;
    QByteArray bytes;  // text readings: the bytes without trailing NUL padding
};

// Every reading in the order the assistant lists them.
std::span<const DecodeReading> AllReadings();
// Registers a reading spans: 1, 2 or 4; 0 for text, whose length is chosen.
int RegistersOf(DecodeKind kind);
bool IsIntegerKind(DecodeKind kind);
bool IsFloatKind(DecodeKind kind);
// "单精度浮点 ABCD", translated.
QString ReadingName(const DecodeReading& reading);
// "NaN", "非规格化数", ... translated; empty for Doubt::None.
QString DoubtText(Doubt doubt);

// The value's bytes, most significant first, from `words` (2 or 4 registers
// as they arrived) in `order`.
std::uint64_t AssembleBits(std::span<const std::uint16_t> words, ByteOrder order);
// The registers that carry `bits` (registers = 1, 2 or 4) in `order`.
std::vector<std::uint16_t> EncodeBits(std::uint64_t bits, int registers, ByteOrder order);

// The reading of the registers from `start` on. Text takes `textRegisters`
// registers (as many as there are, if fewer). A start outside the words or a
// value cut off by their end gives a value that is not available.
DecodedValue DecodeAt(std::span<const std::uint16_t> words, int start, const DecodeReading& reading,
                      int textRegisters = 1);

// The display format (0..9) that shows `reading` when its first register is
// item `startItem` of a poll, or -1 when none does (a byte-swapped order, an
// unsigned 32-bit or any 64-bit integer, BCD, text, or a value that does not
// start where the format's pairs or groups of four start).
int DisplayFormatFor(const DecodeReading& reading, int startItem, bool preferHex = false);
// Why no display format shows it ("文本", "64 位整数", ...), translated;
// empty when one does. `startName` names the start item the way the rest of
// the caller's sentence numbers registers.
QString NoDisplayFormatReason(const DecodeReading& reading, int startItem, const QString& startName);

// Registers typed in hex: words of one to four digits apart, with or without
// "0x", separated by blanks, commas or semicolons; a longer run of digits
// whose length is a multiple of four is split into words. Nothing (and a
// translated *error) for anything else or more than kMaxTypedWords words.
inline constexpr int kMaxTypedWords = 125;
std::optional<std::vector<std::uint16_t>> ParseHexWords(const QString& text, QString* error);

}  // namespace zentiq
