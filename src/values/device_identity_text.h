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
#include "framework/function_support_scan.h"
#include "values/loopback_tally.h"

namespace zentiq {

// What one session of the window found; a part not read stays empty. Each
// part keeps the slave it came from: the slave ID can change between reads.
struct DeviceIdentityFindings {
    int reportSlave = 0;                              // 0: report slave ID not read
    std::optional<std::vector<std::uint8_t>> report;  // report slave ID bytes
    QString reportFailure;                            // why there are none
    int identitySlave = 0;
    int readCode = 0;  // 0: identity not read
    std::vector<DeviceIdObject> objects;
    QString identityFailure;
    bool identityCut = false;  // the device still announced more at the request limit
    int loopbackSlave = 0;
    std::optional<LoopbackTally> loopback;
    std::vector<std::uint8_t> pattern;  // the loopback's data bytes
    int supportSlave = 0;               // 0: functions not probed
    std::vector<FunctionProbe> support;
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
    // A part's title with the slave it came from: "回环测试 (08/00)，从站 13".
    static QString Section(const QString& title, int slaveId);
    // What the window says of an identity list cut at the request limit.
    static QString CutText();
    // Everything found, part by part, each under its title with its slave;
    // one item a line, tab between label and value, a blank line between
    // parts.
    static QString Report(const DeviceIdentityFindings& findings);
};

}  // namespace zentiq
