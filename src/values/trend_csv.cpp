#include "values/trend_csv.h"

#include <QLocale>

#include "values/csv_text.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace zentiq {

QString TrendCsvNumber(double value) {
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

QString TrendCsvName(const QString& name) { return CsvText::Field(name); }

QString TrendCsvTime(const QDateTime& time) {
    return CsvText::LocalTime(time, QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
}

QByteArray TrendCsv(const QStringList& names, const std::vector<std::vector<TrendPoint>>& points,
                    const QDateTime& start) {
    QString text = QStringLiteral("Time");
    for (const QString& name : names)
        text += QLatin1Char(',') + TrendCsvName(name);
    text += QLatin1StringView(CsvText::kLineEnd);

    const std::size_t columns =
        std::min<std::size_t>(static_cast<std::size_t>(names.size()), points.size());
    std::vector<std::size_t> next(columns, 0);
    // Merge the series by time: each row takes the next point of every
    // series that has one at the earliest time still left.
    for (;;) {
        qint64 earliest = std::numeric_limits<qint64>::max();
        for (std::size_t c = 0; c < columns; ++c)
            if (next[c] < points[c].size())
                earliest = std::min(earliest, points[c][next[c]].ms);
        if (earliest == std::numeric_limits<qint64>::max())
            break;
        text += TrendCsvTime(start.addMSecs(earliest));
        for (std::size_t c = 0; c < columns; ++c) {
            text += QLatin1Char(',');
            if (next[c] < points[c].size() && points[c][next[c]].ms == earliest) {
                const TrendPoint& p = points[c][next[c]++];
                if (!p.gap)
                    text += TrendCsvNumber(p.value);
            }
        }
        text += QLatin1StringView(CsvText::kLineEnd);
    }
    return text.toUtf8();
}

}  // namespace zentiq
