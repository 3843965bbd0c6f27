// The data log of one poll document: its options, the open log file, and the
// decision which poll results get a line. The one owner of the document's
// logging state: the document asks it, and keeps no copy.
#pragma once

#include <functional>
#include <memory>
#include <utility>

#include <QCoreApplication>
#include <QString>
#include <QtGlobal>

#include "values/log_line.h"

class QFile;

namespace zentiq {

class DataLogger {
    Q_DECLARE_TR_FUNCTIONS(DataLogger)

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
        // Text lines whose time carries the date ("2026-12-10 14:38:03"),
        // for runs longer than a day. Not stored with the log.
        bool dated = false;
    };

    // What a write the disk refuses (full, a file-size limit) does: the
    // window's log stops and says so in a box; a run without windows keeps
    // the log, counts the lines it cannot write, tries again at most once
    // a second and, once a write goes through, records the gap.
    enum class WriteFailure { StopLog, Retry };
    static constexpr qint64 kRetryMs = 1000;

    // A CSV log has a row for every failed poll, whatever `errors` says: a
    // table without rows for the time the slave was down would read as if
    // the values had not changed.
    enum class Outcome {
        NotQualified,  // a failed result while a text log leaves errors out: nothing changes
        Deferred,      // logging is off: the next qualifying result writes at once
        Skipped,       // within the interval
        Written,
        WriteFailed,  // StopLog: the file was closed and logging switched off
        // Retry: the disk refused the line (or it was not yet time to try
        // again); it is counted, and the gap is recorded once a line goes in.
        Stalled,
        // The file was deleted or moved and cannot be created again: the
        // line is lost, the next one tries again.
        Lost,
    };

    // Why Start() refused a file.
    enum class Refusal {
        None,
        CannotOpen,       // the system refused it (no folder, no right, a FIFO without reader)
        LoggedHere,       // another log of this process writes to it
        LoggedElsewhere,  // another process holds its lock
    };

    // What happened to the log's file that the user should hear of, once.
    enum class Notice {
        None,
        // Appending found the file ending inside a line (a crash, a full
        // disk); that line was left out.
        CutLineDropped,
        // The file was deleted or moved under the log and has been
        // created again (also after a while of FileLost).
        FileRecreated,
        // The file was deleted or moved and cannot be created again: lines
        // are lost until it can.
        FileLost,
        // Retry: a write failed; the log is stopped until one goes through.
        WriteStalled,
        // Retry: a write went through again, the gap row written first.
        WriteResumed,
    };

    DataLogger();
    ~DataLogger();
    DataLogger(const DataLogger&) = delete;
    DataLogger& operator=(const DataLogger&) = delete;

    const Options& options() const { return m_options; }
    void setOptions(const Options& options);
    void setWriteFailure(WriteFailure policy) { m_writeFailure = policy; }

    // Replace empties an existing file; Append keeps what it holds (a
    // logger that is started again must not lose what it wrote before). A
    // last line cut short is left out, since its last field may have been
    // cut inside a number ("1009" to "10"); a note line says so before the
    // next line.
    enum class Opening { Replace, Append };

    // Creates (or empties) the file and switches logging on; false when the
    // file cannot be created or another log, of this process or another,
    // writes to it (logging then stays off, the file is left untouched and
    // refusal() says why). The file is held under an exclusive advisory
    // lock while logging.
    //
    // Before each line the log checks that its file is still the one its
    // path names: one deleted (no link left) or moved away is created
    // again at the path (appended to, should one be there already; a CSV
    // log starts with its header), and a note line records the gap.
    bool Start(const QString& path, Opening opening = Opening::Replace);
    void Stop();
    // On from Start() to Stop() or a failed write, also while its file is lost.
    bool active() const;
    Refusal refusal() const { return m_refusal; }
    // The latest notice, which is then forgotten.
    Notice TakeNotice() { return std::exchange(m_notice, Notice::None); }
    // The log's file, empty while not logging.
    QString path() const;
    // The format of the open log (Text while none is open).
    Format format() const { return m_format; }
    // Retry: whether writes fail at present, why (an errno), and how many
    // lines could not be written since they began to.
    bool stalled() const { return m_stall.lines > 0; }
    int stallError() const { return m_stall.error; }
    qint64 unwrittenLines() const { return m_stall.lines; }
    // "记录停止: <file>: 磁盘已满" while stalled, empty otherwise.
    QString StalledText(const QString& file) const;
    // The words for a write's errno: "磁盘已满" for ENOSPC.
    static QString WriteFailureReason(int error);

    // One poll result at `nowMs` (system clock, milliseconds since the
    // epoch; the interval counts whole seconds). `makeLine`
    // builds the line (without line end) and is only called when a line is
    // written. `makeHeader`, when given, builds the header row of a CSV log:
    // it goes before the line whenever it differs from the last one written
    // (the first line, or the window's columns changed meanwhile). The line
    // goes to the file at once.
    // `makeNote`, when given, makes a note line (a gap in the log) in the
    // form of a line without values; otherwise the note's text is its line.
    Outcome OnResult(bool ok, qint64 nowMs, const std::function<QString()>& makeLine,
                     const std::function<QString()>& makeHeader = {},
                     const std::function<QString(const QString& note)>& makeNote = {});

    // One result of `poll` at the current time, as a line of the log's
    // format; `aliasOf` names the CSV columns (an empty alias names a
    // column by its address).
    Outcome LogPoll(bool ok, const LogLine::Poll& poll, const QString& statusText,
                    const std::function<QString(int item)>& aliasOf);

    // The system clock in milliseconds since the epoch, which decides the
    // interval, the retries and the time of each line; tests set their own
    // clock (an empty function restores the system's) and get the previous
    // one back.
    static qint64 NowMs();
    using Clock = std::function<qint64()>;
    static Clock SetClockMs(Clock clock);

    static QString FileOpenErrorText();
    static QString WriteErrorText();
    // The reason of a refusal, to follow the file's name ("已被本程序的另一个窗口记录");
    // empty when the system's refusal has none to add.
    static QString RefusalText(Refusal refusal);
    // What the window's status band or the headless run's stderr says.
    static QString NoticeText(Notice notice, const QString& file);

private:
    bool openFile(const QString& path, bool append, bool* droppedCutLine);
    void closeFile();
    bool fileGone() const;
    bool ensureFile();
    bool append(const QByteArray& bytes);
    Outcome writeFailed(qint64 nowMs);

    Options m_options;
    std::unique_ptr<QFile> m_file;  // none while the file is lost
    // Kept here: a file opened on a descriptor forgets its name.
    QString m_path;
    // The open file's identity in the process-wide list of logged files.
    std::pair<unsigned long long, unsigned long long> m_fileId{};
    qint64 m_lastLogTime = 0;  // seconds
    bool m_restart = false;
    Format m_format = Format::Text;
    QString m_writtenHeader;
    Refusal m_refusal = Refusal::None;
    Notice m_notice = Notice::None;
    // Written before the next line: what the file lacks there.
    QString m_pendingNote;
    // Lines lost while the file could not be created again.
    int m_lostLines = 0;
    WriteFailure m_writeFailure = WriteFailure::StopLog;
    // errno of the last write that failed.
    int m_writeError = 0;
    // The lines the disk refused since writes began to fail: counted only,
    // with the times of the first and the last.
    struct Stall {
        qint64 lines = 0;
        int error = 0;
        qint64 firstMs = 0;
        qint64 lastMs = 0;
        qint64 triedMs = 0;
    } m_stall;
};

}  // namespace zentiq
