#include "values/bus_scan_table.h"

#include <iterator>

#include "values/csv_text.h"
#include "values/device_identity_text.h"

namespace zentiq {

QString BusScanTable::ToText() const {
    QString text = header.join(u'\t') + u'\n';
    for (const QStringList& row : rows)
        text += row.join(u'\t') + u'\n';
    return text;
}

QString BusScanTable::ToCsv() const {
    QString text = CsvText::Row(header) + QLatin1String(CsvText::kLineEnd);
    for (const QStringList& row : rows)
        text += CsvText::Row(row) + QLatin1String(CsvText::kLineEnd);
    return text;
}

BusScanTable BusScanTable::ForIds() {
    return {{tr("从站ID"), tr("响应时间(ms)"), tr("应答"), tr("设备标识"), tr("应答报文")}, {}};
}

BusScanTable BusScanTable::ForSettings() {
    return {{tr("波特率"), tr("数据位"), tr("校验"), tr("停止位"), tr("从站ID"), tr("响应时间(ms)"),
             tr("应答")},
            {}};
}

BusScanTable BusScanTable::ForAddressMap() {
    return {{tr("表"), tr("起始地址"), tr("结束地址"), tr("数量")}, {}};
}

BusScanTable BusScanTable::ForHosts() {
    BusScanTable t = ForIds();
    t.header.prepend(tr("主机"));
    return t;
}

BusScanTable BusScanTable::ForMode(int mode) {
    using Make = BusScanTable (*)();
    constexpr Make kTables[] = {ForIds, ForSettings, ForAddressMap, ForHosts};
    return mode >= 0 && mode < static_cast<int>(std::size(kTables)) ? kTables[mode]() : ForIds();
}

QString BusScanTable::AnswerText(EngineStatus status) {
    if (status == status::Ok)
        return tr("正常");
    if (status >= status::ExceptionBase && status < status::ExceptionBase + 128)
        return tr("异常码 %1").arg(status - status::ExceptionBase, 2, 10, QLatin1Char('0'));
    return QString();
}

QString BusScanTable::Milliseconds(qint64 microseconds) {
    return QString::number(static_cast<double>(microseconds) / 1000.0, 'f', 1);
}

QString BusScanTable::TableName(int function) {
    switch (function) {
    case 1: return tr("01 线圈");
    case 2: return tr("02 离散输入");
    case 3: return tr("03 保持寄存器");
    case 4: return tr("04 输入寄存器");
    default: return QString::number(function);
    }
}

QString BusScanTable::ParityText(int parity) {
    switch (parity) {
    case 1: return tr("奇");
    case 2: return tr("偶");
    default: return tr("无");
    }
}

}  // namespace zentiq

namespace zentiq {

QString BusScanTable::IdentityText(const std::optional<std::vector<std::uint8_t>>& report,
                                   const std::vector<DeviceIdObject>& objects) {
    QStringList parts;
    for (const DeviceIdObject& o : objects) {
        if (o.value.empty())
            continue;
        const char* name = DeviceIdObjectName(o.id);
        const QString label = name != nullptr ? QLatin1String(name)
                                              : QStringLiteral("0x%1").arg(o.id, 2, 16, QLatin1Char('0'));
        parts << label + u'=' + DeviceIdentityText::ObjectValue(o.value);
    }
    if (!parts.isEmpty())
        return parts.join(QStringLiteral("; "));
    return report ? DeviceIdentityText::Printable(*report) : QString();
}

}  // namespace zentiq
