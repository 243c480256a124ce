// The system clock's texts: made for the second the clock shows at each reading, across a change
// of the local offset, midnight and 1970, and when the clock is set back.
#include <QFile>

#include <gtest/gtest.h>

#include <time.h>

#include <cctype>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "platform/qt/qt_clock.h"

namespace {

struct Reading {
    std::int64_t msecs;
    const char* time;
    const char* date;
};

struct Case {
    const char* name;
    std::vector<Reading> readings;  // in the order the clock gives them
};

// Local time in Berlin: CET (UTC+1) until 2024-03-31 01:00 UTC, CEST (UTC+2) from then on.
const Case kCases[] = {
    {"one second, then the hour the clocks skip",
     {{1711846799000, "1:59:59", "2024-03-31"},
      {1711846799999, "1:59:59", "2024-03-31"},
      {1711846800000, "3:00:00", "2024-03-31"},
      {1711846800500, "3:00:00", "2024-03-31"}}},
    {"set back across the skipped hour",
     {{1711846800500, "3:00:00", "2024-03-31"}, {1711846799500, "1:59:59", "2024-03-31"}}},
    {"midnight",
     {{1711839599999, "23:59:59", "2024-03-30"}, {1711839600000, "0:00:00", "2024-03-31"}}},
    {"the last second before 1970",
     {{0, "1:00:00", "1970-01-01"},
      {-1, "0:59:59", "1970-01-01"},
      {-1000, "0:59:59", "1970-01-01"},
      {-1001, "0:59:58", "1970-01-01"}}},
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class QtClockTexts : public testing::TestWithParam<Case> {
  protected:
    static void SetUpTestSuite() {
        qputenv("TZ", "Europe/Berlin");
        tzset();
    }
    static void TearDownTestSuite() {
        qunsetenv("TZ");
        tzset();
    }
    void SetUp() override {
        if (!QFile::exists(QStringLiteral("/usr/share/zoneinfo/Europe/Berlin"))) {
            GTEST_SKIP() << "no time zone data";
        }
    }
};

TEST_P(QtClockTexts, FollowTheSecondOfEachReading) {
    const std::vector<Reading>& readings = GetParam().readings;
    std::int64_t now = 0;
    platform::qt::QtClock clock([&] { return now; });
    for (const Reading& reading : readings) {
        now = reading.msecs;
        EXPECT_EQ(clock.msecsSinceEpoch(), reading.msecs);
        EXPECT_EQ(clock.timeText(), reading.time) << "at " << reading.msecs;
        EXPECT_EQ(clock.dateText(), reading.date) << "at " << reading.msecs;
    }
}

INSTANTIATE_TEST_SUITE_P(Berlin, QtClockTexts, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case>& info) {
                             std::string name = info.param.name;
                             for (char& c : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(c))) {
                                     c = '_';
                                 }
                             }
                             return name;
                         });

}  // namespace
