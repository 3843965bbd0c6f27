#include "values/register_decode.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>

#include "values/value_format.h"

namespace zentiq {

namespace {

constexpr const char* kContext = "RegisterDecode";

QString translated(const char* text) { return QCoreApplication::translate(kContext, text); }

constexpr std::array kReadings = {
    DecodeReading{DecodeKind::Unsigned16, ByteOrder::ABCD},
    DecodeReading{DecodeKind::Signed16, ByteOrder::ABCD},
    DecodeReading{DecodeKind::Hex16, ByteOrder::ABCD},
    DecodeReading{DecodeKind::Binary16, ByteOrder::ABCD},
    DecodeReading{DecodeKind::Bcd16, ByteOrder::ABCD},
    DecodeReading{DecodeKind::Unsigned32, ByteOrder::ABCD},
    DecodeReading{DecodeKind::Unsigned32, ByteOrder::CDAB},
    DecodeReading{DecodeKind::Unsigned32, ByteOrder::BADC},
    DecodeReading{DecodeKind::Unsigned32, ByteOrder::DCBA},
    DecodeReading{DecodeKind::Signed32, ByteOrder::ABCD},
    DecodeReading{DecodeKind::Signed32, ByteOrder::CDAB},
    DecodeReading{DecodeKind::Signed32, ByteOrder::BADC},
    DecodeReading{DecodeKind::Signed32, ByteOrder::DCBA},
    DecodeReading{DecodeKind::Float32, ByteOrder::ABCD},
    DecodeReading{DecodeKind::Float32, ByteOrder::CDAB},
    DecodeReading{DecodeKind::Float32, ByteOrder::BADC},
    DecodeReading{DecodeKind::Float32, ByteOrder::DCBA},
    DecodeReading{DecodeKind::Unsigned64, ByteOrder::ABCD},
    DecodeReading{DecodeKind::Unsigned64, ByteOrder::CDAB},
    DecodeReading{DecodeKind::Unsigned64, ByteOrder::BADC},
    DecodeReading{DecodeKind::Unsigned64, ByteOrder::DCBA},
    DecodeReading{DecodeKind::Signed64, ByteOrder::ABCD},
    DecodeReading{DecodeKind::Signed64, ByteOrder::CDAB},
    DecodeReading{DecodeKind::Signed64, ByteOrder::BADC},
    DecodeReading{DecodeKind::Signed64, ByteOrder::DCBA},
    DecodeReading{DecodeKind::Float64, ByteOrder::ABCD},
    DecodeReading{DecodeKind::Float64, ByteOrder::CDAB},
    DecodeReading{DecodeKind::Float64, ByteOrder::BADC},
    DecodeReading{DecodeKind::Float64, ByteOrder::DCBA},
    DecodeReading{DecodeKind::Text, ByteOrder::ABCD},
    DecodeReading{DecodeKind::Text, ByteOrder::BADC},
};

// Magnitudes outside this band are what a wrong byte order typically makes
// of a real measurement (1e-38, 3e+27); a device rarely means them.
constexpr double kAbsurdlyLarge = 1e10;
constexpr double kAbsurdlySmall = 1e-10;

std::uint16_t swapBytes(std::uint16_t w) { return std::uint16_t((w >> 8) | (w << 8)); }

QString orderName(ByteOrder order) {
    switch (order) {
    case ByteOrder::ABCD: return QStringLiteral("ABCD");
    case ByteOrder::CDAB: return QStringLiteral("CDAB");
    case ByteOrder::BADC: return QStringLiteral("BADC");
    case ByteOrder::DCBA: return QStringLiteral("DCBA");
    }
    return QString();
}

template <class T>
QString shortest(T value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return QString::fromLatin1(buffer, int(result.ptr - buffer));
}

Doubt floatDoubt(double value, bool denormal) {
    if (std::isnan(value))
        return Doubt::NotANumber;
    if (std::isinf(value))
        return Doubt::Infinite;
    if (denormal)
        return Doubt::Denormal;
    const double magnitude = std::fabs(value);
    if (magnitude != 0 && (magnitude >= kAbsurdlyLarge || magnitude < kAbsurdlySmall))
        return Doubt::AbsurdMagnitude;
    return Doubt::None;
}

void decodeText(std::span<const std::uint16_t> words, int start, int registers, ByteOrder order,
                DecodedValue& out) {
    const int end = std::min<int>(int(words.size()), start + std::max(registers, 1));
    QByteArray bytes;
    for (int i = start; i < end; ++i) {
        const std::uint16_t w = words[std::size_t(i)];
        const char high = char(w >> 8), low = char(w & 0xFF);
        if (order == ByteOrder::BADC) {
            bytes.append(low);
            bytes.append(high);
        } else {
            bytes.append(high);
            bytes.append(low);
        }
    }
    // Devices pad short texts with NUL bytes; the padding is not part of it.
    while (!bytes.isEmpty() && bytes.back() == '\0')
        bytes.chop(1);
    QString text;
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u < 0x7F) {
            if (u == '\\')
                text += QStringLiteral("\\\\");
            else
                text += QLatin1Char(c);
        } else {
            out.doubt = Doubt::NonPrintable;
            text += u == 0 ? QStringLiteral("\\0")
                           : QStringLiteral("\\x%1").arg(u, 2, 16, QLatin1Char('0'));
        }
    }
    out.text = text;
    out.bytes = bytes;
}

}  // namespace

