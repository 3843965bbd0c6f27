#include "values/row_type.h"

#include <QCoreApplication>
#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <system_error>
#include <cmath>
#include <cstring>
#include <limits>
#include <string_view>

#include "engine/engine_types.h"

namespace zentiq {
namespace {

QString translated(const char* text) { return QCoreApplication::translate("RowType", text); }

constexpr std::array<const char*, 4> kOrderWords = {"ABCD", "CDAB", "BADC", "DCBA"};

// The type words files write, by reading kind.
struct KindRow {
    DecodeKind kind;
    const char* word;
    int paddedWidth;  // digits of the widest value with its sign
};
constexpr std::array kKinds = {
    KindRow{DecodeKind::Unsigned16, "uint16", 5},  KindRow{DecodeKind::Signed16, "int16", 6},
    KindRow{DecodeKind::Hex16, "hex", 6},          KindRow{DecodeKind::Binary16, "binary", 20},
    KindRow{DecodeKind::Bcd16, "bcd", 4},          KindRow{DecodeKind::Unsigned32, "uint32", 10},
    KindRow{DecodeKind::Signed32, "int32", 11},    KindRow{DecodeKind::Float32, "float32", 15},
    KindRow{DecodeKind::Unsigned64, "uint64", 20}, KindRow{DecodeKind::Signed64, "int64", 20},
    KindRow{DecodeKind::Float64, "float64", 17},   KindRow{DecodeKind::Text, "text", 0},
};

const KindRow& kindRow(DecodeKind kind) {
    for (const KindRow& row : kKinds)
        if (row.kind == kind)
            return row;
    return kKinds.front();
}

// Spellings of device manuals and PLC tools, compared without case, blanks,
// '_' and '-'. Display format names carry their word order (what earlier
// exports wrote); the others leave it to an order column.
struct Spelling {
    const char* word;
    DecodeKind kind;
    int order;  // -1: none implied
};
constexpr int kNoOrder = -1;
constexpr int A = int(ByteOrder::ABCD), C = int(ByteOrder::CDAB);
constexpr std::array kSpellings = {
    Spelling{"signed", DecodeKind::Signed16, kNoOrder},
    Spelling{"int16", DecodeKind::Signed16, kNoOrder},
    Spelling{"int", DecodeKind::Signed16, kNoOrder},
    Spelling{"short", DecodeKind::Signed16, kNoOrder},
    Spelling{"sint16", DecodeKind::Signed16, kNoOrder},
    Spelling{"s16", DecodeKind::Signed16, kNoOrder},
    Spelling{"i16", DecodeKind::Signed16, kNoOrder},
    Spelling{"有符号", DecodeKind::Signed16, kNoOrder},
    Spelling{"有符号整数", DecodeKind::Signed16, kNoOrder},
    Spelling{"有符号 16 位", DecodeKind::Signed16, kNoOrder},
    Spelling{"unsigned", DecodeKind::Unsigned16, kNoOrder},
    Spelling{"uint16", DecodeKind::Unsigned16, kNoOrder},
    Spelling{"uint", DecodeKind::Unsigned16, kNoOrder},
    Spelling{"ushort", DecodeKind::Unsigned16, kNoOrder},
    Spelling{"word", DecodeKind::Unsigned16, kNoOrder},
    Spelling{"u16", DecodeKind::Unsigned16, kNoOrder},
    Spelling{"无符号", DecodeKind::Unsigned16, kNoOrder},
    Spelling{"无符号整数", DecodeKind::Unsigned16, kNoOrder},
    Spelling{"无符号 16 位", DecodeKind::Unsigned16, kNoOrder},
    Spelling{"hex", DecodeKind::Hex16, kNoOrder},
    Spelling{"十六进制", DecodeKind::Hex16, kNoOrder},
    Spelling{"binary", DecodeKind::Binary16, kNoOrder},
    Spelling{"bin", DecodeKind::Binary16, kNoOrder},
    Spelling{"bits", DecodeKind::Binary16, kNoOrder},
    Spelling{"bitfield", DecodeKind::Binary16, kNoOrder},
    Spelling{"二进制", DecodeKind::Binary16, kNoOrder},
    Spelling{"bcd", DecodeKind::Bcd16, kNoOrder},
    Spelling{"bcd16", DecodeKind::Bcd16, kNoOrder},
    Spelling{"long", DecodeKind::Signed32, C},
    Spelling{"longinverse", DecodeKind::Signed32, A},
    Spelling{"int32", DecodeKind::Signed32, kNoOrder},
    Spelling{"dint", DecodeKind::Signed32, kNoOrder},
    Spelling{"sint32", DecodeKind::Signed32, kNoOrder},
    Spelling{"s32", DecodeKind::Signed32, kNoOrder},
    Spelling{"i32", DecodeKind::Signed32, kNoOrder},
    Spelling{"长整数", DecodeKind::Signed32, kNoOrder},
    Spelling{"有符号 32 位", DecodeKind::Signed32, kNoOrder},
    Spelling{"unsignedlong", DecodeKind::Unsigned32, C},
    Spelling{"unsignedlonginverse", DecodeKind::Unsigned32, A},
    Spelling{"uint32", DecodeKind::Unsigned32, kNoOrder},
    Spelling{"udint", DecodeKind::Unsigned32, kNoOrder},
    Spelling{"dword", DecodeKind::Unsigned32, kNoOrder},
    Spelling{"ulong", DecodeKind::Unsigned32, kNoOrder},
    Spelling{"u32", DecodeKind::Unsigned32, kNoOrder},
    Spelling{"无符号 32 位", DecodeKind::Unsigned32, kNoOrder},
    Spelling{"float", DecodeKind::Float32, C},
    Spelling{"floatinverse", DecodeKind::Float32, A},
    Spelling{"float32", DecodeKind::Float32, kNoOrder},
    Spelling{"real", DecodeKind::Float32, kNoOrder},
    Spelling{"single", DecodeKind::Float32, kNoOrder},
    Spelling{"f32", DecodeKind::Float32, kNoOrder},
    Spelling{"浮点", DecodeKind::Float32, kNoOrder},
    Spelling{"浮点数", DecodeKind::Float32, kNoOrder},
    Spelling{"单精度", DecodeKind::Float32, kNoOrder},
    Spelling{"单精度浮点", DecodeKind::Float32, kNoOrder},
    Spelling{"单精度浮点数", DecodeKind::Float32, kNoOrder},
    Spelling{"int64", DecodeKind::Signed64, kNoOrder},
    Spelling{"lint", DecodeKind::Signed64, kNoOrder},
    Spelling{"sint64", DecodeKind::Signed64, kNoOrder},
    Spelling{"s64", DecodeKind::Signed64, kNoOrder},
    Spelling{"i64", DecodeKind::Signed64, kNoOrder},
    Spelling{"longlong", DecodeKind::Signed64, kNoOrder},
    Spelling{"有符号 64 位", DecodeKind::Signed64, kNoOrder},
    Spelling{"uint64", DecodeKind::Unsigned64, kNoOrder},
    Spelling{"ulint", DecodeKind::Unsigned64, kNoOrder},
    Spelling{"lword", DecodeKind::Unsigned64, kNoOrder},
    Spelling{"u64", DecodeKind::Unsigned64, kNoOrder},
    Spelling{"unsignedlonglong", DecodeKind::Unsigned64, kNoOrder},
    Spelling{"无符号 64 位", DecodeKind::Unsigned64, kNoOrder},
    Spelling{"double", DecodeKind::Float64, C},
    Spelling{"doubleinverse", DecodeKind::Float64, A},
    Spelling{"float64", DecodeKind::Float64, kNoOrder},
    Spelling{"lreal", DecodeKind::Float64, kNoOrder},
    Spelling{"f64", DecodeKind::Float64, kNoOrder},
    Spelling{"双精度", DecodeKind::Float64, kNoOrder},
    Spelling{"双精度浮点", DecodeKind::Float64, kNoOrder},
    Spelling{"双精度浮点数", DecodeKind::Float64, kNoOrder},
    Spelling{"text", DecodeKind::Text, kNoOrder},
    Spelling{"string", DecodeKind::Text, kNoOrder},
    Spelling{"str", DecodeKind::Text, kNoOrder},
    Spelling{"ascii", DecodeKind::Text, kNoOrder},
    Spelling{"char", DecodeKind::Text, kNoOrder},
    Spelling{"文本", DecodeKind::Text, kNoOrder},
};

struct OrderSpelling {
    const char* word;
    ByteOrder order;
};
constexpr std::array kOrderSpellings = {
    OrderSpelling{"abcd", ByteOrder::ABCD},      OrderSpelling{"cdab", ByteOrder::CDAB},
    OrderSpelling{"badc", ByteOrder::BADC},      OrderSpelling{"dcba", ByteOrder::DCBA},
    OrderSpelling{"ab", ByteOrder::ABCD},        OrderSpelling{"ba", ByteOrder::BADC},
    OrderSpelling{"1234", ByteOrder::ABCD},      OrderSpelling{"3412", ByteOrder::CDAB},
    OrderSpelling{"2143", ByteOrder::BADC},      OrderSpelling{"4321", ByteOrder::DCBA},
    OrderSpelling{"12", ByteOrder::ABCD},        OrderSpelling{"21", ByteOrder::BADC},
    OrderSpelling{"abcdefgh", ByteOrder::ABCD},  OrderSpelling{"ghefcdab", ByteOrder::CDAB},
    OrderSpelling{"badcfehg", ByteOrder::BADC},  OrderSpelling{"hgfedcba", ByteOrder::DCBA},
    OrderSpelling{"big", ByteOrder::ABCD},       OrderSpelling{"bigendian", ByteOrder::ABCD},
    OrderSpelling{"be", ByteOrder::ABCD},        OrderSpelling{"msbfirst", ByteOrder::ABCD},
    OrderSpelling{"little", ByteOrder::DCBA},    OrderSpelling{"littleendian", ByteOrder::DCBA},
    OrderSpelling{"le", ByteOrder::DCBA},        OrderSpelling{"wordswap", ByteOrder::CDAB},
    OrderSpelling{"wordswapped", ByteOrder::CDAB}, OrderSpelling{"byteswap", ByteOrder::BADC},
    OrderSpelling{"byteswapped", ByteOrder::BADC},      OrderSpelling{"高字在前", ByteOrder::ABCD},
    OrderSpelling{"低字在前", ByteOrder::CDAB},
    OrderSpelling{"字节交换", ByteOrder::BADC},  OrderSpelling{"高字节在前", ByteOrder::ABCD},
    OrderSpelling{"低字节在前", ByteOrder::BADC},
};

// Chinese words of manuals that name no text of the program: file words,
// the same in every language.
//: own name
constexpr const char* kTextWord = QT_TRANSLATE_NOOP("RowType", "字符串");
//: own name
constexpr const char* kUnsignedLongWord = QT_TRANSLATE_NOOP("RowType", "无符号长整数");
constexpr std::array<std::pair<const char*, ByteOrder>, 3> kChineseOrders = {{
    //: own name
    {QT_TRANSLATE_NOOP("RowType", "大端"), ByteOrder::ABCD},
    //: own name
    {QT_TRANSLATE_NOOP("RowType", "小端"), ByteOrder::DCBA},
    //: own name
    {QT_TRANSLATE_NOOP("RowType", "字交换"), ByteOrder::CDAB},
}};

// Lower case without blanks, '_' and '-', so that "Float inverse",
// "FLOAT_INVERSE" and "big-endian" meet their table entries.
QString folded(const QString& word) {
    QString out;
    out.reserve(word.size());
    for (const QChar c : word) {
        if (c.isSpace() || c == QLatin1Char('_') || c == QLatin1Char('-'))
            continue;
        out += c.toLower();
    }
    return out;
}

QString shortest(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return QString::fromLatin1(buffer, int(result.ptr - buffer));
}

// Decimals a scaled integer needs so that raw × scale shows exactly: those
// of the scale and the offset (0.1 → 1, 0.025 → 3).
int decimalsOf(double value) {
    char buffer[64];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    const std::string_view text(buffer, std::size_t(end - buffer));
    if (text.find('e') != std::string_view::npos)
        return 6;
    const std::size_t dot = text.find('.');
    return dot == std::string_view::npos ? 0 : int(text.size() - dot - 1);
}

// The decimals of a scaled integer; a map uses few scales, so the last
// answer is kept (the grid asks for every changed value).
int scaledDecimals(double scale, double offset) {
    thread_local double lastScale = 1.0, lastOffset = 0.0;
    thread_local int lastDecimals = 0;
    if (scale != lastScale || offset != lastOffset) {
        lastScale = scale;
        lastOffset = offset;
        lastDecimals = std::min(RowType::kMaxDecimals, std::max(decimalsOf(scale), decimalsOf(offset)));
    }
    return lastDecimals;
}

// The raw value of the registers: the bits (signed readings sign-extended),
// the number they stand for, and whether a BCD word holds a nibble above 9.
struct RawValue {
    std::uint64_t bits = 0;
    double number = 0;
    bool isSigned = false;
    bool notBcd = false;
};

RawValue rawValue(std::span<const std::uint16_t> span, const RowType& type) {
    RawValue raw;
    const int registers = int(span.size());
    const std::uint64_t bits = registers == 1 ? span[0] : AssembleBits(span, type.reading.order);
    raw.bits = bits;
    switch (type.reading.kind) {
    case DecodeKind::Signed16:
    case DecodeKind::Signed32:
    case DecodeKind::Signed64: {
        const int unused = 64 - 16 * registers;
        const auto value = std::int64_t(bits << unused) >> unused;
        raw.bits = std::uint64_t(value);
        raw.number = double(value);
        raw.isSigned = true;
        break;
    }
    case DecodeKind::Bcd16: {
        std::uint64_t value = 0;
        for (int shift = 12; shift >= 0; shift -= 4) {
            const std::uint64_t digit = (bits >> shift) & 0xF;
            raw.notBcd = raw.notBcd || digit > 9;
            value = value * 10 + digit;
        }
        raw.number = double(value);
        break;
    }
    case DecodeKind::Float32: raw.number = double(std::bit_cast<float>(std::uint32_t(bits))); break;
    case DecodeKind::Float64: raw.number = std::bit_cast<double>(bits); break;
    default: raw.number = double(bits); break;
    }
    return raw;
}

// Large enough for "%.15f" of the largest double (309 integer digits).
constexpr std::size_t kTextBufferSize = 400;

// The text of a number with the row's decimals, or, without them, in the
// type's own way: integers as integers, floats with the display formats'
// digits; too wide for a padded cell, in exponent notation.
QString numberText(double value, const RowType& type, int width, ValueForm form,
                   bool* exponent = nullptr) {
    const DecodeKind kind = type.reading.kind;
    int decimals = type.decimals;
    // The display formats' digits: "%1.6f" / "%1.7e" for floats, "%1.10f" /
    // "%1.9e" for doubles.
    int exponentDigits = std::max(decimals, 6);
    if (decimals < 0) {
        if (kind == DecodeKind::Float32) {
            decimals = 6;
            exponentDigits = 7;
        } else if (kind == DecodeKind::Float64) {
            decimals = 10;
            exponentDigits = 9;
        } else {
            decimals = scaledDecimals(type.scale, type.offset);
        }
    }
    // to_chars gives printf's digits at a fraction of its cost, which the
    // grid pays for every changed value.
    char buffer[kTextBufferSize];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed,
                                decimals);
    if (result.ec == std::errc() && form != ValueForm::Plain &&
        result.ptr - buffer > std::max(width, 15))
    {
        // As the display formats do, the exponent form is not padded.
        result = std::to_chars(buffer, buffer + sizeof buffer, value,
                               std::chars_format::scientific, exponentDigits);
        if (exponent != nullptr)
            *exponent = true;
    }
    if (result.ec != std::errc())
        return QString();
    return QString::fromLatin1(buffer, result.ptr - buffer);
}

// The text blank-padded to the width (not in the plain form), then the
// unit after a blank, built in one allocation.
QString padded(const QString& text, int width, ValueForm form, const QString& unit = {}) {
    const qsizetype pad = form == ValueForm::Plain ? 0 : std::max<qsizetype>(0, width - text.size());
    if (pad == 0 && unit.isEmpty())
        return text;
    QString out;
    out.reserve(pad + text.size() + 1 + unit.size());
    out.fill(QLatin1Char(' '), pad);
    out += text;
    if (!unit.isEmpty()) {
        out += QLatin1Char(' ');
        out += unit;
    }
    return out;
}

std::optional<std::uint64_t> parseUnsigned(const QString& text, std::uint64_t max) {
    bool ok = false;
    const qulonglong value = text.toULongLong(&ok, 10);
    if (!ok || value > max)
        return std::nullopt;
    return value;
}

QString outOfRange(const QString& low, const QString& high) {
    return translated(QT_TRANSLATE_NOOP("RowType", "超出范围 %1..%2")).arg(low, high);
}

}  // namespace

