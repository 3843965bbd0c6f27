// Which values of a poll window a trend charts, and under which names:
// the selected value cells that show a value, in the order of the poll,
// each named by the alias beside it or else by its address. No window
// needed.
#pragma once

#include <QString>

#include <vector>

#include "grid/cell_range.h"
#include "values/row_type.h"

namespace zentiq {

class CGridModel;
class PollDocumentModel;
struct PollDefinition;

struct TrendItem {
    int item = 0;  // poll item; the first register of a 32/64-bit value
    QString name;
    bool alias = false;  // named by the user's alias, else by its address
};

// A trend charts at most this many values; more selected cells are left out.
inline constexpr int kMaxTrendSeries = 32;

// The items of the selected cells: cells outside the value columns or the
// poll are skipped, the registers of one 32/64-bit or typed value give one
// item, and an item that shows no number (a pair cut off by the end of the
// poll, a text row) none.
std::vector<TrendItem> TrendItemsOf(const PollDocumentModel& model, const CGridModel& grid,
                                    const std::vector<CCellID>& cells);

// The address an item is named by without an alias ("40001").
QString TrendAddressName(const PollDefinition& def, int item);

// What becomes of a charted item when its poll's definition or display
// format changes: it keeps charting the same value of the same slave under
// another item number (Kept), charts it anew because the slave or the way
// its registers read as a number changed (Restarted: the old samples mean
// something else), or it is no longer polled as a value of its own (Closed).
struct TrendFollow {
    enum class Fate { Kept, Restarted, Closed };
    Fate fate = Fate::Closed;
    int item = -1;  // the item under the new definition; -1 when closed
};
TrendFollow FollowTrendItem(const PollDefinition& before, const PollDefinition& after, int item);
// The same when rows may carry types of their own: a typed value is kept
// while its row keeps its type, charted anew when the type changes, and
// closed when it becomes text or a register another typed value spans.
TrendFollow FollowTrendItem(const PollDefinition& before, const RowTypes& typesBefore,
                            const PollDefinition& after, const RowTypes& typesAfter, int item);

}  // namespace zentiq
