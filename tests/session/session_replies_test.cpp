// Replies reaching a polling session: which bytes count as the reply, the checks, the displays and
// indicators, and what the listeners hear of each station.
#include "fakes/fake_meter_line.h"
#include "session/session_fixture.h"

namespace sessiontest {
namespace {

using measurement::FrameCheck;

const Bytes kFlow1234_56 = {0x56, 0x34, 0x12, 0x03, 0x02, 0x00};

class RepliesTest : public SessionTest {
  protected:
    void SetUp() override {
        SessionTest::SetUp();
        clock.time = "10:00:30";
        ASSERT_TRUE(start());
    }
    // The verdicts of the received blocks in the traffic log.
    std::vector<commissioning::Verdict> verdicts() const {
        std::vector<commissioning::Verdict> found;
        for (std::size_t i = 0; i < traffic.size(); ++i) {
            if (!traffic.at(i).sent) {
                found.push_back(traffic.at(i).verdict);
            }
        }
        return found;
    }
};

TEST_F(RepliesTest, FlowReplyIsShownAndKeptForItsStation) {
    answer(kFlow1234_56);
    EXPECT_EQ(heard.display.flow, "+1234.56");
    EXPECT_EQ(heard.display.flowUnit, "m3/h");
    EXPECT_EQ(heard.display.status, "通讯正常");
    EXPECT_EQ(heard.singleStationText, "01");
    const measurement::StationState& one = session->stations().stations[0];
    EXPECT_EQ(std::get<measurement::FlowReply>(*one.latest[0]).value, 1234.56f);
    EXPECT_EQ(one.texts.flowUnit, "m3/h");
    EXPECT_TRUE(timer.isEnabled());
    EXPECT_EQ(session->polling().unansweredRequests(), 0);
}

TEST_F(RepliesTest, BadFramesShowCommunicationErrorAndChangeNothingElse) {
    answer(kFlow1234_56);
    const Bytes request = tick();  // command 1 now
    port.arrive(reply(1, 0, kFlow1234_56));
    EXPECT_EQ(heard.display.status, "通讯错误");
    EXPECT_EQ(heard.display.flow, "+1234.56");
    EXPECT_TRUE(timer.isEnabled());

    Bytes badEnd = reply(request[1], request[2], {0x25, 0x01, 0, 0, 2, 0});
    badEnd[9] = 0x55;
    port.arrive(badEnd);
    EXPECT_EQ(heard.display.velocity, "");
    EXPECT_EQ(heard.display.status, "通讯错误");
}

// A notification whose read finds fewer than ten bytes is no reply: nothing is decoded, the
// status shows the error as for a broken frame, and its bytes are never joined to another
// block's. The next request starts afresh.
TEST_F(RepliesTest, ShortBlockIsNoReply) {
    answer(kFlow1234_56);
    tick();
    port.input = {0x01, 0x01, 0x25};
    port.notify(platform::kCommEventReceive);
    EXPECT_EQ(heard.display.status, "通讯错误");
    EXPECT_EQ(heard.display.velocity, "");
    EXPECT_TRUE(timer.isEnabled());
    // The rest of what would have been a reply comes separately: still no reply.
    port.input = {0x00, 0x01, 0x02, 0x00, 0x25, 0xAA, 0x11};
    port.notify(platform::kCommEventReceive);
    EXPECT_EQ(heard.display.velocity, "");
    EXPECT_EQ(verdicts().back(), commissioning::Verdict::ShortBlock);
    EXPECT_EQ(session->stations().stations[0].counters.validReplies, 1);
}

TEST_F(RepliesTest, MultiStationReplyLightsExactlyItsIndicator) {
    session->pollAllStations();
    for (int i = 0; i < 9 * 4; ++i) {
        tick();  // stations 1 to 4
    }
    answer(kFlow1234_56);  // station 5, command 0
    for (std::size_t i = 0; i < 16; ++i) {
        EXPECT_EQ(heard.indicators[i].checked, i == 4) << i;
        EXPECT_EQ(heard.indicators[i].enabled, i == 4) << i;
    }
    EXPECT_EQ(heard.singleStationText, "00");
    EXPECT_EQ(session->stations().stations[4].texts.flow, "+1234.56");
}

TEST_F(RepliesTest, OtherEventsOnlyLogAndRearmTheTimer) {
    timer.setEnabled(false);
    port.notify(1);
    EXPECT_TRUE(timer.isEnabled());
    EXPECT_EQ(heard.display.status, "");
}

// Bytes that arrive while a request is still going out answer an earlier request: they are
// discarded once the request's last byte has left, and a notification they raised meanwhile is
// dropped. A late reply whose command byte matches the new request is not taken for its answer.
TEST_F(RepliesTest, LateAndWrongCommandRepliesAreNeverAccepted) {
    const struct {
        const char* what;
        bool late;
        bool wrongCommand;
        int stations;
    } cases[] = {
        {"late", true, false, 1},
        {"wrong command", false, true, 1},
        {"late with the next request's command", true, true, 1},
        {"late, every station", true, true, 16},
    };
    for (const auto& c : cases) {
        renew();
        clockAt(30);
        ASSERT_TRUE(start());
        if (c.stations > 1) {
            session->pollAllStations();
        }
        fakes::FakeMeterLine meters(port);
        meters.stations.clear();
        for (int station = 1; station <= c.stations; ++station) {
            meters.stations.insert(station);
        }
        meters.late = c.late;
        meters.wrongCommand = c.wrongCommand;
        for (int i = 0; i < 3 * 144; ++i) {
            clockAt(30 + i);
            tick();
            meters.deliver();
        }
        EXPECT_GT(meters.replies, 400) << c.what;
        for (const commissioning::Verdict verdict : verdicts()) {
            EXPECT_NE(verdict, commissioning::Verdict::ValidReply) << c.what;
        }
        EXPECT_EQ(heard.display.flow, "") << c.what;
        EXPECT_EQ(heard.display.velocity, "") << c.what;
        EXPECT_TRUE(store.appended.empty()) << c.what;
        for (const measurement::StationState& state : session->stations().stations) {
            EXPECT_EQ(state.counters.validReplies, 0) << c.what;
        }
    }
}

// The same meters answering in time: every reply is taken, with the values of its station.
TEST_F(RepliesTest, TimelyRepliesAreAllAccepted) {
    session->pollAllStations();
    fakes::FakeMeterLine meters(port);
    meters.stations = {1, 2, 3};
    for (int i = 0; i < 144; ++i) {
        tick();
        meters.deliver();
    }
    EXPECT_EQ(meters.replies, 27);
    for (int station = 1; station <= 3; ++station) {
        const measurement::StationState& state = session->stations().stations[station - 1];
        EXPECT_EQ(state.counters.validReplies, 9) << station;
        EXPECT_EQ(state.texts.flow, "+1234.0" + std::to_string(station)) << station;
        EXPECT_TRUE(state.complete()) << station;
    }
}

TEST_F(RepliesTest, ListenersHearOfSilenceReturnValidRepliesAndCompleteCycles) {
    fakes::FakeMeterLine meters(port);
    for (int i = 0; i < 18; ++i) {
        tick();
        meters.deliver();
    }
    EXPECT_EQ(heard.cycles, (std::vector<std::uint8_t>{1, 1}));
    EXPECT_EQ(heard.answered, std::vector<std::uint8_t>(18, 1));
    meters.stations.clear();
    for (int i = 0; i < 12; ++i) {
        tick();
    }
    EXPECT_EQ(heard.silent, std::vector<std::uint8_t>{1});
    meters.stations = {1};
    meters.wrongCommand = true;
    tick();
    meters.deliver();
    EXPECT_EQ(heard.back, std::vector<std::uint8_t>{1});
    EXPECT_EQ(heard.silent.size(), 1U);
    EXPECT_EQ(heard.answered.size(), 18U) << "a refused reply is no answer";
    meters.wrongCommand = false;
    tick();
    meters.deliver();
    EXPECT_EQ(heard.answered.size(), 19U);
}

}  // namespace
}  // namespace sessiontest
