// Each station's own state as replies come in, and which stations a logging opportunity records.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "frame_builder.h"
#include "measurement/minute_log.h"
#include "measurement/presentation.h"
#include "measurement/reply_pipeline.h"
#include "measurement/station_condition.h"

namespace measurement {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A good reply to each command: data bytes D2 to D7.
const std::array<std::array<std::uint8_t, 6>, 9> kData = {{
    {0x56, 0x34, 0x12, 0x03, 0x02, 0x00},  // +1234.56 m3/h
    {0x25, 0x01, 0x00, 0x01, 0x02, 0x00},  // +1.25, cut-off disabled
    {0x56, 0x04, 0x02, 0x01, 0x00, 0x00},  // +45.6%, 1:4
    {0x05, 0x00, 0x00, 0x00, 0x01, 0x00},  // .5 kOhm
    {0x78, 0x56, 0x34, 0x12, 0x00, 0x05},  // 123456.78 m3
    {0x05, 0x00, 0x00, 0x00, 0x00, 0x06},  // .5 m3
    {0x08, 0x00, 0x00, 0x00, 0x00, 0x00},  // empty pipe
    {0x0C, 0x00, 0x00, 0x00, 0x00, 0x00},  // 100 mm
    {0x2C, 0x01, 0x05, 0x00, 0x3B, 0x00},  // 300 failures, 5 h 59 min
}};

Bytes good(std::uint8_t station, std::uint8_t command) {
    const auto& d = kData[command];
    return measurement_test::replyBlock(station, command, d[0], d[1], d[2], d[3], d[4], d[5]);
}

class Pipeline : public ::testing::Test {
  protected:
    ReplyOutcome answer(std::uint8_t station, std::uint8_t command) {
        (void)pipeline.requestSent(station);
        return pipeline.receive(good(station, command), station, command, time, msecs);
    }
    // One request after another, each answered by `station` with the reply to its command.
    void cycle(std::uint8_t station, std::uint8_t first = 0, std::uint8_t last = 8) {
        for (std::uint8_t command = first; command <= last; ++command) {
            answer(station, command);
        }
    }
    std::string time = "9:13:45";
    std::int64_t msecs = 1191978030000;
    const StationState& state(std::uint8_t station) { return *pipeline.memory.find(station); }