int RowType::Registers() const {
    return reading.kind == DecodeKind::Text ? std::clamp(textRegisters, 1, kMaxTextRegisters)
                                            : RegistersOf(reading.kind);
}

bool RowType::Scaled() const { return scale != 1.0 || offset != 0.0; }

bool RowType::Numeric() const {
    const DecodeKind k = reading.kind;
    return k != DecodeKind::Hex16 && k != DecodeKind::Binary16 && k != DecodeKind::Text;
}

bool RowType::Valid() const {
    static const QRegularExpression badUnit(QStringLiteral("[\\r\\n\\t,;\"\\[\\]]"));
    if (reading.kind == DecodeKind::Text &&
        (textRegisters < 1 || textRegisters > kMaxTextRegisters))
        return false;
    if (reading.kind == DecodeKind::Text && reading.order != ByteOrder::ABCD &&
        reading.order != ByteOrder::BADC)
        return false;
    if (RegistersOf(reading.kind) == 1 && reading.kind != DecodeKind::Text &&
        reading.order != ByteOrder::ABCD)
        return false;
    return std::isfinite(scale) && scale != 0.0 && std::isfinite(offset) && decimals >= -1 &&
           decimals <= kMaxDecimals && unit.size() <= 32 && !unit.contains(badUnit);
}

