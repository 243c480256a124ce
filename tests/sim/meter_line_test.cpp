#include "meter_line.h"

#include <gtest/gtest.h>

#include <cmath>

#include "sim_test_support.h"

namespace meter_sim {
namespace {

using testing::bcdValue;
using testing::Bytes;
using testing::feed;
using testing::poll;

MeterLine lineOf(const char* stations) {
    return MeterLine(*parseStations(stations), *parsePassword("1234"), 0);
}

std::uint8_t xorBytes(const Bytes& b, std::size_t first, std::size_t last) {
    std::uint8_t x = 0;
    for (std::size_t i = first; i <= last; ++i) {
        x = static_cast<std::uint8_t>(x ^ b[i]);
    }
    return x;
}

// Signed percentage of range as the PC decodes the percentage reply.
double percentFromReply(const Bytes& reply) {
    const double value = static_cast<double>(bcdValue(reply, 2, 2)) / 10.0;
    return reply[7] != 0 ? -value : value;
}

TEST(StationList, ParsesRangesAndLists) {
    EXPECT_EQ(parseStations("1-16")->count(), 16u);
    const auto mixed = parseStations("1,3,5-6");
    ASSERT_TRUE(mixed);
    EXPECT_TRUE(mixed->test(1) && mixed->test(3) && mixed->test(5) && mixed->test(6));
    EXPECT_EQ(mixed->count(), 4u);
    for (const char* bad : {"", "0", "17", "5-3", "1,,2", "1,", "a", "-4", "1-2-3"}) {
        EXPECT_FALSE(parseStations(bad)) << bad;
    }
}

TEST(Password, PadsShortPasswordsLikeThePc) {
    EXPECT_EQ(*parsePassword("0"), (Password{0, 0, 0, 0}));
    EXPECT_EQ(*parsePassword("42"), (Password{0, 0, 4, 2}));
    EXPECT_EQ(*parsePassword("1234"), (Password{1, 2, 3, 4}));
    EXPECT_FALSE(parsePassword("12345"));
    EXPECT_FALSE(parsePassword("12a4"));
}

TEST(MeterLine, PresentStationAnswersEveryCommandWithValidFrame) {
    MeterLine line = lineOf("3");
    std::int64_t now = 0;
    for (std::uint8_t command = 0; command <= 8; ++command) {
        const auto replies = feed(line, poll(3, command), now);
        ASSERT_EQ(replies.size(), 1u) << "command " << int(command);
        const Bytes& r = replies[0];
        EXPECT_EQ(r[0], 3);
        EXPECT_EQ(r[1], command);
        EXPECT_EQ(r[8], xorBytes(r, 2, 7));
        EXPECT_EQ(r[9], 0xAA);
    }
}

TEST(MeterLine, AbsentStationAndUnknownCommandStaySilent) {
    MeterLine line = lineOf("1,3");
    std::int64_t now = 0;
    EXPECT_TRUE(feed(line, poll(2, 0), now).empty());
    EXPECT_TRUE(feed(line, poll(16, 4), now).empty());
    EXPECT_TRUE(feed(line, poll(1, 9), now).empty());
    EXPECT_TRUE(feed(line, {0x2A, 0x02, 0x64, 0x2E}, now).empty());
    EXPECT_EQ(feed(line, poll(3, 0), now).size(), 1u);
}

TEST(MeterModel, FlowSwingsBelowZeroAndAboveNinetyPercent) {
    MeterModel meter(1);
    const double forwardStart = meter.forwardTotalCubicMetres();
    const double reverseStart = meter.reverseTotalCubicMetres();
    double lowest = 1e9;
    double highest = -1e9;
    double lastForward = forwardStart;
    for (int i = 1; i <= 1200; ++i) {
        meter.advanceTo(i * 0.5);
        const double percent = percentFromReply(testing::bytesOf(meter.reply(Command::Percentage)));
        lowest = std::min(lowest, percent);
        highest = std::max(highest, percent);
        EXPECT_GE(meter.forwardTotalCubicMetres(), lastForward);
        lastForward = meter.forwardTotalCubicMetres();
    }
    EXPECT_LT(lowest, 0.0);
    EXPECT_GT(highest, 90.0);
    // Ten minutes around an average of about 45 % of 282.74 m3/h.
    const double forward = meter.forwardTotalCubicMetres() - forwardStart;
    EXPECT_GT(forward, 0.3 * 282.74 / 6);
    EXPECT_LT(forward, 0.6 * 282.74 / 6);
    EXPECT_GT(meter.reverseTotalCubicMetres(), reverseStart);
}

TEST(MeterModel, TotalsGrowByTheIntegralOfTheReportedFlow) {
    MeterModel meter(4);
    MeterSettings settings = meter.settings();
    settings.totalizerUnitCode = 0;  // 0.001 L
    meter.setSettings(settings);
    const auto totalLitres = [&meter](Command which) {
        return static_cast<double>(bcdValue(testing::bytesOf(meter.reply(which)), 2, 5)) / 1000.0;
    };
    const double forwardStart = totalLitres(Command::ForwardTotal);
    const double reverseStart = totalLitres(Command::ReverseTotal);
    double forwardLitres = 0.0;
    double reverseLitres = 0.0;
    for (int i = 1; i <= 1800; ++i) {
        meter.advanceTo(i * 0.1);
        const Bytes flow = testing::bytesOf(meter.reply(Command::Flow));
        ASSERT_EQ(flow[6], 2);  // m3/h
        const double m3PerHour =
            static_cast<double>(bcdValue(flow, 2, 3)) * std::pow(10.0, flow[5] - 5);
        (flow[7] & 1 ? reverseLitres : forwardLitres) += m3PerHour / 3600.0 * 0.1 * 1000.0;
    }
    EXPECT_GT(reverseLitres, 0.0) << "the three minutes include reverse flow";
    EXPECT_NEAR(totalLitres(Command::ForwardTotal) - forwardStart, forwardLitres,
                0.001 * forwardLitres + 0.01);
    EXPECT_NEAR(totalLitres(Command::ReverseTotal) - reverseStart, reverseLitres,
                0.001 * reverseLitres + 0.01);
}

TEST(MeterModel, TotalReplyCountsInItsUnitAndResolution) {
    MeterModel meter(2);
    meter.advanceTo(100.0);
    const double m3 = meter.forwardTotalCubicMetres();
    struct Case {
        std::uint8_t totalizerCode;
        std::uint8_t replyCode;
        double perCubicMetre;
    };
    for (const Case c : {Case{5, 5, 100.0},             // 0.01 m3
                         Case{0, 0, 1000.0 * 1000.0},   // 0.001 L
                         Case{7, 7, 1.0},               // 1 m3
                         Case{20, 12, 1000.0},          // 0.001 t
                         Case{18, 10, 1000.0 * 10}}) {  // 0.1 kg
        MeterSettings settings = meter.settings();
        settings.totalizerUnitCode = c.totalizerCode;
        meter.setSettings(settings);
        const Bytes reply = testing::bytesOf(meter.reply(Command::ForwardTotal));
        EXPECT_EQ(reply[7], c.replyCode) << int(c.totalizerCode);
        EXPECT_EQ(bcdValue(reply, 2, 5),
                  static_cast<std::uint64_t>(std::llround(m3 * c.perCubicMetre)))
            << int(c.totalizerCode);
    }
}

TEST(MeterModel, FlowIsReportedInTheRangeUnit) {
    struct Case {
        std::uint8_t rangeUnitCode;
        std::uint8_t flowUnitCode;
        double reportedPerRangeUnit;
    };
    for (const Case c : {Case{2, 2, 1.0}, Case{3, 4, 1.0}, Case{6, 5, 3.785411784},
                         Case{9, 6, 4.54609}, Case{12, 10, 1.0}, Case{14, 13, 1.0}}) {
        MeterModel meter(6);
        MeterSettings settings = meter.settings();
        settings.rangeUnitCode = c.rangeUnitCode;
        settings.rangeValue = 1000;
        settings.rangeExponentCode = 0;
        meter.setSettings(settings);
        meter.advanceTo(20.0);
        const Bytes flow = testing::bytesOf(meter.reply(Command::Flow));
        EXPECT_EQ(flow[6], c.flowUnitCode) << int(c.rangeUnitCode);
        const double value = static_cast<double>(bcdValue(flow, 2, 3)) *
                             std::pow(10.0, flow[5] - 5) * (flow[7] & 1 ? -1 : 1);
        const double percent = percentFromReply(testing::bytesOf(meter.reply(Command::Percentage)));
        const double fullScale = 1000.0 * c.reportedPerRangeUnit;
        EXPECT_NEAR(value, percent / 100.0 * fullScale, 0.0006 * fullScale) << int(c.rangeUnitCode);
    }
}

TEST(MeterModel, AlarmBitsFollowTheLimits) {
    MeterModel meter(5);
    MeterSettings settings = meter.settings();
    settings.upperAlarmPermille = 700.0;
    settings.lowerAlarmPermille = 200.0;
    meter.setSettings(settings);
    int upperSeen = 0;
    int lowerSeen = 0;
    for (int i = 1; i <= 400; ++i) {
        meter.advanceTo(i * 0.5);
        const double percent = percentFromReply(testing::bytesOf(meter.reply(Command::Percentage)));
        const std::uint8_t bits = meter.reply(Command::Alarms)[2];
        if (std::fabs(std::fabs(percent) - 70.0) > 0.1) {
            EXPECT_EQ((bits & 0x10) != 0, std::fabs(percent) > 70.0) << "t=" << i * 0.5;
        }
        if (std::fabs(std::fabs(percent) - 20.0) > 0.1) {
            EXPECT_EQ((bits & 0x20) != 0, std::fabs(percent) < 20.0) << "t=" << i * 0.5;
        }
        upperSeen += (bits & 0x10) != 0;
        lowerSeen += (bits & 0x20) != 0;
    }
    EXPECT_GT(upperSeen, 0);
    EXPECT_GT(lowerSeen, 0);

    settings.upperAlarmFlag = 1;
    settings.lowerAlarmFlag = 1;
    meter.setSettings(settings);
    for (int i = 401; i <= 800; ++i) {
        meter.advanceTo(i * 0.5);
        EXPECT_EQ(meter.reply(Command::Alarms)[2] & 0x30, 0) << "t=" << i * 0.5;
    }
}

TEST(MeterModel, EmptyPipeStopsFlowAndRaisesResistance) {
    MeterModel meter(1);
    double seenAt = -1.0;
    for (int i = 1; i <= 600 && seenAt < 0; ++i) {
        meter.advanceTo(i * 0.5);
        if ((meter.reply(Command::Alarms)[2] & 0x08) != 0) {
            seenAt = i * 0.5;
        }
    }
    ASSERT_GT(seenAt, 0.0);
    const Bytes resistance = testing::bytesOf(meter.reply(Command::Resistance));
    EXPECT_GT(bcdValue(resistance, 2, 3), 10000u);  // above 1000 kOhm
    // Six damping time constants later the flow has decayed below the cut-off.
    meter.advanceTo(seenAt + 6.0);
    ASSERT_NE(meter.reply(Command::Alarms)[2] & 0x08, 0);
    EXPECT_EQ(bcdValue(testing::bytesOf(meter.reply(Command::Flow)), 2, 3), 0u);
}

TEST(MeterModel, PowerFailureCounterGrows) {
    MeterModel meter(2);
    const Bytes before = testing::bytesOf(meter.reply(Command::PowerFailures));
    meter.advanceTo(901.0);
    const Bytes after = testing::bytesOf(meter.reply(Command::PowerFailures));
    EXPECT_EQ(before[2], 2);
    EXPECT_EQ(after[2], 3);
    // Outage time: 74 min = 1 h 14 min, then 7 more minutes.
    EXPECT_EQ(before[4], 1);
    EXPECT_EQ(before[6], 14);
    EXPECT_EQ(after[6], 21);
}

}  // namespace
}  // namespace meter_sim
