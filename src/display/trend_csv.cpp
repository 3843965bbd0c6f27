#include "display/trend_csv.h"

#include <QLocale>

#include <algorithm>
#include <limits>

namespace zentiq {

namespace {

QString quoted(const QString& field) {
    static const QString special = QStringLiteral(",\"\r\n");
    if (std::none_of(field.begin(), field.end(), [](QChar c) { return special.contains(c); }))
        return field;
    QString text = field;
    text.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

}  // namespace

QString TrendCsvNumber(double value) {
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

QByteArray TrendCsv(const QStringList& names, const std::vector<std::vector<TrendPoint>>& points,
                    const QDateTime& start) {
    QString text = QStringLiteral("Time");
    for (const QString& name : names)
        text += QLatin1Char(',') + quoted(name);
    text += QStringLiteral("\r\n");

    const std::size_t columns = std::min<std::size_t>(static_cast<std::size_t>(names.size()), points.size());
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
        text += start.addMSecs(earliest).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
        for (std::size_t c = 0; c < columns; ++c) {
            text += QLatin1Char(',');
            if (next[c] < points[c].size() && points[c][next[c]].ms == earliest)
                text += TrendCsvNumber(points[c][next[c]++].value);
        }
        text += QStringLiteral("\r\n");
    }
    return text.toUtf8();
}

}  // namespace zentiq
