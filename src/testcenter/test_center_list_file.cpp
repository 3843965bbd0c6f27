#include "testcenter/test_center_list_file.h"

#include <algorithm>

#include <QFile>

#include "framework/atomic_save.h"
#include "resources/strings.h"

namespace zentiq {
namespace {

const QLatin1String kHeader("TestCenter");

// One line without its line end, or a null array at the end of the file.
// Only the first kMaxLineBytes bytes of a longer line are kept.
QByteArray ReadLine(QFile& file) {
    QByteArray line;
    bool any = false;
    char chunk[4096];
    for (;;) {
        const qint64 got = file.readLine(chunk, sizeof chunk);
        if (got <= 0)
            break;
        any = true;
        const bool complete = chunk[got - 1] == '\n';
        const qint64 keep = std::min<qint64>(got, TestCenterListFile::kMaxLineBytes - line.size());
        if (keep > 0)
            line.append(chunk, static_cast<qsizetype>(keep));
        if (complete)
            break;
    }
    if (!any)
        return QByteArray();
    if (line.endsWith('\n'))
        line.chop(1);
    if (line.endsWith('\r'))
        line.chop(1);
    if (line.isNull())
        line = QByteArray("");
    return line;
}

}  // namespace

TestCenterListFile::Status TestCenterListFile::Load(const QString& path, QStringList* entries) {
    entries->clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Status::OpenFailed;
    QByteArray header = ReadLine(file);
    if (header.startsWith("\xEF\xBB\xBF"))
        header.remove(0, 3);
    if (header.isNull() || QString::fromUtf8(header) != kHeader)
        return Status::NotListFile;
    while (entries->size() < kMaxEntries) {
        const QByteArray line = ReadLine(file);
        if (line.isNull())
            break;
        entries->append(QString::fromUtf8(line));
    }
    return Status::Ok;
}

TestCenterListFile::Status TestCenterListFile::Save(const QString& path,
                                                    const QStringList& entries) {
    QByteArray bytes = QByteArray(kHeader.data(), kHeader.size()) + '\n';
    for (const QString& entry : entries) {
        bytes += entry.toUtf8();
        bytes += '\n';
    }
    switch (SaveAtomically(path, bytes)) {
    case SaveResult::Ok: return Status::Ok;
    case SaveResult::OpenFailed: return Status::OpenFailed;
    case SaveResult::WriteFailed: break;
    }
    return Status::WriteFailed;
}

QString TestCenterListFile::StatusText(Status status) {
    switch (status) {
    case Status::Ok: return QString();
    case Status::OpenFailed: return FileOpenErrorText();
    case Status::NotListFile: return QStringLiteral("This file is not a test center file");
    case Status::WriteFailed: break;
    }
    return DiskErrorText();
}

}  // namespace zentiq
