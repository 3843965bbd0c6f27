// Trend axes: ranges widened to steps of 1, 2 or 5 x 10^n, ticks on them,
// and the awkward inputs (flat, inverted, huge, tiny, not finite).
#include "values/nice_scale.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

namespace zentiq {
namespace {

TEST(NiceScaleTest, RangesWidenToOneTwoOrFiveTimesAPowerOfTen) {
    struct Case {
        double low, high;
        double min, max, step;
        const char* format;
    };
    const Case cases[] = {
        {-10, 10.5, -10, 15, 5, "%.0f"},
        {0, 100, 0, 100, 10, "%.0f"},
        {0.12, 0.87, 0.1, 0.9, 0.1, "%.1f"},
        {230.41, 230.47, 230.41, 230.47, 0.01, "%.2f"},
        {-7, -7, -7.5, -6.5, 0.1, "%.1f"},
        {5, 1, 1, 5, 0.5, "%.1f"},
        {1e9, 3e9, 1e9, 3e9, 2e8, "%.4g"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.low << " .. " << c.high);
        const NiceScale s = NiceScaleFor(c.low, c.high);
        EXPECT_LE(s.min, std::min(c.low, c.high));
        EXPECT_GE(s.max, std::max(c.low, c.high));
        EXPECT_LE(s.ticks, 11);
        EXPECT_NEAR(s.ticks, (s.max - s.min) / s.step + 1, 1e-6);
        // The step is 1, 2 or 5 times a power of ten and the ends lie on it.
        const double mantissa = s.step / std::pow(10.0, std::floor(std::log10(s.step) + 1e-12));
        EXPECT_TRUE(std::abs(mantissa - 1) < 1e-9 || std::abs(mantissa - 2) < 1e-9 ||
                    std::abs(mantissa - 5) < 1e-9)
            << s.step;
        EXPECT_NEAR(s.min / s.step, std::round(s.min / s.step), 1e-6);
        EXPECT_NEAR(s.max / s.step, std::round(s.max / s.step), 1e-6);
        EXPECT_NEAR(s.min, c.min, 1e-9 * std::max(1.0, std::abs(c.min)));
        EXPECT_NEAR(s.max, c.max, 1e-9 * std::max(1.0, std::abs(c.max)));
        EXPECT_NEAR(s.step, c.step, 1e-9 * c.step);
        EXPECT_EQ(s.labelFormat, QString::fromLatin1(c.format));
    }
}

TEST(NiceScaleTest, InputsWithoutStepsOfTheirOwnStillGiveAUsableAxis) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (const auto& [low, high] : {std::pair{nan, 1.0}, std::pair{0.0, inf}}) {
        const NiceScale s = NiceScaleFor(low, high);
        EXPECT_LT(s.min, s.max);
        EXPECT_GE(s.ticks, 2);
    }
    // A float near its magnitude's resolution: the plain range, two ticks.
    const double big = 1e300;
    const NiceScale s = NiceScaleFor(big, std::nextafter(big, inf));
    EXPECT_LE(s.min, big);
    EXPECT_GE(s.max, big);
    EXPECT_GE(s.ticks, 2);
    EXPECT_LE(s.ticks, 11);
}

}  // namespace
}  // namespace zentiq
