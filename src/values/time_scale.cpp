#include "values/time_scale.h"

#include <QDateTime>

#include <algorithm>
#include <array>
#include <cmath>

namespace zentiq {
namespace {

constexpr qint64 kSecond = 1000;
constexpr qint64 kMinute = 60 * kSecond;
constexpr qint64 kHour = 60 * kMinute;
constexpr qint64 kDay = 24 * kHour;
// About 270,000 years either side of 1970: far beyond any trend, and sums of
// two such times and an offset stay well inside 64 bits.
constexpr qint64 kLimitMs = 100'000'000 * kDay;

// Steps a clock reader counts in; beyond the last, days in 1, 2, 5 x 10^n.
constexpr std::array<qint64, 26> kSteps = {1,
                                           2,
                                           5,
                                           10,
                                           20,
                                           50,
                                           100,
                                           200,
                                           500,
                                           kSecond,
                                           2 * kSecond,
                                           5 * kSecond,
                                           10 * kSecond,
                                           15 * kSecond,
                                           30 * kSecond,
                                           kMinute,
                                           2 * kMinute,
                                           5 * kMinute,
                                           10 * kMinute,
                                           15 * kMinute,
                                           30 * kMinute,
                                           kHour,
                                           2 * kHour,
                                           3 * kHour,
                                           6 * kHour,
                                           12 * kHour};

// The smallest step at which no alignment of the span gives more ticks than allowed.
qint64 stepFor(qint64 spanMs, int maxTicks) {
    const auto fits = [&](qint64 step) { return spanMs / step + 1 <= maxTicks; };
    for (const qint64 step : kSteps)
        if (fits(step))
            return step;
    // Spans are at most 2 * kLimitMs, so one of these fits.
    for (qint64 days = 1; days <= 10 * (kLimitMs / kDay); days *= 10)
        for (const qint64 factor : {1, 2, 5})
            if (fits(factor * days * kDay))
                return factor * days * kDay;
    return 2 * kLimitMs;
}

// Floor division that rounds towards minus infinity, for times before 1970.
qint64 floorDiv(qint64 a, qint64 b) { return a / b - (a % b != 0 && (a < 0) != (b < 0)); }

QString formatFor(qint64 step, bool severalDays) {
    if (step >= kDay)
        return QStringLiteral("yyyy-MM-dd");
    QString time = step < kSecond   ? QStringLiteral("hh:mm:ss.zzz")
                   : step < kMinute ? QStringLiteral("hh:mm:ss")
                                    : QStringLiteral("hh:mm");
    return severalDays ? QStringLiteral("MM-dd ") + time : time;
}

}  // namespace

TimeScale TimeScaleFor(qint64 fromMs, qint64 toMs, int utcOffsetSeconds, int maxTicks) {
    TimeScale scale;
    if (toMs <= fromMs || fromMs < -kLimitMs || toMs > kLimitMs ||
        std::abs(utcOffsetSeconds) > kDay / kSecond)
        return scale;
    maxTicks = std::max(maxTicks, 4);
    const qint64 offset = qint64(utcOffsetSeconds) * kSecond;
    const qint64 step = stepFor(toMs - fromMs, maxTicks);
    // Whole steps of local time: the first at or after the start.
    const qint64 localFrom = fromMs + offset;
    const qint64 first = -floorDiv(-localFrom, step) * step - offset;
    for (qint64 tick = first; tick <= toMs && int(scale.ticks.size()) < maxTicks; tick += step)
        scale.ticks.push_back(tick);
    scale.stepMs = step;
    const auto localDay = [&](qint64 ms) { return floorDiv(ms + offset, kDay); };
    const bool severalDays =
        !scale.ticks.empty() && localDay(scale.ticks.front()) != localDay(scale.ticks.back());
    scale.labelFormat = formatFor(step, severalDays);
    for (const qint64 tick : scale.ticks)
        scale.labels
            << QDateTime::fromMSecsSinceEpoch(tick + offset, Qt::UTC).toString(scale.labelFormat);
    return scale;
}

}  // namespace zentiq
