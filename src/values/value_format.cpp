#include "values/value_format.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <optional>

#include "engine/engine_types.h"

namespace zentiq {
namespace {

enum class Kind { Word, Binary, Float, Double, Long };

// One row per display format: its printf formats for the three forms, and for
// the floating-point kinds the width beyond which a padded text falls back to
// exponent notation (fixed notation of large values would not fit the cell).
// The name is what files store; the label, shown to users, also names the
// word order of the multi-register formats (the first register is the low
// word "CD" in the plain forms and the high word "AB" in the inverse forms).
struct FormatRow {
    const char* name;
    const char* label;
    Kind kind;
    std::array<const char*, 3> forms;  // Plain, Padded, ZeroPadded
    int fallbackWidth;
    const char* exponentForm;
};

constexpr std::array<FormatRow, kDisplayFormatCount> kFormats = {{
    {"Signed", "Signed", Kind::Word, {"%hi", "%6hi", "%06hi"}, 0, nullptr},
    {"Unsigned", "Unsigned", Kind::Word, {"%hu", "%5hu", "%05hu"}, 0, nullptr},
    {"Hex", "Hex", Kind::Word, {"0x%04hX", "0x%04hX", "0x%04hX"}, 0, nullptr},
    {"Binary", "Binary", Kind::Binary, {nullptr, nullptr, nullptr}, 0, nullptr},
    {"Float", "Float (CDAB)", Kind::Float, {"%1.6f", "%15.6f", "%015.6f"}, 15, "%1.7e"},
    {"Float inverse", "Float Inverse (ABCD)", Kind::Float, {"%1.6f", "%15.6f", "%015.6f"}, 15,
     "%1.7e"},
    {"Double", "Double (CDAB)", Kind::Double, {"%1.10f", "%17.10f", "%017.10f"}, 17, "%1.9e"},
    {"Double Inverse", "Double Inverse (ABCD)", Kind::Double, {"%1.10f", "%17.10f", "%017.10f"},
     17, "%1.9e"},
    {"Long", "Long (CDAB)", Kind::Long, {"%i", "%10i", "%010i"}, 0, nullptr},
    {"Long Inverse", "Long Inverse (ABCD)", Kind::Long, {"%i", "%10i", "%010i"}, 0, nullptr},
}};

const FormatRow* FormatFor(int displayFormat) {
    if (!IsDisplayFormat(displayFormat))
        return nullptr;
    return &kFormats[static_cast<std::size_t>(displayFormat)];
}

int RegistersOf(Kind kind) {
    switch (kind) {
    case Kind::Float:
    case Kind::Long: return 2;
    case Kind::Double: return 4;
    case Kind::Word:
    case Kind::Binary: break;
    }
    return 1;
}

// Large enough for "%1.10f" of the largest double (309 integer digits).
constexpr std::size_t kTextBufferSize = 400;

template <typename T>
T LoadHost(const std::uint8_t* bytes) {
    T value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

// Floating-point values count as changed when they compare unequal, when
// either is NaN, and when only the sign of a zero differs: "-0.000000" and
// "0.000000" are different texts, and a cell must not keep the stale one.
template <typename T>
bool FloatChanged(const std::uint8_t* current, const std::uint8_t* previous) {
    const T a = LoadHost<T>(current);
    const T b = LoadHost<T>(previous);
    return std::isnan(a) || std::isnan(b) || a != b || std::signbit(a) != std::signbit(b);
}

QString FloatingText(double value, const FormatRow& row, ValueForm form) {
    char buffer[kTextBufferSize];
    const char* format = row.forms[static_cast<std::size_t>(form)];
    int n = std::snprintf(buffer, sizeof buffer, format, value);
    if (form != ValueForm::Plain && n > row.fallbackWidth) {
        n = std::snprintf(buffer, sizeof buffer, row.exponentForm, value);
    }
    return n < 0 ? QString() : QString::fromLatin1(buffer);
}

QString WordText(std::uint16_t word, int displayFormat, const FormatRow& row, ValueForm form) {
    if (row.kind == Kind::Binary)
        return BinaryText(word);
    char buffer[32];
    const char* format = row.forms[static_cast<std::size_t>(form)];
    int n;
    if (displayFormat == DisplayFormat::Signed) {
        n = std::snprintf(buffer, sizeof buffer, format,
                          static_cast<short>(static_cast<std::int16_t>(word)));
    } else {
        n = std::snprintf(buffer, sizeof buffer, format, static_cast<unsigned short>(word));
    }
    return n < 0 ? QString() : QString::fromLatin1(buffer);
}

QString LongText(std::int32_t value, const FormatRow& row, ValueForm form) {
    char buffer[32];
    const int n = std::snprintf(buffer, sizeof buffer, row.forms[static_cast<std::size_t>(form)],
                                static_cast<int>(value));
    return n < 0 ? QString() : QString::fromLatin1(buffer);
}

FormattedValue Nothing(bool reportChange) { return FormattedValue{QString(), !reportChange}; }

// Where the value of an item lies, how big it is, and whether this item
// shows it (only the first register of a complete pair or group does).
struct ItemPlace {
    std::size_t offset = 0;
    std::size_t size = 0;
    bool hasText = true;
    const FormatRow* row = nullptr;  // null for coils
};

std::optional<ItemPlace> Locate(std::size_t bufferSize, int length, int function, int displayFormat,
                                int index) {
    if (index < 0 || index >= length)
        return std::nullopt;
    ItemPlace place;
    if (IsCoilFunction(function)) {
        place.offset = static_cast<std::size_t>(index);
        place.size = 1;
    } else if (IsRegisterFunction(function)) {
        place.row = FormatFor(displayFormat);
        if (place.row == nullptr)
            return std::nullopt;
        const int registers = RegistersOf(place.row->kind);
        const int first = index - index % registers;
        place.offset = 2 * static_cast<std::size_t>(first);
        place.size = 2 * static_cast<std::size_t>(registers);
        place.hasText = index == first && length - index >= registers;
    } else {
        return std::nullopt;
    }
    if (place.offset + place.size > bufferSize)
        return std::nullopt;
    return place;
}

}  // namespace

QString DisplayFormatLabel(int displayFormat) {
    const FormatRow* row = FormatFor(displayFormat);
    return row ? QString::fromLatin1(row->label) : QString();
}

QString DisplayFormatName(int displayFormat) {
    const FormatRow* row = FormatFor(displayFormat);
    return row ? QString::fromLatin1(row->name) : QString();
}

int RegistersPerValue(int displayFormat) {
    const FormatRow* row = FormatFor(displayFormat);
    return row ? RegistersOf(row->kind) : 1;
}

bool IsCoilFunction(int function) {
    return function == FunctionCode::ReadCoils || function == FunctionCode::ReadDiscreteInputs ||
           function == FunctionCode::WriteSingleCoil ||
           function == FunctionCode::WriteMultipleCoils;
}

bool IsRegisterFunction(int function) {
    return function == FunctionCode::ReadHoldingRegisters ||
           function == FunctionCode::ReadInputRegisters ||
           function == FunctionCode::WriteSingleRegister ||
           function == FunctionCode::WriteMultipleRegisters;
}

QString BinaryText(std::uint16_t word) {
    QString text;
    text.reserve(20);
    for (int bit = 15; bit >= 0; --bit) {
        text += QLatin1Char((word >> bit) & 1U ? '1' : '0');
        if (bit % 4 == 0)
            text += QLatin1Char(' ');
    }
    return text;
}

FormattedValue FormatValue(std::span<const std::uint8_t> values,
                           std::span<std::uint8_t> previousValues, int length, int function,
                           int displayFormat, int index, ValueForm form, bool reportChange) {
    const auto formIndex = static_cast<int>(form);
    if (formIndex < 0 || formIndex > 2)
        return Nothing(reportChange);
    const std::optional<ItemPlace> place =
        Locate(values.size(), length, function, displayFormat, index);
    if (!place)
        return Nothing(reportChange);
    const std::size_t offset = place->offset;
    const std::size_t size = place->size;
    const bool hasText = place->hasText;
    const FormatRow* row = place->row;
    const bool coils = row == nullptr;
    if (reportChange && offset + size > previousValues.size())
        return Nothing(reportChange);

    const std::uint8_t* current = values.data() + offset;
    FormattedValue result;
    if (coils) {
        char buffer[16];
        if (std::snprintf(buffer, sizeof buffer, "%hi", static_cast<short>(*current)) > 0) {
            result.text = QString::fromLatin1(buffer);
        }
    } else if (hasText) {
        switch (row->kind) {
        case Kind::Word:
        case Kind::Binary:
            result.text = WordText(LoadHost<std::uint16_t>(current), displayFormat, *row, form);
            break;
        case Kind::Float:
            result.text = FloatingText(static_cast<double>(LoadHost<float>(current)), *row, form);
            break;
        case Kind::Double: result.text = FloatingText(LoadHost<double>(current), *row, form); break;
        case Kind::Long: result.text = LongText(LoadHost<std::int32_t>(current), *row, form); break;
        }
    }

    if (!reportChange) {
        result.changed = true;
        return result;
    }
    std::uint8_t* previous = previousValues.data() + offset;
    if (row != nullptr && row->kind == Kind::Float) {
        result.changed = FloatChanged<float>(current, previous);
    } else if (row != nullptr && row->kind == Kind::Double) {
        result.changed = FloatChanged<double>(current, previous);
    } else {
        result.changed = std::memcmp(current, previous, size) != 0;
    }
    if (result.changed)
        std::memcpy(previous, current, size);
    return result;
}

QString ShownValueText(std::span<const std::uint8_t> values, int length, int function,
                       int displayFormat, int index) {
    return FormatValue(values, {}, length, function, displayFormat, index, ValueForm::Padded, false)
        .text.trimmed();
}

std::optional<double> NumericValue(std::span<const std::uint8_t> values, int length, int function,
                                   int displayFormat, int index) {
    const std::optional<ItemPlace> place =
        Locate(values.size(), length, function, displayFormat, index);
    if (!place || !place->hasText)
        return std::nullopt;
    const std::uint8_t* bytes = values.data() + place->offset;
    if (place->row == nullptr)
        return static_cast<double>(*bytes);
    switch (place->row->kind) {
    case Kind::Word:
    case Kind::Binary: {
        const auto word = LoadHost<std::uint16_t>(bytes);
        if (displayFormat == DisplayFormat::Signed)
            return static_cast<double>(static_cast<std::int16_t>(word));
        return static_cast<double>(word);
    }
    case Kind::Float: return static_cast<double>(LoadHost<float>(bytes));
    case Kind::Double: return LoadHost<double>(bytes);
    case Kind::Long: return static_cast<double>(LoadHost<std::int32_t>(bytes));
    }
    return std::nullopt;
}

}  // namespace zentiq
