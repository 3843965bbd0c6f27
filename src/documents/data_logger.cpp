#include "documents/data_logger.h"

#include <algorithm>

#include <QFile>

namespace zentiq {
namespace {

DataLogger::Clock& logClock() {
    static DataLogger::Clock instance;
    return instance;
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

bool DataLogger::Start(const QString& path) {
    Stop();
    auto file = std::make_unique<QFile>(path);
    // Unbuffered: every line reaches the file at once, and a write that the
    // disk cuts short is seen as such.
    if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) return false;
    m_file = std::move(file);
    return true;
}

void DataLogger::Stop() {
    if (m_file) {
        m_file->close();
        m_file.reset();
    }
}

bool DataLogger::active() const { return m_file != nullptr; }

DataLogger::Outcome DataLogger::OnResult(bool ok, std::time_t now,
                                         const std::function<QString()>& makeLine) {
    if (!ok && !m_options.errors) return Outcome::NotQualified;
    if (!active()) {
        m_restart = true;
        return Outcome::Deferred;
    }
    bool write = true;
    if (m_options.mode == AtInterval) {
        // A clock set back would otherwise hold the log until it caught up.
        write = m_restart || now < m_lastLogTime || now - m_lastLogTime >= m_options.interval;
        if (write) m_lastLogTime = now;
    }
    m_restart = false;
    if (!write) return Outcome::Skipped;
    return WriteLine(makeLine ? makeLine() : QString()) ? Outcome::Written : Outcome::WriteFailed;
}

bool DataLogger::WriteLine(const QString& line) {
    const QByteArray bytes = line.toUtf8() + '\n';
    if (m_file->write(bytes) == bytes.size()) return true;
    Stop();
    return false;
}

QString DataLogger::FileOpenErrorText() { return QStringLiteral("File open error"); }
QString DataLogger::WriteErrorText() { return QStringLiteral("Disk full or disk error"); }

}  // namespace zentiq
