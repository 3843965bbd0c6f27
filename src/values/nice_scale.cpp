#include "values/nice_scale.h"

#include <algorithm>
#include <cmath>

namespace zentiq {

NiceScale NiceScaleFor(double low, double high, int maxTicks) {
    NiceScale scale;
    if (!std::isfinite(low) || !std::isfinite(high))
        return scale;
    maxTicks = std::max(maxTicks, 3);
    if (high < low)
        std::swap(low, high);
    if (high == low) {
        const double half = std::max(0.5, std::abs(low) * 0.05);
        low -= half;
        high += half;
    }
    // The smallest step of 1, 2 or 5 x 10^n that covers the range in the ticks allowed.
    const double rough = (high - low) / (maxTicks - 1);
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (const double factor : {1.0, 2.0, 5.0, 10.0, 20.0}) {
        const double step = factor * power;
        const double min = std::floor(low / step) * step;
        const double max = std::ceil(high / step) * step;
        const double count = std::round((max - min) / step) + 1;
        if (!std::isfinite(min) || !std::isfinite(max) || count > maxTicks || max <= min)
            continue;
        scale.min = min;
        scale.max = max;
        scale.step = step;
        scale.ticks = int(count);
        const int decimals = std::max(0, -int(std::floor(std::log10(step) + 1e-9)));
        const bool huge = std::max(std::abs(min), std::abs(max)) >= 1e7;
        scale.labelFormat =
            huge || decimals > 6 ? QStringLiteral("%.4g") : QStringLiteral("%.%1f").arg(decimals);
        return scale;
    }
    // Values too close for their magnitude to have steps of their own.
    scale.min = low;
    scale.max = high;
    scale.step = high - low;
    scale.ticks = 2;
    scale.labelFormat = QStringLiteral("%.6g");
    return scale;
}

}  // namespace zentiq
