#include "values/connection_text.h"

#include <array>

#include "engine/engine.h"
#include "engine/modbus_line.h"

namespace zentiq {

QString ConnectionText::Framing(const ConnectionSettings& s) {
    const char parity = s.Parity == 1 ? 'O' : s.Parity == 2 ? 'E' : 'N';
    return QStringLiteral("%1 %2%3%4")
        .arg(BaudTimingForIndex(s.BaudRate).baud)
        .arg(s.DataBits != 0 ? 8 : 7)
        .arg(QLatin1Char(parity))
        .arg(s.StopBits + 1);
}

QString ConnectionText::Describe(const ConnectionSettings& s, const ModbusLine& line) {
    if (s.Serial != 0)
        return QStringLiteral("%1 %2:%3")
            .arg(s.TcpFraming == kTcpFramingRtu ? QStringLiteral("RTU over TCP")
                                                : QStringLiteral("TCP"),
                 QString::fromStdString(s.IPAddress))
            .arg(s.ServicePort);
    std::array<char, 256> device{};
    const QString path = line.GetSerialDevice(s.Port + 1, device.data(), device.size()) >= 0
                             ? QString::fromLocal8Bit(device.data())
                             : QStringLiteral("COM%1").arg(s.Port + 1);
    return QStringLiteral("%1 %2 %3")
        .arg(path, Framing(s), s.RTU_ASCII != 0 ? QStringLiteral("ASCII") : QStringLiteral("RTU"));
}

QString ConnectionText::Duration(std::int64_t ms) {
    const std::int64_t seconds = (ms + 500) / 1000;
    if (seconds < 1)
        return tr("不到 1 秒");
    if (seconds < 60)
        return tr("约 %1 秒").arg(seconds);
    if (seconds < 3600)
        return tr("约 %1 分 %2 秒").arg(seconds / 60).arg(seconds % 60);
    return tr("约 %1 小时 %2 分").arg(seconds / 3600).arg(seconds % 3600 / 60);
}

QString ConnectionText::SweepTrying(const ConnectionSettings& settings, int slaveId,
                                    std::int64_t remainingMs) {
    return tr("正在尝试 %1，ID %2；预计还需%3。")
        .arg(Framing(settings))
        .arg(slaveId)
        .arg(Duration(remainingMs));
}

}  // namespace zentiq
