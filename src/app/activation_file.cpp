#include "app/activation_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
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

// Desktop-entry escapes of a key file's value.
QString unescapeValue(const QString& value) {
    QString out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c != QLatin1Char('\\') || i + 1 == value.size()) {
            out += c;
            continue;
        }
        const QChar next = value[++i];
        switch (next.unicode()) {
        case 's': out += QLatin1Char(' '); break;
        case 'n': out += QLatin1Char('\n'); break;
        case 't': out += QLatin1Char('\t'); break;
        case 'r': out += QLatin1Char('\r'); break;
        default: out += next; break;
        }
    }
    return out;
}

// The first word of a command line split as a shell does: single quotes
// keep everything, double quotes let a backslash escape " \ $ `, a bare
// backslash escapes any character. Empty for an unterminated quote.
QString firstWord(const QString& line) {
    QString word;
    qsizetype i = 0;
    while (i < line.size() && line[i].isSpace())
        ++i;
    for (; i < line.size() && !line[i].isSpace(); ++i) {
        const QChar c = line[i];
        if (c == QLatin1Char('\'')) {
            const qsizetype end = line.indexOf(QLatin1Char('\''), i + 1);
            if (end < 0)
                return {};
            word += line.mid(i + 1, end - i - 1);
            i = end;
        } else if (c == QLatin1Char('"')) {
            for (++i;; ++i) {
                if (i >= line.size())
                    return {};
                const QChar d = line[i];
                if (d == QLatin1Char('"'))
                    break;
                if (d == QLatin1Char('\\') && i + 1 < line.size() &&
                    QStringLiteral("\"\\$`").contains(line[i + 1]))
                    word += line[++i];
                else
                    word += d;
            }
        } else if (c == QLatin1Char('\\') && i + 1 < line.size()) {
            word += line[++i];
        } else {
            word += c;
        }
    }
    return word;
}

QString readText(const QString& path) {
    QFile file(path);
    // Activation files are a few lines; anything larger is not one.
    if (!file.open(QIODevice::ReadOnly) || file.size() > 64 * 1024)
        return {};
    return QString::fromUtf8(file.readAll());
}

// The same binary, through whatever links lead to it.
bool sameProgram(const QString& a, const QString& b) {
    if (a.isEmpty() || b.isEmpty())
        return false;
    const QString canonicalA = QFileInfo(a).canonicalFilePath();
    const QString canonicalB = QFileInfo(b).canonicalFilePath();
    if (!canonicalA.isEmpty() && !canonicalB.isEmpty())
        return canonicalA == canonicalB;
    return QDir::cleanPath(a) == QDir::cleanPath(b);
}

QString userFilePath() { return QDir(ServicesDir()).filePath(FileName()); }

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
            *error = QCoreApplication::translate("zentiq::activation_file",
                                                 "程序路径 %1 无法写入激活文件")
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
            *error = QCoreApplication::translate("zentiq::activation_file", "无法创建文件夹 %1")
                         .arg(dir);
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error != nullptr)
            *error = QCoreApplication::translate("zentiq::activation_file", "%1 无法写入：%2")
                         .arg(path, file.errorString());
        return false;
    }
    return true;
}

QString ExecProgram(const QString& fileText) {
    const QStringList lines = fileText.split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals > 0 && line.left(equals).trimmed() == QLatin1String("Exec"))
            return firstWord(unescapeValue(line.mid(equals + 1).trimmed()));
    }
    return {};
}

QString SystemFilePath() {
    QString dirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dirs.isEmpty())
        dirs = QStringLiteral("/usr/local/share:/usr/share");
    for (const QString& dir : dirs.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        if (QDir::isRelativePath(dir))
            continue;  // not a place the bus looks
        const QString path =
            QDir::cleanPath(dir + QStringLiteral("/dbus-1/services/") + FileName());
        if (QFileInfo(path).isFile())
            return path;
    }
    return {};
}

Action Decide(const StartKind& start, const QString& programPath) {
    if (start.automation || start.privateSettings || start.printing)
        return Action::Leave;
    // A test or a benchmark that hosts the application object is not the
    // program the bus should start.
    if (QFileInfo(programPath).fileName() != QLatin1String("zentiq"))
        return Action::Leave;
    const QString system = SystemFilePath();
    if (system.isEmpty() || !sameProgram(ExecProgram(readText(system)), programPath))
        return Action::Write;
    const QString user = readText(userFilePath());
    const QString userProgram = ExecProgram(user);
    // Only a file as this program writes it: one the user edited stays.
    if (!userProgram.isEmpty() && user == Contents(userProgram) &&
        !sameProgram(userProgram, programPath))
        return Action::RemoveStale;
    return Action::Leave;
}

bool Apply(const StartKind& start, const QString& programPath, QString* error) {
    switch (Decide(start, programPath)) {
    case Action::Leave: return true;
    case Action::Write: return Write(ServicesDir(), programPath, error);
    case Action::RemoveStale:
        if (QFile file(userFilePath()); !file.remove()) {
            if (error != nullptr)
                *error = QCoreApplication::translate("zentiq::activation_file", "%1 无法删除：%2")
                             .arg(file.fileName(), file.errorString());
            return false;
        }
        return true;
    }
    return true;
}

}  // namespace zentiq::activation_file
