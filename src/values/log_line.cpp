#include "values/log_line.h"

#include <algorithm>

#include "values/address_labels.h"
#include "values/typed_items.h"
#include "values/value_format.h"

namespace zentiq {

QString LogLine::SeparatorText(int separator) {
    switch (separator) {
    case Comma: return QStringLiteral(",");
    case Tab: return QStringLiteral("\t");
    default: return QStringLiteral(" ");
    }
}

QString LogLine::Label(const Poll& poll) {
    const AddressLabelFormats formats =
        AddressLabelFormats::For(poll.function, poll.oneBased, poll.address, poll.length);
    // Wrapping arithmetic: a damaged definition must not overflow here.
    QString label = formats.HeaderText(static_cast<int>(static_cast<unsigned>(poll.address) +
                                                        static_cast<unsigned>(poll.oneBased)));
    qsizetype end = label.size();
    while (end > 0 && label.at(end - 1) == QLatin1Char(' '))
        --end;
    label.truncate(end);
    return label;
}

QString LogLine::TimeText(std::time_t time, bool dated) {
    const QString none = dated ? QStringLiteral("0000-00-00 00:00:00") : QStringLiteral("00:00:00");
    std::tm local{};
    if (localtime_r(&time, &local) == nullptr)
        return none;
    char text[32];
    if (std::strftime(text, sizeof text, dated ? "%Y-%m-%d %H:%M:%S" : "%H:%M:%S", &local) == 0)
        return none;
    return QString::fromLatin1(text);
}

QString LogLine::Build(std::time_t time, int separator, const Poll& poll, bool failed,
                       const QString& statusText, bool dated) {
    const QString s = SeparatorText(separator);
    QString line = TimeText(time, dated);
    line += s;
    line += QLatin1Char('<');
    line += Label(poll);
    line += QLatin1Char('>');
    line += s;
    if (failed)
        return line + statusText;

    const bool fixed = separator != Comma && separator != Tab;
    const int items = std::clamp(poll.length, 0, static_cast<int>(poll.values.size()));
    static const RowTypes none;
    const std::vector<ItemPlan> plan = PlanItems(poll.address, poll.length, poll.function,
                                                 poll.rowTypes != nullptr ? *poll.rowTypes : none);
    for (int i = 0; i < items; ++i) {
        const QString text =
            PlannedText(poll, plan, i, fixed ? ValueForm::Padded : ValueForm::Plain);
        if (fixed) {
            line += text;
            line += QLatin1Char(' ');
        } else if (!text.isEmpty()) {
            line += text;
            line += s;
        }
    }
    line.chop(1);
    return line;
}

}  // namespace zentiq
