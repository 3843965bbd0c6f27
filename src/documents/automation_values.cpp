#include "documents/automation_values.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

namespace zentiq::automation_values {

namespace {

constexpr int kRegisterCount = static_cast<int>(kDataSize / sizeof(quint16));

// Registers are host-order 16-bit words at even byte offsets.
quint16 word(const Buffer& buffer, int reg) {
    quint16 w = 0;
    std::memcpy(&w, buffer.data() + 2 * reg, sizeof w);
    return w;
}

void setWord(Buffer& buffer, int reg, quint16 w) {
    std::memcpy(buffer.data() + 2 * reg, &w, sizeof w);
}

// First register of value `index`, or -1 when the index is outside the
// member's range or the value would not fit the buffer.
int firstRegister(const WideKind& kind, int index) {
    if (index < 0 || index > kind.maxIndex)
        return -1;
    const int first = index * kind.words;
    return first + kind.words <= kRegisterCount ? first : -1;
}

// Register of word `i` (0 = least significant) of a value starting at `first`.
int registerOfWord(const WideKind& kind, int first, int i) {
    return kind.inverse ? first + kind.words - 1 - i : first + i;
}

}  // namespace

qint16 Register(const Buffer& buffer, int index) {
    return index >= 0 && index <= kMaxRegisterIndex ? static_cast<qint16>(word(buffer, index)) : 0;
}

void SetRegister(Buffer& buffer, int index, qint16 value) {
    if (index >= 0 && index <= kMaxRegisterIndex)
        setWord(buffer, index, static_cast<quint16>(value));
}

quint64 WideBits(const Buffer& buffer, const WideKind& kind, int index) {
    const int first = firstRegister(kind, index);
    if (first < 0)
        return 0;
    quint64 bits = 0;
    for (int i = 0; i < kind.words; ++i)
        bits |= quint64(word(buffer, registerOfWord(kind, first, i))) << (16 * i);
    return bits;
}

void SetWideBits(Buffer& buffer, const WideKind& kind, int index, quint64 bits) {
    const int first = firstRegister(kind, index);
    if (first < 0)
        return;
    for (int i = 0; i < kind.words; ++i)
        setWord(buffer, registerOfWord(kind, first, i), static_cast<quint16>(bits >> (16 * i)));
}

qint32 Long(const Buffer& buffer, const WideKind& kind, int index) {
    return static_cast<qint32>(static_cast<quint32>(WideBits(buffer, kind, index)));
}

void SetLong(Buffer& buffer, const WideKind& kind, int index, qint32 value) {
    SetWideBits(buffer, kind, index, static_cast<quint32>(value));
}

double Float(const Buffer& buffer, const WideKind& kind, int index) {
    return std::bit_cast<float>(static_cast<quint32>(WideBits(buffer, kind, index)));
}

void SetFloat(Buffer& buffer, const WideKind& kind, int index, double value) {
    // Narrowing a finite double beyond the float range is undefined.
    constexpr float kInfinity = std::numeric_limits<float>::infinity();
    const bool beyond =
        std::isfinite(value) && std::fabs(value) > std::numeric_limits<float>::max();
    const float f = beyond ? (value > 0 ? kInfinity : -kInfinity) : static_cast<float>(value);
    SetWideBits(buffer, kind, index, std::bit_cast<quint32>(f));
}

double Double(const Buffer& buffer, const WideKind& kind, int index) {
    return std::bit_cast<double>(WideBits(buffer, kind, index));
}

void SetDouble(Buffer& buffer, const WideKind& kind, int index, double value) {
    SetWideBits(buffer, kind, index, std::bit_cast<quint64>(value));
}

qint16 Coil(const Buffer& buffer, int index) {
    return index >= 0 && index <= kMaxCoilIndex ? buffer[static_cast<std::size_t>(index)] : 0;
}

void SetCoil(Buffer& buffer, int index, qint16 value) {
    if (index >= 0 && index <= kMaxCoilIndex)
        buffer[static_cast<std::size_t>(index)] = value != 0 ? 1 : 0;
}

}  // namespace zentiq::automation_values
