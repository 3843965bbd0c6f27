// Time axes of the trend: the step a reader counts in for spans from a
// fraction of a second to years, ticks on whole steps of local wall-clock
// time, labels with the date once the ticks cross midnight, and the spans
// that have no ticks (empty, inverted, beyond any date).
#include "values/time_scale.h"

#include <QDateTime>
#include <QSet>

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace zentiq {
namespace {

constexpr qint64 kSecond = 1000;
constexpr qint64 kMinute = 60 * kSecond;
constexpr qint64 kHour = 60 * kMinute;
constexpr qint64 kDay = 24 * kHour;

qint64 utc(int y, int mo, int d, int h, int mi, int s, int ms = 0) {
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), Qt::UTC).toMSecsSinceEpoch();
}

qint64 floorMod(qint64 a, qint64 b) { return ((a % b) + b) % b; }

// What every scale must hold, whatever the span.
void expectSound(const TimeScale& s, qint64 from, qint64 to, int offsetSeconds, int maxTicks) {
    ASSERT_GT(s.stepMs, 0);
    ASSERT_EQ(s.labels.size(), qsizetype(s.ticks.size()));
    EXPECT_LE(int(s.ticks.size()), maxTicks);
    // Fewer only where even 1 ms steps would be too many.
    if (to - from >= maxTicks - 1) {
        EXPECT_GE(double(s.ticks.size()), std::floor((maxTicks - 1) / 2.5));
    }
    for (std::size_t i = 0; i < s.ticks.size(); ++i) {
        EXPECT_GE(s.ticks[i], from);
        EXPECT_LE(s.ticks[i], to);
        EXPECT_EQ(floorMod(s.ticks[i] + qint64(offsetSeconds) * kSecond, s.stepMs), 0)
            << "tick " << i << " is not on a whole step of local time";
        if (i > 0) {
            EXPECT_EQ(s.ticks[i] - s.ticks[i - 1], s.stepMs);
        }
    }
    // No whole step was left out at either end.
    if (!s.ticks.empty()) {
        EXPECT_LT(s.ticks.front() - s.stepMs, from);
        EXPECT_TRUE(s.ticks.back() + s.stepMs > to || int(s.ticks.size()) == maxTicks);
    }
    const QSet<QString> distinct(s.labels.begin(), s.labels.end());
    EXPECT_EQ(distinct.size(), s.labels.size()) << s.labels.join(QLatin1Char(',')).toStdString();
}

