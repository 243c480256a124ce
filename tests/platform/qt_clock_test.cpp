// The clock's texts across the skipped hour, a clock set back, midnight and before 1970.
#include <QFile>

#include <gtest/gtest.h>

#include <time.h>

#include <cstdint>

#include "platform/qt/qt_clock.h"

namespace {

TEST(QtClock, TextsFollowTheSecondOfEachReading) {
    if (!QFile::exists(QStringLiteral("/usr/share/zoneinfo/Europe/Berlin"))) {
        GTEST_SKIP() << "no time zone data";
    }
    // CET (UTC+1) until 2024-03-31 01:00 UTC, CEST (UTC+2) from then on.
    qputenv("TZ", "Europe/Berlin");
    tzset();
    const struct {
        std::int64_t msecs;
        const char* time;
        const char* date;
    } readings[] = {
        {1711846799999, "1:59:59", "2024-03-31"},
        {1711846800000, "3:00:00", "2024-03-31"},
        {1711846799500, "1:59:59", "2024-03-31"},
        {1711839599999, "23:59:59", "2024-03-30"},
        {1711839600000, "0:00:00", "2024-03-31"},
        {0, "1:00:00", "1970-01-01"},
        {-1, "0:59:59", "1970-01-01"},
        {-1000, "0:59:59", "1970-01-01"},
        {-1001, "0:59:58", "1970-01-01"},
    };
    std::int64_t now = 0;
    platform::qt::QtClock clock([&now] { return now; });
    for (const auto& reading : readings) {
        now = reading.msecs;
        EXPECT_EQ(clock.msecsSinceEpoch(), reading.msecs);
        EXPECT_EQ(clock.timeText(), reading.time) << "at " << reading.msecs;
        EXPECT_EQ(clock.dateText(), reading.date) << "at " << reading.msecs;
    }
    qunsetenv("TZ");
    tzset();
}

}  // namespace