RowType RowTypeOfFormat(int displayFormat) {
    using F = DisplayFormat;
    RowType type;
    const auto set = [&](DecodeKind kind, ByteOrder order) { type.reading = {kind, order}; };
    switch (static_cast<F>(IsDisplayFormat(displayFormat) ? displayFormat : 0)) {
    case F::Signed: set(DecodeKind::Signed16, ByteOrder::ABCD); break;
    case F::Unsigned: set(DecodeKind::Unsigned16, ByteOrder::ABCD); break;
    case F::Hex: set(DecodeKind::Hex16, ByteOrder::ABCD); break;
    case F::Binary: set(DecodeKind::Binary16, ByteOrder::ABCD); break;
    case F::Float: set(DecodeKind::Float32, ByteOrder::CDAB); break;
    case F::FloatInverse: set(DecodeKind::Float32, ByteOrder::ABCD); break;
    case F::Double: set(DecodeKind::Float64, ByteOrder::CDAB); break;
    case F::DoubleInverse: set(DecodeKind::Float64, ByteOrder::ABCD); break;
    case F::Long: set(DecodeKind::Signed32, ByteOrder::CDAB); break;
    case F::LongInverse: set(DecodeKind::Signed32, ByteOrder::ABCD); break;
    }
    return type;
}

