#include <gtest/gtest.h>

#include <string>

#include "link/polling.h"
#include "link/station_answer.h"

namespace {

struct SpeedCase {
    std::string text;
    std::string settings;
    int delayCount;
    int intervalMs;
};

TEST(PollLineSpeed, EveryRowAndAnyOtherText) {
    const SpeedCase cases[] = {
        {"600", "600,n,8,1", 900000, 1000},    {"1200", "1200,n,8,1", 600000, 160},
        {"2400", "2400,n,8,1", 300000, 100},   {"4800", "4800,n,8,1", 300000, 100},
        {"9600", "9600,n,8,1", 300000, 100},   {"14400", "14400,n,8,1", 300000, 100},
        {"19200", "19200,n,8,1", 300000, 100}, {"38400", "9600,n,8,1", 300000, 100},
        {"", "9600,n,8,1", 300000, 100},       {" 600", "9600,n,8,1", 300000, 100},
        {"9600 ", "9600,n,8,1", 300000, 100},
    };
    for (const SpeedCase& c : cases) {
        const seriallink::PollLineSpeed& speed = seriallink::pollLineSpeed(c.text);
        EXPECT_EQ(speed.settings, c.settings) << '"' << c.text << '"';
        EXPECT_EQ(speed.delayCount, c.delayCount) << '"' << c.text << '"';
        EXPECT_EQ(speed.timerIntervalMs, c.intervalMs) << '"' << c.text << '"';
    }
}

TEST(PollState, CommandsCycleZeroToEightThenArmTheNextStation) {
    seriallink::PollState state;
    for (int round = 0; round < 2; ++round) {
        for (int command = 0; command <= 8; ++command) {
            EXPECT_EQ(state.takeCommand(), command);
            EXPECT_EQ(state.lastCmd, command);
            EXPECT_EQ(state.nextStation, command == 8);
        }
    }
    EXPECT_EQ(state.cmdIndex, 0);
}

TEST(PollState, UnansweredRequestsNeverOverflow) {
    seriallink::PollState state;
    for (int i = 0; i < 9; ++i) {
        state.countRequest();
    }
    EXPECT_FALSE(state.silentTooLong());
    state.countRequest();
    EXPECT_TRUE(state.silentTooLong());
    for (int i = 0; i < 70000; ++i) {
        state.countRequest();
    }
    EXPECT_TRUE(state.silentTooLong());
    EXPECT_GT(state.noReplyCount, 0);
}

struct AnswerCase {
    std::string answer;
    int station;
};

TEST(StationFromAnswer, LeadingNumberRoundedOrZero) {
    const AnswerCase cases[] = {
        {"5", 5},     {"16", 16},  {"16.4", 16}, {"0.6", 1},   {"0", 0},     {"17", 17},
        {"300", 0},   {"-1", 0},   {"abc", 0},   {"", 0},      {"  7", 7},   {"12a", 12},
        {"+3", 3},    {".5", 1},   {"1e1", 10},  {"2e", 2},    {"255", 255}, {"256", 0},
        {"1e400", 0}, {"-0.4", 0}, {"07", 7},    {"1.5.2", 2},
    };
    for (const AnswerCase& c : cases) {
        EXPECT_EQ(seriallink::stationFromAnswer(c.answer), c.station) << '"' << c.answer << '"';
    }
}

}  // namespace
