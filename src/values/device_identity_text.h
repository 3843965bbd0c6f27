// The texts of the device identity dialog that need no window: bytes in hex
// and as printable text, object values, the loopback counts and round trips,
// and everything the dialog found as one text to copy.
#pragma once

#include <QCoreApplication>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

#include "engine/device_identity.h"
#include "values/loopback_tally.h"

namespace zentiq {

// What one session of the dialog found; a part not read stays empty.
struct DeviceIdentityFindings {
    int slaveId = 1;
    std::optional<std::vector<std::uint8_t>> report;  // report slave ID bytes
    QString reportFailure;                            // why there are none
    int readCode = 0;                                 // 0: identity not read
    std::vector<DeviceIdObject> objects;
    QString identityFailure;
    std::optional<LoopbackTally> loopback;
    std::vector<std::uint8_t> pattern;  // the loopback's data bytes
};

class DeviceIdentityText {
    Q_DECLARE_TR_FUNCTIONS(DeviceIdentityText)
public:
    // "07 FF 5A 51"
    static QString Hex(const std::vector<std::uint8_t>& bytes);
    // Printable ASCII as it is, every other byte as '.'.
    static QString Printable(const std::vector<std::uint8_t>& bytes);
    // An object's value as text when it is readable UTF-8 without control
    // characters, else its bytes in hex.
    static QString ObjectValue(const std::string& value);
    // The loopback's data: hex bytes separated by blanks ("A5 37"; a longer
    // group is read in pairs, "A537"), 1 to kMaxEchoBytes of them; nothing
    // for any other text.
    static std::optional<std::vector<std::uint8_t>> ParsePattern(const QString& text);
    // "12.34 ms"
    static QString RoundTrip(std::int64_t us);
    // The counts of a loopback test in one line.
    static QString Counts(const LoopbackTally& tally);
    // Round trips "min / avg / max" of the good echoes; "-" without one.
    static QString RoundTrips(const LoopbackTally& tally);
    // Everything found, one item a line, tab between label and value.
    static QString Report(const DeviceIdentityFindings& findings);
};

}  // namespace zentiq