int FormatOfRowType(const RowType& type) {
    if (type.Scaled() || !type.unit.isEmpty() || type.decimals >= 0)
        return -1;
    return DisplayFormatFor(type.reading, 0);
}

QString ReadingLabel(const DecodeReading& r) {
    const int format = DisplayFormatFor(r, 0);
    if (format >= 0)
        return DisplayFormatLabel(format);
    const QString order = QString::fromLatin1(kOrderWords[std::size_t(r.order)]);
    switch (r.kind) {
    case DecodeKind::Bcd16: return QStringLiteral("BCD");
    case DecodeKind::Unsigned32:
        return r.order == ByteOrder::ABCD ? QStringLiteral("Unsigned Long Inverse (ABCD)")
                                          : QStringLiteral("Unsigned Long (%1)").arg(order);
    case DecodeKind::Signed32: return QStringLiteral("Long (%1)").arg(order);
    case DecodeKind::Float32: return QStringLiteral("Float (%1)").arg(order);
    case DecodeKind::Float64: return QStringLiteral("Double (%1)").arg(order);
    case DecodeKind::Signed64: return QStringLiteral("Int64 (%1)").arg(order);
    case DecodeKind::Unsigned64: return QStringLiteral("UInt64 (%1)").arg(order);
    case DecodeKind::Text:
        return r.order == ByteOrder::BADC
                   ? translated(QT_TRANSLATE_NOOP("RowType", "文本 (低字节在前)"))
                   : translated(QT_TRANSLATE_NOOP("RowType", "文本 (高字节在前)"));
    default: break;
    }
    return QString();
}