std::span<const DecodeReading> AllReadings() { return kReadings; }

int RegistersOf(DecodeKind kind) {
    switch (kind) {
    case DecodeKind::Unsigned16:
    case DecodeKind::Signed16:
    case DecodeKind::Hex16:
    case DecodeKind::Binary16:
    case DecodeKind::Bcd16: return 1;
    case DecodeKind::Unsigned32:
    case DecodeKind::Signed32:
    case DecodeKind::Float32: return 2;
    case DecodeKind::Unsigned64:
    case DecodeKind::Signed64:
    case DecodeKind::Float64: return 4;
    case DecodeKind::Text: return 0;
    }
    return 0;
}

bool IsIntegerKind(DecodeKind kind) {
    return kind != DecodeKind::Float32 && kind != DecodeKind::Float64 && kind != DecodeKind::Text;
}

bool IsFloatKind(DecodeKind kind) {
    return kind == DecodeKind::Float32 || kind == DecodeKind::Float64;
}

QString ReadingName(const DecodeReading& r) {
    const QString order = orderName(r.order);
    switch (r.kind) {
    case DecodeKind::Unsigned16:
        return translated(QT_TRANSLATE_NOOP("RegisterDecode", "无符号 16 位"));
    case DecodeKind::Signed16:
        return translated(QT_TRANSLATE_NOOP("RegisterDecode", "有符号 16 位"));
    case DecodeKind::Hex16: return translated(QT_TRANSLATE_NOOP("RegisterDecode", "十六进制"));
    case DecodeKind::Binary16: return translated(QT_TRANSLATE_NOOP("RegisterDecode", "二进制"));
    case DecodeKind::Bcd16: return QStringLiteral("BCD");
    case DecodeKind::Unsigned32:
        return translated(QT_TRANSLATE_NOOP("RegisterDecode", "无符号 32 位 %1")).arg(order);
    case DecodeKind::Signed32:
        return translated(QT_TRANSLATE_NOOP("RegisterDecode", "有符号 32 位 %1")).arg(order);
    case DecodeKind::Float32:
        return translated(QT_TRANSLATE_NOOP("RegisterDecode", "单精度浮点 %1")).arg(order);
    case DecodeKind::Unsigned64:
        return translated(QT_TRANSLATE_NOOP("RegisterDecode", "无符号 64 位 %1")).arg(order);
    case DecodeKind::Signed64:
        return translated(QT_TRANSLATE_NOOP("RegisterDecode", "有符号 64 位 %1")).arg(order);
    case DecodeKind::Float64:
        return translated(QT_TRANSLATE_NOOP("RegisterDecode", "双精度浮点 %1")).arg(order);
    case DecodeKind::Text:
        return r.order == ByteOrder::BADC
                   ? translated(QT_TRANSLATE_NOOP("RegisterDecode", "ASCII 文本 (低字节在前)"))
                   : translated(QT_TRANSLATE_NOOP("RegisterDecode", "ASCII 文本 (高字节在前)"));
    }
    return QString();
}

