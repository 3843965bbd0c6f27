#include "documents/data_logger.h"

#include <algorithm>
#include <cerrno>
#include <mutex>
#include <set>

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

// A file that ends inside a line (a logger killed mid-write) gets its line
// end, so that what is appended starts a line of its own.
bool endLastLine(int fd, off_t size) {
    if (size == 0)
        return true;
    char last = 0;
    if (::pread(fd, &last, 1, size - 1) != 1)
        return false;
    return last == '\n' || ::write(fd, "\n", 1) == 1;
}

// Opens `path` for logging without emptying it yet. Non-blocking, so that a
// FIFO without a reader fails instead of hanging the window. -1 on failure
// or when another log holds the file.
int openExclusive(const QString& path, FileId& id, bool append) {
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
    if (rc != 0 && errno == EWOULDBLOCK)
        return giveUp();
    // Only the holder of the lock may empty the file, or end its last line.
    if (S_ISREG(st.st_mode) && !append && ::ftruncate(fd, 0) != 0)
        return giveUp();
    if (S_ISREG(st.st_mode) && append && !endLastLine(fd, st.st_size))
        return giveUp();
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags == -1 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == -1)
        return giveUp();
    return fd;
}

// Never destroyed, as the list of logged files.
DataLogger::Clock& logClock() {
    static auto* instance = new DataLogger::Clock;
    return *instance;
}

}  // namespace

std::time_t DataLogger::Now() { return logClock() ? logClock()() : std::time(nullptr); }

DataLogger::Clock DataLogger::SetClock(Clock newClock) {
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
    FileId id;
    const int fd = openExclusive(path, id, opening == Opening::Append);
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
        return false;
    }
    m_file = std::move(file);
    // A file opened on a descriptor forgets its name.
    m_path = path;
    m_fileId = id;
    m_format = FormatOf(path);
    m_writtenHeader.clear();
    return true;
}

void DataLogger::Stop() {
    if (m_file) {
        m_file->close();
        m_file.reset();
        std::lock_guard guard(loggedFilesLock());
        loggedFiles().erase(m_fileId);
    }
    m_path.clear();
    m_format = Format::Text;
}

bool DataLogger::active() const { return m_file != nullptr; }

QString DataLogger::path() const { return m_path; }

DataLogger::Outcome DataLogger::LogPoll(bool ok, const LogLine::Poll& poll,
                                        const QString& statusText,
                                        const std::function<QString(int item)>& aliasOf) {
    const std::time_t now = Now();
    const bool csv = m_format == Format::Csv;
    return OnResult(
        ok, now,
        [&] {
            return csv ? CsvLog::Row(now, poll, !ok, statusText)
                       : LogLine::Build(now, m_options.separator, poll, !ok, statusText);
        },
        [&] { return CsvLog::Header(poll, aliasOf); });
}

DataLogger::Outcome DataLogger::OnResult(bool ok, std::time_t now,
                                         const std::function<QString()>& makeLine,
                                         const std::function<QString()>& makeHeader) {
    if (!ok && !m_options.errors)
        return Outcome::NotQualified;
    if (!active()) {
        m_restart = true;
        return Outcome::Deferred;
    }
    bool write = true;
    if (m_options.mode == AtInterval) {
        // A clock set back would otherwise hold the log until it caught up.
        write = m_restart || now < m_lastLogTime || now - m_lastLogTime >= m_options.interval;
        if (write)
            m_lastLogTime = now;
    }
    m_restart = false;
    if (!write)
        return Outcome::Skipped;
    QString text;
    if (m_format == Format::Csv && makeHeader) {
        const QString header = makeHeader();
        if (header != m_writtenHeader) {
            text = header + QLatin1StringView(CsvText::kLineEnd);
            m_writtenHeader = header;
        }
    }
    text += makeLine ? makeLine() : QString();
    return WriteLine(text) ? Outcome::Written : Outcome::WriteFailed;
}

bool DataLogger::WriteLine(const QString& line) {
    // CSV rows end as RFC 4180 has it; the text log keeps its line feeds.
    const QByteArray bytes =
        line.toUtf8() +
        (m_format == Format::Csv ? QByteArray(CsvText::kLineEnd) : QByteArray("\n"));
    if (m_file->write(bytes) == bytes.size())
        return true;
    Stop();
    return false;
}

QString DataLogger::FileOpenErrorText() { return zentiq::FileOpenErrorText(); }
QString DataLogger::WriteErrorText() { return zentiq::DiskErrorText(); }

}  // namespace zentiq
