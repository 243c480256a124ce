// The commissioning views: each station's own values and counters, the silence mark, the traffic
// log's verdicts, and the two windows that show them.
#include <QLabel>
#include <QRadioButton>

#include <chrono>

#include "commissioning/station_overview.h"
#include "commissioning/traffic_monitor.h"
#include "fakes/fake_file_writer.h"
#include "shell/form1_fixture.h"
#include "window_support.h"

namespace shelltest {
namespace {

using commissioning::StationOverview;
using commissioning::Verdict;

const Bytes kFlow = {0x56, 0x34, 0x12, 0x03, 0x02, 0x00};  // +1234.56 m3/h

class StationsTest : public Form1Test {
  protected:
    void SetUp() override {
        Form1Test::SetUp();
        ASSERT_TRUE(load());
        dialogs.answers = {"3"};
        tick();
        form->Option1->click();  // single station 3
    }
    const measurement::StationState& state(int station) const {
        return session->stations().stations[station - 1];
    }
    const measurement::StationCounters& counters(int station) const {
        return state(station).counters;
    }
    int nextCommand() const { return session->polling().nextCommand(); }
    // Polls once; the meter answers with `frame` (station and command of the request unless the
    // frame says otherwise).
    Bytes pollAnswered(const std::function<Bytes(const Bytes&)>& frame) {
        const Bytes request = tick();
        port.arrive(frame(request));
        return request;
    }
};

TEST_F(StationsTest, CountersFollowEachRequestAndReply) {
    const int before = counters(3).requests;
    clock.time = "9:13:45";
    pollAnswered([](const Bytes& r) { return reply(r[1], r[2], kFlow); });  // command 1: velocity
    pollAnswered([](const Bytes& r) { return reply(4, r[2], kFlow); });     // another station's
    pollAnswered([](const Bytes& r) {
        Bytes bad = reply(r[1], r[2], kFlow);
        bad[8] ^= 1;
        return bad;
    });
    tick();  // no reply to this one; the next request shows it
    tick();
    EXPECT_EQ(counters(3).requests - before, 5);
    EXPECT_EQ(counters(3).validReplies, 1);
    EXPECT_EQ(counters(3).rejected[0], 1) << "a wrong station byte counts against station 3";
    EXPECT_EQ(counters(3).rejected[3], 1);
    EXPECT_EQ(counters(3).unanswered, 1 + before) << "the first tick before the prompt too";
    EXPECT_EQ(counters(4).requests + counters(4).rejected[0], 0);
    EXPECT_EQ(state(3).lastReplyTime, "9:13:45");

    for (int i = 0; i < 8; ++i) {
        tick();
    }
    EXPECT_EQ(counters(3).unansweredInARow, 9);
    EXPECT_FALSE(counters(3).silent());
    tick();
    EXPECT_TRUE(counters(3).silent()) << "ten unanswered in a row";
    pollAnswered([](const Bytes& r) { return reply(r[1], 9, kFlow); });  // a wrong command
    EXPECT_FALSE(counters(3).silent()) << "any reply ends the silence";
}

TEST_F(StationsTest, EachStationKeepsItsOwnAlarmAndValues) {
    while (nextCommand() != 0) {
        tick();
    }
    pollAnswered([](const Bytes& r) { return reply(r[1], r[2], kFlow); });
    while (nextCommand() != 6) {
        tick();
    }
    pollAnswered([](const Bytes& r) { return reply(r[1], r[2], {0x08, 0, 0, 0, 0, 0}); });
    const std::string alarm = state(3).alarmText;
    EXPECT_NE(alarm.find("空管报警"), std::string::npos) << alarm;
    pollAnswered([](const Bytes& r) { return reply(r[1], r[2], {0x26, 0, 0, 0, 0, 0}); });
    EXPECT_EQ(state(3).alarmText, alarm) << "a diameter reply keeps the alarm";

    StationOverview overview(*session, clock);
    EXPECT_EQ(overview.cellText(2, commissioning::Flow), "+1234.56m3/h");
    EXPECT_EQ(overview.cellText(2, commissioning::Alarm).toStdString(), alarm);
    EXPECT_EQ(overview.cellText(2, commissioning::Diameter), "3000");
    EXPECT_EQ(overview.cellText(2, commissioning::State), "在线");
    EXPECT_EQ(overview.cellText(0, commissioning::Flow), "");
}

TEST_F(StationsTest, OverviewFollowsTheRepliesWhileShownAndRestsWhileHidden) {
    using namespace std::chrono_literals;
    std::string gateway = "MQTT: connecting to broker:1883";
    StationOverview overview(*session, clock, [&gateway] { return gateway; });
    overview.show();
    const auto flowShown = [&overview] { return overview.cellText(2, commissioning::Flow); };
    ASSERT_EQ(flowShown(), "");
    ASSERT_NE(overview.gatewayLine, nullptr);
    EXPECT_EQ(overview.gatewayLine->text().toStdString(), gateway);
    gateway = "MQTT: connected to broker:1883";
    while (nextCommand() != 0) {
        tick();
    }
    pollAnswered([](const Bytes& r) { return reply(r[1], r[2], kFlow); });
    EXPECT_TRUE(eventLoopUntil([&] { return flowShown() == "+1234.56m3/h"; }, 3s));
    EXPECT_TRUE(
        eventLoopUntil([&] { return overview.gatewayLine->text().toStdString() == gateway; }, 3s));
    EXPECT_EQ(StationOverview(*session, clock).gatewayLine, nullptr) << "without a gateway";

    overview.hide();
    while (nextCommand() != 0) {
        tick();
    }
    pollAnswered([](const Bytes& r) { return reply(r[1], r[2], {0x01, 0, 0, 0x05, 0x02, 0}); });
    EXPECT_FALSE(eventLoopUntil([&] { return flowShown() != "+1234.56m3/h"; }, 1500ms))
        << "a hidden overview stays as it was";
    overview.show();
    EXPECT_EQ(flowShown(), "+1m3/h") << "and catches up when shown again";
}

TEST_F(StationsTest, TrafficLogHoldsEveryRequestAndReplyWithItsVerdict) {
    traffic.clear();
    const Bytes request = pollAnswered([](const Bytes& r) { return reply(r[1], r[2], kFlow); });
    pollAnswered([](const Bytes& r) {
        Bytes bad = reply(r[1], r[2], kFlow);
        bad[9] = 0x55;
        return bad;
    });
    ASSERT_EQ(traffic.size(), 4U);
    EXPECT_TRUE(traffic.at(0).sent);
    EXPECT_EQ(commissioning::hexText(traffic.at(0)), "2A 03 01 2E");
    EXPECT_EQ(commissioning::verdictText(traffic.at(0)), "轮询 站3 命令1");
    EXPECT_EQ(traffic.at(1).verdict, Verdict::ValidReply);
    EXPECT_EQ(commissioning::verdictText(traffic.at(1)), "有效应答 流速");
    EXPECT_EQ(commissioning::verdictText(traffic.at(3)), "结束符错");
    EXPECT_EQ(traffic.at(3).length, 10);
    EXPECT_EQ(request[1], 3);

    fakes::FakeFileWriter writer;
    commissioning::TrafficMonitor monitor(traffic, dialogs, writer);
    monitor.refresh();
    EXPECT_EQ(monitor.shownLines(), 4);
    EXPECT_TRUE(monitor.lineText(0).contains(QStringLiteral("→  2A 03 01 2E")));
    monitor.togglePause();
    tick();
    monitor.refresh();
    EXPECT_EQ(monitor.shownLines(), 4) << "paused: the list stays, the log goes on";
    EXPECT_EQ(traffic.size(), 5U);
    dialogs.saveAnswers = {"/tmp/traffic.txt"};
    monitor.save();
    const std::string saved = writer.files["/tmp/traffic.txt"];
    EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 5);
    monitor.clearLog();
    EXPECT_EQ(traffic.size(), 0U);
}

TEST(TrafficLog, KeepsTheLatestTenThousand) {
    fakes::FakeClock clock;
    commissioning::TrafficLog log(clock);
    for (int i = 0; i < 10005; ++i) {
        const std::uint8_t bytes[] = {0x2A, static_cast<std::uint8_t>(i), 0, 0x2E};
        clock.msecs = i;
        log.record(commissioning::Line::Main, true, bytes, sizeof bytes, Verdict::Poll);
    }
    EXPECT_EQ(log.size(), 10000U);
    EXPECT_EQ(log.recorded(), 10005U);
    EXPECT_EQ(log.at(0).msecs, 5);
    EXPECT_EQ(log.at(9999).msecs, 10004);
    const std::vector<std::uint8_t> block(20, 0x11);
    log.record(commissioning::Line::Parameter, false, block.data(), block.size(),
               Verdict::ErrorReply, 0x81);
    EXPECT_EQ(commissioning::verdictText(log.at(9999)), "错误0x81 参数设置超过30秒");
    EXPECT_NE(commissioning::hexText(log.at(9999)).find("(+4)"), std::string::npos);
}

}  // namespace
}  // namespace shelltest
