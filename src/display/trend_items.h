// Which values of a poll window a trend charts, and under which names:
// the selected value cells that show a value, in the order of the poll,
// each named by the alias beside it or else by its address. No window
// needed.
#pragma once

#include <QString>

#include <vector>

#include "grid/cell_range.h"

namespace zentiq {

class CGridModel;
class PollDocumentModel;

struct TrendItem {
    int item = 0;  // poll item; the first register of a 32/64-bit value
    QString name;
};

// A trend charts at most this many values; more selected cells are left out.
inline constexpr int kMaxTrendSeries = 32;

// The items of the selected cells: cells outside the value columns or the
// poll are skipped, the registers of one 32/64-bit value give one item, and
// an item that shows no value (a pair cut off by the end of the poll) none.
std::vector<TrendItem> TrendItemsOf(const PollDocumentModel& model, const CGridModel& grid,
                                    const std::vector<CCellID>& cells);

}  // namespace zentiq
