#include "writes/register_list_lines.h"

#include <cstdio>
#include <cstring>

#include <QtEndian>

#include "values/value_format.h"

namespace zentiq {
namespace {

// Lines longer than this switch to the %G form of the same value.
constexpr int kMaxFixedLine = 23;

QString Latin1(const char* text) { return QString::fromLatin1(text); }

}  // namespace

int RegisterListLines::RegistersPerLine(int displayFormat) {
    return IsDisplayFormat(displayFormat) ? RegistersPerValue(displayFormat) : 0;
}

int RegisterListLines::LineCount(int displayFormat, int quantity) {
    const int per = RegistersPerLine(displayFormat);
    if (per == 0 || quantity <= 0)
        return 0;
    return quantity / per;
}

QString RegisterListLines::Line(int displayFormat, int firstAddress, int line,
                                const std::uint8_t* buffer, std::size_t bufferSize) {
    const int per = RegistersPerLine(displayFormat);
    if (per == 0 || line < 0 || buffer == nullptr)
        return QString();
    const std::size_t offset = static_cast<std::size_t>(line) * 2u * static_cast<std::size_t>(per);
    const std::size_t size = 2u * static_cast<std::size_t>(per);
    if (offset > bufferSize || bufferSize - offset < size)
        return QString();
    // The label is the address of the value's first register, as the C int
    // the format expects.
    const int label =
        static_cast<int>(static_cast<unsigned>(firstAddress) + static_cast<unsigned>(line * per));
    return lineText(displayFormat, label, buffer + offset);
}

QString RegisterListLines::ValueText(int displayFormat, int label, const std::uint8_t* item) {
    if (RegistersPerLine(displayFormat) == 0 || item == nullptr)
        return QString();
    const int prefix = std::snprintf(nullptr, 0, "%03i = ", label);
    return lineText(displayFormat, label, item).mid(prefix).trimmed();
}

QString RegisterListLines::lineText(int displayFormat, int label, const std::uint8_t* at) {
    char text[512];
    switch (static_cast<DisplayFormat>(displayFormat)) {
    case DisplayFormat::Signed:
        std::snprintf(text, sizeof text, "%03i = %hi", label, qFromLittleEndian<qint16>(at));
        return Latin1(text);
    case DisplayFormat::Unsigned:
        std::snprintf(text, sizeof text, "%03i = %hu", label, qFromLittleEndian<quint16>(at));
        return Latin1(text);
    case DisplayFormat::Hex:
        std::snprintf(text, sizeof text, "%03i = 0x%04hX", label, qFromLittleEndian<quint16>(at));
        return Latin1(text);
    case DisplayFormat::Binary: {
        const quint16 word = qFromLittleEndian<quint16>(at);
        int n = std::snprintf(text, sizeof text, "%03i = ", label);
        for (int bit = 15; bit >= 0; --bit) {
            text[n++] = (word >> bit & 1) ? '1' : '0';
            if (bit % 4 == 0)
                text[n++] = ' ';
        }
        text[n] = '\0';
        return Latin1(text);
    }
    case DisplayFormat::Float:
    case DisplayFormat::FloatInverse: {
        const float value = qFromLittleEndian<float>(at);
        if (std::snprintf(text, sizeof text, "%03i = %1.4f", label, static_cast<double>(value)) >
            kMaxFixedLine)
            std::snprintf(text, sizeof text, "%03i = %15.8G", label, static_cast<double>(value));
        return Latin1(text);
    }
    case DisplayFormat::Double:
    case DisplayFormat::DoubleInverse: {
        const double value = qFromLittleEndian<double>(at);
        if (std::snprintf(text, sizeof text, "%03i = %1.6f", label, value) > kMaxFixedLine)
            std::snprintf(text, sizeof text, "%03i = %17.10G", label, value);
        return Latin1(text);
    }
    default:  // Long, LongInverse
        std::snprintf(text, sizeof text, "%03i = %i", label, qFromLittleEndian<qint32>(at));
        return Latin1(text);
    }
}

QStringList RegisterListLines::Build(int displayFormat, int firstAddress, int quantity,
                                     const std::uint8_t* buffer, std::size_t bufferSize) {
    QStringList lines;
    const int count = LineCount(displayFormat, quantity);
    for (int k = 0; k < count; ++k) {
        QString text = Line(displayFormat, firstAddress, k, buffer, bufferSize);
        if (text.isEmpty())
            break;
        lines.append(text);
    }
    return lines;
}

}  // namespace zentiq
