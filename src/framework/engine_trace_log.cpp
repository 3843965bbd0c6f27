#include "framework/engine_trace_log.h"

#include <QDateTime>
#include <atomic>
#include <cstring>

#include "engine/status_name.h"
#include "framework/log_categories.h"

namespace zentiq {
namespace {

std::atomic<std::uint64_t> g_formatted{0};

QString hexBytes(const std::uint8_t* bytes, std::size_t n) {
    if (bytes == nullptr || n == 0)
        return QStringLiteral("-");
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(bytes), static_cast<qsizetype>(n))
            .toHex(' ')
            .toUpper());
}

QString errnoText(int error) {
    return error == 0 ? QString()
                      : QStringLiteral(", errno %1 (%2)")
                            .arg(error)
                            .arg(QString::fromLocal8Bit(std::strerror(error)));
}

void toCategory(const TraceRecord& record) {
    if (!lcEngine().isDebugEnabled())
        return;
    qCDebug(lcEngine).noquote() << EngineTraceLine(record);
}

}  // namespace

QString EngineTraceLine(const TraceRecord& r) {
    g_formatted.fetch_add(1, std::memory_order_relaxed);
    const QString time =
        QDateTime::fromMSecsSinceEpoch(
            std::chrono::duration_cast<std::chrono::milliseconds>(r.began.time_since_epoch())
                .count())
            .toString(QStringLiteral("HH:mm:ss.zzz"));
    const QString ms = QString::number(static_cast<double>(r.elapsed.count()) / 1000.0, 'f', 1);
    if (r.kind == TraceRecord::Kind::Open) {
        const QString line = QString::fromLocal8Bit(r.line != nullptr ? r.line : "");
        return r.status == 0
                   ? QStringLiteral("%1 open %2: ok, %3 ms").arg(time, line, ms)
                   : QStringLiteral("%1 open %2: failed (%3), %4 ms%5")
                         .arg(time, line, QString::number(r.status), ms, errnoText(r.error));
    }
    return QStringLiteral("%1 slot %2 %3 %4 ms >> %5 << %6%7")
        .arg(time, QString::number(r.slot),
             QString::fromStdString(StatusName(static_cast<EngineStatus>(r.status))), ms,
             hexBytes(r.request, r.requestLength), hexBytes(r.answer, r.answerLength),
             errnoText(r.error));
}

void InstallEngineTraceLog() { SetTraceCallback(&toCategory); }

std::uint64_t EngineTraceLinesFormatted() { return g_formatted.load(std::memory_order_relaxed); }

}  // namespace zentiq
