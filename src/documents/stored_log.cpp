#include "documents/stored_log.h"

#include <QFileInfo>
#include <QList>
#include <utility>

#include "framework/settings_store.h"
#include "values/log_line.h"

namespace zentiq {
namespace {

const QString kSection = QStringLiteral("Data Logs");

QString key(const char* name, int n) { return QString::fromLatin1(name) + QString::number(n); }

QString absolute(const QString& path) {
    return path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
}

using Entry = std::pair<QString, StoredLog::Record>;

// Entries 1..kMaxEntries up to the first gap; unusable ones are skipped.
QList<Entry> readAll(const SettingsStore& store) {
    QList<Entry> entries;
    for (int n = 1; n <= StoredLog::kMaxEntries; ++n) {
        const QString document = store.GetString(kSection, key("Document", n), QString());
        if (document.isEmpty())
            break;
        StoredLog::Record r;
        r.file = store.GetString(kSection, key("File", n), QString());
        r.options.mode = store.GetInt(kSection, key("Mode", n), -1);
        r.options.interval = store.GetInt(kSection, key("Interval", n), -1);
        r.options.separator = store.GetInt(kSection, key("Separator", n), -1);
        const int errors = store.GetInt(kSection, key("Errors", n), -1);
        r.options.errors = errors == 1;
        const bool usable =
            !r.file.isEmpty() &&
            (r.options.mode == DataLogger::EveryPoll || r.options.mode == DataLogger::AtInterval) &&
            r.options.interval >= 1 && r.options.interval <= 3600 &&
            r.options.separator >= LogLine::FixedWidth && r.options.separator <= LogLine::Tab &&
            (errors == 0 || errors == 1);
        if (usable)
            entries.append({document, r});
    }
    return entries;
}

}  // namespace

std::optional<StoredLog::Record> StoredLog::Find(const SettingsStore& store,
                                                 const QString& documentPath) {
    const QString wanted = absolute(documentPath);
    if (wanted.isEmpty())
        return std::nullopt;
    for (const Entry& entry : readAll(store))
        if (entry.first == wanted)
            return entry.second;
    return std::nullopt;
}

void StoredLog::Remember(SettingsStore& store, const QString& documentPath, const Record& record) {
    const QString document = absolute(documentPath);
    if (document.isEmpty() || record.file.isEmpty())
        return;
    QList<Entry> entries = readAll(store);
    entries.removeIf([&](const Entry& e) { return e.first == document; });
    entries.prepend({document, {absolute(record.file), record.options}});
    while (entries.size() > kMaxEntries)
        entries.removeLast();
    for (int n = 1; n <= entries.size(); ++n) {
        const Entry& entry = entries[n - 1];
        store.SetString(kSection, key("Document", n), entry.first);
        store.SetString(kSection, key("File", n), entry.second.file);
        store.SetInt(kSection, key("Mode", n), entry.second.options.mode);
        store.SetInt(kSection, key("Interval", n), entry.second.options.interval);
        store.SetInt(kSection, key("Separator", n), entry.second.options.separator);
        store.SetInt(kSection, key("Errors", n), entry.second.options.errors ? 1 : 0);
    }
    // The list ends at the first empty document; what lies beyond is stale.
    if (entries.size() < kMaxEntries)
        store.SetString(kSection, key("Document", int(entries.size()) + 1), QString());
    store.Sync();
}

}  // namespace zentiq
