// The polling cycle: the requests, their pacing, the line speed, the mode and station choices,
// and handing the line over and taking it back.
#include <algorithm>

#include "session/session_fixture.h"

namespace sessiontest {
namespace {

using session::PollingMode;
using session::SessionState;

class SessionPollingTest : public SessionTest {
  protected:
    void SetUp() override {
        SessionTest::SetUp();
        ASSERT_TRUE(start());
    }
    int enabledIndicators() const {
        return static_cast<int>(
            std::count_if(session->indicators().begin(), session->indicators().end(),
                          [](const session::Indicator& indicator) { return indicator.enabled; }));
    }
};

TEST_F(SessionPollingTest, MultiStationSendsEachStationItsNineCommandsInTurn) {
    session->pollAllStations();
    for (int station = 1; station <= 16; ++station) {
        for (int command = 0; command <= 8; ++command) {
            ASSERT_EQ(tick(), poll(station, command)) << station << "/" << command;
            EXPECT_TRUE(heard.indicators[station - 1].enabled);
            EXPECT_EQ(enabledIndicators(), 1);
            port.arrive(reply(station, command, {0, 0, 0, 0, 0, 0}));
        }
    }
    EXPECT_EQ(tick(), poll(1, 0));
}

TEST_F(SessionPollingTest, SingleStationRepeatsTheNineCommands) {
    for (int command = 0; command <= 8; ++command) {
        ASSERT_EQ(tick(), poll(1, command));
    }
    EXPECT_EQ(tick(), poll(1, 0));
    EXPECT_EQ(enabledIndicators(), 0);
}

// Each request goes out at the speed of the line speed text, its bytes paced by that speed's
// count; the timer follows the speed table.
TEST_F(SessionPollingTest, EachTickAppliesTheSpeedTable) {
    const struct {
        const char* text;
        const char* settings;
        const char* pause;
        int intervalMs;
    } cases[] = {
        {"600", "600,n,8,1", "byte 900000 600,n,8,1", 1000},
        {"1200", "1200,n,8,1", "byte 600000 1200,n,8,1", 160},
        {"2400", "2400,n,8,1", "byte 300000 2400,n,8,1", 100},
        {"14400", "14400,n,8,1", "byte 300000 14400,n,8,1", 100},
        {"19200", "19200,n,8,1", "byte 300000 19200,n,8,1", 100},
        {"38400", "9600,n,8,1", "byte 300000 9600,n,8,1", 100},
        {"", "9600,n,8,1", "byte 300000 9600,n,8,1", 100},
    };
    for (const auto& c : cases) {
        session->setLineSpeed(c.text);
        port.log.clear();
        pacer.pauses.clear();
        tick();
        ASSERT_GE(port.log.size(), 3U);
        EXPECT_EQ(port.log[0], "discard output") << c.text;
        EXPECT_EQ(port.log[1], "discard input") << c.text;
        EXPECT_EQ(port.log[2], "settings " + std::string(c.settings)) << c.text;
        EXPECT_EQ(pacer.pauses, std::vector<std::string>(3, c.pause)) << c.text;
        EXPECT_EQ(timer.interval(), c.intervalMs) << c.text;
    }
}

// Between the request's bytes the pacer pauses; after the last byte the input is discarded.
TEST_F(SessionPollingTest, RequestBytesArePacedAndTheInputDiscardedAfterTheLast) {
    std::vector<std::string> order;
    port.onWrite = [&](std::uint8_t byte) {
        order.push_back("write " + std::to_string(byte) + " after " +
                        std::to_string(pacer.pauses.size()) + " pauses");
    };
    port.log.clear();
    pacer.pauses.clear();
    tick();
    EXPECT_EQ(order,
              (std::vector<std::string>{"write 42 after 0 pauses", "write 1 after 1 pauses",
                                        "write 0 after 2 pauses", "write 46 after 3 pauses"}));
    ASSERT_FALSE(port.log.empty());
    const auto lastWrite = std::find(port.log.rbegin(), port.log.rend(), "write 2E");
    ASSERT_NE(lastWrite, port.log.rend());
    EXPECT_EQ(*(lastWrite - 1), "discard input");
}

TEST_F(SessionPollingTest, ModeAndStationChoicesTakeEffectAtTheNextTick) {
    tick();
    session->pollSingleStation(5);
    EXPECT_EQ(heard.modes.back(), std::make_pair(PollingMode::SingleStation, std::uint8_t{5}));
    EXPECT_EQ(tick(), poll(5, 1)) << "the command sequence goes on";
    session->pollAllStations();
    EXPECT_EQ(heard.modes.back(), std::make_pair(PollingMode::AllStations, std::uint8_t{5}));
    EXPECT_EQ(heard.singleStationText, "00");
    EXPECT_EQ(timer.interval(), 200);
    EXPECT_EQ(tick(), poll(5, 2)) << "all stations in turn, from where the cycle stands";
    session->pollSingleStation(0);
    EXPECT_EQ(session->mode(), PollingMode::AllStations) << "no station 0: every station";
    session->pollSingleStation(17);
    EXPECT_EQ(session->mode(), PollingMode::AllStations);
}

// Coming back from another part of the program, polling goes on as the operator left it; the
// program's first start polls station 1 alone.
TEST_F(SessionPollingTest, TakeBackRestoresTheModeAndStationLeft) {
    const struct {
        const char* what;
        std::optional<std::uint8_t> single;  // none: every station
        int ticks;                           // after the choice, before the hand-over
        PollingMode mode;
        int station;  // of the first request after taking the line back
    } cases[] = {
        {"every station", std::nullopt, 0, PollingMode::AllStations, 1},
        {"every station, left at station 3", std::nullopt, 20, PollingMode::AllStations, 1},
        {"station 7", 7, 0, PollingMode::SingleStation, 7},
        {"station 16", 16, 3, PollingMode::SingleStation, 16},
    };
    for (const auto& c : cases) {
        renew();
        ASSERT_TRUE(start());
        tick();
        if (c.single) {
            session->pollSingleStation(*c.single);
        } else {
            session->pollAllStations();
        }
        for (int i = 0; i < c.ticks; ++i) {
            tick();
        }
        session->handOver();
        EXPECT_EQ(session->state(), SessionState::HandedOver) << c.what;
        EXPECT_FALSE(port.isOpen()) << c.what;
        EXPECT_FALSE(timer.isEnabled()) << c.what;
        timer.setEnabled(true);
        EXPECT_TRUE(tick().empty()) << c.what << ": nothing while handed over";
        timer.setEnabled(false);

        ASSERT_TRUE(session->takeBack()) << c.what;
        EXPECT_EQ(session->mode(), c.mode) << c.what;
        EXPECT_EQ(heard.modes.back().first, c.mode) << c.what;
        EXPECT_FALSE(session->hasTicked()) << c.what;
        EXPECT_TRUE(timer.isEnabled()) << c.what;
        EXPECT_EQ(tick()[1], c.station) << c.what;
    }
}

TEST_F(SessionPollingTest, HandOverDropsANotificationThatWaitsInTheGate) {
    tick();
    gate.run([&] {
        port.arrive(reply(1, 0, {0x56, 0x34, 0x12, 0x03, 0x02, 0}));
        session->handOver();
    });
    EXPECT_EQ(session->display().flow, "") << "the reply was not decoded after the hand-over";
    port.notify(platform::kCommEventReceive);
    EXPECT_EQ(session->display().flow, "");
    EXPECT_FALSE(timer.isEnabled());
}

TEST_F(SessionPollingTest, SilentLineBlanksTheDisplayAndIndicatorsAtTheTenthTick) {
    session->pollAllStations();
    tick();
    port.arrive(reply(1, 0, {0x56, 0x34, 0x12, 0x03, 0x02, 0}));
    for (int i = 0; i < 9; ++i) {
        tick();
    }
    EXPECT_EQ(heard.display.flow, "+1234.56");
    EXPECT_EQ(enabledIndicators(), 1) << "each tick marks the station it polls";
    tick();
    EXPECT_EQ(heard.display.flow, "");
    EXPECT_EQ(heard.display.status, "");
    EXPECT_EQ(heard.display.cutoffEnable, "禁止") << "enable states are not blanked";
    EXPECT_EQ(enabledIndicators(), 0);
    EXPECT_EQ(session->polling().unansweredRequests(), 10);
}

TEST_F(SessionPollingTest, ListenersHearOfChangesOnly) {
    const int displays = heard.displayCalls;
    tick();
    tick();
    EXPECT_EQ(heard.displayCalls, displays) << "requests alone change no display";
    port.arrive(reply(1, 1, {0x25, 0x01, 0x00, 0x01, 0x02, 0x00}));
    EXPECT_EQ(heard.displayCalls, displays + 1);
    EXPECT_EQ(heard.display.velocity, "+1.25");
}

}  // namespace
}  // namespace sessiontest