QString RowTypeLabel(const RowType& type) {
    QString label = ReadingLabel(type.reading);
    QStringList extras;
    if (type.reading.kind == DecodeKind::Text)
        extras << translated(QT_TRANSLATE_NOOP("RowType", "%1 个寄存器")).arg(type.Registers());
    if (type.Numeric() && type.scale != 1.0)
        extras << QStringLiteral("×") + shortest(type.scale);
    if (type.Numeric() && type.offset != 0.0)
        extras << (type.offset > 0 ? QStringLiteral("+") : QString()) + shortest(type.offset);
    if (type.Numeric() && type.decimals >= 0)
        extras << translated(QT_TRANSLATE_NOOP("RowType", "%1 位小数")).arg(type.decimals);
    if (!type.unit.isEmpty())
        extras << type.unit;
    if (!extras.isEmpty())
        label += QStringLiteral(", ") + extras.join(QStringLiteral(", "));
    return label;
}

QString TypeWord(const RowType& type) {
    const QString word = QString::fromLatin1(kindRow(type.reading.kind).word);
    if (type.reading.kind == DecodeKind::Text)
        return QStringLiteral("%1[%2]").arg(word).arg(2 * type.Registers());
    return word;
}

QString OrderWord(ByteOrder order) {
    return QString::fromLatin1(kOrderWords[std::size_t(order)]);
}

