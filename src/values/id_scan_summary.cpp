#include "values/id_scan_summary.h"

#include <QStringList>

#include "values/bus_scan_table.h"
#include "values/status_texts.h"

namespace zentiq {

QString IdScanSummary::Text(const IdScanReport& r, bool cancelled) {
    QStringList parts;
    if (r.lostLine)
        parts << tr("扫描提前结束：连接中断（%1）。").arg(StatusText(*r.lostLine, StatusFlavour::DataView));
    else if (cancelled)
        parts << tr("扫描已取消。");
    else if (r.stoppedAtFirst)
        parts << tr("找到第一台设备后停止。");
    else
        parts << tr("扫描完成。");
    parts << tr("找到 %1 台设备。").arg(r.devices);
    const std::pair<int, QString> others[] = {
        {r.gatewayNoDevice, tr("网关: 无设备 %1 个")},
        {r.malformed, tr("有应答但格式错误 %1 个")},
        {r.connectionClosed, tr("从站关闭了连接 %1 个")},
    };
    QStringList noted;
    for (const auto& [count, text] : others) {
        if (count > 0)
            noted << text.arg(count);
    }
    if (!noted.isEmpty())
        parts << tr("不是设备：%1。").arg(noted.join(tr("，")));
    if (r.notProbed) {
        const auto [first, last] = *r.notProbed;
        parts << (first == last ? tr("ID %1 未探测。").arg(first)
                                : tr("ID %1~%2 未探测。").arg(first).arg(last));
    }
    if (r.broadcastSkipped)
        parts << tr("ID 0 是串口上的广播地址，不能应答，未探测。");
    return parts.join(u' ');
}

QString IdScanSummary::Verdict(const ScanHit& hit) {
    switch (hit.outcome) {
    case ProbeOutcome::GatewayNoDevice:
        return tr("网关: 无设备") + u' ' + u'(' + BusScanTable::AnswerText(hit.status) + u')';
    case ProbeOutcome::Malformed:
        return tr("有应答但格式错误") + u' ' + u'(' +
               StatusText(hit.status, StatusFlavour::DataView) + u')';
    case ProbeOutcome::ConnectionClosed: return StatusText(hit.status, StatusFlavour::DataView);
    default: return BusScanTable::AnswerText(hit.status);
    }
}

}  // namespace zentiq
