#include "app/headless_helper.h"

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

namespace zentiq {

QStringList HeadlessHelper::Candidates(const QString& programDir) {
    const QString name = QString::fromLatin1(kFileName);
    const QDir dir(programDir);
    // ZENTIQ_HELPER_FROM_BINDIR is the libexec folder seen from the bin
    // folder of the install ("../libexec/zentiq").
    return {QDir::cleanPath(dir.filePath(name)),
            QDir::cleanPath(dir.filePath(QStringLiteral(ZENTIQ_HELPER_FROM_BINDIR "/") + name))};
}

QString HeadlessHelper::Find(const QString& programDir) {
    for (const QString& candidate : Candidates(programDir)) {
        const QFileInfo info(candidate);
        if (info.isFile() && info.isExecutable())
            return candidate;
    }
    return QString();
}

QString HeadlessHelper::ProgramDir() {
    const QString exe = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
    return exe.isEmpty() ? QString() : QFileInfo(exe).absolutePath();
}

HeadlessHelper::Failure HeadlessHelper::Exec(char** argv) {
    Failure failure;
    const QString dir = ProgramDir();
    const QString program = Find(dir);
    if (program.isEmpty()) {
        failure.searched = Candidates(dir);
        return failure;
    }
    const QByteArray path = QFile::encodeName(program);
    ::execv(path.constData(), argv);
    failure.program = program;
    failure.error = errno;
    return failure;
}

QString HeadlessHelper::FailureText(const Failure& failure) {
    if (failure.program.isEmpty())
        return tr("找不到无窗口运行的程序 %1，查找过：%2。请重新安装 Zentiq。")
            .arg(QString::fromLatin1(kFileName),
                 QDir::toNativeSeparators(failure.searched.join(QStringLiteral(", "))));
    return tr("无法启动 %1：%2")
        .arg(QDir::toNativeSeparators(failure.program),
             QString::fromLocal8Bit(std::strerror(failure.error)));
}

}  // namespace zentiq
