#include "display/trend_items.h"

#include <map>
#include <span>

#include "display/address_labels.h"
#include "display/value_format.h"
#include "documents/poll_document_model.h"
#include "grid/grid_model.h"

namespace zentiq {

std::vector<TrendItem> TrendItemsOf(const PollDocumentModel& model, const CGridModel& grid,
                                    const std::vector<CCellID>& cells) {
    const PollDefinition& def = model.def;
    const std::span<const std::uint8_t> values(model.values.data(), model.values.size());
    const int registers = IsRegisterFunction(def.FunctionValue) ? RegistersPerValue(def.DisplayFormat) : 1;
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
    const AddressLabelFormats formats =
        AddressLabelFormats::For(def.FunctionValue, def.OneBased, def.Address, def.Length);
    std::vector<TrendItem> items;
    for (const auto& [item, aliasCell] : chosen) {
        if (static_cast<int>(items.size()) == kMaxTrendSeries)
            break;
        QString name = grid.isValid(aliasCell.row, aliasCell.col) ? grid.itemText(aliasCell.row, aliasCell.col).trimmed()
                                                                  : QString();
        if (name.isEmpty()) {
            name = formats.CellPrefix(def.OneBased, def.Address, item);
            name = name.left(name.indexOf(QLatin1Char(' '))).trimmed();
        }
        items.push_back({item, name});
    }
    return items;
}

}  // namespace zentiq
