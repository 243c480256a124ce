// The minute a record's "日期" names, and the calendar behind it.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "sample_trend.h"
#include "trend/record_time.h"

namespace {

using trend::Minute;
using trend::recordMinute;

struct DateCase {
    const char* date;
    std::optional<Minute> minute;  // minutes since 1970-01-01 0:00, as `date -u +%s` / 60 gives
};

const DateCase kDates[] = {
    {"2007-10-10/9:13", 19866793},
    {"2007-10-10/09:13", 19866793},
    {"2024-02-29/23:59", 28487519},  // a leap day
    {"2000-03-01/0:00", 15864480},   // after the leap day of a year divisible by 400
    {"2026-12-08/9:58", 29945398},
    {"1970-01-01/0:00", 0},
    {"2026-02-29/1:00", std::nullopt},  // 2026 is no leap year
    {"2100-02-29/1:00", std::nullopt},  // nor is 2100
    {"2026-13-01/0:00", std::nullopt},
    {"2026-00-10/0:00", std::nullopt},
    {"2026-04-31/0:00", std::nullopt},
    {"2026-01-00/0:00", std::nullopt},
    {"2026-01-01/24:00", std::nullopt},
    {"2026-01-01/9:60", std::nullopt},
    {"2026-1-01/9:00", std::nullopt},
    {"2026-01-01 9:00", std::nullopt},
    {"2026-01-01/9:5", std::nullopt},
    {"2026-01-01/123:00", std::nullopt},
    {"2026-01-01/9:13:45", std::nullopt},
    {"2026-01-01/9.13", std::nullopt},
    {"2026-01-01/+9:13", std::nullopt},
    {"２026-01-01/9:13", std::nullopt},
    {"", std::nullopt},
    {"not a date", std::nullopt},
};

TEST(RecordTime, ReadsTheDatesTheProgramWritesAndNothingElse) {
    for (const DateCase& c : kDates) {
        EXPECT_EQ(recordMinute(c.date), c.minute) << c.date;
    }
}

// Dates read in a row read as each alone, whatever came before (same date or hour, or no date).
TEST(RecordTime, DatesReadInARowReadAsEachAlone) {
    // clang-format off
    const std::vector<const char*> dates = {
        "2026-01-01/9:58", "2026-01-01/9:58", "2026-01-01/9:59", "2026-01-01/10:00",
        "2026-01-01/10:01", "2026-01-01/10:60", "2026-01-01/10:02", "2026-01-01/10:0x",
        "2026-01-01/10:03", "2026-01-02/10:03", "2026-02-30/1:05", "2026-02-30/1:06",
        "2026-02-28/1:06", "2026-02-28/1:6", "2026-02-28/1:07", "",
        "", "2026-02-28/1:07", "2026-02-28/01:07", "2026-02-28/1:07:00",
        "2026-02-28/1:08", "2026-02-28/1:-1", "2026-02-28/1:08", "2027-02-28/1:08",
        "x", "y", "2027-02-28/23:59", "2027-03-01/0:00"};
    // clang-format on
    trend::DateReader reader;
    for (std::size_t i = 0; i < dates.size(); ++i) {
        EXPECT_EQ(reader.minuteOf(dates[i]), recordMinute(dates[i]))
            << dates[i] << " after " << (i > 0 ? dates[i - 1] : "nothing");
    }
}

TEST(RecordTime, CalendarRoundTripsEveryDayOfTwoCenturies) {
    // Every day from 1901 to 2099 at a changing time of day, written as the program writes it.
    const Minute first = *recordMinute("1901-01-01/0:00");
    const Minute last = *recordMinute("2099-12-31/23:59");
    int days = 0;
    for (Minute m = first; m <= last; m += 1440 + 7, ++days) {
        ASSERT_EQ(recordMinute(trend_test::dateOf(m)), m) << trend_test::dateOf(m);
        ASSERT_EQ(trend::minuteOf(trend::civilOf(m)), m);
    }
    EXPECT_GT(days, 70000);
    EXPECT_EQ(trend_test::dateOf(-1), "1969-12-31/23:59") << "minutes before 1970 count backwards";
}

}  // namespace