std::optional<TypeWordReading> ParseTypeWord(const QString& word) {
    // A text length in characters: "STRING[16]", "string(16)", "text 16".
    static const QRegularExpression withLength(
        QStringLiteral("^(.*?)\\s*[\\[(]?\\s*(\\d{1,4})\\s*[\\])]?$"));
    QString name = word.trimmed();
    std::optional<int> characters;
    const QRegularExpressionMatch m = withLength.match(name);
    if (m.hasMatch()) {
        const QString head = folded(m.captured(1));
        const bool textHead = std::any_of(kSpellings.begin(), kSpellings.end(), [&](const Spelling& s) {
            return s.kind == DecodeKind::Text && head == folded(QString::fromUtf8(s.word));
        }) || head == QString::fromUtf8(kTextWord);
        if (textHead) {
            name = m.captured(1);
            characters = m.captured(2).toInt();
        }
    }
    const QString key = folded(name);
    if (key == QString::fromUtf8(kTextWord))
        return TypeWordReading{DecodeKind::Text, std::nullopt, std::nullopt};
    if (key == QString::fromUtf8(kUnsignedLongWord))
        return TypeWordReading{DecodeKind::Unsigned32, std::nullopt, std::nullopt};
    for (const Spelling& s : kSpellings) {
        if (key != folded(QString::fromUtf8(s.word)))
            continue;
        TypeWordReading reading;
        reading.kind = s.kind;
        if (s.order != kNoOrder)
            reading.order = static_cast<ByteOrder>(s.order);
        if (characters) {
            const int registers = (*characters + 1) / 2;
            if (registers < 1 || registers > RowType::kMaxTextRegisters)
                return std::nullopt;
            reading.textRegisters = registers;
        }
        return reading;
    }
    return std::nullopt;
}

std::optional<ByteOrder> ParseOrderWord(const QString& word) {
    const QString key = folded(word);
    for (const OrderSpelling& s : kOrderSpellings)
        if (key == folded(QString::fromUtf8(s.word)))
            return s.order;
    for (const auto& [word, order] : kChineseOrders)
        if (key == QString::fromUtf8(word))
            return order;
    return std::nullopt;
}

ByteOrder ResolvedOrder(const TypeWordReading& type, std::optional<ByteOrder> orderWord) {
    ByteOrder order = orderWord.value_or(type.order.value_or(ByteOrder::ABCD));
    if (type.kind == DecodeKind::Text)
        return order == ByteOrder::BADC || order == ByteOrder::DCBA ? ByteOrder::BADC
                                                                     : ByteOrder::ABCD;
    if (RegistersOf(type.kind) == 1)
        return ByteOrder::ABCD;
    return order;
}

QString TypedText(std::span<const std::uint16_t> words, int start, const RowType& type,
                  ValueForm form) {
    if (start < 0 || start + type.Registers() > int(words.size()))
        return QString();
    const int format = FormatOfRowType(type);
    // Floats and doubles take the quicker path below, which gives the same
    // text; the zero-padded form only the format's own.
    if (format >= 0 && (!IsFloatKind(type.reading.kind) || form == ValueForm::ZeroPadded)) {
        // The display format's own text: the value in the host layout the
        // format reads, at the start of a buffer of its own.
        const int registers = RegistersPerValue(format);
        std::array<std::uint8_t, 8> host{};
        const auto span = words.subspan(std::size_t(start), std::size_t(registers));
        if (registers == 1) {
            std::memcpy(host.data(), &span[0], 2);
        } else {
            const std::uint64_t bits = AssembleBits(span, type.reading.order);
            if (registers == 2) {
                const auto value = std::uint32_t(bits);
                std::memcpy(host.data(), &value, 4);
            } else {
                std::memcpy(host.data(), &bits, 8);
            }
        }
        return FormatValue(host, {}, registers, int(FunctionCode::ReadHoldingRegisters), format, 0,
                           form, false)
            .text;
    }
    const int width = kindRow(type.reading.kind).paddedWidth;
    if (type.reading.kind == DecodeKind::Text) {
        const DecodedValue value = DecodeAt(words, start, type.reading, type.Registers());
        return type.unit.isEmpty() ? value.text : value.text + QLatin1Char(' ') + type.unit;
    }
    const auto span = words.subspan(std::size_t(start), std::size_t(type.Registers()));
    const RawValue raw = rawValue(span, type);
    QString text;
    char buffer[32];
    if (type.reading.kind == DecodeKind::Hex16) {
        std::snprintf(buffer, sizeof buffer, "0x%04X", unsigned(raw.bits));
        text = QString::fromLatin1(buffer);
    } else if (type.reading.kind == DecodeKind::Binary16) {
        text = BinaryText(std::uint16_t(raw.bits));
        text.chop(1);  // the blank after the last group
    } else if (raw.notBcd) {
        // Not a BCD word: its digits as they are, so the fault shows.
        std::snprintf(buffer, sizeof buffer, "%04X", unsigned(raw.bits));
        text = QString::fromLatin1(buffer);
    } else if (type.Scaled() || type.decimals >= 0 || IsFloatKind(type.reading.kind)) {
        // Unscaled values as they are: 1 × -0.0 + 0 would lose the sign.
        const double value = type.Scaled() ? raw.number * type.scale + type.offset : raw.number;
        bool exponent = false;
        text = numberText(value, type, width, form, &exponent);
        if (exponent)
            form = ValueForm::Plain;
    } else if (type.reading.kind == DecodeKind::Bcd16) {
        std::snprintf(buffer, sizeof buffer, "%.0f", raw.number);
        text = QString::fromLatin1(buffer);
    } else if (raw.isSigned) {
        std::snprintf(buffer, sizeof buffer, "%lld", static_cast<long long>(raw.bits));
        text = QString::fromLatin1(buffer);
    } else {
        std::snprintf(buffer, sizeof buffer, "%llu", static_cast<unsigned long long>(raw.bits));
        text = QString::fromLatin1(buffer);
    }
    return padded(text, width, form, type.unit);
}

