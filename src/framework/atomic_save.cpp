#include "framework/atomic_save.h"

#include <QSaveFile>

namespace zentiq {

SaveResult SaveAtomically(const QString& path, const QByteArray& bytes, QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        if (error)
            *error = file.errorString();
        return SaveResult::OpenFailed;
    }
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        return SaveResult::WriteFailed;
    }
    return SaveResult::Ok;
}

}  // namespace zentiq
