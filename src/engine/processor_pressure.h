// Whether other programs wait for a processor: the kernel's pressure
// figure for processors (/proc/pressure/cpu: "some ... total=" counts the
// microseconds in which some runnable task waited). On a busy machine a
// worker that looks for its answer competes with the busy programs like
// one of them, while one that sleeps is woken at once; the look asks this
// first. A client and its slave on a small machine wait for each other's
// processor now and then too, so only a share well above that counts.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zentiq {

class ProcessorPressure {
public:
    using Clock = std::chrono::steady_clock;
    // Above this share of waiting since the last reading the machine counts
    // as busy (a client and a slave on two cores cause up to about 35 %).
    static constexpr double kBusyPercent = 50.0;
    // How often the figure is read again.
    static constexpr std::chrono::milliseconds kPeriod{500};

    explicit ProcessorPressure(std::string path = "/proc/pressure/cpu") : m_path(std::move(path)) {}
    // Whether the machine was busy between the last two readings (the
    // latest taken at most kPeriod ago). A kernel without the figure never
    // counts as busy, nor does the first reading.
    bool Busy(Clock::time_point now = Clock::now());

    // The "some" line's total stall time in microseconds, if the text has one.
    static std::optional<std::uint64_t> SomeTotalUs(std::string_view text);

private:
    std::string m_path;
    bool m_read = false;
    Clock::time_point m_readAt{};
    std::optional<std::uint64_t> m_totalUs;  // at m_readAt
    bool m_busy = false;
};

}  // namespace zentiq
