#include <gtest/gtest.h>

#include <array>
#include <string>

#include "frame_builder.h"
#include "measurement/presentation.h"

namespace measurement {
namespace {

using measurement_test::replyFrame;

class Presentation : public ::testing::Test {
  protected:
    // Decodes a well-formed reply of station 3 and shows it.
    void show(std::uint8_t command, std::uint8_t d2, std::uint8_t d3, std::uint8_t d4,
              std::uint8_t d5, std::uint8_t d6, std::uint8_t d7) {
        ReplyFrame frame = replyFrame(3, command, d2, d3, d4, d5, d6, d7);
        const auto reply = decodeReply(frame, command);
        ASSERT_TRUE(reply);
        present(*reply, texts, alarmText);
    }

    DisplayTexts texts;
    std::string alarmText;
};

TEST_F(Presentation, FlowOfStation3) {
    show(0, 0x56, 0x34, 0x12, 3, 2, 0);
    EXPECT_EQ(texts.flow, "+1234.56");
    EXPECT_EQ(texts.flowUnit, "m3/h");
    EXPECT_EQ(texts.status, "通讯正常");
}

TEST_F(Presentation, FlowTextsWithLeadingZeroAndSign) {
    const struct {
        std::uint8_t d2, d3, d4, decimalCode, sign;
        const char* text;
    } cases[] = {
        {0x05, 0, 0, 4, 1, "-0.5"},
        {0x00, 0, 0, 3, 0, "+00"},
        {0x25, 0, 0, 3, 0, "+0.25"},
        {0x30, 0x12, 0, 3, 0, "+12.3"},
        {0x99, 0x99, 0x99, 10, 0, "+9.99999E+10"},
        {0x01, 0, 0, 5, 0x02, "+1"},
        {0x01, 0, 0, 5, 0x03, "-1"},
    };
    for (const auto& c : cases) {
        show(0, c.d2, c.d3, c.d4, c.decimalCode, 0, c.sign);
        EXPECT_EQ(texts.flow, c.text);
    }
}

TEST_F(Presentation, FlowUnitCodes) {
    show(0, 1, 0, 0, 5, 15, 0);
    EXPECT_EQ(texts.flowUnit, "kg/d");
    show(0, 1, 0, 0, 5, 7, 0);
    EXPECT_EQ(texts.flowUnit, "L/d");
    show(0, 1, 0, 0, 5, 16, 0);
    EXPECT_EQ(texts.flowUnit, "");
}

TEST_F(Presentation, VelocitySignIsAnyNonZeroByte) {
    show(1, 0x25, 0x01, 0, 1, 2, 0x02);
    EXPECT_EQ(texts.velocity, "-1.25");
    EXPECT_EQ(texts.cutoffEnable, "禁止");
    show(1, 0x50, 0, 0, 0, 2, 0);
    EXPECT_EQ(texts.velocity, "+0.5");
    EXPECT_EQ(texts.cutoffEnable, "允许");
}

TEST_F(Presentation, PercentageRatioAndEnables) {
    show(2, 0x56, 0x04, 1, 1, 2, 0);
    EXPECT_EQ(texts.percent, "+45.6%");
    EXPECT_EQ(texts.rangeRatio, "1:2");
    EXPECT_EQ(texts.upperEnable, "禁止");
    EXPECT_EQ(texts.lowerEnable, "允许");
    show(2, 0x05, 0, 4, 0, 1, 1);
    EXPECT_EQ(texts.percent, "-0.5%");
    EXPECT_EQ(texts.rangeRatio, "1:2");  // code 4 is outside the table
    EXPECT_EQ(texts.upperEnable, "允许");
    EXPECT_EQ(texts.lowerEnable, "禁止");
}

TEST_F(Presentation, ResistanceHasNoLeadingZero) {
    show(3, 0x05, 0, 0, 0, 1, 0);
    EXPECT_EQ(texts.resistance, ".5");
    EXPECT_EQ(texts.emptyPipeEnable, "禁止");
}

TEST_F(Presentation, TotalsAndTheirDifference) {
    show(4, 0x78, 0x56, 0x34, 0x12, 0x00, 5);
    EXPECT_EQ(texts.forwardTotal, "123456.78");
    EXPECT_EQ(texts.forwardUnit, "m3");
    EXPECT_EQ(texts.totalDifference, "");  // only the reverse total refreshes it
    show(5, 0x05, 0, 0, 0, 0, 6);
    EXPECT_EQ(texts.reverseTotal, ".5");
    EXPECT_EQ(texts.reverseUnit, "m3");
    EXPECT_EQ(texts.totalDifference, "123456.280");
    EXPECT_EQ(texts.differenceUnit, "m3");
    EXPECT_EQ(texts.status, "通讯正常");

    show(4, 0x15, 0, 0, 0, 0, 14);  // 1.5 t
    show(5, 0x40, 0, 0, 0, 0, 2);   // 4 L
    EXPECT_EQ(texts.totalDifference, "-2.500");
    EXPECT_EQ(texts.differenceUnit, "L");  // the forward unit is not compared
}

TEST_F(Presentation, TotalUnitCode17KeepsTheUnitAndShowsTheRawNumber) {
    show(4, 0x78, 0x56, 0x34, 0x12, 0x00, 5);
    show(4, 0x78, 0x56, 0x34, 0x12, 0x00, 17);
    EXPECT_EQ(texts.forwardTotal, "12345678");
    EXPECT_EQ(texts.forwardUnit, "m3");
}

TEST_F(Presentation, AlarmTexts) {
    const struct {
        std::uint8_t bits;
        const char* status;
        const char* alarm;
    } cases[] = {
        {0x00, "通讯正常 测量正常.", "通讯正常"},
        {0x18, "通讯正常 空管报警, 上限报警,", "通讯正常 空管报警, 上限报警,"},
        {0x06, "励磁报警, 电极报警,", "励磁报警, 电极报警,"},
        {0x3E, "励磁报警, 电极报警, 空管报警, 上限报警, 下限报警",
         "励磁报警, 电极报警, 空管报警, 上限报警, 下限报警"},
        {0x01, "通讯正常 测量正常.", "通讯正常"},
        {0x40, "通讯正常 测量正常.", "通讯正常"},
        {0x80, "通讯正常 测量正常.", "通讯正常"},
        {0xC1, "通讯正常 测量正常.", "通讯正常"},
    };
    for (const auto& c : cases) {
        texts.status = "通讯正常";
        show(6, c.bits, 0, 0, 0, 0, 0);
        EXPECT_EQ(texts.status, c.status) << int(c.bits);
        EXPECT_EQ(alarmText, c.alarm) << int(c.bits);
    }
}

TEST_F(Presentation, AlarmTextFollowsWhatTheStatusShows) {
    texts.status = kStatusError;
    show(6, 0x00, 0, 0, 0, 0, 0);
    EXPECT_EQ(texts.status, "通讯错误 测量正常.");
    EXPECT_EQ(alarmText, "通讯错误");

    texts.status.clear();
    show(6, 0x20, 0, 0, 0, 0, 0);
    EXPECT_EQ(texts.status, " 下限报警");
    EXPECT_EQ(alarmText, " 下限报警");

    texts.status.clear();
    show(6, 0x00, 0, 0, 0, 0, 0);
    EXPECT_EQ(texts.status, "通讯正常 测量正常.");
}

TEST_F(Presentation, PipeDiameter) {
    show(7, 0, 0, 0, 0, 0, 0);
    EXPECT_EQ(texts.diameter, "3");
    show(7, 12, 0, 0, 0, 0, 0);
    EXPECT_EQ(texts.diameter, "100");
    show(7, 38, 0, 0, 0, 0, 0);
    EXPECT_EQ(texts.diameter, "3000");
    show(7, 39, 0, 0, 0, 0, 0);
    EXPECT_EQ(texts.diameter, "3000");
}

TEST_F(Presentation, PowerFailureCountThatDoesNotFitKeepsItsText) {
    show(8, 0x02, 0x01, 0x05, 0x00, 0x1E, 0x00);
    EXPECT_EQ(texts.failureCount, "258");
    show(8, 0x00, 0x80, 0x07, 0x00, 0x2D, 0x00);
    EXPECT_EQ(texts.failureCount, "258");
    EXPECT_EQ(texts.failureHours, "7");
    EXPECT_EQ(texts.failureMinutes, "45");
}

TEST(SingleStationText, HasTwoDigitsForOneToNine) {
    EXPECT_EQ(singleStationText(7), "07");
    EXPECT_EQ(singleStationText(1), "01");
    EXPECT_EQ(singleStationText(12), "12");
    EXPECT_EQ(singleStationText(16), "16");
}

}  // namespace
}  // namespace measurement
