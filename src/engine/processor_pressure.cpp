#include "engine/processor_pressure.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

namespace zentiq {

std::optional<double> ProcessorPressure::SomeAvg10(std::string_view text) {
    // "some avg10=12.34 avg60=... total=..." on the first line.
    constexpr std::string_view kKey = "some avg10=";
    if (text.substr(0, kKey.size()) != kKey) return std::nullopt;
    const std::string number(text.substr(kKey.size(), text.find(' ', kKey.size()) - kKey.size()));
    char* end = nullptr;
    const double value = std::strtod(number.c_str(), &end);
    if (number.empty() || end != number.c_str() + number.size() || !(value >= 0) || value > 100)
        return std::nullopt;
    return value;
}

bool ProcessorPressure::Busy(Clock::time_point now) {
    if (m_read && now - m_readAt < kPeriod) return m_busy;
    m_read = true;
    m_readAt = now;
    m_busy = false;
    // A plain read of a small file, twice a second at most, without
    // allocating on the worker's way.
    const int fd = ::open(m_path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char text[128];
    const ssize_t n = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    if (n <= 0) return false;
    const auto some = SomeAvg10(std::string_view(text, static_cast<std::size_t>(n)));
    m_busy = some && *some > kBusyPercent;
    return m_busy;
}

}  // namespace zentiq
