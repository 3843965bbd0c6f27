#include "display/trend_items.h"

#include <map>
#include <span>

#include "values/address_labels.h"
#include "values/typed_items.h"
#include "values/value_format.h"
#include "documents/poll_document_model.h"
#include "documents/register_map_commands.h"
#include "grid/grid_model.h"

namespace zentiq {

std::vector<TrendItem> TrendItemsOf(const PollDocumentModel& model, const CGridModel& grid,
                                    const std::vector<CCellID>& cells) {
    const PollDefinition& def = model.def;
    const LogLine::Poll poll = RegisterMapCommands::PollOf(model);
    const std::vector<ItemPlan> plan =
        PlanItems(def.Address, def.Length, def.FunctionValue, model.rowTypes);
    const int registers =
        IsRegisterFunction(def.FunctionValue) ? RegistersPerValue(def.DisplayFormat) : 1;
    // item -> alias cell, so that the order is the poll's, not the selection's.
    std::map<int, CCellID> chosen;
    for (const CCellID& cell : cells) {
        if (cell.col < 2 || cell.col % 2 != 0)
            continue;
        int item = model.ItemAtCell(cell.row, cell.col);
        if (item < 0)
            continue;
        // A register that a typed value spans charts that value; any other
        // the value of the display format it belongs to.
        const auto at = [&](int i) { return plan[std::size_t(i)]; };
        if (at(item).covered) {
            while (item > 0 && at(item).covered)
                --item;
        } else if (at(item).type == nullptr) {
            item -= item % registers;
        }
        if (!PlannedNumber(poll, plan, item))
            continue;
        // The alias of a 32/64-bit value is the one beside its first register.
        int row = cell.row, column = cell.col;
        model.CellOfItem(item, row, column);
        chosen.emplace(item, CCellID(row, column - 1));
    }
    std::vector<TrendItem> items;
    for (const auto& [item, aliasCell] : chosen) {
        if (static_cast<int>(items.size()) == kMaxTrendSeries)
            break;
        const QString alias = grid.isValid(aliasCell.row, aliasCell.col)
                                  ? grid.itemText(aliasCell.row, aliasCell.col).trimmed()
                                  : QString();
        if (alias.isEmpty())
            items.push_back({item, TrendAddressName(def, item), false});
        else
            items.push_back({item, alias, true});
    }
    return items;
}

QString TrendAddressName(const PollDefinition& def, int item) {
    const AddressLabelFormats formats =
        AddressLabelFormats::For(def.FunctionValue, def.OneBased, def.Address, def.Length);
    const QString prefix = formats.CellPrefix(def.OneBased, def.Address, item);
    return prefix.left(prefix.indexOf(QLatin1Char(' '))).trimmed();
}

namespace {

// Formats whose registers read as the same numbers share a kind (hex and
// binary chart the unsigned word).
int numberKind(int function, int displayFormat) {
    if (!IsRegisterFunction(function))
        return -1;
    return displayFormat == DisplayFormat::Hex || displayFormat == DisplayFormat::Binary
               ? Code(DisplayFormat::Unsigned)
               : displayFormat;
}

}  // namespace

TrendFollow FollowTrendItem(const PollDefinition& before, const PollDefinition& after, int item) {
    // Another function polls another table (or writes instead of reading).
    if (before.FunctionValue != after.FunctionValue)
        return {};
    const long long address = static_cast<long long>(before.Address) + item;
    const long long moved = address - after.Address;
    const int registers =
        IsRegisterFunction(after.FunctionValue) ? RegistersPerValue(after.DisplayFormat) : 1;
    if (moved < 0 || moved % registers != 0 || moved + registers > after.Length)
        return {};
    const int newItem = static_cast<int>(moved);
    if (before.SlaveID != after.SlaveID || numberKind(before.FunctionValue, before.DisplayFormat) !=
                                               numberKind(after.FunctionValue, after.DisplayFormat))
        return {TrendFollow::Fate::Restarted, newItem};
    return {TrendFollow::Fate::Kept, newItem};
}

TrendFollow FollowTrendItem(const PollDefinition& before, const RowTypes& typesBefore,
                            const PollDefinition& after, const RowTypes& typesAfter, int item) {
    const long long address = static_cast<long long>(before.Address) + item;
    // What the one register reads as: its own type, spanned by one, or neither.
    const auto planAt = [&](const PollDefinition& def, const RowTypes& types) {
        return PlanItems(int(address), 1, def.FunctionValue, types).front();
    };
    const ItemPlan was = planAt(before, typesBefore);
    const ItemPlan now = planAt(after, typesAfter);
    if (was.type == nullptr && now.type == nullptr && !now.covered)
        return FollowTrendItem(before, after, item);
    const long long moved = address - after.Address;
    if (before.FunctionValue != after.FunctionValue || now.covered || moved < 0 ||
        moved >= after.Length)
        return {};
    if (now.type == nullptr) {
        // Back to the display format: where it has a value of its own.
        const TrendFollow follow = FollowTrendItem(before, after, item);
        return follow.fate == TrendFollow::Fate::Closed
                   ? follow
                   : TrendFollow{TrendFollow::Fate::Restarted, follow.item};
    }
    if (now.type->reading.kind == DecodeKind::Text ||
        moved + now.type->Registers() > after.Length)
        return {};
    const int newItem = static_cast<int>(moved);
    if (before.SlaveID != after.SlaveID || was.type == nullptr || *was.type != *now.type)
        return {TrendFollow::Fate::Restarted, newItem};
    return {TrendFollow::Fate::Kept, newItem};
}

}  // namespace zentiq
