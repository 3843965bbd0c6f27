// The data log last started for each poll document file, kept in the
// settings store's group "Data Logs" so that a later run without windows
// (zentiq --headless) logs the document to the same file in the same way.
// The document file itself stays as it is.
#pragma once

#include <QString>
#include <optional>

#include "documents/data_logger.h"

namespace zentiq {

class SettingsStore;

class StoredLog {
public:
    // The most recent documents are kept, the oldest dropped beyond this.
    static constexpr int kMaxEntries = 64;

    struct Record {
        QString file;  // absolute path of the log file
        DataLogger::Options options;
        bool operator==(const Record& other) const {
            return file == other.file && options.mode == other.options.mode &&
                   options.interval == other.options.interval &&
                   options.separator == other.options.separator &&
                   options.errors == other.options.errors;
        }
    };

    // The record of a document file (compared as absolute paths); none when
    // the document was never logged or its record is unusable.
    static std::optional<Record> Find(const SettingsStore& store, const QString& documentPath);
    // Makes `record` the document's, first in the group.
    static void Remember(SettingsStore& store, const QString& documentPath, const Record& record);
};

}  // namespace zentiq
