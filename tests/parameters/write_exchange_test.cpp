// The write exchange's own rules, from hand-made replies: what a tick sends, which replies count,
// and when the window may be left. Whole writes against the simulated meter are in form3_test.
#include <gtest/gtest.h>

#include <vector>

#include "parameters/write_exchange.h"

namespace parameters {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Action = WriteExchange::TickAction;
using Kind = WriteExchange::ReplyKind;

Bytes ack(std::uint8_t station, std::uint8_t step) {
    return {station, step, 6, 0, 0, 0, 0, 0, static_cast<std::uint8_t>(station ^ step ^ 6), 0xAA};
}

const Bytes kStartAck5 = {5, 100, 6, 0, 0, 0, 0, 0, 6, 0xAA};

// An exchange for station 5 whose start was answered: the password is due.
WriteExchange startedExchange() {
    WriteExchange exchange;
    exchange.reset(5);
    exchange.startSent();
    EXPECT_EQ(exchange.reply(kStartAck5).kind, Kind::StartAcknowledged);
    return exchange;
}

// Sends and acknowledges frames until `step` is the one due.
void advanceTo(WriteExchange& exchange, std::uint8_t step) {
    while (exchange.variables().step != step) {
        const auto tick = exchange.tick();
        if (tick.action == Action::AskPassword) {
            ASSERT_TRUE(exchange.passwordAnswered("1234"));
        } else if (tick.action == Action::SendStep) {
            (void)exchange.stepFrame({});
        }
        exchange.frameSent();
        const std::uint8_t sent = exchange.variables().step;
        ASSERT_EQ(exchange.reply(ack(5, sent)).kind, Kind::Acknowledged);
    }
}

TEST(WriteExchange, PasswordFrameCarriesFourDigitValues) {
    const struct {
        const char* answer;
        Bytes digits;
    } passwords[] = {
        {"1234", {1, 2, 3, 4}}, {"12", {0, 0, 1, 2}}, {"123456", {1, 2, 3, 4}},
        {"1a34", {1, 0, 3, 4}}, {"0", {0, 0, 0, 0}},  {"密码", {0, 0, 0, 0}},
    };
    for (const auto& p : passwords) {
        WriteExchange exchange;
        exchange.reset(1);
        exchange.startSent();
        ASSERT_EQ(exchange.reply({1, 100, 6, 0, 0, 0, 0, 0, 6, 0xAA}).kind,
                  Kind::StartAcknowledged);
        ASSERT_EQ(exchange.tick().action, Action::AskPassword);
        const auto frame = exchange.passwordAnswered(p.answer);
        ASSERT_TRUE(frame) << p.answer;
        Frame expected = {1, 0, p.digits[0], p.digits[1], p.digits[2], p.digits[3], 0, 0, 0, 0x55};
        expected[8] =
            static_cast<std::uint8_t>(1 ^ p.digits[0] ^ p.digits[1] ^ p.digits[2] ^ p.digits[3]);
        EXPECT_EQ(*frame, expected) << p.answer;
    }
}

TEST(WriteExchange, EmptyPasswordAbandonsTheWrite) {
    WriteExchange exchange = startedExchange();
    ASSERT_EQ(exchange.tick().action, Action::AskPassword);
    EXPECT_FALSE(exchange.passwordAnswered(""));
    EXPECT_FALSE(exchange.variables().frameArmed);
    EXPECT_EQ(exchange.variables().ticksSinceStart, 0);
    EXPECT_EQ(exchange.tick().action, Action::None);
}

TEST(WriteExchange, NoSecondPromptWhileOneIsOpen) {
    WriteExchange exchange = startedExchange();
    ASSERT_EQ(exchange.tick().action, Action::AskPassword);
    EXPECT_EQ(exchange.phase(), ExchangePhase::PasswordPrompt);
    EXPECT_EQ(exchange.tick().action, Action::None);
    EXPECT_TRUE(exchange.passwordAnswered("1234"));
}

TEST(WriteExchange, StartAcknowledgementCountsOnlyWhileAwaited) {
    WriteExchange idle;
    idle.reset(5);
    EXPECT_EQ(idle.reply(kStartAck5).kind, Kind::Rejected) << "step 0, not 100";

    WriteExchange awaiting;
    awaiting.reset(5);
    awaiting.startSent();
    Bytes checkedOverAll = kStartAck5;
    checkedOverAll[8] = 5 ^ 100 ^ 6;  // the check byte of every other acknowledgement
    EXPECT_EQ(awaiting.reply(checkedOverAll).kind, Kind::Rejected);
    EXPECT_EQ(awaiting.tick().action, Action::None) << "nothing is sent before the answer";
    EXPECT_EQ(awaiting.reply(kStartAck5).kind, Kind::StartAcknowledged);
    EXPECT_EQ(awaiting.variables().step, 0);
    EXPECT_FALSE(awaiting.variables().startUnanswered);
}

TEST(WriteExchange, ShortDeliveryIsIgnoredAndOnlyTenBytesCount) {
    WriteExchange exchange;
    exchange.reset(5);
    exchange.startSent();
    const Bytes nine(kStartAck5.begin(), kStartAck5.end() - 1);
    EXPECT_EQ(exchange.reply(nine).kind, Kind::Ignored);
    EXPECT_EQ(exchange.variables().step, 100);
    Bytes withTail = kStartAck5;
    withTail.insert(withTail.end(), {0xFF, 0x13});
    EXPECT_EQ(exchange.reply(withTail).kind, Kind::StartAcknowledged);
}

TEST(WriteExchange, RepliesThatAreNotTheAwaitedAcknowledgementArmTheSameFrame) {
    WriteExchange exchange = startedExchange();
    advanceTo(exchange, 8);
    exchange.frameSent();
    Bytes nonZero = ack(5, 8);
    nonZero[5] = 1;
    nonZero[8] ^= 1;
    Bytes badEnd = ack(5, 8);
    badEnd[9] = 0x55;
    Bytes badCheck = ack(5, 8);
    badCheck[8] ^= 0x10;
    for (const Bytes& reply : {ack(5, 7), ack(4, 8), nonZero, badEnd, badCheck}) {
        EXPECT_EQ(exchange.reply(reply).kind, Kind::Rejected);
        EXPECT_EQ(exchange.variables().step, 8);
        EXPECT_TRUE(exchange.variables().frameArmed);
        ASSERT_EQ(exchange.tick().action, Action::SendStep);
        EXPECT_EQ(exchange.stepFrame({})[1], 8);
        exchange.frameSent();
    }
}

TEST(WriteExchange, StepThirteenIsFollowedByTheClosingStep) {
    WriteExchange exchange = startedExchange();
    advanceTo(exchange, 13);
    exchange.frameSent();
    EXPECT_EQ(exchange.reply(ack(5, 13)).kind, Kind::Acknowledged);
    EXPECT_EQ(exchange.variables().step, 15);
    exchange.frameSent();
    const auto done = exchange.reply(ack(5, 15));
    EXPECT_EQ(done.kind, Kind::Completed);
    EXPECT_STREQ(done.message, "数据传递成功！");
    EXPECT_FALSE(exchange.variables().frameArmed);
    EXPECT_EQ(exchange.tick().action, Action::None);
}

TEST(WriteExchange, FramesGoOutOnlyWithinTwentyTicksOfAnAnswer) {
    // Neither the start acknowledgement nor an error reply resets the count.
    WriteExchange late = startedExchange();
    for (int tick = 0; tick < 20; ++tick) {
        late.disarm();
        (void)late.tick();
    }
    (void)late.reply(Bytes{5, 0, 13, 0x80, 0, 0, 0, 0, 0, 0});  // wrong password: armed again
    EXPECT_EQ(late.tick().action, Action::None) << "the 21st tick since the last answer";
    for (int tick = 22; tick <= 200; ++tick) {
        EXPECT_EQ(late.tick().action, Action::None) << tick;
    }
    EXPECT_EQ(late.tick().action, Action::AskPassword) << "the count wrapped after 200";
}

TEST(WriteExchange, ButtonComesBackAfterAHundredTicks) {
    WriteExchange exchange;
    exchange.reset(5);
    exchange.restartButtonWait();
    exchange.startSent();
    for (int tick = 1; tick <= 100; ++tick) {
        ASSERT_FALSE(exchange.tick().writeButtonBack) << tick;
    }
    EXPECT_TRUE(exchange.tick().writeButtonBack);
    EXPECT_EQ(exchange.variables().ticksSinceStart, 0);
}

TEST(WriteExchange, ErrorRepliesEndOrRepeatTheWrite) {
    const struct {
        std::uint8_t code;
        Kind kind;
        const char* message;
        bool armed;
    } errors[] = {
        {0x80, Kind::WrongPassword, "密码输入错误", true},
        {0x81, Kind::TimeLimit, "参数设置超过30秒", false},
        {0x82, Kind::TooManyPasswords, "密码输入错误超过4次", false},
        {0x83, Kind::Rejected, nullptr, true},
    };
    for (const auto& e : errors) {
        WriteExchange exchange = startedExchange();
        (void)exchange.tick();
        ASSERT_TRUE(exchange.passwordAnswered("1"));
        exchange.frameSent();
        // Error replies are told by byte 2 and 3 alone, whatever the station and check byte.
        const auto result = exchange.reply({9, 9, 13, e.code, 1, 2, 3, 4, 5, 6});
        EXPECT_EQ(result.kind, e.kind) << int(e.code);
        EXPECT_STREQ(result.message, e.message);
        EXPECT_EQ(exchange.variables().frameArmed, e.armed);
        EXPECT_EQ(exchange.variables().step, 0);
    }
}

TEST(WriteExchange, LeavingTheWindow) {
    using Leave = WriteExchange::LeaveDecision;
    WriteExchange exchange;
    exchange.reset(5);
    EXPECT_EQ(exchange.leave(false), Leave::RetryLater);
    EXPECT_EQ(exchange.leave(true), Leave::Leave) << "idle: nothing armed";
    exchange.startSent();
    EXPECT_EQ(exchange.leave(true), Leave::Leave) << "the start is not answered";

    WriteExchange armed = startedExchange();
    advanceTo(armed, 5);
    EXPECT_EQ(armed.leave(true), Leave::Stay) << "a frame is armed in step 5";
    armed.disarm();
    EXPECT_EQ(armed.leave(true), Leave::Leave);

    WriteExchange closing = startedExchange();
    advanceTo(closing, 15);
    for (int tick = 0; tick < 49; ++tick) {
        (void)closing.tick();
        (void)closing.reply(ack(5, 14));  // rejected: the closing frame stays armed
    }
    EXPECT_EQ(closing.leave(true), Leave::Stay);
    (void)closing.tick();
    EXPECT_EQ(closing.leave(true), Leave::Leave) << "50 ticks at the closing step";
}

}  // namespace
}  // namespace parameters
