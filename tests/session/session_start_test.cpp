// Start-up of a polling session: port discovery, "config.dat", opening the port, the first mode,
// and the line's return after a hand-over or an adapter pulled out.
#include <algorithm>

#include "session/session_fixture.h"

namespace sessiontest {
namespace {

using session::PollingMode;
using session::SessionState;

TEST_F(SessionTest, ConfigDatChoosesAmongUsablePorts) {
    const struct {
        const char* what;
        std::optional<Bytes> configDat;
        int expectedPort;
        std::size_t inUse;
    } cases[] = {
        {"missing", std::nullopt, 1, 0},      {"empty", Bytes{}, 1, 0},
        {"one byte 1", Bytes{1}, 2, 1},       {"byte 0 = 2", Bytes{2, 9, 9}, 5, 2},
        {"byte 0 = 7", Bytes{7, 0, 0}, 5, 2}, {"extra bytes", Bytes{0, 1, 2, 3, 4}, 1, 0},
    };
    for (const auto& c : cases) {
        renew();
        port.usablePorts = {1, 2, 5};
        if (c.configDat) {
            files.files["config.dat"] = *c.configDat;
        }
        ASSERT_TRUE(start()) << c.what;
        EXPECT_TRUE(port.isOpen()) << c.what;
        EXPECT_EQ(port.portNumber(), c.expectedPort) << c.what;
        EXPECT_EQ(session->portNumber(), c.expectedPort) << c.what;
        EXPECT_EQ(heard.portInUse, c.inUse) << c.what;
        ASSERT_EQ(heard.ports.size(), 3U) << c.what;
        const std::vector<std::string> names = {heard.ports[0].name, heard.ports[1].name,
                                                heard.ports[2].name};
        EXPECT_EQ(names, (std::vector<std::string>{"COM1", "COM2", "COM5"}));
        EXPECT_EQ(heard.ports[2].number, 5);
        EXPECT_EQ(heard.ports[2].device, "/dev/ttyFAKE5");
    }
}

TEST_F(SessionTest, TriesPortsOneToTenOnlyEachOnItsOwn) {
    port.usablePorts = {5, 10, 11, 12};
    ASSERT_TRUE(start());
    EXPECT_EQ(std::find(port.log.begin(), port.log.end(), "port 11"), port.log.end());
    ASSERT_EQ(heard.ports.size(), 2U);
    EXPECT_EQ(heard.ports[0].name, "COM5");
    EXPECT_EQ(heard.ports[1].name, "COM10");
}

TEST_F(SessionTest, OpensThePortWithTheStationLineSettingsAfterTheSettlePause) {
    port.usablePorts = {3};
    ASSERT_TRUE(start());
    // The last successful open is the port's own: discovery's opens are each followed by a close.
    const auto lastOpen = std::find(port.log.rbegin(), port.log.rend(), "open 3").base() - 1;
    ASSERT_GE(std::distance(port.log.begin(), lastOpen), 3);
    const std::vector<std::string> actual(lastOpen - 3, lastOpen + 6);
    const std::vector<std::string> expected = {"close",
                                               "port 3",
                                               "close",
                                               "open 3",
                                               "handshaking none",
                                               "send threshold 0",
                                               "receive threshold 10",
                                               "settings 14400,s,8,1",
                                               "binary"};
    EXPECT_EQ(actual, expected);
    EXPECT_EQ(pacer.pauses, std::vector<std::string>{"settle 10000"});
    EXPECT_TRUE(timer.isEnabled());
    EXPECT_EQ(session->state(), SessionState::Polling);
}

TEST_F(SessionTest, NoUsablePortAsksForTheMessageAndDoesNotPoll) {
    port.usablePorts = {};
    EXPECT_FALSE(start());
    EXPECT_EQ(heard.messages, std::vector<std::string>{"没有可用端口，退出!"});
    EXPECT_TRUE(heard.ports.empty());
    EXPECT_FALSE(timer.isEnabled());
    EXPECT_EQ(session->state(), SessionState::Stopped);
    EXPECT_TRUE(tick().empty());
}

TEST_F(SessionTest, FreshStartPollsSingleStationOne) {
    ASSERT_TRUE(start());
    ASSERT_FALSE(heard.modes.empty());
    EXPECT_EQ(heard.modes.back(), std::make_pair(PollingMode::SingleStation, std::uint8_t{1}));
    EXPECT_EQ(session->singleStationText(), "00");
    EXPECT_EQ(timer.interval(), 200);
    EXPECT_FALSE(session->hasTicked());
    EXPECT_EQ(tick(), poll(1, 0));
    EXPECT_TRUE(session->hasTicked());
    for (const session::Indicator& indicator : session->indicators()) {
        EXPECT_FALSE(indicator.enabled || indicator.checked);
    }
}

TEST_F(SessionTest, TakeBackFindsThePortsAgainWithoutDuplicates) {
    port.usablePorts = {1, 2, 5};
    ASSERT_TRUE(start());
    session->handOver();
    ASSERT_TRUE(session->takeBack());
    EXPECT_EQ(heard.ports.size(), 3U);
    EXPECT_TRUE(port.isOpen());
}

TEST_F(SessionTest, TakeBackWithoutAUsablePortAsksForTheMessage) {
    ASSERT_TRUE(start());
    session->handOver();
    port.usablePorts = {};
    EXPECT_FALSE(session->takeBack());
    EXPECT_EQ(heard.messages, std::vector<std::string>{"没有可用端口，退出!"});
    EXPECT_EQ(session->state(), SessionState::Stopped);
}

TEST_F(SessionTest, PortThatFailsToOpenAfterDiscoveryKeepsPolling) {
    port.usablePorts = {1};
    port.opensAllowed = 1;  // discovery's open succeeds, the port's own fails
    ASSERT_TRUE(start());
    EXPECT_FALSE(port.isOpen());
    EXPECT_TRUE(heard.messages.empty());
    for (int i = 0; i < 12; ++i) {
        EXPECT_TRUE(tick().empty());
    }
    EXPECT_TRUE(timer.isEnabled());
    EXPECT_EQ(session->polling().unansweredRequests(), 12);
    EXPECT_EQ(session->display().status, "");
}

TEST_F(SessionTest, PulledOutAdapterIsTriedAgainOnceASecondUntilItIsBack) {
    ASSERT_TRUE(start());
    EXPECT_EQ(tick(), poll(1, 0));
    port.arrive(reply(1, 0, {0x56, 0x34, 0x12, 0x03, 0x02, 0}));
    ASSERT_NE(session->display().flow, "");
    port.unplug();
    port.usablePorts.clear();
    port.log.clear();
    for (int i = 0; i < 25; ++i) {
        EXPECT_TRUE(tick().empty());
    }
    EXPECT_EQ(std::count(port.log.begin(), port.log.end(), "open 1"), 2) << "100 ms ticks";
    EXPECT_TRUE(heard.messages.empty());
    EXPECT_EQ(heard.display.flow, "") << "the display blanks as on a silent line";

    port.usablePorts = {1};
    Bytes sent;
    for (int i = 0; i < 10 && sent.empty(); ++i) {
        sent = tick();
    }
    EXPECT_EQ(sent.size(), 4U);
    EXPECT_EQ(port.portNumber(), 1);
    EXPECT_EQ(port.receiveThreshold, 10);
}

TEST_F(SessionTest, StopReleasesThePortForGood) {
    ASSERT_TRUE(start());
    session->stop();
    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(timer.isEnabled());
    EXPECT_EQ(session->state(), SessionState::Stopped);
    timer.setEnabled(true);
    EXPECT_TRUE(tick().empty());
}

}  // namespace
}  // namespace sessiontest
