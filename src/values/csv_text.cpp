#include "values/csv_text.h"

#include <QHash>
#include <QSet>

#include <cstdlib>

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStringDecoder>

#include <algorithm>

namespace zentiq {

namespace {

bool isFormulaStart(QChar c) { return c == u'=' || c == u'+' || c == u'-' || c == u'@'; }

bool isNumber(QStringView text) {
    bool ok = false;
    QLocale::c().toDouble(text, &ok);
    return ok;
}

// Counts the separators outside quotes over the first records: a comma in
// one name does not turn a semicolon file into a comma file.
QChar detectSeparator(QStringView text) {
    constexpr int kRecords = 10;
    int commas = 0, semicolons = 0, records = 0;
    bool quoted = false;
    for (const QChar c : text) {
        if (c == u'"')
            quoted = !quoted;
        else if (!quoted && c == u'\n' && ++records == kRecords)
            break;
        else if (!quoted && c == u',')
            ++commas;
        else if (!quoted && c == u';')
            ++semicolons;
    }
    return semicolons > commas ? u';' : u',';
}

}  // namespace

bool CsvText::NeedsGuard(QStringView text) {
    qsizetype first = 0;
    while (first < text.size() && text[first] == u'\'')
        ++first;
    return first < text.size() && isFormulaStart(text[first]) && !isNumber(text);
}

QString CsvText::Field(const QString& text, QChar separator) {
    const QString field = NeedsGuard(text) ? QLatin1Char('\'') + text : text;
    const bool quote = std::any_of(field.begin(), field.end(), [separator](QChar c) {
        return c == separator || c == u'"' || c == u'\r' || c == u'\n';
    });
    if (!quote)
        return field;
    QString quoted = field;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QStringList CsvText::UniqueNames(const QStringList& names, const QStringList& qualifiers,
                                 const QStringList& reserved) {
    QHash<QString, int> count;
    for (const QString& name : names)
        ++count[name];
    // A name given once, or a column named by its own address, keeps it; the
    // qualified ones must not take those.
    const auto keeps = [&](qsizetype i) {
        const bool ownAddress = i < qualifiers.size() && names[i] == qualifiers[i];
        return ownAddress || (count.value(names[i]) == 1 && !reserved.contains(names[i]));
    };
    QSet<QString> taken(reserved.begin(), reserved.end());
    for (qsizetype i = 0; i < names.size(); ++i)
        if (keeps(i))
            taken.insert(names[i]);
    QStringList out = names;
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (keeps(i))
            continue;
        const QString qualified =
            i < qualifiers.size() ? QStringLiteral("%1 (%2)").arg(names[i], qualifiers[i]) : names[i];
        QString name = qualified;
        for (int n = 2; taken.contains(name); ++n)
            name = QStringLiteral("%1 #%2").arg(qualified).arg(n);
        taken.insert(name);
        out[i] = name;
    }
    return out;
}

QString CsvText::Row(const QStringList& fields, QChar separator) {
    QString row;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            row += separator;
        row += Field(fields[i], separator);
    }
    return row;
}

QString CsvText::Unguard(const QString& field) {
    if (field.startsWith(QLatin1Char('\'')) && NeedsGuard(QStringView(field).mid(1)))
        return field.mid(1);
    return field;
}

CsvText::Table CsvText::Parse(const QByteArray& bytes) {
    Table table;
    QByteArrayView data(bytes);
    if (data.startsWith("\xEF\xBB\xBF"))
        data = data.sliced(3);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(data);
    if (decoder.hasError()) {
        table.error = Error::NotText;
        return table;
    }
    for (const QChar c : text) {
        if (c.unicode() < 0x20 && c != u'\t' && c != u'\r' && c != u'\n') {
            table.error = Error::NotText;
            return table;
        }
    }
    const QChar separator = detectSeparator(text);
    table.separator = separator;

    QStringList record;
    QString field;
    bool quoted = false;     // inside a quoted part of the field
    bool wasQuoted = false;  // the field began with a quote
    int line = 1;
    int recordLine = 1;
    qsizetype recordChars = 0;
    const auto endField = [&] {
        record.push_back(Unguard(field));
        field.clear();
        wasQuoted = false;
    };
    const auto endRecord = [&] {
        endField();
        const bool blank = record.size() == 1 && record.front().isEmpty();
        if (!blank) {
            table.rows.push_back(record);
            table.lines.push_back(recordLine);
        }
        record.clear();
        recordChars = 0;
        recordLine = line;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (++recordChars > kMaxRecordChars) {
            table.error = Error::RecordTooLong;
            table.errorLine = recordLine;
            table.rows.clear();
            table.lines.clear();
            return table;
        }
        if (quoted) {
            if (c == u'"') {
                if (i + 1 < text.size() && text[i + 1] == u'"') {
                    field += c;
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                if (c == u'\n')
                    ++line;
                field += c;
            }
            continue;
        }
        if (c == u'"' && field.isEmpty() && !wasQuoted) {
            quoted = wasQuoted = true;
        } else if (c == separator) {
            endField();
        } else if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            ++line;
            endRecord();
        } else {
            field += c;
        }
    }
    if (quoted) {
        table.error = Error::OpenQuote;
        table.errorLine = recordLine;
        table.rows.clear();
        table.lines.clear();
        return table;
    }
    if (!field.isEmpty() || wasQuoted || !record.isEmpty())
        endRecord();
    return table;
}

CsvText::Table CsvText::ReadFile(const QString& path) {
    QFile file(path);
    // A pipe or a device could block the window or never end.
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        Table table;
        table.error = Error::CannotOpen;
        return table;
    }
    // Never more than the limit in memory, whatever the file (or a pipe) holds.
    const QByteArray bytes = file.read(kMaxFileBytes + 1);
    if (bytes.size() > kMaxFileBytes) {
        Table table;
        table.error = Error::TooLarge;
        return table;
    }
    return Parse(bytes);
}

QString CsvText::LocalTime(const QDateTime& time, const QString& format) {
    const int offset = time.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return time.toString(format) + (offset < 0 ? u'-' : u'+') +
           QStringLiteral("%1:%2")
               .arg(minutes / 60, 2, 10, QLatin1Char('0'))
               .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace zentiq
