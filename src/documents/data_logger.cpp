#include "documents/data_logger.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <set>

#include <QDateTime>
#include <QFile>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "resources/strings.h"
#include "values/csv_log.h"
#include "values/csv_text.h"

namespace zentiq {
namespace {

using FileId = std::pair<unsigned long long, unsigned long long>;

// Files this process logs to, by device and inode, so that a second window
// is refused even where the file system ignores advisory locks. Never
// destroyed: the logs are closed from an exit handler (the display lost),
// which runs after the destructors of statics made later than it was
// registered, as this one is, at the first log.
std::set<FileId>& loggedFiles() {
    static auto* files = new std::set<FileId>;
    return *files;
}

std::mutex& loggedFilesLock() {
    static auto* lock = new std::mutex;
    return *lock;
}

// A file that ends inside a line (a logger killed mid-write, a full disk)
// loses that line: its last field may be cut inside a number, and "10" cut
// from "1009" would read as a value. A CSV row that lost only the "\n" of
// its "\r\n" is whole and gets it back. `dropped`: a line was left out.
bool endCleanly(int fd, off_t size, bool& dropped) {
    dropped = false;
    if (size == 0)
        return true;
    char last = 0;
    if (::pread(fd, &last, 1, size - 1) != 1)
        return false;
    if (last == '\n')
        return true;
    if (last == '\r')
        return ::write(fd, "\n", 1) == 1;
    dropped = true;
    char buffer[4096];
    for (off_t end = size; end > 0;) {
        const off_t begin = std::max<off_t>(0, end - off_t(sizeof buffer));
        const ssize_t n = ::pread(fd, buffer, std::size_t(end - begin), begin);
        if (n != end - begin)
            return false;
        for (ssize_t i = n - 1; i >= 0; --i)
            if (buffer[i] == '\n')
                return ::ftruncate(fd, begin + i + 1) == 0;
        end = begin;
    }
    return ::ftruncate(fd, 0) == 0;
}

using Refusal = DataLogger::Refusal;

// Opens `path` for logging without emptying it yet. Non-blocking, so that a
// FIFO without a reader fails instead of hanging the window. -1 on failure
// or when another log holds the file, with the reason in `refusal`.
int openExclusive(const QString& path, FileId& id, bool append, Refusal& refusal, bool& dropped) {
    refusal = Refusal::CannotOpen;
    dropped = false;
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(),
                          (append ? O_RDWR | O_APPEND : O_WRONLY) | O_CREAT | O_CLOEXEC |
                              O_NOCTTY | O_NONBLOCK,
                          0666);
    if (fd < 0)
        return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return -1;
    }
    id = {static_cast<unsigned long long>(st.st_dev), static_cast<unsigned long long>(st.st_ino)};
    {
        std::lock_guard guard(loggedFilesLock());
        if (!loggedFiles().insert(id).second) {
            ::close(fd);
            refusal = Refusal::LoggedHere;
            return -1;
        }
    }
    const auto giveUp = [&] {
        std::lock_guard guard(loggedFilesLock());
        loggedFiles().erase(id);
        ::close(fd);
        return -1;
    };
    // flock locks belong to the open file, so another Zentiq and another
    // window of this one are both refused. File systems without flock
    // support (ENOLCK, EINVAL) log unlocked, as before.
    int rc;
    do {
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0 && errno == EWOULDBLOCK) {
        refusal = Refusal::LoggedElsewhere;
        return giveUp();
    }
    // Only the holder of the lock may empty the file, or end its last line.
    if (S_ISREG(st.st_mode) && !append && ::ftruncate(fd, 0) != 0)
        return giveUp();
    if (S_ISREG(st.st_mode) && append && !endCleanly(fd, st.st_size, dropped))
        return giveUp();
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags == -1 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == -1)
        return giveUp();
    refusal = Refusal::None;
    return fd;
}

// Whole seconds of a time in milliseconds, also before 1970.
qint64 floorSeconds(qint64 ms) { return ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000); }

// Never destroyed, as the list of logged files.
DataLogger::Clock& logClock() {
    static auto* instance = new DataLogger::Clock;
    return *instance;
}

}  // namespace

qint64 DataLogger::NowMs() {
    return logClock() ? logClock()() : QDateTime::currentMSecsSinceEpoch();
}

DataLogger::Clock DataLogger::SetClockMs(Clock newClock) {
    Clock previous = logClock();
    logClock() = std::move(newClock);
    return previous;
}

DataLogger::DataLogger() = default;
DataLogger::~DataLogger() { Stop(); }

void DataLogger::setOptions(const Options& options) {
    m_options = options;
    m_options.interval = std::clamp(m_options.interval, 1, 3600);
}

DataLogger::Format DataLogger::FormatOf(const QString& path) {
    return path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive) ? Format::Csv : Format::Text;
}

