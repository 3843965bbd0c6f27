#include "values/address_map_summary.h"

#include <QStringList>

#include <algorithm>

#include "values/bus_scan_table.h"

namespace zentiq {

QString AddressMapSummary::Ranges(const std::vector<AddressRange>& ranges) {
    QStringList shown;
    for (std::size_t i = 0; i < ranges.size() && i < std::size_t{kRangesShown}; ++i) {
        const AddressRange& r = ranges[i];
        shown << (r.first == r.last ? QString::number(r.first)
                                    : QStringLiteral("%1–%2").arg(r.first).arg(r.last));
    }
    QString text = shown.join(QStringLiteral(", "));
    if (ranges.size() > std::size_t{kRangesShown})
        text += u' ' + tr("等 %1 段").arg(ranges.size());
    return text;
}

QString AddressMapSummary::Text(const std::vector<AddressMapScan::TableResult>& results,
                                const std::array<bool, 4>& tables) {
    int requests = 0;
    QStringList gaps;
    std::array<bool, 4> reached{};
    for (const AddressMapScan::TableResult& r : results) {
        requests += r.requests;
        if (r.function >= 1 && r.function <= 4)
            reached[static_cast<std::size_t>(r.function - 1)] = true;
        std::vector<AddressRange> unprobed;
        std::vector<AddressRange> coarse;
        int block = 0;
        for (const AddressMapPlanner::Uncovered& u : r.uncovered) {
            if (u.block == 0) {
                unprobed.push_back(u.range);
            } else {
                coarse.push_back(u.range);
                block = std::max(block, u.block);
            }
        }
        const QString table = BusScanTable::TableName(r.function);
        if (!unprobed.empty())
            gaps << tr("%1 未探测：%2").arg(table, Ranges(unprobed));
        if (!coarse.empty())
            gaps << tr("%1 只粗略探测过（短于 %2 个地址的区块可能没找到）：%3")
                        .arg(table)
                        .arg(2 * block - 1)
                        .arg(Ranges(coarse));
    }
    QStringList skipped;
    for (std::size_t i = 0; i < tables.size(); ++i)
        if (tables[i] && !reached[i])
            skipped << BusScanTable::TableName(static_cast<int>(i) + 1);
    if (!skipped.isEmpty())
        gaps << tr("未扫描：%1").arg(skipped.join(QStringLiteral("、")));

    QString text = tr("共 %1 个请求。").arg(requests);
    if (gaps.isEmpty())
        return text + u' ' + tr("每个地址都已探明。");
    return text + u' ' + tr("未覆盖——%1。").arg(gaps.join(QStringLiteral("；")));
}

}  // namespace zentiq
