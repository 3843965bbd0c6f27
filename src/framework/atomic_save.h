// Writes a whole file so that a failure never leaves a half-written file in
// place of a good one.
#pragma once

#include <QByteArray>
#include <QString>

namespace zentiq {

enum class SaveResult { Ok, OpenFailed, WriteFailed };

// Through QSaveFile, unbuffered: a buffered save file loses a write that the
// disk cut short on its way to commit() and reports success.
SaveResult SaveAtomically(const QString& path, const QByteArray& bytes, QString* error = nullptr);

}  // namespace zentiq
