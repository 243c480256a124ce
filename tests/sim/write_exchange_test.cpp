#include <gtest/gtest.h>

#include "meter_line.h"
#include "sim_test_support.h"

namespace meter_sim {
namespace {

using testing::Bytes;
using testing::feed;
using testing::parameterFrame;
using testing::poll;

constexpr std::int64_t kSecond = 1'000'000;
constexpr std::uint8_t kStation = 3;

Bytes ack(std::uint8_t step) {
    return {kStation, step, 6, 0, 0, 0, 0, 0, static_cast<std::uint8_t>(kStation ^ step ^ 6), 0xAA};
}

Bytes error(std::uint8_t step, std::uint8_t code) {
    return {kStation, step, 13,
            code,     0,    0,
            0,        0,    static_cast<std::uint8_t>(kStation ^ step ^ 13 ^ code),
            0xAA};
}

const Bytes kStartAck{kStation, 100, 6, 0, 0, 0, 0, 0, 6, 0xAA};

// Data bytes of steps 1..13 and 15 for: diameter "250", range "28274" with exponent "-2" and
// unit "L/s", damping "2.0S", flow "反向", cut-off "00.5" "允许", totalizer "0.001t", output
// "脉冲" at 0050 Hz, "100m3/P", upper "090.0" "禁止", lower "015.0" "允许", zero "-1.500",
// sensor "1.0000", multiplier "1.0000".
const std::vector<std::pair<std::uint8_t, Bytes>> kFullWrite = {
    {1, {16, 0, 0, 0, 0, 0}}, {2, {2, 8, 2, 7, 4, 7 * 16 + 3}}, {3, {4, 0, 0, 0, 0, 0}},
    {4, {1, 0, 0, 0, 0, 0}},  {5, {0, 0, 5, 0, 0, 0}},          {6, {20, 0, 0, 0, 0, 0}},
    {7, {0, 0, 5, 0, 1, 0}},  {8, {0, 0, 0, 0, 9, 0}},          {9, {0, 9, 0, 0, 1, 0}},
    {10, {0, 1, 5, 0, 0, 0}}, {11, {1, 5, 0, 0, 1, 0}},         {12, {1, 0, 0, 0, 0, 0}},
    {13, {1, 0, 0, 0, 0, 0}}, {15, {6, 0, 0, 0, 0, 0}},
};

class WriteExchange : public ::testing::Test {
  protected:
    MeterLine line{*parseStations("1-4"), *parsePassword("1234"), 0};
    std::int64_t now = 0;

