// The connection settings in the settings store's section "CommSetup": the
// seventeen keys, "TcpFraming" beside them, and the auto-connect switch.
#pragma once

#include <QString>
#include <QStringList>

#include "engine/engine_types.h"

namespace zentiq {

class SettingsStore;

class ConnectionSettingsStore {
public:
    // With the conversion of a missing "Serial". A value outside the range
    // its dialog accepts reads as the key's default.
    // `section`: "CommSetup" for the first connection, one of its own for
    // each further named connection.
    static ConnectionSettings Read(const SettingsStore& store, bool* autoEnable,
                                   const QString& section = Section());
    // The seventeen keys, in the order in which they are stored; after them
    // "TcpFraming" once RTU over TCP has been chosen.
    static void Write(SettingsStore& store, const ConnectionSettings& settings,
                      const QString& section = Section());
    // "CommSetup".
    static QString Section();
    static const QStringList& Keys();
    // "AutoEnable": connect about a second after start-up.
    static void WriteAutoEnable(SettingsStore& store, bool on);
};

}  // namespace zentiq
