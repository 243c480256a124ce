#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "fakes/fake_clock.h"
#include "fakes/fake_records_binding.h"
#include "measurement/logging.h"

namespace measurement {
namespace {

// The text stored in `field` of the `row`th record appended; a number there fails the test.
std::string storedText(const fakes::FakeRecordsBinding& binding, std::size_t row,
                       const std::string& field) {
    return std::get<std::string>(binding.rows.at(row).at(field));
}

std::string clockTime(int hour, int minute, int second) {
    char text[16];
    std::snprintf(text, sizeof text, "%d:%02d:%02d", hour, minute, second);
    return text;
}

class Logging : public ::testing::Test {
  protected:
    // One logging opportunity per second from start to end inclusive, both given in seconds
    // after 10:00:00; returns the time texts of the opportunities that wrote a record.
    std::vector<std::string> runEverySecond(int start, int end) {
        std::vector<std::string> written;
        for (int t = start; t <= end; ++t) {
            clock.time = clockTime(10 + t / 3600, t / 60 % 60, t % 60);
            const std::size_t before = binding.rows.size();
            runLoggingStep(logMinute, 3, texts, alarmText, clock, binding);
            if (binding.rows.size() > before) {
                written.push_back(clock.time);
            }
        }
        return written;
    }

    std::int16_t logMinute = 0;
    DisplayTexts texts;
    std::string alarmText = "通讯正常";
    fakes::FakeClock clock;
    fakes::FakeRecordsBinding binding;
};

TEST(MinuteOfHour, ReadsTheMinuteOfTheUsualFormats) {
    for (const char* time : {"9:13:45", "09:13:45", "9:13:45 PM", "9:13:45PM", "PM 9:13:45",
                             "上午 9:13:45", "下午 09:13:45", "9:13"}) {
        EXPECT_EQ(minuteOfHour(time), 13) << time;
    }
    EXPECT_EQ(minuteOfHour("10:07:01"), 7);
    EXPECT_EQ(minuteOfHour(""), 0);
    EXPECT_EQ(minuteOfHour("abc"), 0);
    EXPECT_EQ(minuteOfHour("9:x3:45"), 0);
    EXPECT_EQ(minuteOfHour("9:5:07"), 5);
    EXPECT_EQ(minuteOfHour("1:99999999:00"), 99);  // as many characters kept as end the text
    EXPECT_EQ(minuteOfHour("1:99999999:99999999"), std::nullopt);
}

TEST(HoursAndMinutes, CutsBeforeTheLastColon) {
    EXPECT_EQ(hoursAndMinutes("9:13:45"), "9:13");
    EXPECT_EQ(hoursAndMinutes("09:13:45"), "09:13");
    EXPECT_EQ(hoursAndMinutes("上午 9:13:45"), "上午 9:13");
    EXPECT_EQ(hoursAndMinutes("9:13:45 PM"), "9:13");
    EXPECT_EQ(hoursAndMinutes("913"), "913");
}

TEST_F(Logging, OneRecordAtTheFirstOpportunityOfEachMinute) {
    logMinute = 4;
    const auto written = runEverySecond(5 * 60 + 58, 7 * 60 + 1);
    EXPECT_EQ(written, (std::vector<std::string>{"10:05:58", "10:06:00", "10:07:00"}));
    ASSERT_EQ(binding.rows.size(), 3u);
    EXPECT_EQ(storedText(binding, 0, "日期"), "2007-10-10/10:05");
    EXPECT_EQ(storedText(binding, 2, "日期"), "2007-10-10/10:07");
    EXPECT_EQ(logMinute, 7);
}

TEST_F(Logging, StartInMinuteZeroWaitsForMinuteOne) {
    const auto written = runEverySecond(30, 2 * 60);
    ASSERT_FALSE(written.empty());
    EXPECT_EQ(written.front(), "10:01:00");
    EXPECT_EQ(written.size(), 2u);
}

TEST_F(Logging, OpportunitiesWholeHoursApartWriteOnce) {
    runEverySecond(17 * 60 + 5, 17 * 60 + 5);
    runEverySecond(3600 + 17 * 60 + 5, 3600 + 17 * 60 + 5);
    EXPECT_EQ(binding.rows.size(), 1u);
}

TEST_F(Logging, RecordHoldsTheDisplayTextsAsShown) {
    texts.flow = "+12.5";
    texts.flowUnit = "m3/h";
    texts.percent = "+45.6%";
    texts.rangeRatio = "1:2";
    texts.velocity = "+1.25";
    texts.diameter = "100";
    texts.forwardTotal = "123456.78";
    texts.forwardUnit = "m3";
    texts.reverseTotal = ".5";
    texts.reverseUnit = "m3";
    texts.status = "通讯正常 测量正常.";
    clock.time = "9:13:45";
    runLoggingStep(logMinute, 7, texts, alarmText, clock, binding);
    ASSERT_EQ(binding.rows.size(), 1u);
    EXPECT_EQ(std::get<std::int64_t>(binding.rows[0].at("仪表编号")), 7);
    EXPECT_EQ(storedText(binding, 0, "日期"), "2007-10-10/9:13");
    EXPECT_EQ(storedText(binding, 0, "管径"), "100");
    EXPECT_EQ(storedText(binding, 0, "瞬时流量"), "+12.5m3/h");
    EXPECT_EQ(storedText(binding, 0, "百分比"), "+45.6%");
    EXPECT_EQ(storedText(binding, 0, "量程比"), "1:2");
    EXPECT_EQ(storedText(binding, 0, "流速"), "+1.25");
    EXPECT_EQ(storedText(binding, 0, "正向累计"), "123456.78m3");
    EXPECT_EQ(storedText(binding, 0, "反向累计"), ".5m3");
    EXPECT_EQ(storedText(binding, 0, "报警状态"), "通讯正常");
}

TEST_F(Logging, TheRecordTimeComesFromASecondReading) {
    logMinute = 5;
    clock.laterTimes = {"10:05:59", "10:06:00"};
    runLoggingStep(logMinute, 1, texts, alarmText, clock, binding);
    EXPECT_TRUE(binding.rows.empty());
    clock.laterTimes = {"10:06:59", "10:07:00"};
    runLoggingStep(logMinute, 1, texts, alarmText, clock, binding);
    ASSERT_EQ(binding.rows.size(), 1u);
    EXPECT_EQ(storedText(binding, 0, "日期"), "2007-10-10/10:07");
    EXPECT_EQ(logMinute, 6);
    EXPECT_EQ(clock.timeReadings, 3);
}

}  // namespace
}  // namespace measurement
