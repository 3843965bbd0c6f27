#include "writes/register_items.h"

#include <algorithm>
#include <array>
#include <cstring>

#include <QtEndian>

#include "engine/modbus_line.h"
#include "writes/register_list_lines.h"
#include "values/value_format.h"

namespace zentiq {
namespace {

enum class Kind { Signed, Unsigned, Float, Double, Long, Unknown };

Kind kindOf(int displayFormat) {
    switch (static_cast<DisplayFormat>(displayFormat)) {
    case DisplayFormat::Signed: return Kind::Signed;
    case DisplayFormat::Unsigned:
    case DisplayFormat::Hex:
    case DisplayFormat::Binary: return Kind::Unsigned;
    case DisplayFormat::Float:
    case DisplayFormat::FloatInverse: return Kind::Float;
    case DisplayFormat::Double:
    case DisplayFormat::DoubleInverse: return Kind::Double;
    case DisplayFormat::Long:
    case DisplayFormat::LongInverse: return Kind::Long;
    default: return Kind::Unknown;
    }
}

// Byte offset of item k, or -1 when the item does not fit in `size` bytes.
long long offsetOf(int displayFormat, std::size_t size, int item) {
    const int per = RegisterListLines::RegistersPerLine(displayFormat);
    if (per == 0 || item < 0)
        return -1;
    const long long offset = 2LL * per * item;
    return offset + 2LL * per <= static_cast<long long>(size) ? offset : -1;
}

// The engine slot takes its data as whole values of T; copied out of the
// byte buffer so that nothing is read unaligned.
template <typename T>
int loadWide(ModbusLine& line, int slot, int count, const std::uint8_t* buffer, bool inverse,
             int (ModbusLine::*setter)(int, int, const T*, int)) {
    std::array<T, 256 / sizeof(T)> values{};
    if (count < 1 || static_cast<std::size_t>(count) > values.size())
        return 0;
    std::memcpy(values.data(), buffer, sizeof(T) * static_cast<std::size_t>(count));
    return (line.*setter)(slot, count, values.data(), inverse ? 1 : 0);
}

// The value layout of the engine: a value's words low word first, or the
// other way round with inverse.
template <typename T>
void readWide(const OneShotAnswer& answer, std::uint8_t* buffer, std::size_t size, bool inverse) {
    constexpr std::size_t kWords = sizeof(T) / 2;
    const std::size_t count = std::min(
        {std::size_t{answer.readQuantity} / kWords, kDataSize / sizeof(T), size / sizeof(T)});
    for (std::size_t i = 0; i < count; ++i) {
        std::uint16_t words[kWords];
        for (std::size_t w = 0; w < kWords; ++w)
            std::memcpy(&words[inverse ? kWords - 1 - w : w], answer.data + sizeof(T) * i + 2 * w,
                        2);
        std::memcpy(buffer + sizeof(T) * i, words, sizeof(T));
    }
}

}  // namespace

QString RegisterItems::HexText(std::uint16_t word) { return QString::number(word, 16).toUpper(); }

std::uint16_t RegisterItems::Word(const std::uint8_t* buffer, std::size_t size, int index) {
    if (index < 0 || 2 * static_cast<std::size_t>(index) + 2 > size)
        return 0;
    return qFromLittleEndian<quint16>(buffer + 2 * index);
}

void RegisterItems::SetWord(std::uint8_t* buffer, std::size_t size, int index, std::uint16_t word) {
    if (index < 0 || 2 * static_cast<std::size_t>(index) + 2 > size)
        return;
    qToLittleEndian<quint16>(word, buffer + 2 * index);
}

bool RegisterItems::Get(int displayFormat, const std::uint8_t* buffer, std::size_t size, int item,
                        InputRegisterValue& value) {
    const long long offset = offsetOf(displayFormat, size, item);
    if (offset < 0)
        return false;
    const std::uint8_t* p = buffer + offset;
    switch (kindOf(displayFormat)) {
    case Kind::Signed: value.signedValue = qFromLittleEndian<qint16>(p); break;
    case Kind::Unsigned: {
        const quint16 w = qFromLittleEndian<quint16>(p);
        value.unsignedValue = w;
        value.hexText = HexText(w);
        break;
    }
    case Kind::Float: value.floatValue = qFromLittleEndian<float>(p); break;
    case Kind::Double: value.doubleValue = qFromLittleEndian<double>(p); break;
    case Kind::Long: value.longValue = qFromLittleEndian<qint32>(p); break;
    case Kind::Unknown: return false;
    }
    return true;
}

bool RegisterItems::Set(int displayFormat, std::uint8_t* buffer, std::size_t size, int item,
                        const InputRegisterValue& value) {
    const long long offset = offsetOf(displayFormat, size, item);
    if (offset < 0)
        return false;
    std::uint8_t* p = buffer + offset;
    switch (kindOf(displayFormat)) {
    case Kind::Signed: qToLittleEndian<qint16>(static_cast<qint16>(value.signedValue), p); break;
    case Kind::Unsigned:
        qToLittleEndian<quint16>(static_cast<quint16>(value.unsignedValue), p);
        break;
    case Kind::Float: qToLittleEndian<float>(value.floatValue, p); break;
    case Kind::Double: qToLittleEndian<double>(value.doubleValue, p); break;
    case Kind::Long: qToLittleEndian<qint32>(value.longValue, p); break;
    case Kind::Unknown: return false;
    }
    return true;
}

InputRegisterValue RegisterItems::FromDigit(int displayFormat, int digit) {
    InputRegisterValue v;
    switch (kindOf(displayFormat)) {
    case Kind::Signed: v.signedValue = digit; break;
    case Kind::Unsigned: v.unsignedValue = digit; break;
    case Kind::Float: v.floatValue = static_cast<float>(digit); break;
    case Kind::Double: v.doubleValue = digit; break;
    case Kind::Long: v.longValue = digit; break;
    case Kind::Unknown: break;
    }
    v.hexText = HexText(static_cast<std::uint16_t>(digit));
    return v;
}

std::uint64_t RegisterItems::JoinWords(const std::uint16_t* words, int count, bool inverse) {
    count = std::clamp(count, 0, 4);
    std::uint64_t value = 0;
    for (int i = 0; i < count; ++i)
        value |= std::uint64_t{words[inverse ? count - 1 - i : i]} << (16 * i);
    return value;
}

bool RegisterItems::IsInverse(int displayFormat) {
    return displayFormat == DisplayFormat::FloatInverse ||
           displayFormat == DisplayFormat::DoubleInverse ||
           displayFormat == DisplayFormat::LongInverse;
}

int RegisterItems::MinimumQuantity(int displayFormat) {
    return IsInverse(displayFormat) ? RegisterListLines::RegistersPerLine(displayFormat) : 1;
}

int RegisterItems::LoadWriteData(ModbusLine& line, int slot, int displayFormat, int registers,
                                 const std::uint8_t* buffer, std::size_t size, bool wholeValues) {
    if (registers < 1 || 2 * static_cast<std::size_t>(registers) > size)
        return 0;
    const bool inverse = IsInverse(displayFormat);
    if (inverse || wholeValues) {
        switch (kindOf(displayFormat)) {
        case Kind::Float:
            return loadWide<float>(line, slot, registers / 2, buffer, inverse,
                                   &ModbusLine::SetWriteFloats);
        case Kind::Double:
            return loadWide<double>(line, slot, registers / 4, buffer, inverse,
                                    &ModbusLine::SetWriteDoubles);
        case Kind::Long:
            return loadWide<std::int32_t>(line, slot, registers / 2, buffer, inverse,
                                          &ModbusLine::SetWriteLongs);
        default: break;
        }
    }
    std::array<std::uint16_t, kDataSize / 2> words{};
    const int count = std::min<int>(registers, static_cast<int>(words.size()));
    std::memcpy(words.data(), buffer, 2 * static_cast<std::size_t>(count));
    return line.SetWriteRegisters(slot, count, words.data());
}

int RegisterItems::ReadAnswer(const OneShotAnswer& answer, int displayFormat, std::uint8_t* buffer,
                              std::size_t size) {
    const bool inverse = IsInverse(displayFormat);
    switch (kindOf(displayFormat)) {
    case Kind::Float: readWide<float>(answer, buffer, size, inverse); break;
    case Kind::Double: readWide<double>(answer, buffer, size, inverse); break;
    case Kind::Long: readWide<std::int32_t>(answer, buffer, size, inverse); break;
    default: readWide<std::uint16_t>(answer, buffer, size, false); break;
    }
    return answer.status;
}

}  // namespace zentiq