    std::vector<Bytes> send(const Bytes& bytes) { return feed(line, bytes, now); }
    std::vector<Bytes> frame(std::uint8_t step, const Bytes& data) {
        return send(parameterFrame(kStation, step, data));
    }
    void startAndUnlock() {
        ASSERT_EQ(send({0x2A, kStation, 0x64, 0x2E}), std::vector<Bytes>{kStartAck});
        ASSERT_EQ(frame(0, {1, 2, 3, 4, 0, 0}), std::vector<Bytes>{ack(0)});
    }
    std::uint8_t reported(std::uint8_t command, std::size_t byte) {
        const auto replies = send(poll(kStation, command));
        EXPECT_EQ(replies.size(), 1u);
        return replies.empty() ? 0xFF : replies[0][byte];
    }
};

TEST_F(WriteExchange, StartCommandIsAcknowledged) {
    EXPECT_EQ(send({0x2A, kStation, 0x64, 0x2E}), std::vector<Bytes>{kStartAck});
}

TEST_F(WriteExchange, WrongPasswordsAnswer0x80AndTheFifth0x82) {
    send({0x2A, kStation, 0x64, 0x2E});
    for (int attempt = 1; attempt <= 4; ++attempt) {
        EXPECT_EQ(frame(0, {0, 0, 0, 0, 0, 0}), std::vector<Bytes>{error(0, 0x80)}) << attempt;
    }
    EXPECT_EQ(frame(0, {0, 0, 0, 0, 0, 0}), std::vector<Bytes>{error(0, 0x82)});
    // The session is over: even the right password gets no answer now.
    EXPECT_TRUE(frame(0, {1, 2, 3, 4, 0, 0}).empty());
}

TEST_F(WriteExchange, RightPasswordAfterWrongOnesIsAccepted) {
    send({0x2A, kStation, 0x64, 0x2E});
    EXPECT_EQ(frame(0, {4, 3, 2, 1, 0, 0}), std::vector<Bytes>{error(0, 0x80)});
    EXPECT_EQ(frame(0, {1, 2, 3, 4, 0, 0}), std::vector<Bytes>{ack(0)});
}

TEST_F(WriteExchange, FrameAfterThirtySecondsAnswers0x81) {
    startAndUnlock();
    EXPECT_EQ(frame(1, {16, 0, 0, 0, 0, 0}), std::vector<Bytes>{ack(1)});
    now += 30 * kSecond;
    EXPECT_EQ(frame(2, {2, 8, 2, 7, 4, 114}), std::vector<Bytes>{error(2, 0x81)});
    EXPECT_TRUE(frame(2, {2, 8, 2, 7, 4, 114}).empty());
    EXPECT_EQ(reported(7, 2), 12) << "a write cut short changes nothing";
}

TEST_F(WriteExchange, FullWriteChangesReportedDiameterAndUnits) {
    startAndUnlock();
    for (const auto& [step, data] : kFullWrite) {
        EXPECT_EQ(frame(step, data), std::vector<Bytes>{ack(step)}) << "step " << int(step);
        if (step == 13) {
            EXPECT_EQ(reported(7, 2), 12) << "staged steps take effect at step 15";
        }
    }
    EXPECT_EQ(reported(7, 2), 16);  // DN250
    EXPECT_EQ(reported(0, 6), 4);   // flow in L/s
    EXPECT_EQ(reported(4, 7), 12);  // total in t, 3 decimals
    EXPECT_EQ(reported(5, 7), 12);
    EXPECT_EQ(reported(2, 5), 1);  // upper alarm disabled
    EXPECT_EQ(reported(2, 6), 0);  // lower alarm allowed
    const MeterSettings& s = line.meter(kStation)->settings();
    EXPECT_EQ(s.rangeValue, 28274);
    EXPECT_EQ(s.rangeExponentCode, 7);
    EXPECT_EQ(s.dampingCode, 4);
    EXPECT_EQ(s.flowDirection, 1);
    EXPECT_DOUBLE_EQ(s.cutoffPercent, 0.5);
    EXPECT_EQ(s.outputMode, 1);
    EXPECT_EQ(s.frequencyRangeHz, 50);
    EXPECT_EQ(s.pulseEquivalentCode, 9);
    EXPECT_DOUBLE_EQ(s.upperAlarmPermille, 90.0);
    EXPECT_DOUBLE_EQ(s.lowerAlarmPermille, 15.0);
    EXPECT_DOUBLE_EQ(s.zeroCorrection, -1.5);
    // Other stations keep their own settings.
    EXPECT_EQ(line.meter(2)->settings().diameterCode, 12);
}

TEST_F(WriteExchange, BadCheckByteAndWrongStepAreIgnored) {
    startAndUnlock();
    Bytes corrupted = parameterFrame(kStation, 1, {16, 0, 0, 0, 0, 0});
    corrupted[8] ^= 0x40;
    EXPECT_TRUE(send(corrupted).empty());
    EXPECT_TRUE(frame(3, {4, 0, 0, 0, 0, 0}).empty()) << "step 1 is due";
    EXPECT_TRUE(frame(14, {0, 0, 0, 0, 0, 0}).empty());
    EXPECT_EQ(frame(1, {16, 0, 0, 0, 0, 0}), std::vector<Bytes>{ack(1)});
}

TEST_F(WriteExchange, StepsBeforeThePasswordAreIgnored) {
    send({0x2A, kStation, 0x64, 0x2E});
    EXPECT_TRUE(frame(1, {16, 0, 0, 0, 0, 0}).empty());
    EXPECT_TRUE(frame(15, {6, 0, 0, 0, 0, 0}).empty());
}

TEST_F(WriteExchange, FramesWithoutStartCommandAreIgnored) {
    EXPECT_TRUE(frame(0, {1, 2, 3, 4, 0, 0}).empty());
}

TEST_F(WriteExchange, RepeatedStepIsAcknowledgedAgain) {
    startAndUnlock();
    EXPECT_EQ(frame(1, {16, 0, 0, 0, 0, 0}), std::vector<Bytes>{ack(1)});
    // The PC rejected that acknowledgement and sends step 1 again.
    EXPECT_EQ(frame(1, {16, 0, 0, 0, 0, 0}), std::vector<Bytes>{ack(1)});
    EXPECT_EQ(frame(2, {2, 8, 2, 7, 4, 114}), std::vector<Bytes>{ack(2)});
}

TEST_F(WriteExchange, PollsAreAnsweredDuringAWrite) {
    startAndUnlock();
    EXPECT_EQ(reported(7, 2), 12);
    EXPECT_EQ(send(poll(1, 0)).size(), 1u);
    EXPECT_EQ(frame(1, {16, 0, 0, 0, 0, 0}), std::vector<Bytes>{ack(1)});
}

TEST_F(WriteExchange, OutOfRangeValuesAreAcknowledgedButKept) {
    startAndUnlock();
    EXPECT_EQ(frame(1, {39, 0, 0, 0, 0, 0}), std::vector<Bytes>{ack(1)});
    for (std::uint8_t step = 2; step <= 13; ++step) {
        frame(step, kFullWrite[step - 1].second);
    }
    frame(15, {6, 0, 0, 0, 0, 0});
    EXPECT_EQ(reported(7, 2), 12);
    EXPECT_EQ(reported(0, 6), 4) << "the valid steps of the same write took effect";
}

}  // namespace
}  // namespace meter_sim
