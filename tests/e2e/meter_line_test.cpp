// The main window polling simulated meters over a real serial device.
#include <QCheckBox>

#include <csignal>
#include <set>

#include "e2e/meter_line_fixture.h"

namespace e2e {
namespace {

constexpr int kRoundMs = 30000;  // generous: one polling round takes about a second

bool isSigned(const std::string& text) {
    return !text.empty() && (text[0] == '+' || text[0] == '-');
}

TEST_F(MeterLineTest, SingleStationShowsEveryValueOfStationOne) {
    START_METER_LINE({"--stations", "1-3"});
    ASSERT_TRUE(waitFor([this] { return everyValueShown(); }, kRoundMs));
    EXPECT_TRUE(isSigned(text(29))) << text(29);
    EXPECT_TRUE(isSigned(text(34))) << text(34);
    EXPECT_TRUE(isSigned(text(31)) && text(31).back() == '%') << text(31);
    EXPECT_EQ(text(33), "100");  // the simulated meters' pipe diameter
    EXPECT_EQ(text(54), "01");
    EXPECT_EQ(form->statusText->text().left(4).toStdString(), "通讯正常");
    for (QCheckBox* indicator : form->Check1) {
        EXPECT_FALSE(indicator->isEnabled());
    }
    EXPECT_FALSE(station(1).texts.flowUnit.empty());
    EXPECT_TRUE(station(2).texts.flowUnit.empty());
}

TEST_F(MeterLineTest, MultiStationPollsEveryStationInTurn) {
    START_METER_LINE({"--stations", "1,2,4"});
    form->Option2->click();
    std::set<int> lit;
    const auto everyStationDecoded = [this, &lit] {
        for (int i = 0; i < 16; ++i) {
            if (form->Check1[i]->isChecked()) {
                lit.insert(i + 1);
            }
        }
        for (int number : {1, 2, 4}) {
            if (station(number).texts.diameter.empty()) {
                return false;
            }
        }
        return true;
    };
    ASSERT_TRUE(waitFor(everyStationDecoded, 4 * kRoundMs));
    EXPECT_TRUE(station(3).texts.diameter.empty());  // station 3 is absent and stays silent
    EXPECT_FALSE(station(4).texts.forwardUnit.empty());
    EXPECT_EQ(lit, (std::set<int>{1, 2, 4}));
    EXPECT_EQ(text(54), "00");
}

// Station 1 alone: its record is written once its nine values are in, and again at the first
// reply of each new minute, and holds what the window shows at that moment.
TEST_F(MeterLineTest, NewMinuteStoresWhatTheWindowShows) {
    START_METER_LINE({"--stations", "1"});
    clock.time = "10:00:30";
    ASSERT_TRUE(waitFor([this] { return everyValueShown(); }, kRoundMs));
    records_test::SqliteDirect db(store.path());
    const auto count = [&db] { return db.number("SELECT count(*) FROM \"数据监测\""); };
    ASSERT_TRUE(waitFor([&] { return count() == 1; }, kRoundMs));

    clock.time = "10:01:00";
    ASSERT_TRUE(waitFor([&] { return count() == 2; }, kRoundMs));
    const auto rows = db.rows("SELECT * FROM \"数据监测\" ORDER BY rowid");
    ASSERT_EQ(rows.size(), 2U);
    ASSERT_EQ(rows[1].size(), 10U);
    EXPECT_EQ(rows[0][1], "2007-10-10/10:00");
    EXPECT_EQ(rows[1][0], "1");
    EXPECT_EQ(rows[1][1], "2007-10-10/10:01");
    const std::vector<std::string> stored(rows[1].begin() + 2, rows[1].begin() + 9);
    EXPECT_EQ(stored, shownAtAppend);
    EXPECT_FALSE(rows[1][2].empty());

    // Later replies in the same minute add nothing: wait for another full cycle of nine.
    const int replies = station(1).counters.validReplies;
    ASSERT_TRUE(waitFor([&] { return station(1).counters.validReplies >= replies + 9; }, kRoundMs));
    EXPECT_EQ(count(), 2);
}

TEST_F(MeterLineTest, DamagedRepliesShowTheErrorAndGoodOnesRecover) {
    START_METER_LINE({"--stations", "1", "--fault-bad-check", "0.2", "--fault-wrong-station", "0.1",
                      "--fault-late", "0.1", "--fault-split", "0.2", "--fault-noise", "0.1",
                      "--fault-extra-bytes", "0.1", "--fault-bad-end", "0.1"});
    bool sawError = false;
    bool recovered = false;
    ASSERT_TRUE(waitFor(
        [&] {
            const std::string status = text(39);
            if (status == "通讯错误") {
                sawError = true;
            } else if (sawError && status.rfind("通讯正常", 0) == 0 && isSigned(text(29))) {
                recovered = true;
            }
            return recovered;
        },
        4 * kRoundMs));
    EXPECT_TRUE(timer.isEnabled());
}

TEST_F(MeterLineTest, SilentLineBlanksTheDisplayUntilRepliesReturn) {
    START_METER_LINE({"--stations", "1"});
    ASSERT_TRUE(waitFor([this] { return everyValueShown(); }, kRoundMs));
    ASSERT_EQ(::kill(static_cast<pid_t>(simulator.processId()), SIGUSR1), 0);
    ASSERT_TRUE(waitFor([this] { return text(29).empty() && text(35).empty(); }, kRoundMs));
    EXPECT_GE(session->polling().unansweredRequests(), 10);
    EXPECT_EQ(text(39), "");

    ASSERT_EQ(::kill(static_cast<pid_t>(simulator.processId()), SIGUSR1), 0);
    ASSERT_TRUE(waitFor([this] { return everyValueShown(); }, 2 * kRoundMs));
    EXPECT_LT(session->polling().unansweredRequests(), 10);
}

TEST_F(MeterLineTest, PollingResumesWhenTheLineComesBack) {
    START_METER_LINE({"--stations", "1"});
    ASSERT_TRUE(waitFor([this] { return everyValueShown(); }, kRoundMs));
    stopSimulator();  // the device goes away under the open port
    ASSERT_TRUE(waitFor([this] { return text(29).empty(); }, kRoundMs));
    EXPECT_FALSE(port->isOpen());
    ASSERT_TRUE(startSimulator());  // the same device path is back
    ASSERT_TRUE(waitFor([this] { return everyValueShown(); }, 2 * kRoundMs));
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(session->state(), session::SessionState::Polling);
}

}  // namespace
}  // namespace e2e
