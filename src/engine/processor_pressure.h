// Whether other programs wait for a processor: the kernel's pressure
// figure for processors (/proc/pressure/cpu, the share of the last ten
// seconds in which some runnable task waited). On a busy machine a worker
// that looks for its answer competes with the busy programs like one of
// them, while one that sleeps is woken at once; the look asks this first.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace zentiq {

class ProcessorPressure {
public:
    using Clock = std::chrono::steady_clock;
    // Above this share of waiting the machine counts as busy.
    static constexpr double kBusyPercent = 10.0;
    // How often the figure is read again.
    static constexpr std::chrono::milliseconds kPeriod{500};

    explicit ProcessorPressure(std::string path = "/proc/pressure/cpu") : m_path(std::move(path)) {}
    // Whether the machine was busy at the last reading (taken at most
    // kPeriod ago). A kernel without the figure never counts as busy.
    bool Busy(Clock::time_point now = Clock::now());

    // The "some avg10" percentage of the figure's text, if it has one.
    static std::optional<double> SomeAvg10(std::string_view text);

private:
    std::string m_path;
    Clock::time_point m_readAt{};
    bool m_read = false;
    bool m_busy = false;
};

}  // namespace zentiq
