// The CSV text of what a trend window plots: one column per series after
// the time, one row per instant at which any series has a point. No window
// needed.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QStringList>

#include <vector>

#include "values/trend_series.h"

namespace zentiq {

// "Time,<name>,..." then the rows in time order. The time is `start` plus
// the point's ms, local, to the millisecond, with its offset from UTC
// ("2026-03-29 03:00:00.000+02:00"); a series without a point at that
// instant, or with a failed poll there, leaves its cell empty; a series
// with two points at the same instant takes two rows. Values are written in
// the shortest form that reads back to the same number. A name that a
// spreadsheet would run as a formula (starting with =, +, - or @, and not a
// number) gets a leading apostrophe; names with a comma, quote or line
// break are quoted. UTF-8 with CRLF line ends.
QByteArray TrendCsv(const QStringList& names, const std::vector<std::vector<TrendPoint>>& points,
                    const QDateTime& start);

// A number as TrendCsv writes it.
QString TrendCsvNumber(double value);
// A name as TrendCsv writes it in the header.
QString TrendCsvName(const QString& name);
// A time as TrendCsv writes it.
QString TrendCsvTime(const QDateTime& time);

}  // namespace zentiq
