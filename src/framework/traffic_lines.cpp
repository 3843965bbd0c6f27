#include "framework/traffic_lines.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "framework/atomic_save.h"
#include "resources/strings.h"

namespace zentiq {

TrafficLines::TrafficLines(int numberDigits, unsigned* counter)
    : m_digits(std::clamp(numberDigits, 1, 10)), m_counter(counter ? counter : &m_ownCounter) {}

QString TrafficLines::FormatLine(int numberDigits, unsigned number, Direction direction,
                                 const std::uint8_t* bytes, std::size_t count) {
    char head[32];
    std::snprintf(head, sizeof head, "%0*u-%s", std::clamp(numberDigits, 1, 10), number,
                  direction == Direction::Tx ? "Tx:" : "Rx:");
    std::string text(head);
    text.reserve(text.size() + 3 * count);
    static const char kHex[] = "0123456789ABCDEF";
    for (std::size_t i = 0; i < count; ++i) {
        text.push_back(kHex[bytes[i] >> 4]);
        text.push_back(kHex[bytes[i] & 0x0F]);
        text.push_back(' ');
    }
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

bool TrafficLines::Add(Direction direction, const std::uint8_t* bytes, std::size_t count) {
    m_droppedByLastAdd = 0;
    if (bytes == nullptr || count == 0)
        return false;
    m_lines.append(FormatLine(m_digits, (*m_counter)++, direction, bytes, count));
    if (m_lines.size() > kMaxLines) {
        m_lines.removeFirst();
        m_droppedByLastAdd = 1;
    }
    return true;
}

int TrafficLines::topIndexAfterAdd() const { return std::max(0, count() - 2); }

void TrafficLines::Clear() {
    m_lines.clear();
    m_droppedByLastAdd = 0;
}

QString TrafficLines::CopyText(const QStringList& lines, QList<int> selected) {
    std::sort(selected.begin(), selected.end());
    selected.erase(std::unique(selected.begin(), selected.end()), selected.end());
    QString text;
    int taken = 0;
    for (int index : selected) {
        if (index < 0 || index >= lines.size())
            continue;
        if (taken == kMaxCopiedLines)
            break;
        QString line = lines.at(index);
        qsizetype end = line.size();
        while (end > 0 && line.at(end - 1).isSpace())
            --end;
        line.truncate(end);
        text += line;
        text += QLatin1String("\r\n");
        ++taken;
    }
    return text;
}

TrafficLines::SaveStatus TrafficLines::SaveLines(const QString& path, const QStringList& lines) {
    QByteArray bytes;
    for (const QString& line : lines) {
        bytes += line.toUtf8();
        bytes += '\n';
    }
    switch (SaveAtomically(path, bytes)) {
    case SaveResult::Ok: return SaveStatus::Ok;
    case SaveResult::OpenFailed: return SaveStatus::OpenFailed;
    default: return SaveStatus::WriteFailed;
    }
}

QString TrafficLines::SaveStatusText(SaveStatus status) {
    switch (status) {
    case SaveStatus::Ok: return QString();
    case SaveStatus::OpenFailed: return FileOpenErrorText();
    case SaveStatus::WriteFailed: break;
    }
    return DiskErrorText();
}

unsigned& TrafficLines::MonitorCounter() {
    static unsigned counter = 0;
    return counter;
}

}  // namespace zentiq