TEST(TimeScaleTest, StepsAndLabelsReadAsClockTimes) {
    const qint64 morning = utc(2026, 3, 14, 10, 7, 23, 456);
    const qint64 lateEvening = utc(2026, 3, 14, 23, 50, 0);
    const int india = 5 * 3600 + 1800;
    struct Case {
        const char* what;
        qint64 from;
        qint64 span;
        int offsetSeconds;
        int maxTicks;
        qint64 step;
        const char* format;
        const char* firstLabel;
        const char* lastLabel;
    };
    const Case cases[] = {
        {"under a second", morning, 800, 0, 8, 200, "hh:mm:ss.zzz", "10:07:23.600", "10:07:24.200"},
        {"a minute", morning, kMinute, 0, 8, 10 * kSecond, "hh:mm:ss", "10:07:30", "10:08:20"},
        {"a minute, few ticks", morning, kMinute, 0, 4, 30 * kSecond, "hh:mm:ss", "10:07:30",
         "10:08:00"},
        {"a minute, many ticks", morning, kMinute, 0, 12, 10 * kSecond, "hh:mm:ss", "10:07:30",
         "10:08:20"},
        {"two minutes", morning, 2 * kMinute, 0, 8, 30 * kSecond, "hh:mm:ss", "10:07:30",
         "10:09:00"},
        {"five minutes", morning, 5 * kMinute, 0, 8, kMinute, "hh:mm", "10:08", "10:12"},
        {"half an hour", morning, 30 * kMinute, 0, 8, 5 * kMinute, "hh:mm", "10:10", "10:35"},
        {"an hour", morning, kHour, 0, 8, 10 * kMinute, "hh:mm", "10:10", "11:00"},
        {"an hour, narrow", morning, kHour, 0, 5, 15 * kMinute, "hh:mm", "10:15", "11:00"},
        {"ten hours", morning, 10 * kHour, 0, 8, 2 * kHour, "hh:mm", "12:00", "20:00"},
        {"twenty hours", morning, 20 * kHour, 0, 8, 3 * kHour, "MM-dd hh:mm", "03-14 12:00",
         "03-15 06:00"},
        // Whole hours of the local clock, not of UTC.
        {"ten hours at +05:30", morning, 10 * kHour, india, 8, 2 * kHour, "MM-dd hh:mm",
         "03-14 16:00", "03-15 00:00"},
        {"an hour at +05:30", morning, kHour, india, 8, 10 * kMinute, "hh:mm", "15:40", "16:30"},
        {"an hour at -08:00", morning, kHour, -8 * 3600, 8, 10 * kMinute, "hh:mm", "02:10",
         "03:00"},
        {"across midnight", lateEvening, 20 * kMinute, 0, 8, 5 * kMinute, "MM-dd hh:mm",
         "03-14 23:50", "03-15 00:10"},
        {"three days", morning, 3 * kDay, 0, 8, 12 * kHour, "MM-dd hh:mm", "03-14 12:00",
         "03-17 00:00"},
        {"a month", morning, 30 * kDay, 0, 8, 5 * kDay, "yyyy-MM-dd", "2026-03-18", "2026-04-12"},
        {"before 1970", -90 * kSecond, kMinute, 0, 8, 10 * kSecond, "hh:mm:ss", "23:58:30",
         "23:59:30"},
        {"a millisecond", morning, 1, 0, 8, 1, "hh:mm:ss.zzz", "10:07:23.456", "10:07:23.457"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const TimeScale s = TimeScaleFor(c.from, c.from + c.span, c.offsetSeconds, c.maxTicks);
        expectSound(s, c.from, c.from + c.span, c.offsetSeconds, c.maxTicks);
        EXPECT_EQ(s.stepMs, c.step);
        EXPECT_EQ(s.labelFormat.toStdString(), c.format);
        ASSERT_FALSE(s.labels.isEmpty());
        EXPECT_EQ(s.labels.front().toStdString(), c.firstLabel);
        EXPECT_EQ(s.labels.back().toStdString(), c.lastLabel);
    }
}

TEST(TimeScaleTest, EverySpanFromAMillisecondToCenturiesStaysWithinItsTickBounds) {
    const qint64 from = utc(2026, 7, 1, 13, 59, 58, 999);
    int checked = 0;
    for (const int maxTicks : {4, 6, 8, 12}) {
        for (const int offset : {0, 3600, -9000}) {
            // Spans growing by 1.7 from 1 ms to beyond 300 years.
            for (double span = 1; span < 1.2e13; span *= 1.7) {
                SCOPED_TRACE(testing::Message() << "span " << qint64(span) << " ms, " << maxTicks
                                                << " ticks, offset " << offset);
                const TimeScale s = TimeScaleFor(from, from + qint64(span), offset, maxTicks);
                expectSound(s, from, from + qint64(span), offset, maxTicks);
                ++checked;
            }
        }
    }
    EXPECT_GT(checked, 500);
}

TEST(TimeScaleTest, SpansWithoutTicks) {
    constexpr qint64 max = std::numeric_limits<qint64>::max();
    constexpr qint64 min = std::numeric_limits<qint64>::min();
    const qint64 now = utc(2026, 3, 14, 10, 0, 0);
    struct Case {
        const char* what;
        qint64 from, to;
        int offsetSeconds;
    };
    const Case cases[] = {
        {"empty", now, now, 0},
        {"inverted", now, now - kMinute, 0},
        {"whole range of the type", min, max, 0},
        {"ends beyond any date", now, max, 0},
        {"starts beyond any date", min, now, 0},
        {"offset of more than a day", now, now + kMinute, 90000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const TimeScale s = TimeScaleFor(c.from, c.to, c.offsetSeconds);
        EXPECT_EQ(s.stepMs, 0);
        EXPECT_TRUE(s.ticks.empty());
        EXPECT_TRUE(s.labels.isEmpty());
    }
    // A fewer-than-four limit is taken as four; a huge span still gets day steps.
    const TimeScale few = TimeScaleFor(now, now + kHour, 0, 0);
    expectSound(few, now, now + kHour, 0, 4);
    const TimeScale ages = TimeScaleFor(-1000 * 365 * kDay, 1000 * 365 * kDay, 0);
    expectSound(ages, -1000 * 365 * kDay, 1000 * 365 * kDay, 0, 8);
    EXPECT_EQ(ages.stepMs % kDay, 0);
    EXPECT_EQ(ages.labelFormat.toStdString(), "yyyy-MM-dd");
}

}  // namespace
}  // namespace zentiq
