// The data log of one poll document: its options, the open log file, and the
// decision which poll results get a line. The one owner of the document's
// logging state: the document asks it, and keeps no copy.
#pragma once

#include <ctime>
#include <functional>
#include <memory>
#include <utility>

#include <QString>

#include "values/log_line.h"

class QFile;

namespace zentiq {

class DataLogger {
public:
    enum Mode { EveryPoll = 0, AtInterval = 1 };
    // A log whose file name ends in ".csv" is written as CSV; any other
    // name gets the text lines.
    enum class Format { Text, Csv };
    static Format FormatOf(const QString& path);

    struct Options {
        int mode = EveryPoll;
        int interval = 1;   // seconds, 1..3600
        int separator = 0;  // LogLine::Separator
        bool errors = false;
    };

    enum class Outcome {
        NotQualified,  // a failed result while errors are not logged: nothing changes
        Deferred,      // logging is off: the next qualifying result writes at once
        Skipped,       // within the interval
        Written,
        WriteFailed,  // the file was closed and logging switched off
    };

    DataLogger();
    ~DataLogger();
    DataLogger(const DataLogger&) = delete;
    DataLogger& operator=(const DataLogger&) = delete;

    const Options& options() const { return m_options; }
    void setOptions(const Options& options);

    // Replace empties an existing file; Append keeps what it holds (a
    // logger that is started again must not lose what it wrote before) and
    // ends a last line cut short, so the new lines start on a line of
    // their own.
    enum class Opening { Replace, Append };

    // Creates (or empties) the file and switches logging on; false when the
    // file cannot be created or another log, of this process or another,
    // writes to it (logging then stays off and the file is left untouched).
    // The file is held under an exclusive advisory lock while logging.
    bool Start(const QString& path, Opening opening = Opening::Replace);
    void Stop();
    bool active() const;
    // The file of the open log, empty while none is open.
    QString path() const;
    // The format of the open log (Text while none is open).
    Format format() const { return m_format; }

    // One poll result at `now` (system clock, whole seconds). `makeLine`
    // builds the line (without line end) and is only called when a line is
    // written. `makeHeader`, when given, builds the header row of a CSV log:
    // it goes before the line whenever it differs from the last one written
    // (the first line, or the window's columns changed meanwhile). The line
    // goes to the file at once.
    Outcome OnResult(bool ok, std::time_t now, const std::function<QString()>& makeLine,
                     const std::function<QString()>& makeHeader = {});

    // One result of `poll` at the current time, as a line of the log's
    // format; `aliasOf` names the CSV columns (an empty alias names a
    // column by its address).
    Outcome LogPoll(bool ok, const LogLine::Poll& poll, const QString& statusText,
                    const std::function<QString(int item)>& aliasOf);

    // The system clock in whole seconds, which decides the interval and the
    // time of each line; tests set their own clock (an empty function
    // restores the system's) and get the previous one back.
    static std::time_t Now();
    using Clock = std::function<std::time_t()>;
    static Clock SetClock(Clock clock);

    static QString FileOpenErrorText();
    static QString WriteErrorText();

private:
    bool WriteLine(const QString& line);

    Options m_options;
    std::unique_ptr<QFile> m_file;
    QString m_path;
    // The open file's identity in the process-wide list of logged files.
    std::pair<unsigned long long, unsigned long long> m_fileId{};
    std::time_t m_lastLogTime = 0;
    bool m_restart = false;
    Format m_format = Format::Text;
    QString m_writtenHeader;
};

}  // namespace zentiq
