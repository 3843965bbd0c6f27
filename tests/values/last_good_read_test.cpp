#include "values/last_good_read.h"

#include <gtest/gtest.h>

#include <QDateTime>

namespace zentiq {
namespace {

qint64 at(int day, int hour, int minute, int second, int ms = 0) {
    return QDateTime(QDate(2026, 12, day), QTime(hour, minute, second, ms)).toMSecsSinceEpoch();
}

// The time of day says it all within one day; a read of an earlier day (a
// window left over night) names its date too.
TEST(LastGoodRead, TheTimeOfDayAndTheDateOfAnotherDay) {
    EXPECT_EQ(LastGoodReadText(at(9, 14, 2, 9, 999), at(9, 14, 5, 0)).toStdString(), "最后一次成功读取 14:02:09");
    EXPECT_EQ(LastGoodReadText(at(8, 23, 59, 59), at(9, 0, 0, 1)).toStdString(),
              "最后一次成功读取 2026-12-08 23:59:59");
}

}  // namespace
}  // namespace zentiq
