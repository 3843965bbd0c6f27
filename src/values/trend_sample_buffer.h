// The samples of a trend's lines as they come in, before they are filed
// into the lines' stores. A poll result only copies one row of values here
// (no allocation: the rows are reserved up front); whoever draws the chart
// files all rows at once, so the result path stays short however many
// lines the trend has. No window needed.
#pragma once

#include <QtGlobal>

#include <cstddef>
#include <span>
#include <vector>

#include "values/trend_series.h"

namespace zentiq {

class TrendSampleBuffer {
public:
    // Rows a buffer holds by default: a redraw period's worth of results at
    // the fastest poll rate, with room to spare.
    static constexpr std::size_t kDefaultRows = 4096;

    explicit TrendSampleBuffer(std::size_t series = 0, std::size_t rows = kDefaultRows);

    // Empty, with rows of `series` values.
    void Reset(std::size_t series);

    std::size_t Series() const { return m_series; }
    std::size_t Size() const { return m_size; }
    std::size_t Capacity() const { return m_times.size(); }
    bool Empty() const { return m_size == 0; }
    bool Full() const { return m_size == m_times.size(); }

    // A row of Series() values taken at `ms`, for the caller to fill; a NaN
    // is a line without a value in this row. A full buffer takes nothing
    // (an empty row): drain it first.
    std::span<double> PushRow(qint64 ms);
    // A poll failed at `ms`: every line breaks here (unless full).
    void PushGap(qint64 ms);

    // Files the rows, oldest first, into `series` (one store per value of a
    // row; stores beyond Series() are left alone) and empties the buffer.
    // Returns whether there was anything to file.
    bool DrainInto(std::span<TrendSeries> series);

private:
    std::size_t m_series = 0;
    std::size_t m_size = 0;
    std::vector<qint64> m_times;
    std::vector<unsigned char> m_gaps;
    std::vector<double> m_values;  // row-major, m_series per row
};

}  // namespace zentiq