QString DoubtText(Doubt doubt) {
    switch (doubt) {
    case Doubt::None: return QString();
    case Doubt::NotANumber: return QStringLiteral("NaN");
    case Doubt::Infinite: return translated(QT_TRANSLATE_NOOP("RegisterDecode", "无穷大"));
    case Doubt::Denormal: return translated(QT_TRANSLATE_NOOP("RegisterDecode", "非规格化数"));
    case Doubt::AbsurdMagnitude:
        return translated(QT_TRANSLATE_NOOP("RegisterDecode", "数量级不合理"));
    case Doubt::NonPrintable:
        return translated(QT_TRANSLATE_NOOP("RegisterDecode", "含不可打印字节"));
    case Doubt::NotBcd: return translated(QT_TRANSLATE_NOOP("RegisterDecode", "不是 BCD 码"));
    }
    return QString();
}

std::uint64_t AssembleBits(std::span<const std::uint16_t> words, ByteOrder order) {
    const std::size_t n = words.size();
    std::uint64_t bits = 0;
    for (std::size_t i = 0; i < n; ++i) {
        // CDAB and DCBA take the registers last first; BADC and DCBA swap
        // the two bytes of each.
        const bool reverseWords = order == ByteOrder::CDAB || order == ByteOrder::DCBA;
        const bool swap = order == ByteOrder::BADC || order == ByteOrder::DCBA;
        std::uint16_t w = words[reverseWords ? n - 1 - i : i];
        bits = (bits << 16) | (swap ? swapBytes(w) : w);
    }
    return bits;
}

std::vector<std::uint16_t> EncodeBits(std::uint64_t bits, int registers, ByteOrder order) {
    const std::size_t n = std::size_t(std::clamp(registers, 1, 4));
    std::vector<std::uint16_t> words(n);
    const bool reverseWords = order == ByteOrder::CDAB || order == ByteOrder::DCBA;
    const bool swap = order == ByteOrder::BADC || order == ByteOrder::DCBA;
    for (std::size_t i = 0; i < n; ++i) {
        const auto w = std::uint16_t(bits >> (16 * (n - 1 - i)));
        words[reverseWords ? n - 1 - i : i] = swap ? swapBytes(w) : w;
    }
    return words;
}

DecodedValue DecodeAt(std::span<const std::uint16_t> words, int start, const DecodeReading& reading,
                      int textRegisters) {
    DecodedValue out;
    if (start < 0 || start >= int(words.size()))
        return out;
    if (reading.kind == DecodeKind::Text) {
        out.available = true;
        decodeText(words, start, textRegisters, reading.order, out);
        return out;
    }
    const int registers = RegistersOf(reading.kind);
    if (int(words.size()) - start < registers)
        return out;
    out.available = true;
    const std::span<const std::uint16_t> span =
        words.subspan(std::size_t(start), std::size_t(registers));
    const std::uint64_t bits = registers == 1 ? span[0] : AssembleBits(span, reading.order);
    switch (reading.kind) {
    case DecodeKind::Unsigned16:
    case DecodeKind::Unsigned32:
    case DecodeKind::Unsigned64:
        out.bits = bits;
        out.number = double(bits);
        out.text = QString::number(qulonglong(bits));
        break;
    case DecodeKind::Signed16:
    case DecodeKind::Signed32:
    case DecodeKind::Signed64: {
        const int unused = 64 - 16 * registers;
        // Sign extension by shifting the value's top bit into bit 63 and back.
        const auto value = std::int64_t(bits << unused) >> unused;
        out.bits = std::uint64_t(value);
        out.number = double(value);
        out.text = QString::number(qlonglong(value));
        break;
    }
    case DecodeKind::Hex16:
        out.bits = bits;
        out.number = double(bits);
        out.text = QString::asprintf("0x%04X", unsigned(bits));
        break;
    case DecodeKind::Binary16:
        out.bits = bits;
        out.number = double(bits);
        out.text = BinaryText(std::uint16_t(bits)).trimmed();
        break;
    case DecodeKind::Bcd16: {
        out.bits = bits;
        std::uint64_t value = 0;
        for (int shift = 12; shift >= 0; shift -= 4) {
            const std::uint64_t digit = (bits >> shift) & 0xF;
            if (digit > 9)
                out.doubt = Doubt::NotBcd;
            value = value * 10 + digit;
        }
        out.number = double(value);
        out.bits = value;
        out.text = QString::asprintf("%04X", unsigned(bits));
        break;
    }
    case DecodeKind::Float32: {
        const auto f = std::bit_cast<float>(std::uint32_t(bits));
        out.number = double(f);
        out.doubt = floatDoubt(out.number, std::fpclassify(f) == FP_SUBNORMAL);
        out.text = shortest(f);
        break;
    }
    case DecodeKind::Float64: {
        const auto d = std::bit_cast<double>(bits);
        out.number = d;
        out.doubt = floatDoubt(d, std::fpclassify(d) == FP_SUBNORMAL);
        out.text = shortest(d);
        break;
    }
    case DecodeKind::Text: break;
    }
    return out;
}

