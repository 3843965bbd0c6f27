// What a failed open of the connection tells the user: the message of the
// open result, then its cause in words, and for a serial port refused by
// permissions how to get access.
#pragma once

#include <QCoreApplication>
#include <QString>

#include "engine/engine_types.h"

namespace zentiq {

class ModbusLine;

class ConnectFailureText {
    Q_DECLARE_TR_FUNCTIONS(ConnectFailureText)
public:
    // Empty when the result has none. `error` is the errno of the failure;
    // without it the engine's last one is taken.
    static QString Message(const ModbusLine& line, const ConnectionSettings& settings, int result);
    static QString Message(const ModbusLine& line, const ConnectionSettings& settings, int result,
                           int error);
    // The cause of a serial port that is not available, from the errno of
    // the open: in use, not a serial device, not permitted, or the error's
    // own description; empty for 0.
    static QString SerialOpenCause(int error);
    // How to get access to a serial device that could not be opened with
    // errno `error` (EACCES/EPERM); empty for other errors.
    static QString SerialPermissionHint(const QString& devicePath, int error);
};

}  // namespace zentiq
