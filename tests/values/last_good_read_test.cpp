#include "values/last_good_read.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QScopeGuard>

#include "framework/language.h"
#include "support/qt_test_app.h"

namespace zentiq {
namespace {

qint64 at(int year, int month, int day, int hour, int minute, int second, int ms = 0) {
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second, ms)).toMSecsSinceEpoch();
}

// The time of day says it all within one day; a read of an earlier day (a
// window left over night) names its date too, in either language.
TEST(LastGoodRead, TheTimeOfDayAndTheDateOfAnotherDay) {
    const auto chineseAgain = qScopeGuard([] { ApplyLanguage(Language::Chinese); });
    const qint64 now = at(2026, 12, 9, 14, 5, 0);
    const struct {
        qint64 read;
        const char* chinese;
        const char* english;
    } cases[] = {
        {at(2026, 12, 9, 14, 2, 9, 999), "最后一次成功读取 14:02:09", "Last good read 14:02:09"},
        {at(2026, 12, 9, 0, 0, 0), "最后一次成功读取 00:00:00", "Last good read 00:00:00"},
        {at(2026, 12, 8, 23, 59, 59), "最后一次成功读取 2026-12-08 23:59:59",
         "Last good read 2026-12-08 23:59:59"},
        {at(2025, 12, 9, 14, 2, 9), "最后一次成功读取 2025-12-09 14:02:09",
         "Last good read 2025-12-09 14:02:09"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(ApplyLanguage(Language::Chinese));
        EXPECT_EQ(LastGoodReadText(c.read, now).toStdString(), c.chinese);
        ASSERT_TRUE(ApplyLanguage(Language::English));
        EXPECT_EQ(LastGoodReadText(c.read, now).toStdString(), c.english);
    }
}

}  // namespace
}  // namespace zentiq
