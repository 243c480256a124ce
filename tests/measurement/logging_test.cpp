#include <gtest/gtest.h>

#include <string>

#include "measurement/logging.h"

namespace measurement {
namespace {

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

// A record holds the displays' texts as they stand, each value with its unit, and the date, "/"
// and the time; the status text is not part of it.
TEST(ComposeRecord, HoldsTheDisplayTextsAsShown) {
    DisplayTexts texts;
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
    const records::MeasurementRecord record =
        composeRecord(texts, 7, "通讯正常", "2007-10-10", "9:13");
    EXPECT_EQ(record.station, 7);
    EXPECT_EQ(record.date, "2007-10-10/9:13");
    EXPECT_EQ(record.diameter, "100");
    EXPECT_EQ(record.flow, "+12.5m3/h");
    EXPECT_EQ(record.percent, "+45.6%");
    EXPECT_EQ(record.rangeRatio, "1:2");
    EXPECT_EQ(record.velocity, "+1.25");
    EXPECT_EQ(record.forwardTotal, "123456.78m3");
    EXPECT_EQ(record.reverseTotal, ".5m3");
    EXPECT_EQ(record.alarm, "通讯正常");
}

}  // namespace
}  // namespace measurement
