// Where each document of a run without windows logs, and how: to the file
// and with the options last used for it in the program's windows, or, with
// a log folder, to a file of its own there, named after the document.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "documents/data_logger.h"

namespace zentiq {

class SettingsStore;

struct HeadlessLog {
    QString file;  // empty: the document polls without a log
    DataLogger::Options options;
};

class HeadlessLogPlan {
public:
    // One entry per document, in their order. With `logDir` every document
    // gets "<name>.txt" there, or "<name>.csv" when its stored log was CSV;
    // names that two documents share get "-2", "-3", ... Without it, the
    // stored log of each document, if any.
    static QList<HeadlessLog> Assign(const SettingsStore& store, const QStringList& documents,
                                     const QString& logDir);
};

}  // namespace zentiq
