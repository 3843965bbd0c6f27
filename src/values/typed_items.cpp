#include "values/typed_items.h"

#include <algorithm>
#include <limits>

#include "engine/engine_types.h"
#include "values/value_format.h"

namespace zentiq {

std::vector<ItemPlan> PlanItems(int address, int length, int function, const RowTypes& types) {
    std::vector<ItemPlan> plan(std::size_t(std::max(length, 0)));
    // Types read the registers as they came: only read polls have them.
    if (types.empty() || (function != FunctionCode::ReadHoldingRegisters &&
                          function != FunctionCode::ReadInputRegisters))
        return plan;
    // The nearest typed row at or before the first item may reach into the
    // poll from before it.
    auto next = types.upper_bound(address);
    const RowType* current = nullptr;
    int currentStart = 0;
    if (next != types.begin()) {
        const auto before = std::prev(next);
        current = &before->second;
        currentStart = before->first;
    }
    for (int i = 0; i < length; ++i) {
        const int at = address + i;
        if (next != types.end() && next->first == at) {
            current = &next->second;
            currentStart = at;
            ++next;
        }
        if (current == nullptr || at >= currentStart + current->Registers()) {
            current = nullptr;
            continue;
        }
        if (at == currentStart)
            plan[std::size_t(i)].type = current;
        else
            plan[std::size_t(i)].covered = true;
    }
    return plan;
}

std::span<const ItemPlan> ItemPlanCache::For(int address, int length, int function,
                                              const RowTypes& types, bool compareTypes) {
    const bool same = address == m_address && length == m_length && function == m_function &&
                      types.size() == m_types.size() && (!compareTypes || types == m_types);
    if (!same) {
        m_address = address;
        m_length = length;
        m_function = function;
        m_types = types;
        m_plan = PlanItems(address, length, function, m_types);
        m_anyTyped = zentiq::AnyTyped(m_plan);
    }
    return m_plan;
}

bool AnyTyped(std::span<const ItemPlan> plan) {
    return std::any_of(plan.begin(), plan.end(),
                       [](const ItemPlan& p) { return p.type != nullptr || p.covered; });
}

QString PlannedText(const LogLine::Poll& poll, std::span<const ItemPlan> plan, int item,
                    ValueForm form) {
    if (item < 0 || item >= poll.length)
        return QString();
    if (std::size_t(item) < plan.size()) {
        const ItemPlan& p = plan[std::size_t(item)];
        if (p.covered)
            return QString();
        if (p.type != nullptr) {
            const auto words = poll.words.first(std::min<std::size_t>(
                poll.words.size(), std::size_t(std::max(poll.length, 0))));
            return TypedText(words, item, *p.type, form);
        }
    }
    return FormatValue(poll.values, {}, poll.length, poll.function, poll.displayFormat, item, form,
                       false)
        .text;
}

std::optional<double> PlannedNumber(const LogLine::Poll& poll, std::span<const ItemPlan> plan,
                                    int item) {
    if (item < 0 || item >= poll.length)
        return std::nullopt;
    if (std::size_t(item) < plan.size()) {
        const ItemPlan& p = plan[std::size_t(item)];
        if (p.covered)
            return std::nullopt;
        if (p.type != nullptr) {
            const auto words = poll.words.first(std::min<std::size_t>(
                poll.words.size(), std::size_t(std::max(poll.length, 0))));
            return TypedNumber(words, item, *p.type);
        }
    }
    return NumericValue(poll.values, poll.length, poll.function, poll.displayFormat, item);
}

QString PlannedShownText(const LogLine::Poll& poll, std::span<const ItemPlan> plan, int item,
                         bool unit) {
    const RowType* type =
        item >= 0 && std::size_t(item) < plan.size() ? plan[std::size_t(item)].type : nullptr;
    if (type == nullptr) {
        if (item >= 0 && std::size_t(item) < plan.size() && plan[std::size_t(item)].covered)
            return QString();
        return ShownValueText(poll.values, poll.length, poll.function, poll.displayFormat, item);
    }
    if (type->reading.kind == DecodeKind::Text)
        return PlannedText(poll, plan, item, ValueForm::Plain);
    QString text = PlannedText(poll, plan, item, ValueForm::Padded);
    if (!unit && !type->unit.isEmpty() && text.endsWith(QLatin1Char(' ') + type->unit))
        text.chop(type->unit.size() + 1);
    return text.trimmed();
}

namespace {
std::vector<ItemPlan> planOf(const LogLine::Poll& poll) {
    static const RowTypes none;
    return PlanItems(poll.address, poll.length, poll.function,
                     poll.rowTypes != nullptr ? *poll.rowTypes : none);
}
}  // namespace

QString ItemText(const LogLine::Poll& poll, int item, ValueForm form) {
    return PlannedText(poll, planOf(poll), item, form);
}

std::optional<double> ItemNumber(const LogLine::Poll& poll, int item) {
    return PlannedNumber(poll, planOf(poll), item);
}


RowTypes TypesOverSelection(const RowTypes& now, int address, std::span<const int> items,
                            const std::optional<RowType>& type) {
    RowTypes next = now;
    const int span = type ? std::max(1, type->Registers()) : 1;
    int free = std::numeric_limits<int>::min();
    for (const int item : items) {
        const int at = address + item;
        if (at < 0 || at > 0xFFFF)
            continue;
        if (type && item >= free) {
            next[at] = *type;
            free = item + span;
        } else {
            next.erase(at);
        }
    }
    return next;
}

}  // namespace zentiq
