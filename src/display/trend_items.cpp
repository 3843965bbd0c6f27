#include "display/trend_items.h"

#include <map>
#include <span>

#include "values/address_labels.h"
#include "values/value_format.h"
#include "documents/poll_document_model.h"
#include "grid/grid_model.h"

namespace zentiq {

std::vector<TrendItem> TrendItemsOf(const PollDocumentModel& model, const CGridModel& grid,
                                    const std::vector<CCellID>& cells) {
    const PollDefinition& def = model.def;
    const std::span<const std::uint8_t> values(model.values.data(), model.values.size());
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
        item -= item % registers;
        if (!NumericValue(values, def.Length, def.FunctionValue, def.DisplayFormat, item))
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

}  // namespace zentiq
