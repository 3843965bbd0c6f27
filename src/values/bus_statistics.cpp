#include "values/bus_statistics.h"

#include <algorithm>

#include "values/csv_text.h"

namespace zentiq {
namespace {

constexpr double kUsPerMs = 1000.0;
constexpr double kUsPerSecond = 1000000.0;

QString Number(const std::optional<double>& value, int decimals) {
    return value ? QString::number(*value, 'f', decimals) : QString();
}

std::optional<double> Ms(std::uint64_t us, bool known) {
    if (!known) return std::nullopt;
    return static_cast<double>(us) / kUsPerMs;
}

QString AddressRange(const PollWindowRequest& r) {
    const long long first = static_cast<long long>(r.address) + r.oneBased;
    if (r.quantity <= 1) return QString::number(first);
    return QStringLiteral("%1-%2").arg(first).arg(first + r.quantity - 1);
}

QString FunctionText(int function) { return QString::asprintf("%02d", function); }

}  // namespace

std::optional<double> BusStatistics::AchievedPerSecond(const SlotTiming& t, bool polling) {
    if (t.transactions < 2 || t.spanUs == 0) return std::nullopt;
    const double periods = t.transactions - 1;
    const double span = static_cast<double>(t.spanUs);
    if (polling && static_cast<double>(t.sinceLastUs) * periods > span)
        return t.transactions * kUsPerSecond / (span + static_cast<double>(t.sinceLastUs));
    return periods * kUsPerSecond / span;
}

BusStatisticsRow BusStatistics::Row(const PollWindowRequest& request, const SlotTiming& t) {
    BusStatisticsRow row;
    row.request = request;
    row.transactions = t.transactions;
    row.answered = t.answered;
    if (request.scanRate > 0) row.requestedPerSecond = kUsPerMs / request.scanRate;
    row.achievedPerSecond = AchievedPerSecond(t, request.polling);
    row.slow = request.polling && row.requestedPerSecond && row.achievedPerSecond &&
               t.transactions >= kPollsToJudge &&
               *row.achievedPerSecond < kSlowShare * *row.requestedPerSecond;
    const bool answered = t.answered > 0;
    row.lastMs = Ms(t.lastUs, answered);
    row.minMs = Ms(t.minUs, answered);
    row.maxMs = Ms(t.maxUs, answered);
    row.p95Ms = Ms(ResponseTimeQuantileUs(t, 0.95), answered);
    if (answered) row.avgMs = static_cast<double>(t.sumUs) / t.answered / kUsPerMs;
    row.timeouts = t.timeouts;
    row.checksumErrors = t.checksumErrors;
    row.exceptions = t.exceptions;
    return row;
}

BusLineFigures BusStatistics::Line(const LineTiming& t) {
    BusLineFigures line;
    line.transactions = t.transactions;
    line.wallSeconds = static_cast<double>(t.wallUs) / kUsPerSecond;
    if (t.wallUs > 0) {
        line.busyShare = std::min(1.0, static_cast<double>(t.busyUs) / static_cast<double>(t.wallUs));
        line.transactionsPerSecond = static_cast<double>(t.transactions) / line.wallSeconds;
    }
    return line;
}

QStringList BusStatistics::Headers() {
    return {tr("窗口"),         tr("从站"),         tr("功能"),         tr("地址"),
            tr("扫描率 (ms)"),  tr("要求 (次/秒)"), tr("实际 (次/秒)"), tr("低于 90%"),
            tr("最近 (ms)"),    tr("最小 (ms)"),    tr("平均 (ms)"),    tr("P95 (ms)"),
            tr("最大 (ms)"),    tr("事务"),         tr("超时"),         tr("CRC/LRC 错误"),
            tr("异常")};
}

QStringList BusStatistics::Cells(const BusStatisticsRow& row) {
    const PollWindowRequest& r = row.request;
    return {r.name,
            QString::number(r.slaveId),
            FunctionText(r.function),
            AddressRange(r),
            QString::number(r.scanRate),
            r.scanRate > 0 ? Number(row.requestedPerSecond, 2) : tr("尽快"),
            Number(row.achievedPerSecond, 2),
            row.slow ? tr("是") : QString(),
            Number(row.lastMs, 2),
            Number(row.minMs, 2),
            Number(row.avgMs, 2),
            Number(row.p95Ms, 2),
            Number(row.maxMs, 2),
            QString::number(row.transactions),
            QString::number(row.timeouts),
            QString::number(row.checksumErrors),
            QString::number(row.exceptions)};
}

QString BusStatistics::SlowText(const BusStatisticsRow& row) {
    return tr("要求 %1 次/秒，实际只有 %2 次/秒（不足 90%）")
        .arg(Number(row.requestedPerSecond, 2), Number(row.achievedPerSecond, 2));
}

QString BusStatistics::LineText(const BusLineFigures& line) {
    if (!line.busyShare) return tr("总线：尚无通讯");
    return tr("总线占用 %1 %，每秒 %2 个事务（%3 个事务，%4 秒）")
        .arg(QString::number(*line.busyShare * 100, 'f', 1))
        .arg(QString::number(line.transactionsPerSecond.value_or(0), 'f', 1))
        .arg(line.transactions)
        .arg(QString::number(line.wallSeconds, 'f', 1));
}

QString BusStatistics::CopyText(const std::vector<BusStatisticsRow>& rows,
                                const BusLineFigures& line) {
    QStringList lines{LineText(line), Headers().join(u'\t')};
    for (const BusStatisticsRow& row : rows) lines << Cells(row).join(u'\t');
    return lines.join(u'\n') + u'\n';
}

QByteArray BusStatistics::Csv(const std::vector<BusStatisticsRow>& rows,
                              const BusLineFigures& line) {
    QString text = CsvText::Row(Headers()) + QLatin1String(CsvText::kLineEnd);
    for (const BusStatisticsRow& row : rows)
        text += CsvText::Row(Cells(row)) + QLatin1String(CsvText::kLineEnd);
    text += QLatin1String(CsvText::kLineEnd);
    const QList<QStringList> figures = {
        {tr("总线占用 (%)"), line.busyShare ? QString::number(*line.busyShare * 100, 'f', 1) : QString()},
        {tr("每秒事务"), Number(line.transactionsPerSecond, 1)},
        {tr("事务"), QString::number(line.transactions)},
        {tr("统计时长 (秒)"), QString::number(line.wallSeconds, 'f', 1)}};
    for (const QStringList& f : figures) text += CsvText::Row(f) + QLatin1String(CsvText::kLineEnd);
    return text.toUtf8();
}

QByteArray BusStatistics::Csv(const BusStatisticsSource& source,
                              const std::vector<BusStatisticsRow>& rows, const BusLineFigures& line) {
    const auto time = [](const QDateTime& t) {
        return t.isValid() ? t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QString();
    };
    const QList<QStringList> header = {{tr("连接"), source.connection},
                                       {tr("开始时间"), time(source.start)},
                                       {tr("结束时间"), time(source.end)},
                                       {tr("程序版本"), source.version}};
    QString text;
    for (const QStringList& h : header) text += CsvText::Row(h) + QLatin1String(CsvText::kLineEnd);
    text += QLatin1String(CsvText::kLineEnd);
    return text.toUtf8() + Csv(rows, line);
}

}  // namespace zentiq
