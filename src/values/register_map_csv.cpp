#include "values/register_map_csv.h"

#include <QCoreApplication>
#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <map>
#include <memory>
#include <utility>

#include "values/address_labels.h"
#include "values/typed_items.h"
#include "values/value_format.h"

namespace zentiq {

namespace {

// Table digit of PLC addresses: coils 0, discrete inputs 1, input registers
// 3, holding registers 4; 0 for a function without a table.
QChar tableDigit(int function) {
    switch (function) {
    case 1:
    case 5:
    case 15: return u'0';
    case 2: return u'1';
    case 4: return u'3';
    case 3:
    case 6:
    case 16: return u'4';
    default: return QChar();
    }
}

bool allDigits(QStringView text) {
    return !text.isEmpty() &&
           std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

enum Column {
    AddressColumn,
    NameColumn,
    TypeColumn,
    UnitColumn,
    DescriptionColumn,
    OrderColumn,
    ScaleColumn,
    OffsetColumn,
    DecimalsColumn,
    ColumnCount
};
// Columns a map without a header has, in this order.
constexpr int kPositionalColumns = DescriptionColumn + 1;
using Columns = std::array<int, ColumnCount>;

// Header words of manuals that name no text of the program: the same in
// every language.
//: own name
constexpr const char* kDataTypeWord = QT_TRANSLATE_NOOP("RegisterMapCsv", "数据类型");
//: own name
constexpr const char* kFactorWord = QT_TRANSLATE_NOOP("RegisterMapCsv", "系数");
//: own name
constexpr const char* kOffsetWord = QT_TRANSLATE_NOOP("RegisterMapCsv", "偏移量");
//: own name
constexpr const char* kDecimalsWord = QT_TRANSLATE_NOOP("RegisterMapCsv", "小数位数");

// Names a header may give each column, compared without case.
const std::array<QStringList, ColumnCount>& headerNames() {
    const auto own = [](const char* word) { return QString::fromUtf8(word); };
    static const std::array<QStringList, ColumnCount> names = {
        QStringList{"address", "addr", "register", "地址", "寄存器"},
        QStringList{"name", "alias", "名称", "标注"},
        QStringList{"type", "data type", "datatype", "类型", own(kDataTypeWord)},
        QStringList{"unit", "units", "单位"},
        QStringList{"description", "comment", "说明"},
        QStringList{"order", "byte order", "word order", "endian", "endianness", "字节序"},
        QStringList{"scale", "factor", "multiplier", "gain", "倍率", own(kFactorWord)},
        QStringList{"offset", "偏移", own(kOffsetWord)},
        QStringList{"decimals", "decimal places", "小数位", own(kDecimalsWord)},
    };
    return names;
}

// Type words of coils and discrete inputs: in a register window they name
// no register type (mixed maps list both tables).
bool isBitWord(const QString& word) {
    static const QStringList words{"bit", "bool", "boolean", "coil", "线圈", "位"};
    return words.contains(word, Qt::CaseInsensitive);
}

// A number of a map: "0.1", also "0,1" as maps from decimal-comma locales have it.
std::optional<double> mapNumber(QString text) {
    if (!text.contains(QLatin1Char('.')) && text.count(QLatin1Char(',')) == 1)
        text.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double value = QLocale::c().toDouble(text, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// The shortest text that reads back as `value` exactly.
QString shortest(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return QString::fromLatin1(buffer, int(result.ptr - buffer));
}

// The type columns of a row of a register window into `entry`: its row
// type, or none; the fault, if any. Without a type the unit goes into the
// alias as it did before maps had types.
QString readType(const QStringList& row, const Columns& column, int line, int displayFormat,
                 RegisterMapCsv::Entry& entry) {
    const auto cell = [&](int c) {
        return column[c] >= 0 && column[c] < row.size() ? row[column[c]].trimmed() : QString();
    };
    const QString word = cell(TypeColumn);
    const QString unit = cell(UnitColumn);
    const auto untyped = [&] {
        if (!unit.isEmpty() && !entry.name.isEmpty())
            entry.name += QStringLiteral(" [") + unit + QLatin1Char(']');
        return QString();
    };
    if (word.isEmpty() || isBitWord(word))
        return untyped();

    const std::optional<TypeWordReading> reading = ParseTypeWord(word);
    if (!reading) {
        const std::optional<TypeWordReading> textHead =
            ParseTypeWord(QString(word).remove(QRegularExpression(QStringLiteral("[\\d\\[\\]()]"))));
        if (textHead && textHead->kind == DecodeKind::Text)
            return RegisterMapCsv::tr("第 %1 行：文本“%2”太长：最多 %3 个字符。")
                .arg(line)
                .arg(word.left(40))
                .arg(2 * RowType::kMaxTextRegisters);
        return RegisterMapCsv::tr("第 %1 行：不认识的类型“%2”。").arg(line).arg(word.left(40));
    }
    const QString orderText = cell(OrderColumn);
    std::optional<ByteOrder> order;
    if (!orderText.isEmpty()) {
        order = ParseOrderWord(orderText);
        if (!order)
            return RegisterMapCsv::tr("第 %1 行：不认识的字节序“%2”。").arg(line).arg(orderText.left(40));
    }
    RowType type;
    type.reading = {reading->kind, ResolvedOrder(*reading, order)};
    if (reading->kind == DecodeKind::Text) {
        type.textRegisters = reading->textRegisters.value_or(1);
        entry.openText = !reading->textRegisters;
    }
    const QString scale = cell(ScaleColumn), offset = cell(OffsetColumn),
                  decimals = cell(DecimalsColumn);
    if (!type.Numeric() && !(scale.isEmpty() && offset.isEmpty() && decimals.isEmpty()))
        return RegisterMapCsv::tr("第 %1 行：类型“%2”的值不能有倍率、偏移或小数位。")
            .arg(line)
            .arg(word.left(40));
    if (!scale.isEmpty()) {
        const std::optional<double> value = mapNumber(scale);
        if (!value || *value == 0.0)
            return RegisterMapCsv::tr("第 %1 行：倍率“%2”不是不为零的数字。").arg(line).arg(scale.left(40));
        type.scale = *value;
    }
    if (!offset.isEmpty()) {
        const std::optional<double> value = mapNumber(offset);
        if (!value)
            return RegisterMapCsv::tr("第 %1 行：偏移“%2”不是数字。").arg(line).arg(offset.left(40));
        type.offset = *value;
    }
    if (!decimals.isEmpty()) {
        bool ok = false;
        type.decimals = decimals.toInt(&ok);
        if (!ok || type.decimals < 0 || type.decimals > RowType::kMaxDecimals)
            return RegisterMapCsv::tr("第 %1 行：小数位“%2”不是 0 到 %3 之间的整数。")
                .arg(line)
                .arg(decimals.left(40))
                .arg(RowType::kMaxDecimals);
    }
    type.unit = unit;
    if (!type.Valid())
        return RegisterMapCsv::tr("第 %1 行：单位“%2”太长或含有分隔符（, ; \" [ ]）。")
            .arg(line)
            .arg(unit.left(40));
    // The window's own display format alone is what exports write for an
    // untyped row: it shows as the window does, and goes on following it.
    if (displayFormat >= 0 && orderText.isEmpty() &&
        word.compare(DisplayFormatName(displayFormat), Qt::CaseInsensitive) == 0 &&
        type == RowTypeOfFormat(displayFormat))
        return QString();
    entry.type = type;
    return QString();
}

}  // namespace

QString RegisterMapCsv::ShownAddress(const LogLine::Poll& poll, int item) {
    const AddressLabelFormats formats =
        AddressLabelFormats::For(poll.function, poll.oneBased, poll.address, poll.length);
    QString text = formats.CellPrefix(poll.oneBased, poll.address, item);
    if (text.endsWith(QStringLiteral(" = ")))
        text.chop(3);
    return text;
}

RegisterMapCsv::AddressCheck RegisterMapCsv::ParseAddress(const QString& raw, int function,
                                                          int oneBased, int& address) {
    const QString text = raw.trimmed();
    QStringView number(text);
    if (oneBased) {
        const QChar table = tableDigit(function);
        if (text.size() >= 3 && (text[1] == u'x' || text[1] == u'X') &&
            allDigits(QStringView(text).left(1))) {
            if (text[0] != table)
                return allDigits(number.mid(2)) ? AddressCheck::OtherTable
                                                : AddressCheck::NotAnAddress;
            number = number.mid(2);
        } else if (allDigits(number) && (number.size() == 5 || number.size() == 6) &&
                   !table.isNull()) {
            // The form the window's cells show: table digit, then the
            // number with four (or, past 9999, five) digits.
            if (number[0] != table && number.size() == 6)
                return AddressCheck::OtherTable;
            if (number[0] == table)
                number = number.mid(1);
        }
    }
    if (!allDigits(number))
        return AddressCheck::NotAnAddress;
    if (number.size() > 6)
        return AddressCheck::OutOfRange;
    const int value = number.toInt();
    const int first = oneBased ? 1 : 0;
    if (value < first || value > 65535 + first)
        return AddressCheck::OutOfRange;
    address = value - first;
    return AddressCheck::Ok;
}

QString RegisterMapCsv::tableError(CsvText::Error error, int line) {
    switch (error) {
    case CsvText::Error::None: break;
    case CsvText::Error::CannotOpen: return tr("无法打开这个文件。");
    case CsvText::Error::TooLarge:
        return tr("文件太大：寄存器表最多 %1 MB。").arg(CsvText::kMaxFileBytes / (1024 * 1024));
    case CsvText::Error::NotText: return tr("这不是 UTF-8 文本的 CSV 文件（含有二进制数据）。");
    case CsvText::Error::RecordTooLong:
        return tr("第 %1 行太长：一行最多 %2 个字符。").arg(line).arg(CsvText::kMaxRecordChars);
    case CsvText::Error::OpenQuote: return tr("第 %1 行的引号没有结束。").arg(line);
    }
    return QString();
}

QString RegisterMapCsv::readEntries(const NextRecord& next, int function, int oneBased,
                                    int displayFormat, const std::function<void(Entry&&)>& take,
                                    bool& any) {
    QStringList row;
    int line = 0;
    any = next(row, line);
    if (!any)
        return QString();
    const auto fault = [&](const QString& text) {
        while (next(row, line)) {
        }
        return text;
    };

    Columns column;
    column.fill(-1);
    for (int c = 0; c < kPositionalColumns; ++c)
        column[c] = c;
    bool header = false;
    int unused = 0;
    if (ParseAddress(row.value(0), function, oneBased, unused) == AddressCheck::NotAnAddress) {
        header = true;
        Columns named;
        named.fill(-1);
        for (qsizetype i = 0; i < row.size(); ++i)
            for (int c = 0; c < ColumnCount; ++c)
                if (named[c] < 0 && headerNames()[c].contains(row[i].trimmed(), Qt::CaseInsensitive))
                    named[c] = int(i);
        if (named[AddressColumn] >= 0 || named[NameColumn] >= 0) {
            if (named[AddressColumn] < 0 || named[NameColumn] < 0)
                return fault(tr("表头（第 %1 行）缺少“地址”或“名称”列。").arg(line));
            column = named;
        }
    }
    // Coil windows keep their maps as they were: the type says Bit at most.
    const bool types = IsRegisterFunction(function) && column[TypeColumn] >= 0;
    const int needed = std::max(column[AddressColumn], column[NameColumn]) + 1;
    for (bool have = !header || next(row, line); have; have = next(row, line)) {
        if (std::all_of(row.begin(), row.end(),
                        [](const QString& f) { return f.trimmed().isEmpty(); }))
            continue;
        // Without a header the columns are known only by their order, and
        // more than five means this is some other table.
        if (row.size() < needed || (!header && row.size() > kPositionalColumns))
            return fault(
                tr("第 %1 行有 %2 列；寄存器表的列是：地址、名称，可选类型、单位、说明。")
                    .arg(line)
                    .arg(row.size()));
        Entry entry;
        entry.line = line;
        entry.addressText = row[column[AddressColumn]].trimmed();
        switch (ParseAddress(entry.addressText, function, oneBased, entry.address)) {
        case AddressCheck::Ok: break;
        case AddressCheck::OtherTable: entry.address = -1; break;
        case AddressCheck::NotAnAddress:
            return fault(tr("第 %1 行：“%2”不是地址。").arg(line).arg(entry.addressText.left(40)));
        case AddressCheck::OutOfRange:
            return fault(tr("第 %1 行：地址 %2 超出范围（%3 到 %4）。")
                             .arg(line)
                             .arg(entry.addressText.left(40))
                             .arg(oneBased ? 1 : 0)
                             .arg(oneBased ? 65536 : 65535));
        }
        entry.name = row[column[NameColumn]].trimmed();
        const bool typeGiven = types && entry.address >= 0 && column[TypeColumn] < row.size() &&
                               !row[column[TypeColumn]].trimmed().isEmpty();
        if (types && entry.address >= 0) {
            entry.saysType = true;
            if (const QString error = readType(row, column, line, displayFormat, entry);
                !error.isEmpty())
                return fault(error);
        } else {
            const int unit = column[UnitColumn];
            if (!entry.name.isEmpty() && unit >= 0 && unit < row.size() &&
                !row[unit].trimmed().isEmpty())
                entry.name += QStringLiteral(" [") + row[unit].trimmed() + QLatin1Char(']');
        }
        // A row with neither a name nor a type leaves its address's type
        // alone; it only bounds the texts before it.
        if (entry.name.isEmpty() && !typeGiven)
            entry.saysType = false;
        take(std::move(entry));
    }
    return QString();
}

int RegisterMapCsv::OpenTextRegisters(int address, const MappedAddresses& mapped) {
    const int last = std::min(address + RowType::kMaxTextRegisters, int(mapped.size()) - 1);
    for (int next = address + 1; next <= last; ++next)
        if (mapped[std::size_t(next)])
            return next - address;
    // Nothing mapped within reach: the longest text, unless the map ends here.
    for (int next = last + 1; next < int(mapped.size()); ++next)
        if (mapped[std::size_t(next)])
            return RowType::kMaxTextRegisters;
    return 1;
}

namespace {

// Rows a map names or types; the others only bound texts.
bool counts(const RegisterMapCsv::Entry& entry) { return !entry.name.isEmpty() || entry.saysType; }

}  // namespace

RegisterMapCsv::Parsed RegisterMapCsv::Parse(const CsvText::Table& table, int function,
                                             int oneBased, int displayFormat) {
    Parsed parsed;
    parsed.error = tableError(table.error, table.errorLine);
    if (!parsed.error.isEmpty())
        return parsed;
    std::size_t r = 0;
    const NextRecord next = [&table, &r](QStringList& fields, int& line) {
        if (r >= table.rows.size())
            return false;
        fields = table.rows[r];
        line = table.lines[r];
        ++r;
        return true;
    };
    bool any = false;
    const auto addresses = std::make_unique<MappedAddresses>();
    parsed.error = readEntries(
        next, function, oneBased, displayFormat,
        [&](Entry&& entry) {
            if (entry.address >= 0)
                addresses->set(std::size_t(entry.address));
            if (counts(entry))
                parsed.entries.push_back(std::move(entry));
        },
        any);
    if (!any)
        parsed.error = tr("文件里没有寄存器。");
    if (!parsed.error.isEmpty()) {
        parsed.entries.clear();
        return parsed;
    }
    for (Entry& entry : parsed.entries) {
        if (entry.openText && entry.type) {
            entry.type->textRegisters = OpenTextRegisters(entry.address, *addresses);
            entry.openText = false;
        }
    }
    return parsed;
}

namespace {

// Entries into the items of one poll, one at a time.
class Placer {
public:
    Placer(int address, int length, std::size_t listed)
        : m_address(address), m_length(length), m_listed(listed) {}

    // Every address of the map, also of rows that are not placed.
    void Mapped(int address) {
        if (address >= 0)
            m_addresses.set(std::size_t(address));
    }
    void Add(RegisterMapCsv::Entry entry) {
        const long long item = static_cast<long long>(entry.address) - m_address;
        if (entry.address < 0 || item < 0 || item >= m_length) {
            ++m_placement.outsideCount;
            if (m_placement.outside.size() < m_listed)
                m_placement.outside.push_back(std::move(entry));
            return;
        }
        if (entry.saysType)
            m_types[entry.address] = {entry.type, entry.openText};
        if (!entry.name.isEmpty())
            m_byItem[int(item)] = std::move(entry.name);
    }
    RegisterMapCsv::Placement Take() {
        m_placement.aliases.reserve(m_byItem.size());
        for (auto& [item, alias] : m_byItem)
            m_placement.aliases.emplace_back(item, std::move(alias));
        m_byItem.clear();
        for (auto& [address, typed] : m_types) {
            if (typed.second && typed.first)
                typed.first->textRegisters = RegisterMapCsv::OpenTextRegisters(address, m_addresses);
            m_placement.types.emplace_back(address, std::move(typed.first));
        }
        m_types.clear();
        return std::move(m_placement);
    }

private:
    int m_address;
    int m_length;
    std::size_t m_listed;
    std::map<int, QString> m_byItem;  // the last entry of an item wins
    // By address: the type, and whether it is a text still to be measured.
    std::map<int, std::pair<std::optional<RowType>, bool>> m_types;
    RegisterMapCsv::MappedAddresses m_addresses;
    RegisterMapCsv::Placement m_placement;
};

}  // namespace

RegisterMapCsv::Placement RegisterMapCsv::Place(const std::vector<Entry>& entries, int address,
                                                int length) {
    Placer placer(address, length, std::numeric_limits<std::size_t>::max());
    for (const Entry& entry : entries)
        placer.Mapped(entry.address);
    for (const Entry& entry : entries)
        placer.Add(entry);
    return placer.Take();
}

RegisterMapCsv::Imported RegisterMapCsv::Import(const QString& path, int function, int oneBased,
                                                int address, int length, std::size_t listed,
                                                int displayFormat) {
    Imported imported;
    CsvText::Reader reader = CsvText::Reader::Open(path);
    Placer placer(address, length, listed);
    bool any = false;
    const QString rowError = readEntries(
        [&reader](QStringList& fields, int& line) { return reader.Next(fields, line); }, function,
        oneBased, displayFormat,
        [&imported, &placer](Entry&& entry) {
            placer.Mapped(entry.address);
            if (!counts(entry))
                return;
            if (!entry.name.isEmpty())
                ++imported.named;
            if (entry.type)
                ++imported.typed;
            placer.Add(std::move(entry));
        },
        any);
    if (reader.error() != CsvText::Error::None)
        imported.error = tableError(reader.error(), reader.errorLine());
    else if (!any)
        imported.error = tr("文件里没有寄存器。");
    else
        imported.error = rowError;
    if (!imported.error.isEmpty()) {
        imported.named = 0;
        imported.typed = 0;
        return imported;
    }
    imported.placement = placer.Take();
    return imported;
}

namespace {

// The type columns of a typed row: type, order, scale, offset, unit, decimals.
QStringList typeColumns(const RowType& type) {
    const bool ordered = type.reading.kind == DecodeKind::Text || RegistersOf(type.reading.kind) > 1;
    return {TypeWord(type),
            ordered ? OrderWord(type.reading.order) : QString(),
            type.scale != 1.0 ? shortest(type.scale) : QString(),
            type.offset != 0.0 ? shortest(type.offset) : QString(),
            type.unit,
            type.decimals >= 0 ? QString::number(type.decimals) : QString()};
}

}  // namespace

QByteArray RegisterMapCsv::Export(const LogLine::Poll& poll,
                                  const std::function<QString(int item)>& aliasOf,
                                  const std::map<int, QString>& otherAliases) {
    QString text = CsvText::Row({"Address", "Name", "Type", "Order", "Scale", "Offset", "Unit",
                                 "Decimals", "Description", "Value"});
    text += QLatin1StringView(CsvText::kLineEnd);
    const bool coils = IsCoilFunction(poll.function);
    static const RowTypes none;
    const RowTypes& types = poll.rowTypes != nullptr && !coils ? *poll.rowTypes : none;
    const std::vector<ItemPlan> plan = PlanItems(poll.address, poll.length, poll.function, types);
    const int items = std::clamp(poll.length, 0, static_cast<int>(poll.values.size()));
    for (int i = 0; i < items; ++i) {
        QString value =
            poll.valuesRead ? PlannedText(poll, plan, i, ValueForm::Plain).trimmed() : QString();
        QStringList columns(6);
        if (const auto typed = types.find(poll.address + i); typed != types.end()) {
            // The unit has a column of its own.
            const QString unit = typed->second.unit;
            if (!unit.isEmpty() && value.endsWith(unit))
                value = value.chopped(unit.size()).trimmed();
            columns = typeColumns(typed->second);
        } else if (coils && poll.valuesRead) {
            columns[0] = QStringLiteral("Bit");
        } else if (!value.isEmpty()) {
            columns[0] = DisplayFormatName(poll.displayFormat);
        }
        text += CsvText::Row(QStringList{ShownAddress(poll, i), aliasOf ? aliasOf(i) : QString()} +
                             columns + QStringList{QString(), value});
        text += QLatin1StringView(CsvText::kLineEnd);
    }
    for (const auto& [address, alias] : otherAliases) {
        LogLine::Poll at = poll;
        at.address = address;
        at.length = 1;
        const auto typed = types.find(address);
        const QStringList columns = typed != types.end() ? typeColumns(typed->second) : QStringList(6);
        text += CsvText::Row(QStringList{ShownAddress(at, 0), alias} + columns +
                             QStringList{QString(), QString()});
        text += QLatin1StringView(CsvText::kLineEnd);
    }
    return text.toUtf8();
}

}  // namespace zentiq
