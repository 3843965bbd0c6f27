// A connection in one line, as files and status texts name it:
// "TCP 127.0.0.1:502", "/dev/ttyUSB0 19200 8E1 RTU", and the serial
// framing alone ("19200 8E1"); and a duration as people read it.
#pragma once

#include <QCoreApplication>
#include <QString>

#include <cstdint>

#include "engine/engine_types.h"

namespace zentiq {

class ModbusLine;

struct ConnectionText {
    Q_DECLARE_TR_FUNCTIONS(ConnectionText)
public:
    // Baud rate, data bits, parity letter, stop bits.
    static QString Framing(const ConnectionSettings& settings);
    // The whole connection; the serial port by its device path.
    static QString Describe(const ConnectionSettings& settings, const ModbusLine& line);
    // "约 1 小时 5 分", "约 3 分 20 秒", "约 45 秒", "不到 1 秒".
    static QString Duration(std::int64_t milliseconds);
    // What the serial-settings sweep is trying and how long it should take.
    static QString SweepTrying(const ConnectionSettings& settings, int slaveId,
                               std::int64_t remainingMs);
};

}  // namespace zentiq
