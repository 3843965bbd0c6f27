// What each item of a register poll shows once rows may carry their own
// type: the row's type at its first item, nothing at the registers the
// typed value also spans, the window's display format everywhere else. The
// grid, logs, exports, the trend and automation read items through this, so
// that none of them can tell a value differently. No window needed.
#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "values/log_line.h"
#include "values/row_type.h"

namespace zentiq {

struct ItemPlan {
    // The type of the value this item begins, or null: the display format
    // (also for an item covered by no typed row).
    const RowType* type = nullptr;
    // The item is a later register of a typed value (or of a typed value
    // that begins before the poll): it shows nothing.
    bool covered = false;
};

// One entry per item of a poll of `length` items from protocol address
// `address`. The nearest typed row at or before an item decides: it begins
// there, or it spans it. Coil polls and polls without types give plans
// without types. The plan points into `types`: build it again when they
// change. Write polls (whose values are what the window sends in its
// display format) have no typed items.
std::vector<ItemPlan> PlanItems(int address, int length, int function, const RowTypes& types);

// A plan kept with its own copy of the types it points into, so that a
// caller that refreshes often plans only when the poll or the types change.
class ItemPlanCache {
public:
    // The plan for the poll. `compareTypes`: compare the whole map with the
    // copy (a full refresh); otherwise only its size is looked at, which is
    // cheap enough for every poll result.
    std::span<const ItemPlan> For(int address, int length, int function, const RowTypes& types,
                                  bool compareTypes);
    // Some item of the last plan is typed or covered.
    bool AnyTyped() const { return m_anyTyped; }

private:
    int m_address = -1;
    int m_length = -1;
    int m_function = -1;
    RowTypes m_types;
    std::vector<ItemPlan> m_plan;
    bool m_anyTyped = false;
};

// True when some item of the plan carries a type or is covered by one.
bool AnyTyped(std::span<const ItemPlan> plan);

// The text of item `item` as FormatValue gives it for the display format,
// or through its row type (from `poll.words`) when it has one; empty for a
// covered item. An item outside the poll gives an empty text.
QString PlannedText(const LogLine::Poll& poll, std::span<const ItemPlan> plan, int item,
                    ValueForm form);
// The number item `item` shows (NumericValue or TypedNumber); nothing for
// a covered item.
std::optional<double> PlannedNumber(const LogLine::Poll& poll, std::span<const ItemPlan> plan,
                                    int item);

// The text of item `item` as the grid shows it without the blanks that
// align it (ShownValueText for the display format; a text row as it
// reads); `unit` false leaves a typed row's unit off (a CSV cell whose
// header names the unit).
QString PlannedShownText(const LogLine::Poll& poll, std::span<const ItemPlan> plan, int item,
                         bool unit);

// The same, planning from the poll's own `rowTypes` (slower: for a single
// item or a single line).
QString ItemText(const LogLine::Poll& poll, int item, ValueForm form);
std::optional<double> ItemNumber(const LogLine::Poll& poll, int item);

// The row types after the user gives the selected items (sorted poll item
// numbers of a poll from protocol address `address`) a type, or takes it
// away (`type` empty). A type spanning several registers begins at the
// first selected item and again after each value it spans, so that four
// selected registers typed as a float give two floats; selected rows a
// value spans lose a type of their own.
RowTypes TypesOverSelection(const RowTypes& now, int address, std::span<const int> items,
                            const std::optional<RowType>& type);

}  // namespace zentiq
