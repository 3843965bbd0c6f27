// The test center's list of saved frames: a text file whose first line is
// "TestCenter", followed by one frame text per line.
#pragma once

#include <QString>
#include <QStringList>

namespace zentiq {

class TestCenterListFile {
public:
    static constexpr int kMaxEntries = 100;
    // Lines longer than this are cut when read; such a frame text is far
    // beyond the 900 characters that Send accepts, so it stays refused.
    static constexpr int kMaxLineBytes = 16 * 1024;

    enum class Status { Ok, OpenFailed, NotListFile, WriteFailed };

    // Reads at most kMaxEntries frame lines after the header line. A header
    // other than exactly "TestCenter" (case matters) gives NotListFile and
    // no entries. Line ends may be LF or CR LF.
    static Status Load(const QString& path, QStringList* entries);
    // Writes the header and every entry, each followed by a line end.
    static Status Save(const QString& path, const QStringList& entries);

    // The message for a failed Load or Save.
    static QString StatusText(Status status);
};

}  // namespace zentiq
