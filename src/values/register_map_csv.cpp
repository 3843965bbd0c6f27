#include "values/register_map_csv.h"

#include <QCoreApplication>

#include <algorithm>
#include <array>
#include <map>

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

RegisterMapCsv::Parsed RegisterMapCsv::Parse(const CsvText::Table& table, int function,
                                             int oneBased) {
    Parsed parsed;
    switch (table.error) {
    case CsvText::Error::None: break;
    case CsvText::Error::CannotOpen: parsed.error = tr("无法打开这个文件。"); return parsed;
    case CsvText::Error::TooLarge:
        parsed.error =
            tr("文件太大：寄存器表最多 %1 MB。").arg(CsvText::kMaxFileBytes / (1024 * 1024));
        return parsed;
    case CsvText::Error::NotText:
        parsed.error = tr("这不是 UTF-8 文本的 CSV 文件（含有二进制数据）。");
        return parsed;
    case CsvText::Error::RecordTooLong:
        parsed.error = tr("第 %1 行太长：一行最多 %2 个字符。")
                           .arg(table.errorLine)
                           .arg(CsvText::kMaxRecordChars);
        return parsed;
    case CsvText::Error::OpenQuote:
        parsed.error = tr("第 %1 行的引号没有结束。").arg(table.errorLine);
        return parsed;
    }
    if (table.rows.empty()) {
        parsed.error = tr("文件里没有寄存器。");
        return parsed;
    }

    std::array<int, ColumnCount> column = {0, 1, 2, 3, 4};
    std::size_t first = 0;
    bool header = false;
    int unused = 0;
    if (ParseAddress(table.rows[0].value(0), function, oneBased, unused) ==
        AddressCheck::NotAnAddress) {
        header = true;
        first = 1;
        std::array<int, ColumnCount> named;
        named.fill(-1);
        const QStringList& names = table.rows[0];
        for (qsizetype i = 0; i < names.size(); ++i)
            for (int c = 0; c < ColumnCount; ++c)
                if (named[c] < 0 &&
                    headerNames()[c].contains(names[i].trimmed(), Qt::CaseInsensitive))
                    named[c] = int(i);
        if (named[AddressColumn] >= 0 || named[NameColumn] >= 0) {
            if (named[AddressColumn] < 0 || named[NameColumn] < 0) {
                parsed.error = tr("表头（第 %1 行）缺少“地址”或“名称”列。").arg(table.lines[0]);
                return parsed;
            }
            column = named;
        }
    }
    const int needed = std::max(column[AddressColumn], column[NameColumn]) + 1;
    for (std::size_t r = first; r < table.rows.size(); ++r) {
        const QStringList& row = table.rows[r];
        const int line = table.lines[r];
        if (std::all_of(row.begin(), row.end(),
                        [](const QString& f) { return f.trimmed().isEmpty(); }))
            continue;
        // Without a header the columns are known only by their order, and
        // more than five means this is some other table.
        if (row.size() < needed || (!header && row.size() > ColumnCount)) {
            parsed.error =
                tr("第 %1 行有 %2 列；寄存器表的列是：地址、名称，可选类型、单位、说明。")
                    .arg(line)
                    .arg(row.size());
            parsed.entries.clear();
            return parsed;
        }
        Entry entry;
        entry.line = line;
        entry.addressText = row[column[AddressColumn]].trimmed();
        switch (ParseAddress(entry.addressText, function, oneBased, entry.address)) {
        case AddressCheck::Ok: break;
        case AddressCheck::OtherTable: entry.address = -1; break;
        case AddressCheck::NotAnAddress:
            parsed.error = tr("第 %1 行：“%2”不是地址。").arg(line).arg(entry.addressText.left(40));
            parsed.entries.clear();
            return parsed;
        case AddressCheck::OutOfRange:
            parsed.error = tr("第 %1 行：地址 %2 超出范围（%3 到 %4）。")
                               .arg(line)
                               .arg(entry.addressText.left(40))
                               .arg(oneBased ? 1 : 0)
                               .arg(oneBased ? 65536 : 65535);
            parsed.entries.clear();
            return parsed;
        }
        entry.name = row[column[NameColumn]].trimmed();
        if (entry.name.isEmpty())
            continue;
        const int unit = column[UnitColumn];
        if (unit >= 0 && unit < row.size() && !row[unit].trimmed().isEmpty())
            entry.name += QStringLiteral(" [") + row[unit].trimmed() + QLatin1Char(']');
        parsed.entries.push_back(std::move(entry));
    }
    return parsed;
}

RegisterMapCsv::Parsed RegisterMapCsv::ReadFile(const QString& path, int function, int oneBased) {
    return Parse(CsvText::ReadFile(path), function, oneBased);
}

RegisterMapCsv::Placement RegisterMapCsv::Place(const std::vector<Entry>& entries, int address,
                                                int length) {
    Placement placement;
    std::map<int, QString> byItem;
    for (const Entry& entry : entries) {
        const long long item = static_cast<long long>(entry.address) - address;
        if (entry.address < 0 || item < 0 || item >= length)
            placement.outside.push_back(entry);
        else
            byItem[int(item)] = entry.name;
    }
    placement.aliases.assign(byItem.begin(), byItem.end());
    return placement;
}

QByteArray RegisterMapCsv::Export(const LogLine::Poll& poll,
                                  const std::function<QString(int item)>& aliasOf,
                                  const std::map<int, QString>& otherAliases) {
    QString text = CsvText::Row({"Address", "Name", "Type", "Unit", "Description", "Value"});
    text += QLatin1StringView(CsvText::kLineEnd);
    const bool coils = IsCoilFunction(poll.function);
    const int items = std::clamp(poll.length, 0, static_cast<int>(poll.values.size()));
    for (int i = 0; i < items; ++i) {
        const QString value = FormatValue(poll.values, {}, poll.length, poll.function,
                                          poll.displayFormat, i, ValueForm::Plain, false)
                                  .text.trimmed();
        QString type;
        if (coils)
            type = QStringLiteral("Bit");
        else if (!value.isEmpty())
            type = DisplayFormatLabel(poll.displayFormat);
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