bool DataLogger::Start(const QString& path, Opening opening) {
    Stop();
    bool dropped = false;
    if (!openFile(path, opening == Opening::Append, &dropped))
        return false;
    m_path = path;
    m_format = FormatOf(path);
    if (dropped) {
        m_notice = Notice::CutLineDropped;
        m_pendingNote = tr("上次的记录在一行的中途结束，这一行已删去");
    }
    return true;
}

bool DataLogger::openFile(const QString& path, bool append, bool* droppedCutLine) {
    FileId id;
    const int fd = openExclusive(path, id, append, m_refusal, *droppedCutLine);
    if (fd < 0)
        return false;
    auto file = std::make_unique<QFile>(path);
    // Unbuffered: every line reaches the file at once, and a write that the
    // disk cuts short is seen as such. Closing the file drops the lock.
    if (!file->open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered,
                    QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        std::lock_guard guard(loggedFilesLock());
        loggedFiles().erase(id);
        m_refusal = Refusal::CannotOpen;
        return false;
    }
    m_file = std::move(file);
    m_fileId = id;
    m_writtenHeader.clear();
    return true;
}

void DataLogger::closeFile() {
    if (!m_file)
        return;
    m_file->close();
    m_file.reset();
    std::lock_guard guard(loggedFilesLock());
    loggedFiles().erase(m_fileId);
}

void DataLogger::Stop() {
    closeFile();
    m_path.clear();
    m_format = Format::Text;
    m_notice = Notice::None;
    m_pendingNote.clear();
    m_lostLines = 0;
    m_stall = {};
}

// Regular files only: a device or a FIFO is where its name leads.
bool DataLogger::fileGone() const {
    struct stat held {};
    if (::fstat(m_file->handle(), &held) != 0 || !S_ISREG(held.st_mode))
        return false;
    if (held.st_nlink == 0)
        return true;
    struct stat named {};
    if (::stat(QFile::encodeName(m_path).constData(), &named) != 0)
        return errno == ENOENT || errno == ENOTDIR;
    return named.st_dev != held.st_dev || named.st_ino != held.st_ino;
}

// The log's file, open under its path: false when it is lost and cannot be
// created again.
bool DataLogger::ensureFile() {
    if (m_file && !fileGone())
        return true;
    const bool wasOpen = m_file != nullptr;
    closeFile();
    bool dropped = false;
    if (!openFile(m_path, true, &dropped)) {
        ++m_lostLines;
        if (wasOpen)
            m_notice = Notice::FileLost;
        return false;
    }
    m_notice = Notice::FileRecreated;
    m_pendingNote =
        m_lostLines == 0
            ? tr("记录文件被删除或移走，已重新创建")
            : tr("记录文件被删除或移走，已重新创建；%1 行未能记录").arg(m_lostLines);
    m_lostLines = 0;
    return true;
}

bool DataLogger::active() const { return !m_path.isEmpty(); }

QString DataLogger::path() const { return m_path; }

DataLogger::Outcome DataLogger::LogPoll(bool ok, const LogLine::Poll& poll,
                                        const QString& statusText,
                                        const std::function<QString(int item)>& aliasOf) {
    const qint64 nowMs = NowMs();
    const std::time_t seconds = static_cast<std::time_t>(floorSeconds(nowMs));
    const bool csv = m_format == Format::Csv;
    const bool dated = m_options.dated;
    const int separator = m_options.separator;
    return OnResult(
        ok, nowMs,
        [&] {
            return csv ? CsvLog::Row(nowMs, poll, !ok, statusText)
                       : LogLine::Build(seconds, separator, poll, !ok, statusText, dated);
        },
        [&] { return CsvLog::Header(poll, aliasOf); },
        [&](const QString& note) {
            // A line without values, as a failed poll's: nothing in it reads as one.
            return csv ? CsvLog::Row(nowMs, poll, true, note)
                       : LogLine::Build(seconds, separator, poll, true, note, dated);
        });
}

