#include "values/csv_text.h"

#include <QHash>
#include <QSet>

#include <cstdlib>

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStringDecoder>

#include <algorithm>
#include <utility>

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

CsvText::Reader::Reader(QByteArray bytes) {
    QByteArrayView data(bytes);
    if (data.startsWith("\xEF\xBB\xBF"))
        data = data.sliced(3);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    m_text = decoder.decode(data);
    const bool invalid = decoder.hasError();
    // The text is all that is read from here on; the bytes would only add to it.
    bytes = QByteArray();
    const auto isControl = [](QChar c) {
        return c.unicode() < 0x20 && c != u'\t' && c != u'\r' && c != u'\n';
    };
    if (invalid || std::any_of(m_text.cbegin(), m_text.cend(), isControl)) {
        m_error = Error::NotText;
        m_text = QString();
        return;
    }
    m_separator = detectSeparator(m_text);
}

CsvText::Reader CsvText::Reader::Open(const QString& path) {
    QFile file(path);
    // A pipe or a device could block the window or never end.
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return Reader(Error::CannotOpen);
    // Never more than the limit in memory, whatever the file (or a pipe) holds.
    QByteArray bytes = file.read(kMaxFileBytes + 1);
    if (bytes.size() > kMaxFileBytes)
        return Reader(Error::TooLarge);
    return Reader(std::move(bytes));
}

bool CsvText::Reader::Next(QStringList& fields, int& line) {
    fields.clear();
    if (m_error != Error::None)
        return false;
    const qsizetype size = m_text.size();
    QString field;
    bool quoted = false;     // inside a quoted part of the field
    bool wasQuoted = false;  // the field began with a quote
    int recordLine = m_line;
    qsizetype recordChars = 0;
    const auto fail = [&](Error error) {
        m_error = error;
        m_errorLine = recordLine;
        m_text = QString();
        fields.clear();
        return false;
    };
    const auto endField = [&] {
        fields.push_back(Unguard(field));
        field.clear();
        wasQuoted = false;
    };
    // true: a record to hand out; a blank one is dropped and the next begins.
    const auto endRecord = [&] {
        endField();
        if (fields.size() == 1 && fields.front().isEmpty()) {
            fields.clear();
            recordChars = 0;
            recordLine = m_line;
            return false;
        }
        line = recordLine;
        return true;
    };
    while (m_pos < size) {
        const QChar c = m_text.at(m_pos++);
        if (++recordChars > kMaxRecordChars)
            return fail(Error::RecordTooLong);
        if (quoted) {
            if (c == u'"') {
                if (m_pos < size && m_text.at(m_pos) == u'"') {
                    field += c;
                    ++m_pos;
                } else {
                    quoted = false;
                }
            } else {
                if (c == u'\n')
                    ++m_line;
                field += c;
            }
            continue;
        }
        if (c == u'"' && field.isEmpty() && !wasQuoted) {
            quoted = wasQuoted = true;
        } else if (c == m_separator) {
            endField();
        } else if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && m_pos < size && m_text.at(m_pos) == u'\n')
                ++m_pos;
            ++m_line;
            if (endRecord())
                return true;
        } else {
            field += c;
        }
    }
    if (quoted)
        return fail(Error::OpenQuote);
    if (!field.isEmpty() || wasQuoted || !fields.isEmpty())
        return endRecord();
    return false;
}

namespace {

CsvText::Table readAll(CsvText::Reader reader) {
    CsvText::Table table;
    QStringList fields;
    int line = 0;
    while (reader.Next(fields, line)) {
        table.rows.push_back(std::move(fields));
        table.lines.push_back(line);
    }
    table.error = reader.error();
    table.errorLine = reader.errorLine();
    table.separator = reader.separator();
    if (table.error != CsvText::Error::None) {
        table.rows.clear();
        table.lines.clear();
    }
    return table;
}

}  // namespace

CsvText::Table CsvText::Parse(const QByteArray& bytes) { return readAll(Reader(bytes)); }

CsvText::Table CsvText::ReadFile(const QString& path) { return readAll(Reader::Open(path)); }

QString CsvText::LocalTime(const QDateTime& time, const QString& format) {
    const int offset = time.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return time.toString(format) + (offset < 0 ? u'-' : u'+') +
           QStringLiteral("%1:%2")
               .arg(minutes / 60, 2, 10, QLatin1Char('0'))
               .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace zentiq
