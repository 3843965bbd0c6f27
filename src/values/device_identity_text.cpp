#include "values/device_identity_text.h"

#include <QStringList>

#include "engine/engine_types.h"
#include "framework/device_identity_reader.h"
#include "values/function_support_text.h"

namespace zentiq {

QString DeviceIdentityText::Hex(const std::vector<std::uint8_t>& bytes) {
    QStringList parts;
    parts.reserve(static_cast<qsizetype>(bytes.size()));
    for (std::uint8_t b : bytes)
        parts << QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
    return parts.join(QLatin1Char(' '));
}

QString DeviceIdentityText::Printable(const std::vector<std::uint8_t>& bytes) {
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (std::uint8_t b : bytes)
        text += (b >= 0x20 && b < 0x7F) ? QChar(b) : QLatin1Char('.');
    return text;
}

QString DeviceIdentityText::ObjectValue(const std::string& value) {
    const QByteArray raw(value.data(), static_cast<qsizetype>(value.size()));
    const QString text = QString::fromUtf8(raw);
    bool readable = text.toUtf8() == raw;
    for (QChar c : text)
        readable = readable && c.category() != QChar::Other_Control;
    if (readable) return text;
    return Hex(std::vector<std::uint8_t>(value.begin(), value.end()));
}

std::optional<std::vector<std::uint8_t>> DeviceIdentityText::ParsePattern(const QString& text) {
    std::vector<std::uint8_t> bytes;
    for (const QString& group : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (group.size() > 2 && group.size() % 2 != 0) return std::nullopt;
        for (qsizetype i = 0; i < group.size(); i += 2) {
            bool ok = false;
            const uint value = group.mid(i, 2).toUInt(&ok, 16);
            if (!ok || group.mid(i, 2).startsWith(QLatin1Char('+'))) return std::nullopt;
            bytes.push_back(static_cast<std::uint8_t>(value));
        }
        if (bytes.size() > kMaxEchoBytes) return std::nullopt;
    }
    if (bytes.empty()) return std::nullopt;
    return bytes;
}

QString DeviceIdentityText::RoundTrip(std::int64_t us) {
    return QStringLiteral("%1 ms").arg(static_cast<double>(us) / 1000.0, 0, 'f', 2);
}

QString DeviceIdentityText::Counts(const LoopbackTally& tally) {
    using O = LoopbackTally::Outcome;
    return tr("发送 %1，正确 %2，丢失 %3，损坏 %4，异常 %5，失败 %6")
        .arg(tally.Sent())
        .arg(tally.Count(O::Echoed))
        .arg(tally.Count(O::Lost))
        .arg(tally.Count(O::Corrupted))
        .arg(tally.Count(O::Refused))
        .arg(tally.Count(O::Failed));
}

QString DeviceIdentityText::RoundTrips(const LoopbackTally& tally) {
    if (tally.Timed() == 0) return QStringLiteral("-");
    return QStringLiteral("%1 / %2 / %3")
        .arg(RoundTrip(tally.MinUs()), RoundTrip(tally.AverageUs()), RoundTrip(tally.MaxUs()));
}

QString DeviceIdentityText::Section(const QString& title, int slaveId) {
    return tr("%1，从站 %2").arg(title).arg(slaveId);
}

QString DeviceIdentityText::CutText() {
    return tr("列表不完整：已达 %1 次请求上限").arg(DeviceIdentityReader::kMaxRequests);
}

QString DeviceIdentityText::Report(const DeviceIdentityFindings& f) {
    QList<QStringList> parts;
    const QChar tab = QLatin1Char('\t');
    if (f.reportSlave != 0) {
        QStringList& lines = parts.emplaceBack();
        lines << Section(tr("报告从站 ID (17)"), f.reportSlave);
        if (f.report) {
            lines << tr("十六进制") + tab + Hex(*f.report);
            lines << tr("文本") + tab + Printable(*f.report);
        } else {
            lines << tr("错误") + tab + f.reportFailure;
        }
    }
    if (f.identitySlave != 0) {
        QStringList& lines = parts.emplaceBack();
        lines << Section(tr("设备识别 (43/14，读取代码 %1)").arg(f.readCode), f.identitySlave);
        for (const DeviceIdObject& o : f.objects)
            lines << DeviceIdentityReader::ObjectName(o.id) + tab + ObjectValue(o.value);
        if (f.identityCut) lines << CutText();
        if (!f.identityFailure.isEmpty()) lines << tr("错误") + tab + f.identityFailure;
    }
    if (f.loopbackSlave != 0 && f.loopback) {
        QStringList& lines = parts.emplaceBack();
        lines << Section(tr("回环测试 (08/00，数据 %1)").arg(Hex(f.pattern)), f.loopbackSlave);
        lines << Counts(*f.loopback);
        lines << tr("往返时间 最小 / 平均 / 最大") + tab + RoundTrips(*f.loopback);
    }
    if (f.supportSlave != 0) {
        QStringList& lines = parts.emplaceBack();
        lines << Section(tr("功能支持"), f.supportSlave);
        for (const FunctionProbe& p : f.support)
            lines << FunctionSupportText::Row(p).join(tab);
    }
    QStringList blocks;
    for (const QStringList& lines : parts)
        blocks << lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
    return blocks.join(QLatin1Char('\n'));
}

}  // namespace zentiq