DataLogger::Outcome DataLogger::OnResult(bool ok, qint64 nowMs,
                                         const std::function<QString()>& makeLine,
                                         const std::function<QString()>& makeHeader,
                                         const std::function<QString(const QString&)>& makeNote) {
    if (!ok && !m_options.errors && m_format != Format::Csv)
        return Outcome::NotQualified;
    if (!active()) {
        m_restart = true;
        return Outcome::Deferred;
    }
    bool write = true;
    if (m_options.mode == AtInterval) {
        const qint64 now = floorSeconds(nowMs);
        // A clock set back would otherwise hold the log until it caught up.
        write = m_restart || now < m_lastLogTime || now - m_lastLogTime >= m_options.interval;
        if (write)
            m_lastLogTime = now;
    }
    m_restart = false;
    if (!write)
        return Outcome::Skipped;
    // A disk that refused the last try is not asked again within the second
    // (nor is the line built): the line is only counted.
    if (stalled() && nowMs >= m_stall.triedMs && nowMs - m_stall.triedMs < kRetryMs) {
        ++m_stall.lines;
        m_stall.lastMs = nowMs;
        return Outcome::Stalled;
    }
    if (!ensureFile())
        return Outcome::Lost;
    const QLatin1StringView lineEnd(m_format == Format::Csv ? CsvText::kLineEnd : "\n");
    QString text, header;
    if (m_format == Format::Csv && makeHeader) {
        header = makeHeader();
        if (header != m_writtenHeader)
            text = header + lineEnd;
    }
    const auto note = [&](const QString& words) {
        text += (makeNote ? makeNote(words) : words) + lineEnd;
    };
    if (!m_pendingNote.isEmpty())
        note(m_pendingNote);
    if (stalled()) {
        const auto time = [](qint64 ms) {
            return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("HH:mm:ss.zzz"));
        };
        note(tr("记录中断 %1 – %2，%3 行未能写入")
                 .arg(time(m_stall.firstMs), time(m_stall.lastMs))
                 .arg(m_stall.lines));
    }
    text += makeLine ? makeLine() : QString();
    text += lineEnd;
    if (!append(text.toUtf8()))
        return writeFailed(nowMs);
    if (!header.isEmpty())
        m_writtenHeader = header;
    m_pendingNote.clear();
    if (stalled()) {
        m_stall = {};
        m_notice = Notice::WriteResumed;
    }
    return Outcome::Written;
}

DataLogger::Outcome DataLogger::writeFailed(qint64 nowMs) {
    if (m_writeFailure == WriteFailure::StopLog) {
        Stop();
        return Outcome::WriteFailed;
    }
    if (!stalled()) {
        m_stall.firstMs = nowMs;
        m_notice = Notice::WriteStalled;
    }
    ++m_stall.lines;
    m_stall.lastMs = nowMs;
    m_stall.triedMs = nowMs;
    m_stall.error = m_writeError;
    return Outcome::Stalled;
}

// Appends the bytes whole or not at all: what a write the disk cut short
// left is taken back, so that no piece of a line ("…,1008,10" of
// "…,1008,1009") stays to be read as a value.
bool DataLogger::append(const QByteArray& bytes) {
    const int fd = m_file->handle();
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, std::size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        m_writeError = n < 0 ? errno : ENOSPC;
        struct stat st {};
        if (done > 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= done) {
            // The offset too, for a file opened without O_APPEND.
            if (::ftruncate(fd, st.st_size - done) == 0)
                ::lseek(fd, st.st_size - done, SEEK_SET);
        }
        return false;
    }
    return true;
}

QString DataLogger::WriteFailureReason(int error) {
    switch (error) {
    case ENOSPC: return tr("磁盘已满");
    case EDQUOT: return tr("超出磁盘配额");
    case EFBIG: return tr("文件已达到允许的最大长度");
    case EROFS: return tr("文件系统只读");
    case EIO: return tr("磁盘读写错误");
    default: break;
    }
    return QString::fromLocal8Bit(std::strerror(error));
}

QString DataLogger::StalledText(const QString& file) const {
    return stalled() ? tr("记录停止: %1: %2").arg(file, WriteFailureReason(m_stall.error))
                     : QString();
}

QString DataLogger::FileOpenErrorText() { return zentiq::FileOpenErrorText(); }
QString DataLogger::WriteErrorText() { return zentiq::DiskErrorText(); }

QString DataLogger::RefusalText(Refusal refusal) {
    switch (refusal) {
    case Refusal::LoggedHere: return tr("已被本程序的另一个窗口记录");
    case Refusal::LoggedElsewhere: return tr("已被另一个进程记录");
    case Refusal::None:
    case Refusal::CannotOpen: break;
    }
    return QString();
}

QString DataLogger::NoticeText(Notice notice, const QString& file) {
    switch (notice) {
    case Notice::CutLineDropped:
        return tr("记录文件 %1 的最后一行不完整（程序曾中断或磁盘已满），已删去。").arg(file);
    case Notice::FileRecreated:
        return tr("记录文件 %1 被删除或移走，已重新创建。").arg(file);
    case Notice::FileLost:
        return tr("记录文件 %1 被删除或移走，且无法重新创建：在能重新创建之前，各行都会丢失。").arg(file);
    case Notice::WriteStalled:
        return tr("记录文件 %1 无法写入：每秒重试一次，在能写入之前的各行只计数。").arg(file);
    case Notice::WriteResumed:
        return tr("记录文件 %1 又能写入了，中断已记入文件。").arg(file);
    case Notice::None: break;
    }
    return QString();
}

}  // namespace zentiq
