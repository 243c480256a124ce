#include <gtest/gtest.h>

#include <string>
#include <vector>

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
            const auto choice = state.chooseStation(false, 0);
            EXPECT_EQ(choice.moved, round == 1 && command == 0) << round << " " << command;
            EXPECT_EQ(state.takeCommand(), command);
            EXPECT_EQ(state.lastCommand(), command);
        }
    }
    EXPECT_EQ(state.nextCommand(), 0);
}

TEST(PollState, StationsOneToSixteenInTurnOrTheSingleStation) {
    seriallink::PollState state;
    std::vector<int> stations;
    for (int tick = 0; tick < 16 * 9 + 1; ++tick) {
        stations.push_back(state.chooseStation(false, 0).station);
        (void)state.takeCommand();
    }
    EXPECT_EQ(stations[0], 1);
    EXPECT_EQ(stations[8], 1);
    EXPECT_EQ(stations[9], 2);
    EXPECT_EQ(stations[15 * 9 + 8], 16);
    EXPECT_EQ(stations[16 * 9], 1) << "station 16 is followed by station 1";

    // Single-station mode asks the same station whatever the cycle; the cycle goes on from it.
    for (int tick = 0; tick < 9; ++tick) {
        EXPECT_EQ(state.chooseStation(true, 7).station, 7);
        (void)state.takeCommand();
    }
    EXPECT_EQ(state.chooseStation(false, 0).station, 7);
    state.restart();
    EXPECT_EQ(state.chooseStation(false, 0).station, 1);
    EXPECT_EQ(state.lastCommand(), 0);
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
    EXPECT_GT(state.unansweredRequests(), 0);
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
