// The rows of a data log written as CSV: a header with the time, one column
// per value (named by its alias, or by its address as the window shows it)
// and a status column; then one row per logged poll.
#pragma once

#include <functional>
#include <vector>

#include <QString>
#include <QtGlobal>

#include "values/log_line.h"

namespace zentiq {

class CsvLog {
public:
    // The items that carry a value: every coil, every register of the
    // 16-bit formats, the first register of each whole 32- or 64-bit value;
    // a row with a type of its own at its first register when the poll
    // holds the whole value, and none at the registers it spans.
    static std::vector<int> ValueItems(const LogLine::Poll& poll);

    // "Time,<name>,...,Status"; `aliasOf` gives the alias of an item (an
    // empty one names the column by its address). A typed row with a unit
    // is "<name> [<unit>]".
    static QString Header(const LogLine::Poll& poll,
                          const std::function<QString(int item)>& aliasOf);

    // The time (milliseconds since the epoch) with its offset from UTC, then
    // the values as the grid shows them (ShownValueText: without the blanks
    // that align them; a typed row also without its unit, which the header
    // names) and an empty status; a failed poll leaves the values
    // empty and puts its status text last.
    static QString Row(qint64 timeMs, const LogLine::Poll& poll, bool failed,
                       const QString& statusText);

    // ISO 8601 local time to the millisecond with the UTC offset:
    // "2026-12-09T09:46:20.250+08:00".
    static QString Time(qint64 timeMs);
};

}  // namespace zentiq
