#include "app/headless_log_plan.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

#include "documents/stored_log.h"

namespace zentiq {

QList<HeadlessLog> HeadlessLogPlan::Assign(const SettingsStore& store, const QStringList& documents,
                                           const QString& logDir) {
    QList<HeadlessLog> logs;
    QSet<QString> taken;
    const QDir dir(logDir);
    for (const QString& document : documents) {
        const std::optional<StoredLog::Record> stored = StoredLog::Find(store, document);
        HeadlessLog log;
        if (stored)
            log.options = stored->options;
        if (logDir.isEmpty()) {
            if (stored)
                log.file = stored->file;
            logs << log;
            continue;
        }
        const bool csv = stored && DataLogger::FormatOf(stored->file) == DataLogger::Format::Csv;
        const QString extension = csv ? QStringLiteral(".csv") : QStringLiteral(".txt");
        QString base = QFileInfo(document).completeBaseName();
        if (base.isEmpty())
            base = QStringLiteral("log");
        QString name = base + extension;
        for (int n = 2; taken.contains(name.toLower()); ++n)
            name = QStringLiteral("%1-%2%3").arg(base).arg(n).arg(extension);
        // Compared without case: a folder on a FAT stick takes "Pump" for "pump".
        taken.insert(name.toLower());
        log.file = dir.absoluteFilePath(name);
        logs << log;
    }
    return logs;
}

}  // namespace zentiq
