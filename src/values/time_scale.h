// A time axis a reader can read: ticks on whole steps of wall-clock time
// (1, 2, 5, 10, 15, 30 s; 1, 2, 5, 10, 15, 30 min; 1, 2, 3, 6, 12 h; days),
// labelled as clock times, with the date once the ticks fall on more than
// one day. No window needed.
#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <vector>

namespace zentiq {

struct TimeScale {
    qint64 stepMs = 0;          // 0: no ticks
    std::vector<qint64> ticks;  // ms since the epoch, ascending, inside the span
    QStringList labels;         // one per tick
    QString labelFormat = QStringLiteral("hh:mm:ss");  // QDateTime format of the labels
};

// Ticks for the span [fromMs, toMs] (ms since the epoch) on whole steps of
// the local time `utcOffsetSeconds` ahead of UTC, so that hours fall on
// hours and days on midnight there. The smallest step that keeps within
// `maxTicks` (taken as at least 4) wins; as steps grow at most 2.5-fold,
// that leaves at least (maxTicks - 1) / 2.5 ticks, rounded down, unless
// the span is too short for that many whole milliseconds. An empty or
// inverted span, or one beyond the dates a clock can show, gives no ticks.
TimeScale TimeScaleFor(qint64 fromMs, qint64 toMs, int utcOffsetSeconds, int maxTicks = 8);

}  // namespace zentiq
