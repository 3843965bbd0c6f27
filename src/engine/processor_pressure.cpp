#include "engine/processor_pressure.h"

#include <fcntl.h>
#include <unistd.h>

#include <charconv>

namespace zentiq {

std::optional<std::uint64_t> ProcessorPressure::SomeTotalUs(std::string_view text) {
    // "some avg10=12.34 avg60=... avg300=... total=123456" on the first line.
    const std::string_view line = text.substr(0, text.find('\n'));
    if (line.substr(0, 5) != "some ") return std::nullopt;
    const std::size_t at = line.find(" total=");
    if (at == std::string_view::npos) return std::nullopt;
    const std::string_view digits = line.substr(at + 7);
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size() || digits.empty()) return std::nullopt;
    return value;
}

bool ProcessorPressure::Busy(Clock::time_point now) {
    if (m_read && now - m_readAt < kPeriod) return m_busy;
    // A plain read of a small file, twice a second at most.
    std::optional<std::uint64_t> total;
    const int fd = ::open(m_path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        char text[160];
        const ssize_t n = ::read(fd, text, sizeof text);
        ::close(fd);
        if (n > 0) total = SomeTotalUs(std::string_view(text, static_cast<std::size_t>(n)));
    }
    const auto elapsedUs = std::chrono::duration_cast<std::chrono::microseconds>(now - m_readAt).count();
    m_busy = m_read && total && m_totalUs && *total >= *m_totalUs && elapsedUs > 0 &&
             100.0 * static_cast<double>(*total - *m_totalUs) / static_cast<double>(elapsedUs) > kBusyPercent;
    m_read = true;
    m_readAt = now;
    m_totalUs = total;
    return m_busy;
}

}  // namespace zentiq