int DisplayFormatFor(const DecodeReading& r, int startItem, bool preferHex) {
    using F = DisplayFormat;
    F format;
    switch (r.kind) {
    case DecodeKind::Unsigned16: format = preferHex ? F::Hex : F::Unsigned; break;
    case DecodeKind::Signed16: format = F::Signed; break;
    case DecodeKind::Hex16: format = F::Hex; break;
    case DecodeKind::Binary16: format = F::Binary; break;
    // The grid's 32/64-bit formats put the first register in the low word
    // (CDAB); their inverse forms put it in the high word (ABCD).
    case DecodeKind::Signed32:
        if (r.order != ByteOrder::ABCD && r.order != ByteOrder::CDAB)
            return -1;
        format = r.order == ByteOrder::CDAB ? F::Long : F::LongInverse;
        break;
    case DecodeKind::Float32:
        if (r.order != ByteOrder::ABCD && r.order != ByteOrder::CDAB)
            return -1;
        format = r.order == ByteOrder::CDAB ? F::Float : F::FloatInverse;
        break;
    case DecodeKind::Float64:
        if (r.order != ByteOrder::ABCD && r.order != ByteOrder::CDAB)
            return -1;
        format = r.order == ByteOrder::CDAB ? F::Double : F::DoubleInverse;
        break;
    default: return -1;
    }
    const int registers = RegistersPerValue(int(format));
    if (startItem < 0 || startItem % registers != 0)
        return -1;
    return int(format);
}

QString NoDisplayFormatReason(const DecodeReading& r, int startItem, const QString& startName) {
    if (DisplayFormatFor(r, startItem) >= 0)
        return QString();
    switch (r.kind) {
    case DecodeKind::Bcd16: return translated(QT_TRANSLATE_NOOP("RegisterDecode", "BCD 码"));
    case DecodeKind::Unsigned32:
        return translated(QT_TRANSLATE_NOOP("RegisterDecode", "无符号 32 位整数"));
    case DecodeKind::Unsigned64:
    case DecodeKind::Signed64: return translated(QT_TRANSLATE_NOOP("RegisterDecode", "64 位整数"));
    case DecodeKind::Text: return translated(QT_TRANSLATE_NOOP("RegisterDecode", "文本"));
    default: break;
    }
    if (r.order == ByteOrder::BADC || r.order == ByteOrder::DCBA)
        return translated(QT_TRANSLATE_NOOP("RegisterDecode", "字节交换的顺序"));
    return translated(
               QT_TRANSLATE_NOOP("RegisterDecode",
                                 "该值从 %1 开始，显示格式不在那里开始一个值"))
        .arg(startName);
}

std::optional<std::vector<std::uint16_t>> ParseHexWords(const QString& text, QString* error) {
    static const QRegularExpression separators(QStringLiteral("[\\s,;]+"));
    static const QRegularExpression hexDigits(QStringLiteral("^[0-9A-Fa-f]+$"));
    std::vector<std::uint16_t> words;
    const QStringList tokens = text.split(separators, Qt::SkipEmptyParts);
    for (QString token : tokens) {
        if (token.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
            token = token.mid(2);
        const bool valid =
            hexDigits.match(token).hasMatch() && (token.size() <= 4 || token.size() % 4 == 0);
        if (!valid) {
            if (error != nullptr)
                *error =
                    translated(QT_TRANSLATE_NOOP("RegisterDecode", "不是十六进制的寄存器值：%1"))
                        .arg(token);
            return std::nullopt;
        }
        for (qsizetype at = 0; at < token.size(); at += 4) {
            if (int(words.size()) >= kMaxTypedWords) {
                if (error != nullptr)
                    *error = translated(QT_TRANSLATE_NOOP("RegisterDecode", "最多 %1 个寄存器"))
                                 .arg(kMaxTypedWords);
                return std::nullopt;
            }
            words.push_back(std::uint16_t(token.mid(at, 4).toUInt(nullptr, 16)));
        }
    }
    if (words.empty()) {
        if (error != nullptr)
            *error = translated(QT_TRANSLATE_NOOP("RegisterDecode", "没有寄存器值"));
        return std::nullopt;
    }
    return words;
}

}  // namespace zentiq