    ReplyPipeline pipeline;
};

// Each station keeps the texts the displays showed at its own replies; another station's replies
// leave them alone, however the displays change.
TEST_F(Pipeline, StationKeepsTheTextsShownAtItsReplies) {
    cycle(3);
    const DisplayTexts shownForThree = pipeline.display;
    cycle(4, 0, 5);
    const struct {
        const char* what;
        std::string DisplayTexts::*text;
        std::string expected;
    } cases[] = {
        {"flow", &DisplayTexts::flow, "+1234.56"},
        {"flow unit", &DisplayTexts::flowUnit, "m3/h"},
        {"velocity", &DisplayTexts::velocity, "+1.25"},
        {"percent", &DisplayTexts::percent, "+45.6%"},
        {"range ratio", &DisplayTexts::rangeRatio, "1:4"},
        {"resistance", &DisplayTexts::resistance, ".5"},
        {"forward", &DisplayTexts::forwardTotal, "123456.78"},
        {"reverse", &DisplayTexts::reverseTotal, ".5"},
        {"difference", &DisplayTexts::totalDifference, "123456.280"},
        {"diameter", &DisplayTexts::diameter, "100"},
        {"failures", &DisplayTexts::failureCount, "300"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(state(3).texts.*c.text, c.expected) << c.what;
        EXPECT_EQ(state(3).texts.*c.text, shownForThree.*c.text) << c.what;
    }
    EXPECT_EQ(state(3).alarmText, "通讯正常 空管报警,");
    EXPECT_EQ(state(4).texts.diameter, "") << "station 4 has not answered command 7";
    EXPECT_EQ(state(4).texts.flow, pipeline.display.flow);
    EXPECT_EQ(state(5).texts, DisplayTexts{}) << "a station that never answered";
}

TEST_F(Pipeline, LatestDecodedValueOfEachKind) {
    cycle(7);
    const auto& latest = state(7).latest;
    EXPECT_EQ(std::get<FlowReply>(*latest[0]).value, 1234.56f);
    EXPECT_EQ(std::get<PercentReply>(*latest[2]).rangeRatioCode, 2);
    EXPECT_EQ(std::get<TotalReply>(*latest[5]).direction, TotalDirection::Reverse);
    EXPECT_EQ(std::get<AlarmReply>(*latest[6]).bits, 0x08);
    EXPECT_EQ(std::get<PowerFailureReply>(*latest[8]).count, 300);
    EXPECT_EQ(state(7).lastReplyTime, "9:13:45");
    EXPECT_EQ(state(7).lastReplyMsecs, msecs);
    EXPECT_FALSE(state(6).latest[0]);
}

TEST_F(Pipeline, StationOutsideOneToSixteenKeepsNothing) {
    for (const std::uint8_t station : {0, 17, 255}) {
        EXPECT_EQ(pipeline.memory.find(station), nullptr);
        (void)pipeline.receive(good(station, 0), station, 0, "9:13:45", msecs);
    }
    EXPECT_EQ(pipeline.display.flow, "+1234.56") << "the displays show it all the same";
    for (const StationState& s : pipeline.memory.stations) {
        EXPECT_EQ(s.counters.validReplies, 0);
        EXPECT_FALSE(s.latest[0]);
    }
}

// A station's set is complete once each of the nine kinds has come since polling of it began;
// a cycle completes each time all nine have come again.
TEST_F(Pipeline, CompleteSetAndCyclesOfNine) {
    for (std::uint8_t command = 0; command < 8; ++command) {
        EXPECT_FALSE(answer(2, command).cycleCompleted) << int(command);
        EXPECT_FALSE(state(2).complete());
    }
    EXPECT_TRUE(answer(2, 8).cycleCompleted);
    EXPECT_TRUE(state(2).complete());
    EXPECT_TRUE(state(2).becameComplete);

    // A lost reply holds the cycle back until that kind has come again.
    cycle(2, 0, 3);
    cycle(2, 5, 8);
    EXPECT_FALSE(answer(2, 0).cycleCompleted);
    EXPECT_TRUE(answer(2, 4).cycleCompleted);

    pipeline.memory.find(2)->pollingBegins();
    EXPECT_FALSE(state(2).complete());
    EXPECT_FALSE(state(2).becameComplete);
    cycle(2, 0, 7);
    EXPECT_FALSE(state(2).complete()) << "values from before polling began again do not count";
}

TEST_F(Pipeline, RefusedBlocksShowTheErrorAndKeepTheValues) {
    cycle(1);
    const Bytes flow = good(1, 0);
    const struct {
        const char* what;
        Bytes block;
        FrameCheck check;
    } cases[] = {
        {"another station", good(2, 0), FrameCheck::WrongStation},
        {"the command before", good(1, 8), FrameCheck::WrongCommand},
        {"nine bytes", Bytes(flow.begin(), flow.end() - 1), FrameCheck::ShortBlock},
        {"nothing read", {}, FrameCheck::ShortBlock},
    };
    for (const auto& c : cases) {
        (void)pipeline.requestSent(1);
        const ReplyOutcome outcome = pipeline.receive(c.block, 1, 0, "9:14:00", msecs + 15000);
        EXPECT_EQ(outcome.check, c.check) << c.what;
        EXPECT_EQ(pipeline.display.status, kStatusError) << c.what;
        EXPECT_EQ(state(1).texts.status, kStatusError) << c.what;
        EXPECT_EQ(state(1).texts.flow, "+1234.56") << c.what;
        EXPECT_EQ(state(1).lastReplyTime, "9:13:45") << c.what;
        EXPECT_EQ(state(1).lastReplyMsecs, msecs) << c.what;
    }
    EXPECT_EQ(state(1).counters.rejected[0], 1);
    EXPECT_EQ(state(1).counters.rejected[1], 1);
    EXPECT_EQ(state(1).counters.validReplies, 9);
}

// A station's condition from what its requests met, one letter a request: a valid reply (v), a
// refused one (x), none (-); b: polling of it begins again. A request counts once the next one
// goes out, so the last letter is still awaited.
TEST_F(Pipeline, ConditionFollowsTheValidRepliesOfThePolledStation) {
    const std::string ten(10, '-');
    const struct {
        const char* what;
        std::string requests;
        bool polledNow;
        StationCondition expected;
    } cases[] = {
        {"never asked", "", true, StationCondition::NotPolled},
        {"answers", "vv", true, StationCondition::Answering},
        {"answers, but not polled in this mode", "vv", false, StationCondition::NotPolled},
        {"nine unanswered and one awaited", "v" + std::string(9, '-') + "-", true,
         StationCondition::Answering},
        {"ten unanswered", "v" + ten + "-", true, StationCondition::Silent},
        {"ten refused", "v" + std::string(10, 'x') + "x", true, StationCondition::Silent},
        {"refused and unanswered mixed", "v-x-x-x-x-x-", true, StationCondition::Silent},
        {"a valid reply ends the silence", ten + "-v", true, StationCondition::Answering},
        {"polling begins again, not asked yet", "vvb", true, StationCondition::NotPolled},
        {"polling begins again, asked", "vvb-", true, StationCondition::Answering},
        {"silent before polling began again", ten + "-b-", true, StationCondition::Silent},
    };
    for (const auto& c : cases) {
        pipeline = ReplyPipeline{};
        for (const char request : c.requests) {
            if (request == 'b') {
                pipeline.memory.find(6)->pollingBegins();
                continue;
            }
            (void)pipeline.requestSent(6);
            const Bytes block = request == 'v' ? good(6, 0) : request == 'x' ? good(5, 0) : Bytes{};
            if (!block.empty()) {
                (void)pipeline.receive(block, 6, 0, time, msecs);
            }
        }
        EXPECT_EQ(stationCondition(state(6), c.polledNow), c.expected) << c.what;
    }
}

// The stations a logging opportunity writes, by the minutes in which each station answered.
TEST_F(Pipeline, MinuteLogTakesCompleteStationsThatAnsweredInTheMinuteJustEnded) {
    using Stations = std::vector<std::uint8_t>;
    MinuteLog log;
    time = "10:04:50";
    cycle(1);
    cycle(2);
    cycle(3, 0, 7);  // never complete
    EXPECT_EQ(log.due(4, pipeline.memory), (Stations{1, 2})) << "both have just become complete";
    time = "10:05:10";
    cycle(1, 0, 0);
    EXPECT_EQ(log.due(5, pipeline.memory), (Stations{1, 2}))
        << "a new minute's round: both answered in minute 4";
    EXPECT_TRUE(log.due(5, pipeline.memory).empty()) << "the same minute: no round";
    EXPECT_EQ(log.due(6, pipeline.memory), Stations{1}) << "only station 1 answered in minute 5";
    time = "10:07:20";
    answer(3, 8);
    EXPECT_EQ(log.due(7, pipeline.memory), Stations{3})
        << "station 3 became complete within the minute: logged at once";
    EXPECT_EQ(log.due(8, pipeline.memory), Stations{3}) << "station 3 answered in minute 7";
    EXPECT_TRUE(log.due(9, pipeline.memory).empty()) << "nobody answered in minute 8";

    // A poll at 10:09 forgets 10:07's answer; an hour later minute 7 of the hour has ended again,
    // and station 3, silent since, is not taken for one that answered in it.
    MinuteLog::forgetOldAnswers(9, pipeline.memory);
    time = "11:08:00";
    cycle(4);
    EXPECT_EQ(log.due(8, pipeline.memory), Stations{4}) << "station 4 became complete";
    log.restart();
    time = "11:09:30";
    answer(4, 0);
    EXPECT_EQ(log.due(9, pipeline.memory), Stations{4})
        << "after a restart the first opportunity in a minute other than 0 is a round";
}

TEST(MinuteLog, RemembersTheLastStoredMinuteOfEachStation) {
    MinuteLog log;
    log.stored(3, "2007-10-10/9:13");
    log.stored(16, "2007-10-10/9:12");
    log.stored(16, "2007-10-10/9:13");
    log.stored(0, "2007-10-10/9:13");
    log.stored(17, "2007-10-10/9:13");
    EXPECT_TRUE(log.isStored(3, "2007-10-10/9:13"));
    EXPECT_FALSE(log.isStored(3, "2007-10-10/9:14"));
    EXPECT_TRUE(log.isStored(16, "2007-10-10/9:13"));
    EXPECT_FALSE(log.isStored(16, "2007-10-10/9:12"));
    EXPECT_FALSE(log.isStored(4, "2007-10-10/9:13"));
    EXPECT_FALSE(log.isStored(0, "2007-10-10/9:13"));
    EXPECT_FALSE(log.isStored(17, "2007-10-10/9:13"));
}

}  // namespace
}  // namespace measurement
