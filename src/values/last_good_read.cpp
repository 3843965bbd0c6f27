#include "values/last_good_read.h"

#include <QCoreApplication>
#include <QDateTime>

namespace zentiq {

QString LastGoodReadText(qint64 readMs, qint64 nowMs) {
    const QDateTime read = QDateTime::fromMSecsSinceEpoch(readMs);
    // A window left over night must not pass yesterday's value for today's.
    const bool today = read.date() == QDateTime::fromMSecsSinceEpoch(nowMs).date();
    const QString when = read.toString(today ? QStringLiteral("HH:mm:ss")
                                             : QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return QCoreApplication::translate("LastGoodRead", "最后一次成功读取 %1").arg(when);
}

}  // namespace zentiq
