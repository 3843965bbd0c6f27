// The 31 error counters of a poll document: which result increments which
// counter, and the lines the error counter dialog lists. No window needed.
#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>

#include "engine/engine_types.h"

namespace zentiq {

class ErrorCounterModel {
public:
    static constexpr int kCounterCount = 31;
    // Counted (a dialog copy keeps it) but never listed: while the
    // connection is closed every poll fails this way.
    static constexpr int kNoConnectionCounter = 16;

    using Counters = std::array<std::int32_t, kCounterCount>;

    // Counter index for a result, or -1 for success. The port's error flags
    // split write (4) and read (5) errors; they are 0 over TCP.
    static int CounterIndex(EngineStatus status, std::uint32_t writeErrorFlags,
                            std::uint32_t readErrorFlags);

    // Increments the counter of a result (nothing for success). A counter
    // stays at its maximum instead of wrapping to a negative count.
    static void Count(Counters& counters, EngineStatus status, std::uint32_t writeErrorFlags,
                      std::uint32_t readErrorFlags);

    // Line of counter `index` with `count` filled in ("2\tTimeout error");
    // empty for an index outside 0..30.
    static QString LineText(int index, std::int32_t count);

    // The dialog's lines in counter order: one per non-zero counter except
    // "no connection", or the single line "NO ERRORS!".
    static QStringList Lines(const Counters& counters);

    // The same lines in the order the dialog's sorted list shows them.
    static QStringList SortedLines(const Counters& counters);

    // Order of the dialog's sorted list, as a sorted list box orders its
    // strings: case-insensitively, character by character, the same on every
    // locale. So "12\t..." precedes "3\t..." and "1\t..." precedes "12\t...".
    // QListWidget's own sorting is case-sensitive; the dialog therefore adds
    // the lines in this order rather than enabling it.
    static bool ListLess(const QString& a, const QString& b);

    // How long the counts have been running: "h:mm:ss", hours going on past
    // a day ("27:03:09"); a negative time reads as 0.
    static QString CountingText(qint64 milliseconds);
};

}  // namespace zentiq
