#include "engine/device_identity.h"

#include <array>

namespace zentiq {
namespace {

constexpr std::uint8_t kReportSlaveId = 17;
constexpr std::uint8_t kEncapsulatedInterface = 43;
// slave, 43, MEI type, read code, conformity, more follows, next id, count
constexpr std::size_t kPageHeader = 8;

}  // namespace

std::optional<std::vector<std::uint8_t>> ParseSlaveIdReport(const std::uint8_t* pdu,
                                                            std::size_t length) {
    if (pdu == nullptr || length < 3 || pdu[1] != kReportSlaveId) return std::nullopt;
    if (3 + std::size_t{pdu[2]} != length) return std::nullopt;
    return std::vector<std::uint8_t>(pdu + 3, pdu + length);
}

std::size_t DeviceIdAnswerLength(const std::uint8_t* pdu, std::size_t got, std::size_t limit) {
    if (got < 3 || pdu[2] != kMeiReadDeviceId || got < kPageHeader) return 0;
    std::size_t pos = kPageHeader;
    for (std::size_t left = pdu[7]; left > 0; --left) {
        if (pos + 2 > limit) return limit + 1;
        if (pos + 2 > got) return 0;
        pos += 2 + std::size_t{pdu[pos + 1]};
        if (pos > limit) return limit + 1;
    }
    return pos;
}

std::optional<DeviceIdPage> ParseDeviceIdPage(const std::uint8_t* pdu, std::size_t length) {
    if (pdu == nullptr || length < kPageHeader || pdu[1] != kEncapsulatedInterface ||
        pdu[2] != kMeiReadDeviceId)
        return std::nullopt;
    if (pdu[5] != 0x00 && pdu[5] != 0xFF) return std::nullopt;
    if (DeviceIdAnswerLength(pdu, length, length) != length) return std::nullopt;
    DeviceIdPage page;
    page.readCode = pdu[3];
    page.conformity = pdu[4];
    page.moreFollows = pdu[5] == 0xFF;
    page.nextObjectId = pdu[6];
    std::size_t pos = kPageHeader;
    for (std::size_t left = pdu[7]; left > 0; --left) {
        const std::size_t n = pdu[pos + 1];
        page.objects.push_back(
            {pdu[pos], std::string(reinterpret_cast<const char*>(pdu + pos + 2), n)});
        pos += 2 + n;
    }
    return page;
}

const char* DeviceIdObjectName(std::uint8_t id) {
    static constexpr std::array<const char*, 7> kNames{
        "VendorName",  "ProductCode", "MajorMinorRevision", "VendorUrl",
        "ProductName", "ModelName",   "UserApplicationName"};
    return id < kNames.size() ? kNames[id] : nullptr;
}

}  // namespace zentiq
