#include "values/trend_sample_buffer.h"

#include <algorithm>
#include <limits>

namespace zentiq {

TrendSampleBuffer::TrendSampleBuffer(std::size_t series, std::size_t rows)
    : m_times(std::max<std::size_t>(rows, 1)), m_gaps(m_times.size()) {
    Reset(series);
}

void TrendSampleBuffer::Reset(std::size_t series) {
    m_series = series;
    m_size = 0;
    m_values.assign(m_times.size() * series, std::numeric_limits<double>::quiet_NaN());
}

std::span<double> TrendSampleBuffer::PushRow(qint64 ms) {
    if (Full())
        return {};
    const std::size_t row = m_size++;
    m_times[row] = ms;
    m_gaps[row] = 0;
    return {m_values.data() + row * m_series, m_series};
}

void TrendSampleBuffer::PushGap(qint64 ms) {
    if (Full())
        return;
    m_times[m_size] = ms;
    m_gaps[m_size] = 1;
    ++m_size;
}

bool TrendSampleBuffer::DrainInto(std::span<TrendSeries> series) {
    if (m_size == 0)
        return false;
    // Line by line: each store's newest buckets stay in the cache.
    const std::size_t lines = std::min(series.size(), m_series);
    for (std::size_t s = 0; s < lines; ++s) {
        TrendSeries& store = series[s];
        for (std::size_t row = 0; row < m_size; ++row) {
            if (m_gaps[row])
                store.AddGap(m_times[row]);
            else
                store.Add(m_times[row], m_values[row * m_series + s]);
        }
    }
    m_size = 0;
    return true;
}

}  // namespace zentiq
