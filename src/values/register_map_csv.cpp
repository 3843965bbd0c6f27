#include "values/register_map_csv.h"

#include <QCoreApplication>

#include <algorithm>
#include <array>
#include <limits>
#include <map>
#include <utility>

#include "values/address_labels.h"
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

enum Column { AddressColumn, NameColumn, TypeColumn, UnitColumn, DescriptionColumn, ColumnCount };

// Names a header may give each column, compared without case.
const std::array<QStringList, ColumnCount>& headerNames() {
    static const std::array<QStringList, ColumnCount> names = {
        QStringList{"address", "addr", "register", "地址", "寄存器"},
        QStringList{"name", "alias", "名称", "标注"},
        QStringList{"type", "data type", "类型"},
        QStringList{"unit", "units", "单位"},
        QStringList{"description", "comment", "说明"},
    };
    return names;
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
                                    const std::function<void(Entry&&)>& take, bool& any) {
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

    std::array<int, ColumnCount> column = {0, 1, 2, 3, 4};
    bool header = false;
    int unused = 0;
    if (ParseAddress(row.value(0), function, oneBased, unused) == AddressCheck::NotAnAddress) {
        header = true;
        std::array<int, ColumnCount> named;
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
    const int needed = std::max(column[AddressColumn], column[NameColumn]) + 1;
    for (bool have = !header || next(row, line); have; have = next(row, line)) {
        if (std::all_of(row.begin(), row.end(),
                        [](const QString& f) { return f.trimmed().isEmpty(); }))
            continue;
        // Without a header the columns are known only by their order, and
        // more than five means this is some other table.
        if (row.size() < needed || (!header && row.size() > ColumnCount))
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
        if (entry.name.isEmpty())
            continue;
        const int unit = column[UnitColumn];
        if (unit >= 0 && unit < row.size() && !row[unit].trimmed().isEmpty())
            entry.name += QStringLiteral(" [") + row[unit].trimmed() + QLatin1Char(']');
        take(std::move(entry));
    }
    return QString();
}

RegisterMapCsv::Parsed RegisterMapCsv::Parse(const CsvText::Table& table, int function,
                                             int oneBased) {
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
    parsed.error = readEntries(
        next, function, oneBased, [&parsed](Entry&& entry) { parsed.entries.push_back(std::move(entry)); },
        any);
    if (!any)
        parsed.error = tr("文件里没有寄存器。");
    if (!parsed.error.isEmpty())
        parsed.entries.clear();
    return parsed;
}

namespace {

// Entries into the items of one poll, one at a time.
class Placer {
public:
    Placer(int address, int length, std::size_t listed)
        : m_address(address), m_length(length), m_listed(listed) {}

    void Add(RegisterMapCsv::Entry entry) {
        const long long item = static_cast<long long>(entry.address) - m_address;
        if (entry.address < 0 || item < 0 || item >= m_length) {
            ++m_placement.outsideCount;
            if (m_placement.outside.size() < m_listed)
                m_placement.outside.push_back(std::move(entry));
        } else {
            m_byItem[int(item)] = std::move(entry.name);
        }
    }
    RegisterMapCsv::Placement Take() {
        m_placement.aliases.reserve(m_byItem.size());
        for (auto& [item, alias] : m_byItem)
            m_placement.aliases.emplace_back(item, std::move(alias));
        m_byItem.clear();
        return std::move(m_placement);
    }

private:
    int m_address;
    int m_length;
    std::size_t m_listed;
    std::map<int, QString> m_byItem;  // the last entry of an item wins
    RegisterMapCsv::Placement m_placement;
};

}  // namespace

RegisterMapCsv::Placement RegisterMapCsv::Place(const std::vector<Entry>& entries, int address,
                                                int length) {
    Placer placer(address, length, std::numeric_limits<std::size_t>::max());
    for (const Entry& entry : entries)
        placer.Add(entry);
    return placer.Take();
}

RegisterMapCsv::Imported RegisterMapCsv::Import(const QString& path, int function, int oneBased,
                                                int address, int length, std::size_t listed) {
    Imported imported;
    CsvText::Reader reader = CsvText::Reader::Open(path);
    Placer placer(address, length, listed);
    bool any = false;
    const QString rowError = readEntries(
        [&reader](QStringList& fields, int& line) { return reader.Next(fields, line); }, function,
        oneBased,
        [&imported, &placer](Entry&& entry) {
            ++imported.named;
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
        return imported;
    }
    imported.placement = placer.Take();
    return imported;
}

QByteArray RegisterMapCsv::Export(const LogLine::Poll& poll,
                                  const std::function<QString(int item)>& aliasOf,
                                  const std::map<int, QString>& otherAliases) {
    QString text = CsvText::Row({"Address", "Name", "Type", "Unit", "Description", "Value"});
    text += QLatin1StringView(CsvText::kLineEnd);
    const bool coils = IsCoilFunction(poll.function);
    const int items = std::clamp(poll.length, 0, static_cast<int>(poll.values.size()));
    for (int i = 0; i < items; ++i) {
        const QString value =
            poll.valuesRead ? FormatValue(poll.values, {}, poll.length, poll.function,
                                          poll.displayFormat, i, ValueForm::Plain, false)
                                  .text.trimmed()
                            : QString();
        QString type;
        if (coils && poll.valuesRead)
            type = QStringLiteral("Bit");
        else if (!value.isEmpty())
            type = DisplayFormatName(poll.displayFormat);
        text += CsvText::Row({ShownAddress(poll, i), aliasOf ? aliasOf(i) : QString(), type,
                              QString(), QString(), value});
        text += QLatin1StringView(CsvText::kLineEnd);
    }
    for (const auto& [address, alias] : otherAliases) {
        LogLine::Poll at = poll;
        at.address = address;
        at.length = 1;
        text += CsvText::Row({ShownAddress(at, 0), alias, QString(), QString(), QString(), QString()});
        text += QLatin1StringView(CsvText::kLineEnd);
    }
    return text.toUtf8();
}

}  // namespace zentiq
