#include <gtest/gtest.h>

#include <vector>

#include "frame_builder.h"
#include "measurement/reply_decoder.h"
#include "measurement/reply_frame.h"

namespace measurement {
namespace {

using measurement_test::replyFrame;

const ReplyFrame kFlowOfStation3 = {0x03, 0x00, 0x56, 0x34, 0x12, 0x03, 0x02, 0x00, 0x71, 0xAA};

TEST(ReplyFrame, AcceptsTheFlowReplyOfStation3) {
    EXPECT_EQ(checkByteOf(kFlowOfStation3), 0x71);
    EXPECT_EQ(checkFrame(kFlowOfStation3, 3, 0), FrameCheck::Valid);
}

TEST(ReplyFrame, RejectsEachBrokenPartInTheOrderOfTheTests) {
    ReplyFrame checkedOverAllBytes = kFlowOfStation3;
    checkedOverAllBytes[8] = 0x71 ^ 0x03 ^ 0x00;  // station and command included
    EXPECT_EQ(checkFrame(checkedOverAllBytes, 3, 0), FrameCheck::WrongCheckByte);

    // A late answer to the previous request, otherwise correct.
    EXPECT_EQ(checkFrame(kFlowOfStation3, 3, 1), FrameCheck::WrongCommand);
    EXPECT_EQ(checkFrame(kFlowOfStation3, 4, 0), FrameCheck::WrongStation);

    ReplyFrame wrongEnd = kFlowOfStation3;
    wrongEnd[9] = 0x55;
    EXPECT_EQ(checkFrame(wrongEnd, 3, 0), FrameCheck::WrongEndMarker);
    EXPECT_EQ(checkFrame(wrongEnd, 3, 1), FrameCheck::WrongCommand);
    EXPECT_EQ(checkFrame(wrongEnd, 2, 1), FrameCheck::WrongStation);
    wrongEnd[8] = 0;
    EXPECT_EQ(checkFrame(wrongEnd, 3, 0), FrameCheck::WrongEndMarker);
}

TEST(ReplyFrame, BlockGivesItsFirstTenBytesOrNoFrameAtAll) {
    const std::vector<std::uint8_t> exact(kFlowOfStation3.begin(), kFlowOfStation3.end());
    std::vector<std::uint8_t> longer = exact;
    longer.push_back(0x11);
    longer.push_back(0x22);
    const struct {
        const char* what;
        std::vector<std::uint8_t> block;
        bool frame;
    } cases[] = {
        {"ten bytes", exact, true},
        {"twelve bytes: the last two are lost", longer, true},
        {"nine bytes", std::vector<std::uint8_t>(exact.begin(), exact.end() - 1), false},
        {"three bytes", {0x03, 0x00, 0x56}, false},
        {"nothing", {}, false},
    };
    for (const auto& c : cases) {
        const std::optional<ReplyFrame> frame = frameOf(c.block);
        ASSERT_EQ(frame.has_value(), c.frame) << c.what;
        if (frame) {
            EXPECT_EQ(*frame, kFlowOfStation3) << c.what;
        }
    }
}

TEST(ReplyDecoder, FlowOfStation3IsConvertedInPlace) {
    ReplyFrame frame = kFlowOfStation3;
    const auto reply = decodeReply(frame, 0);
    ASSERT_TRUE(reply);
    const auto& flow = std::get<FlowReply>(*reply);
    EXPECT_EQ(flow.value, 1234.56f);
    EXPECT_EQ(flow.unitCode, 2);
    EXPECT_FALSE(flow.negative);
    EXPECT_EQ(frame[2], 56);
    EXPECT_EQ(frame[3], 34);
    EXPECT_EQ(frame[4], 12);
    EXPECT_EQ(frame[5], 0x03);  // the decimal code is not BCD
}

TEST(ReplyDecoder, FlowDecimalCodeScalesByPowersOfTen) {
    const struct {
        std::uint8_t code;
        float value;
    } cases[] = {{0, 1.23456f},     {1, 12.3456f},      {2, 123.456f},        {3, 1234.56f},
                 {4, 12345.6f},     {5, 123456.0f},     {6, 1234560.0f},      {7, 12345600.0f},
                 {8, 123456000.0f}, {9, 1234560000.0f}, {10, 12345600000.0f}, {11, 123456.0f},
                 {255, 123456.0f}};
    for (const auto& c : cases) {
        ReplyFrame frame = replyFrame(1, 0, 0x56, 0x34, 0x12, c.code, 0, 0);
        const auto reply = decodeReply(frame, 0);
        ASSERT_TRUE(reply);
        EXPECT_EQ(std::get<FlowReply>(*reply).value, c.value) << "decimal code " << int(c.code);
    }
}

TEST(ReplyDecoder, BcdNibblesAboveNineCountAtFaceValue) {
    ReplyFrame frame = replyFrame(1, 0, 0x9A, 0x00, 0x00, 5, 0, 0);
    EXPECT_EQ(std::get<FlowReply>(*decodeReply(frame, 0)).value, 100.0f);
    ReplyFrame largest = replyFrame(1, 0, 0xFF, 0xFF, 0xFF, 5, 0, 0);
    EXPECT_EQ(std::get<FlowReply>(*decodeReply(largest, 0)).value, 1666665.0f);
}

TEST(ReplyDecoder, OnlyBitZeroOfTheFlowSignCounts) {
    for (const std::uint8_t sign : {0x00, 0x02, 0xFE}) {
        ReplyFrame frame = replyFrame(1, 0, 0x01, 0, 0, 5, 0, sign);
        EXPECT_FALSE(std::get<FlowReply>(*decodeReply(frame, 0)).negative) << int(sign);
    }
    ReplyFrame negative = replyFrame(1, 0, 0x01, 0, 0, 5, 0, 0x03);
    EXPECT_TRUE(std::get<FlowReply>(*decodeReply(negative, 0)).negative);
}

TEST(ReplyDecoder, VelocityDecimalsAndSign) {
    const struct {
        std::uint8_t decimals;
        float value;
    } cases[] = {{0, 123456.0f}, {1, 12345.6f}, {2, 1234.56f},
                 {3, 123.456f},  {4, 12.3456f}, {5, 123456.0f}};
    for (const auto& c : cases) {
        ReplyFrame frame = replyFrame(1, 1, 0x56, 0x34, 0x12, 1, c.decimals, 0x02);
        const auto velocity = std::get<VelocityReply>(*decodeReply(frame, 1));
        EXPECT_EQ(velocity.value, c.value) << "decimals " << int(c.decimals);
        EXPECT_TRUE(velocity.negative);
        EXPECT_EQ(velocity.cutoffFlag, 1);
    }
}

TEST(ReplyDecoder, PercentageAndResistanceAreTenths) {
    ReplyFrame percentFrame = replyFrame(1, 2, 0x56, 0x04, 0x02, 1, 0, 0);
    const auto percent = std::get<PercentReply>(*decodeReply(percentFrame, 2));
    EXPECT_EQ(percent.value, 45.6f);
    EXPECT_EQ(percent.rangeRatioCode, 2);
    EXPECT_EQ(percent.upperFlag, 1);
    EXPECT_FALSE(percent.negative);

    ReplyFrame resistanceFrame = replyFrame(1, 3, 0x05, 0, 0, 0, 1, 0);
    const auto resistance = std::get<ResistanceReply>(*decodeReply(resistanceFrame, 3));
    EXPECT_EQ(resistance.value, 0.5f);
    EXPECT_EQ(resistance.emptyPipeFlag, 1);
}

TEST(ReplyDecoder, ForwardTotalWithUnitCode5HasTwoDecimals) {
    ReplyFrame frame = {0x03, 0x04, 0x78, 0x56, 0x34, 0x12, 0x00, 0x05, 0x0D, 0xAA};
    ASSERT_EQ(checkFrame(frame, 3, 4), FrameCheck::Valid);
    const auto total = std::get<TotalReply>(*decodeReply(frame, 4));
    EXPECT_EQ(total.direction, TotalDirection::Forward);
    EXPECT_EQ(total.value, 123456.78);
    EXPECT_EQ(total.unitCode, 5);
}

TEST(ReplyDecoder, TotalResolutionFollowsTheUnitCode) {
    const struct {
        std::uint8_t code;
        double value;
    } cases[] = {{0, 1234567.89},    {1, 12345678.9},    {2, 123456789.0},  {3, 1234567890.0},
                 {15, 1234567890.0}, {16, 1234567890.0}, {17, 1234567890.0}};
    for (const auto& c : cases) {
        ReplyFrame frame = replyFrame(1, 5, 0x90, 0x78, 0x56, 0x34, 0x12, c.code);
        const auto total = std::get<TotalReply>(*decodeReply(frame, 5));
        EXPECT_EQ(total.direction, TotalDirection::Reverse);
        EXPECT_EQ(total.value, c.value) << "unit code " << int(c.code);
    }
}

TEST(ReplyDecoder, PowerFailureValueWithHighBitSetIsAbsent) {
    ReplyFrame frame = replyFrame(1, 8, 0x05, 0x80, 0x10, 0x01, 0xFF, 0x7F);
    const auto failures = std::get<PowerFailureReply>(*decodeReply(frame, 8));
    EXPECT_FALSE(failures.count);
    EXPECT_EQ(failures.hours, 272);
    EXPECT_EQ(failures.minutes, 32767);
}

TEST(ReplyDecoder, AlarmAndDiameterBytesAreRaw) {
    ReplyFrame alarm = replyFrame(1, 6, 0x3E, 0, 0, 0, 0, 0);
    EXPECT_EQ(std::get<AlarmReply>(*decodeReply(alarm, 6)).bits, 0x3E);
    ReplyFrame diameter = replyFrame(1, 7, 0x12, 0, 0, 0, 0, 0);
    EXPECT_EQ(std::get<DiameterReply>(*decodeReply(diameter, 7)).code, 0x12);
}

// One table names the commands and decodes their replies, in the order of the command bytes.
TEST(MeterCommands, TableFollowsTheCommandBytes) {
    const struct {
        MeterCommand command;
        const char* name;
        std::size_t kind;  // the alternative of DecodedReply its decoder gives
    } cases[] = {
        {MeterCommand::Flow, "瞬时流量", 0},          {MeterCommand::Velocity, "流速", 1},
        {MeterCommand::Percent, "百分比", 2},         {MeterCommand::Resistance, "电阻值", 3},
        {MeterCommand::ForwardTotal, "正向累积", 4},  {MeterCommand::ReverseTotal, "反向累积", 4},
        {MeterCommand::AlarmState, "报警状态", 5},    {MeterCommand::Diameter, "口径", 6},
        {MeterCommand::PowerFailures, "停电计时", 7},
    };
    ASSERT_EQ(meterCommands().size(), std::size(cases));
    for (std::uint8_t byte = 0; byte < std::size(cases); ++byte) {
        const auto& c = cases[byte];
        const MeterCommandInfo& info = meterCommands()[byte];
        EXPECT_EQ(info.command, c.command) << int(byte);
        EXPECT_STREQ(info.name, c.name) << int(byte);
        EXPECT_EQ(meterCommand(byte), c.command) << int(byte);
        ReplyFrame frame = replyFrame(1, byte, 0x01, 0, 0, 0, 0, 0);
        const DecodedReply reply = info.decode(frame);
        EXPECT_EQ(reply.index(), c.kind) << int(byte);
    }
    ReplyFrame reverse = replyFrame(1, 5, 0x01, 0, 0, 0, 0, 0);
    EXPECT_EQ(std::get<TotalReply>(meterCommands()[5].decode(reverse)).direction,
              TotalDirection::Reverse);
    EXPECT_FALSE(meterCommand(9));
    EXPECT_FALSE(meterCommand(0xFF));
}

TEST(ReplyDecoder, CommandAboveEightDecodesNothing) {
    ReplyFrame frame = replyFrame(1, 9, 0x56, 0x34, 0x12, 3, 2, 0);
    const ReplyFrame before = frame;
    EXPECT_FALSE(decodeReply(frame, 9));
    EXPECT_EQ(frame, before);
}

}  // namespace
}  // namespace measurement
