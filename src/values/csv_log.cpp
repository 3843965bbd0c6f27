#include "values/csv_log.h"

#include <QDateTime>
#include <QStringList>

#include <algorithm>
#include <cstdlib>

#include "values/csv_text.h"
#include "values/register_map_csv.h"
#include "values/value_format.h"

namespace zentiq {

std::vector<int> CsvLog::ValueItems(const LogLine::Poll& poll) {
    std::vector<int> items;
    const int length = std::clamp(poll.length, 0, static_cast<int>(poll.values.size()));
    const int step = IsCoilFunction(poll.function) ? 1 : RegistersPerValue(poll.displayFormat);
    for (int i = 0; i + step <= length; i += step)
        items.push_back(i);
    return items;
}

QString CsvLog::Header(const LogLine::Poll& poll, const std::function<QString(int item)>& aliasOf) {
    const QString time = QStringLiteral("Time"), status = QStringLiteral("Status");
    QStringList names, addresses;
    for (const int item : ValueItems(poll)) {
        const QString alias = aliasOf ? aliasOf(item).trimmed() : QString();
        addresses << RegisterMapCsv::ShownAddress(poll, item);
        names << (alias.isEmpty() ? addresses.back() : alias);
    }
    // Two columns of one name could not be told apart by a reader or a script.
    return CsvText::Row(QStringList{time} + CsvText::UniqueNames(names, addresses, {time, status}) +
                        QStringList{status});
}

QString CsvLog::Row(qint64 timeMs, const LogLine::Poll& poll, bool failed,
                    const QString& statusText) {
    QStringList fields{Time(timeMs)};
    for (const int item : ValueItems(poll)) {
        fields << (failed ? QString()
                          : ShownValueText(poll.values, poll.length, poll.function,
                                           poll.displayFormat, item));
    }
    fields << (failed ? statusText : QString());
    return CsvText::Row(fields);
}

QString CsvLog::Time(qint64 timeMs) {
    return CsvText::LocalTime(QDateTime::fromMSecsSinceEpoch(timeMs),
                              QStringLiteral("yyyy-MM-ddThh:mm:ss.zzz"));
}

}  // namespace zentiq
