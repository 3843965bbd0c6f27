#include "values/csv_log.h"

#include <QDateTime>
#include <QStringList>

#include <algorithm>
#include <cstdlib>

#include "values/csv_text.h"
#include "values/register_map_csv.h"
#include "values/typed_items.h"
#include "values/value_format.h"

namespace zentiq {

namespace {

std::vector<ItemPlan> planOf(const LogLine::Poll& poll) {
    static const RowTypes none;
    return PlanItems(poll.address, poll.length, poll.function,
                     poll.rowTypes != nullptr ? *poll.rowTypes : none);
}

// A typed row's value is one column at its first register; the registers it
// spans have none. The other items step as the display format does.
std::vector<int> valueItems(const LogLine::Poll& poll, std::span<const ItemPlan> plan) {
    std::vector<int> items;
    const int length = std::clamp(poll.length, 0, static_cast<int>(poll.values.size()));
    const int step = IsCoilFunction(poll.function) ? 1 : RegistersPerValue(poll.displayFormat);
    for (int i = 0; i < length; ++i) {
        const ItemPlan p = std::size_t(i) < plan.size() ? plan[std::size_t(i)] : ItemPlan{};
        if (p.covered)
            continue;
        const int registers = p.type != nullptr ? p.type->Registers() : step;
        if ((p.type != nullptr || i % step == 0) && i + registers <= length)
            items.push_back(i);
    }
    return items;
}

}  // namespace

std::vector<int> CsvLog::ValueItems(const LogLine::Poll& poll) {
    return valueItems(poll, planOf(poll));
}

QString CsvLog::Header(const LogLine::Poll& poll, const std::function<QString(int item)>& aliasOf) {
    const QString time = QStringLiteral("Time"), status = QStringLiteral("Status");
    const std::vector<ItemPlan> plan = planOf(poll);
    QStringList names, addresses;
    for (const int item : valueItems(poll, plan)) {
        const QString alias = aliasOf ? aliasOf(item).trimmed() : QString();
        addresses << RegisterMapCsv::ShownAddress(poll, item);
        names << (alias.isEmpty() ? addresses.back() : alias);
        if (const RowType* type = plan[std::size_t(item)].type; type && !type->unit.isEmpty())
            names.back() += QStringLiteral(" [%1]").arg(type->unit);
    }
    // Two columns of one name could not be told apart by a reader or a script.
    return CsvText::Row(QStringList{time} + CsvText::UniqueNames(names, addresses, {time, status}) +
                        QStringList{status});
}

QString CsvLog::Row(qint64 timeMs, const LogLine::Poll& poll, bool failed,
                    const QString& statusText) {
    QStringList fields{Time(timeMs)};
    const std::vector<ItemPlan> plan = planOf(poll);
    for (const int item : valueItems(poll, plan)) {
        // Without the unit, which the header names: the cell stays a number.
        fields << (failed ? QString() : PlannedShownText(poll, plan, item, false));
    }
    fields << (failed ? statusText : QString());
    return CsvText::Row(fields);
}

QString CsvLog::Time(qint64 timeMs) {
    return CsvText::LocalTime(QDateTime::fromMSecsSinceEpoch(timeMs),
                              QStringLiteral("yyyy-MM-ddThh:mm:ss.zzz"));
}

}  // namespace zentiq
