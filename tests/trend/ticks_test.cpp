// Axis marks at round times and values, labelled at the zoom's precision.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "trend/record_time.h"
#include "trend/ticks.h"

namespace {

double at(const char* date) {
    return static_cast<double>(*trend::recordMinute(date));
}

// Labels written with a blank between two; "context|label" where a context is given.
std::vector<std::string> split(const std::string& text) {
    std::vector<std::string> labels;
    std::istringstream words(text);
    for (std::string label; words >> label;) {
        labels.push_back(label);
    }
    return labels;
}

TEST(Ticks, TimeMarksFollowTheZoom) {
    const struct {
        const char* name;
        const char* from;
        const char* to;
        int maxTicks;
        const char* labels;
    } cases[] = {
        {"ten years", "2020-01-01/0:00", "2030-01-01/0:00", 12,
         "2020 2021 2022 2023 2024 2025 2026 2027 2028 2029 2030"},
        {"a year, every second month", "2026-01-01/0:00", "2027-01-01/0:00", 12,
         "2026-01 2026-03 2026-05 2026-07 2026-09 2026-11 2027-01"},
        {"a year, every month", "2026-01-01/0:00", "2027-01-01/0:00", 14,
         "2026-01 2026-02 2026-03 2026-04 2026-05 2026-06 2026-07 2026-08 2026-09 2026-10 2026-11 "
         "2026-12 2027-01"},
        {"a month, every fifth day, not the 31st", "2026-03-01/0:00", "2026-04-01/0:00", 10,
         "2026|03-01 03-06 03-11 03-16 03-21 03-26 04-01"},
        {"three weeks across the new year", "2026-12-20/0:00", "2027-01-10/0:00", 6,
         "2026|12-21 12-26 2027|01-01 01-06"},
        {"a day, every third hour", "2026-03-14/0:00", "2026-03-15/0:00", 10,
         "2026-03-14|0:00 3:00 6:00 9:00 12:00 15:00 18:00 21:00 2026-03-15|0:00"},
        {"an hour", "2026-12-08/9:00", "2026-12-08/10:00", 8,
         "2026-12-08|9:00 9:10 9:20 9:30 9:40 9:50 10:00"},
        {"ten minutes", "2026-12-08/9:58", "2026-12-08/10:08", 12,
         "2026-12-08|9:58 9:59 10:00 10:01 10:02 10:03 10:04 10:05 10:06 10:07 10:08"},
        {"across midnight", "2026-12-31/22:00", "2027-01-01/2:00", 5,
         "2026-12-31|22:00 23:00 2027-01-01|0:00 1:00 2:00"},
        {"a view that starts between marks", "2026-12-08/9:58", "2026-12-08/11:03", 3,
         "2026-12-08|10:00 11:00"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> labels;
        for (const trend::TimeTick& tick : trend::timeTicks(at(c.from), at(c.to), c.maxTicks)) {
            labels.push_back(tick.context.empty() ? tick.label : tick.context + "|" + tick.label);
        }
        EXPECT_EQ(labels, split(c.labels)) << c.name;
    }
}

TEST(Ticks, TimeMarksKeepToTheirNumberAndSpanAtEveryZoom) {
    const double from = at("2026-05-17/13:27") + 0.4;
    for (double span = 0.5; span < 30 * 525600; span *= 1.37) {
        for (const int maxTicks : {2, 3, 5, 8, 13}) {
            const auto ticks = trend::timeTicks(from, from + span, maxTicks);
            ASSERT_LE(static_cast<int>(ticks.size()), maxTicks) << span;
            if (span >= 1.0 && maxTicks >= 3) {
                EXPECT_GE(ticks.size(), 1u) << "span " << span << ", " << maxTicks;
            }
            for (std::size_t i = 0; i < ticks.size(); ++i) {
                EXPECT_GE(static_cast<double>(ticks[i].minute), from);
                EXPECT_LE(static_cast<double>(ticks[i].minute), from + span);
                if (i > 0) {
                    EXPECT_GT(ticks[i].minute, ticks[i - 1].minute);
                }
            }
        }
    }
    EXPECT_TRUE(trend::timeTicks(10, 10, 5).empty());
    EXPECT_TRUE(trend::timeTicks(10, 100, 0).empty());
}

TEST(Ticks, MinuteTextIsTheRecordsDateWithABlank) {
    EXPECT_EQ(trend::minuteText(*trend::recordMinute("2007-10-10/9:13")), "2007-10-10 9:13");
    EXPECT_EQ(trend::minuteText(*trend::recordMinute("2026-12-31/23:05")), "2026-12-31 23:05");
}

TEST(Ticks, ValueMarksAreRoundWithTheDecimalsTheirStepNeeds) {
    const struct {
        double low;
        double high;
        int maxTicks;
        const char* labels;
    } cases[] = {
        {0, 100, 6, "0 20 40 60 80 100"},
        {0, 1, 5, "0.00 0.25 0.50 0.75 1.00"},
        {-3.7, 12.2, 8, "-2.5 0.0 2.5 5.0 7.5 10.0"},
        {123456.78, 123999.1, 6, "123600 123800"},
        {1e6, 3e6, 5, "1000000 1500000 2000000 2500000 3000000"},
        {-0.013, -0.002, 4, "-0.010 -0.005"},
        {5, 5, 5, ""},
        {5, 1, 5, ""},
    };
    for (const auto& c : cases) {
        std::vector<std::string> labels;
        for (const trend::ValueTick& tick : trend::valueTicks(c.low, c.high, c.maxTicks)) {
            labels.push_back(tick.label);
            EXPECT_GE(tick.value, c.low);
            EXPECT_LE(tick.value, c.high);
        }
        EXPECT_EQ(labels, split(c.labels)) << c.low << " to " << c.high;
    }
}

}  // namespace
