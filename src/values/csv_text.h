// CSV as Zentiq writes and reads it: one writer for every CSV file the
// program makes (quoting, and a guard against cells that a spreadsheet would
// run as formulas), and a reader with bounds for files that come from
// elsewhere (register maps from device manuals).
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <vector>

namespace zentiq {

class CsvText {
public:
    // Line end of every row Zentiq writes (RFC 4180).
    static constexpr const char* kLineEnd = "\r\n";

    // Whether a spreadsheet would take `text` as a formula: it starts with
    // =, +, - or @ (after any apostrophes the guard itself put there) and is
    // not a number.
    static bool NeedsGuard(QStringView text);
    // A field as written: guarded with a leading apostrophe where needed,
    // then quoted when it holds the separator, a quote or a line break.
    static QString Field(const QString& text, QChar separator = u',');
    // Fields joined by the separator, without line end.
    static QString Row(const QStringList& fields, QChar separator = u',');
    // Column names a reader can tell apart: a name given twice, or one of
    // `reserved` (the file's own columns), gets " (<its qualifier>)"
    // appended, and one that still collides a " #n" as well; a name equal to
    // its own qualifier (a column named by its address) stays. `qualifiers`
    // runs beside `names` (an address for each).
    static QStringList UniqueNames(const QStringList& names, const QStringList& qualifiers,
                                   const QStringList& reserved = {});
    // Takes the guard's apostrophe off again, so that what Zentiq wrote
    // reads back as it was.
    static QString Unguard(const QString& field);
    // `time` in local time as `format` gives it, then its UTC offset (+08:00):
    // local time alone is ambiguous in the hour a clock goes back.
    static QString LocalTime(const QDateTime& time, const QString& format);

    // ---- reading ---------------------------------------------------------------------
    static constexpr qint64 kMaxFileBytes = 4 * 1024 * 1024;
    static constexpr qsizetype kMaxRecordChars = 16 * 1024;

    enum class Error { None, CannotOpen, TooLarge, NotText, RecordTooLong, OpenQuote };
    struct Table {
        Error error = Error::None;
        int errorLine = 0;  // 1-based line of RecordTooLong and OpenQuote
        QChar separator = u',';
        // Records with the 1-based line each starts on; blank lines are left out.
        std::vector<QStringList> rows;
        std::vector<int> lines;
    };

    // The records one at a time, for a reader that keeps only what it needs
    // of each: a table of every field costs many times the file's size.
    class Reader {
    public:
        // Checks and decodes the whole text at once (binary data is refused
        // before any record is read) and lets the bytes go.
        explicit Reader(QByteArray bytes);
        // Reads at most kMaxFileBytes (+1 to tell a larger file); anything
        // but a regular file (a pipe, a device) cannot be opened.
        static Reader Open(const QString& path);

        // The next record that is not blank and the line it starts on;
        // false at the end, or at a fault (error() says which).
        bool Next(QStringList& fields, int& line);
        // A fault of the file itself: found at once (CannotOpen, TooLarge,
        // NotText) or once Next() reached it (RecordTooLong, OpenQuote).
        Error error() const { return m_error; }
        int errorLine() const { return m_errorLine; }
        QChar separator() const { return m_separator; }

    private:
        explicit Reader(Error error) : m_error(error) {}

        QString m_text;
        qsizetype m_pos = 0;
        int m_line = 1;
        Error m_error = Error::None;
        int m_errorLine = 0;
        QChar m_separator = u',';
    };

    // UTF-8 with or without BOM; the separator is a comma or a semicolon,
    // whichever the first records have more of outside quotes. Fields are
    // unguarded. Refuses binary data (NUL and other control characters,
    // invalid UTF-8) and records longer than kMaxRecordChars.
    static Table Parse(const QByteArray& bytes);
    // Reads at most kMaxFileBytes (+1 to tell a larger file) and parses;
    // anything but a regular file (a pipe, a device) cannot be opened.
    static Table ReadFile(const QString& path);
};

}  // namespace zentiq
