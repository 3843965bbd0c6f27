#include "app/activation_file.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace zentiq::activation_file {

namespace {

const QString kServiceName = QStringLiteral("Zentiq.Document");

// The bus splits an Exec line the way a shell does; a path made only of
// these characters needs no quoting.
bool isPlain(const QString& path) {
    for (const QChar c : path) {
        const bool plain = (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
                           (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
                           (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
                           QStringLiteral("/._+-,:@").contains(c);
        if (!plain)
            return false;
    }
    return !path.isEmpty();
}

// Single quotes keep everything literal; a quote inside ends the quoted
// part, adds an escaped quote and opens a new one.
QString quoted(const QString& path) {
    QString escaped = path;
    escaped.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + escaped + QLatin1Char('\'');
}

}  // namespace

QString ServicesDir() {
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (dataHome.isEmpty() || QDir::isRelativePath(dataHome))
        dataHome = QDir::homePath() + QStringLiteral("/.local/share");
    return QDir::cleanPath(dataHome + QStringLiteral("/dbus-1/services"));
}

QString FileName() { return kServiceName + QStringLiteral(".service"); }

QString Contents(const QString& programPath) {
    if (programPath.isEmpty() || programPath.contains(QLatin1Char('\n')) ||
        programPath.contains(QLatin1Char('\r')))
        return {};
    QString program = isPlain(programPath) ? programPath : quoted(programPath);
    // The file itself is read with desktop-entry escapes, where a backslash
    // starts one.
    program.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    return QStringLiteral("[D-BUS Service]\nName=%1\nExec=%2 --automation\n")
        .arg(kServiceName, program);
}

bool Write(const QString& dir, const QString& programPath, QString* error) {
    const QString text = Contents(programPath);
    if (text.isEmpty()) {
        if (error != nullptr)
            *error = QStringLiteral("the program path %1 cannot be named in an activation file")
                         .arg(programPath);
        return false;
    }
    const QString path = QDir(dir).filePath(FileName());
    const QByteArray bytes = text.toUtf8();
    {
        QFile current(path);
        if (current.open(QIODevice::ReadOnly) && current.readAll() == bytes)
            return true;
    }
    if (!QDir().mkpath(dir)) {
        if (error != nullptr)
            *error = QStringLiteral("the folder %1 could not be made").arg(dir);
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error != nullptr)
            *error = QStringLiteral("%1 could not be written: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

}  // namespace zentiq::activation_file
