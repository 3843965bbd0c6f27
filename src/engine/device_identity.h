// The answers of report slave ID (17) and read device identification
// (43 / 14), taken apart. They begin with the slave ID and the function, as
// the engine keeps them whole (OneShotAnswer::data, answerLength bytes).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zentiq {

// MEI type of read device identification.
inline constexpr std::uint8_t kMeiReadDeviceId = 0x0E;

// Read device ID codes: the stream of basic, regular or extended objects, or
// one object.
enum class DeviceIdCode : std::uint8_t { Basic = 1, Regular = 2, Extended = 3, OneObject = 4 };

// The device's own bytes after the byte count (commonly its ID, a run
// indicator 0x00/0xFF and text); nullopt when the answer is not a 17 answer
// whose byte count spans exactly the rest.
std::optional<std::vector<std::uint8_t>> ParseSlaveIdReport(const std::uint8_t* pdu,
                                                            std::size_t length);

struct DeviceIdObject {
    std::uint8_t id = 0;
    std::string value;  // the bytes as sent
    bool operator==(const DeviceIdObject&) const = default;
};

// One answer of read device identification.
struct DeviceIdPage {
    std::uint8_t readCode = 0;
    std::uint8_t conformity = 0;
    bool moreFollows = false;
    std::uint8_t nextObjectId = 0;
    std::vector<DeviceIdObject> objects;
};

// nullopt unless the answer is 43 / 14, "more follows" is 0x00 or 0xFF and
// the object list ends exactly where the answer does.
std::optional<DeviceIdPage> ParseDeviceIdPage(const std::uint8_t* pdu, std::size_t length);

// The PDU length that the first got bytes of a 43 answer announce by their
// object list: 0 while they do not tell yet (or the MEI type is not 14),
// limit + 1 once the list runs past limit.
std::size_t DeviceIdAnswerLength(const std::uint8_t* pdu, std::size_t got, std::size_t limit);

// The standard name of objects 0..6 ("VendorName", ..., "UserApplicationName");
// nullptr for the others, which only have a number.
const char* DeviceIdObjectName(std::uint8_t id);

}  // namespace zentiq