std::optional<double> TypedNumber(std::span<const std::uint16_t> words, int start,
                                  const RowType& type) {
    if (type.reading.kind == DecodeKind::Text || start < 0 ||
        start + type.Registers() > int(words.size()))
        return std::nullopt;
    const RawValue raw =
        rawValue(words.subspan(std::size_t(start), std::size_t(type.Registers())), type);
    if (std::isnan(raw.number))
        return std::nullopt;
    if (!type.Numeric())
        return raw.number;
    return raw.number * type.scale + type.offset;
}

std::optional<std::vector<std::uint16_t>> EncodeTyped(const RowType& type, const QString& input,
                                                      QString* error) {
    const auto fail = [&](const QString& why) -> std::optional<std::vector<std::uint16_t>> {
        if (error != nullptr)
            *error = why;
        return std::nullopt;
    };
    const DecodeKind kind = type.reading.kind;
    QString text = kind == DecodeKind::Text ? input : input.trimmed();
    if (!type.unit.isEmpty() && text.endsWith(type.unit))
        text = text.left(text.size() - type.unit.size()).trimmed();
    const QString notANumber = translated(QT_TRANSLATE_NOOP("RowType", "不是数字：%1"));

    if (kind == DecodeKind::Text) {
        const int capacity = 2 * type.Registers();
        if (text.size() > capacity)
            return fail(translated(QT_TRANSLATE_NOOP("RowType", "文本超过 %1 个字符")).arg(capacity));
        std::vector<std::uint16_t> words(std::size_t(type.Registers()), 0);
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char16_t c = text[i].unicode();
            if (c < 0x20 || c > 0x7E)
                return fail(translated(QT_TRANSLATE_NOOP("RowType", "只能是 ASCII 字符")));
            const bool high = (i % 2 == 0) != (type.reading.order == ByteOrder::BADC);
            words[std::size_t(i / 2)] |= std::uint16_t(high ? c << 8 : c);
        }
        return words;
    }
    if (kind == DecodeKind::Hex16) {
        QString digits = text;
        if (digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
            digits = digits.mid(2);
        bool ok = false;
        const uint value = digits.toUInt(&ok, 16);
        if (!ok || digits.size() > 4)
            return fail(translated(QT_TRANSLATE_NOOP("RowType", "不是四位以内的十六进制数：%1")).arg(text));
        return std::vector<std::uint16_t>{std::uint16_t(value)};
    }
    if (kind == DecodeKind::Binary16) {
        QString digits = text;
        digits.remove(QLatin1Char(' '));
        bool ok = false;
        const uint value = digits.toUInt(&ok, 2);
        if (!ok || digits.size() > 16)
            return fail(translated(QT_TRANSLATE_NOOP("RowType", "不是 16 位以内的二进制数：%1")).arg(text));
        return std::vector<std::uint16_t>{std::uint16_t(value)};
    }

    const int registers = RegistersOf(kind);
    const QLocale c = QLocale::c();
    // Integers without scale are read as integers, so that 64-bit values
    // keep every digit.
    if (IsIntegerKind(kind) && !type.Scaled()) {
        bool ok = false;
        const bool isSigned = kind == DecodeKind::Signed16 || kind == DecodeKind::Signed32 ||
                              kind == DecodeKind::Signed64;
        const int bits = kind == DecodeKind::Bcd16 ? 16 : 16 * registers;
        if (kind == DecodeKind::Bcd16) {
            const auto value = parseUnsigned(text, 9999);
            if (!value)
                return fail(outOfRange(QStringLiteral("0"), QStringLiteral("9999")));
            std::uint16_t word = 0;
            std::uint64_t rest = *value;
            for (int shift = 0; shift < 16; shift += 4, rest /= 10)
                word |= std::uint16_t((rest % 10) << shift);
            return std::vector<std::uint16_t>{word};
        }
        if (isSigned) {
            const qlonglong value = c.toLongLong(text, &ok);
            const qlonglong low = bits == 64 ? std::numeric_limits<qlonglong>::min()
                                             : -(qlonglong(1) << (bits - 1));
            const qlonglong high = bits == 64 ? std::numeric_limits<qlonglong>::max()
                                              : (qlonglong(1) << (bits - 1)) - 1;
            if (!ok) {
                c.toDouble(text, &ok);
                return fail(ok ? outOfRange(QString::number(low), QString::number(high))
                               : notANumber.arg(text));
            }
            if (value < low || value > high)
                return fail(outOfRange(QString::number(low), QString::number(high)));
            return EncodeBits(std::uint64_t(value), registers, type.reading.order);
        }
        const qulonglong high =
            bits == 64 ? std::numeric_limits<qulonglong>::max() : (qulonglong(1) << bits) - 1;
        const qulonglong value = c.toULongLong(text, &ok);
        if (!ok) {
            c.toDouble(text, &ok);
            return fail(ok ? outOfRange(QStringLiteral("0"), QString::number(high))
                           : notANumber.arg(text));
        }
        if (value > high)
            return fail(outOfRange(QStringLiteral("0"), QString::number(high)));
        return EncodeBits(value, registers, type.reading.order);
    }

    bool ok = false;
    const double engineering = c.toDouble(text, &ok);
    if (!ok || !std::isfinite(engineering))
        return fail(notANumber.arg(text));
    const double raw = (engineering - type.offset) / type.scale;
    if (kind == DecodeKind::Float32) {
        if (!std::isfinite(raw) || std::fabs(raw) > double(std::numeric_limits<float>::max()))
            return fail(translated(QT_TRANSLATE_NOOP("RowType", "超出单精度浮点数的范围")));
        const auto bits = std::bit_cast<std::uint32_t>(float(raw));
        return EncodeBits(bits, 2, type.reading.order);
    }
    if (kind == DecodeKind::Float64) {
        if (!std::isfinite(raw))
            return fail(notANumber.arg(text));
        return EncodeBits(std::bit_cast<std::uint64_t>(raw), 4, type.reading.order);
    }
    // A scaled integer: the nearest raw value, which must fit the type.
    const double rounded = std::nearbyint(raw);
    const DecodeKind k = kind;
    double low = 0, high = 0;
    switch (k) {
    case DecodeKind::Signed16: low = -32768; high = 32767; break;
    case DecodeKind::Unsigned16: high = 65535; break;
    case DecodeKind::Bcd16: high = 9999; break;
    case DecodeKind::Signed32: low = -2147483648.0; high = 2147483647.0; break;
    case DecodeKind::Unsigned32: high = 4294967295.0; break;
    case DecodeKind::Signed64: low = -9223372036854775808.0; high = 9223372036854774784.0; break;
    case DecodeKind::Unsigned64: high = 18446744073709549568.0; break;
    default: break;
    }
    if (!(rounded >= low && rounded <= high)) {
        // Fifteen digits: a limit times a scale such as 0.1 is no exact
        // binary number, and its shortest form would show the rounding.
        const auto engineeringOf = [&](double r) {
            return QString::number(r * type.scale + type.offset, 'g', 15);
        };
        const double a = low * type.scale + type.offset, b = high * type.scale + type.offset;
        return fail(a <= b ? outOfRange(engineeringOf(low), engineeringOf(high))
                           : outOfRange(engineeringOf(high), engineeringOf(low)));
    }
    if (k == DecodeKind::Bcd16) {
        RowType raw;
        raw.reading = type.reading;
        return EncodeTyped(raw, QString::number(qlonglong(rounded)), error);
    }
    const std::uint64_t bits = low < 0 ? std::uint64_t(std::int64_t(rounded))
                                       : std::uint64_t(rounded);
    return EncodeBits(bits, registers, type.reading.order);
}

}  // namespace zentiq
