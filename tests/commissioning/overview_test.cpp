// The station overview against a session on fakes: each station's condition, the age of its last
// valid reply and its greying by the fake clock, and the cells it tells its views of.
#include <QGuiApplication>
#include <QPalette>
#include <QRadioButton>

#include <set>
#include <utility>

#include "commissioning/station_overview.h"
#include "good_replies.h"
#include "shell/form1_fixture.h"

namespace shelltest {
namespace {

using commissioning::StationOverview;

constexpr std::int64_t kRequestMs = 120;

class OverviewTest : public Form1Test {
  protected:
    void SetUp() override {
        Form1Test::SetUp();
        ASSERT_TRUE(load());
        overview = std::make_unique<StationOverview>(*session, clock);
    }
    void TearDown() override {
        overview.reset();
        Form1Test::TearDown();
    }
    // One request, answered by its station or not, kRequestMs after the one before.
    void poll(bool answered) {
        clock.msecs += kRequestMs;
        const Bytes request = tick();
        if (answered && request.size() == 4) {
            port.arrive(reply(request[1], request[2], kGoodData[request[2]]));
        }
    }
    bool grey(int row, int column) const {
        const QVariant colour =
            overview->model().data(overview->model().index(row, column), Qt::ForegroundRole);
        return colour.isValid() &&
               colour.value<QColor>() ==
                   QGuiApplication::palette().color(QPalette::Disabled, QPalette::Text);
    }

    std::unique_ptr<StationOverview> overview;
};

// Every station answers a round of multi-station polling; then station 5 is polled alone, and
// thirteen minutes later the meters fall silent. The other stations are no longer "在线".
TEST_F(OverviewTest, StatesAndAgesAfterTheModeMovesToOneStation) {
    form->Option2->click();
    for (int i = 0; i < 2 * 16 * 9; ++i) {
        poll(true);
    }
    overview->refresh();
    for (int row = 0; row < 16; ++row) {
        EXPECT_EQ(overview->cellText(row, commissioning::State), "在线") << row + 1;
        EXPECT_FALSE(grey(row, commissioning::Flow)) << row + 1;
    }

    dialogs.answers = {"5"};
    form->Option1->click();
    for (int i = 0; i < 9; ++i) {
        poll(true);
    }
    clock.msecs += 13 * 60 * 1000;
    for (int i = 0; i < 11; ++i) {
        poll(false);
    }
    overview->refresh();
    const struct {
        int station;
        const char* state;
        const char* age;
    } rows[] = {
        {1, "未轮询", "13 分钟前"}, {4, "未轮询", "13 分钟前"},  {5, "无应答", "13 分钟前"},
        {6, "未轮询", "13 分钟前"}, {16, "未轮询", "13 分钟前"},
    };
    for (const auto& r : rows) {
        const int row = r.station - 1;
        EXPECT_EQ(overview->cellText(row, commissioning::State), QString::fromUtf8(r.state))
            << r.station;
        EXPECT_EQ(overview->cellText(row, commissioning::LastReply), QString::fromUtf8(r.age))
            << r.station;
        EXPECT_TRUE(grey(row, commissioning::Flow)) << r.station;
        EXPECT_TRUE(grey(row, commissioning::LastReply)) << r.station;
        EXPECT_FALSE(overview->cellText(row, commissioning::Flow).isEmpty())
            << "the last values stay, greyed: " << r.station;
    }
    EXPECT_TRUE(overview->summary->text().contains(QStringLiteral("站 5")))
        << overview->summary->text().toStdString();
}

// The values grey once their reply is older than a round over the stations polled now; a
// station polled again is "未轮询" until its first request goes out.
TEST_F(OverviewTest, ValuesGreyAfterARoundAndPollingAgainWaitsForARequest) {
    for (int i = 0; i < 3 * 9; ++i) {
        poll(true);
    }
    const std::int64_t round = session->roundMsecs();
    EXPECT_EQ(round, 9 * kRequestMs) << "single station: nine requests at the timed period";
    const std::int64_t replied = *session->stations().stations[0].lastReplyMsecs;
    const struct {
        std::int64_t after;
        bool grey;
        const char* age;
    } cases[] = {
        {0, false, "0 秒前"},
        {round, false, "1 秒前"},
        {round + 1, true, "1 秒前"},
        {59999, true, "59 秒前"},
        {3 * 3600 * 1000, true, "3 小时前"},
        {2 * 86400 * 1000 + 5, true, "2 天前"},
    };
    for (const auto& c : cases) {
        clock.msecs = replied + c.after;
        overview->refresh();
        EXPECT_EQ(grey(0, commissioning::Flow), c.grey) << c.after;
        EXPECT_EQ(grey(0, commissioning::Alarm), c.grey) << c.after;
        EXPECT_FALSE(grey(0, commissioning::Requests)) << "counters never grey";
        EXPECT_EQ(overview->cellText(0, commissioning::LastReply), QString::fromUtf8(c.age))
            << c.after;
    }

    form->Option2->click();
    overview->refresh();
    EXPECT_EQ(overview->cellText(1, commissioning::State), "未轮询") << "station 2 not asked yet";
    EXPECT_EQ(overview->cellText(0, commissioning::State), "在线") << "station 1 polled on";
    EXPECT_EQ(session->roundMsecs(), 16 * round);
}

using Cells = std::set<std::pair<int, int>>;

// Every cell's text, colour and tip.
std::vector<QVariant> snapshot(const QAbstractItemModel& model) {
    std::vector<QVariant> cells;
    for (int row = 0; row < model.rowCount(); ++row) {
        for (int column = 0; column < model.columnCount(); ++column) {
            for (const int role : {Qt::DisplayRole, Qt::ForegroundRole, Qt::ToolTipRole}) {
                cells.push_back(model.data(model.index(row, column), role));
            }
        }
    }
    return cells;
}

Cells changedCells(const QAbstractItemModel& model, const std::vector<QVariant>& before) {
    const std::vector<QVariant> after = snapshot(model);
    Cells changed;
    for (std::size_t i = 0; i < after.size(); ++i) {
        if (after[i] != before[i]) {
            const int cell = static_cast<int>(i / 3);
            changed.emplace(cell / model.columnCount(), cell % model.columnCount());
        }
    }
    return changed;
}

TEST_F(OverviewTest, SignalsExactlyTheCellsThatChanged) {
    const QAbstractItemModel& model = overview->model();
    Cells signalled;
    QObject::connect(&model, &QAbstractItemModel::dataChanged,
                     [&signalled](const QModelIndex& from, const QModelIndex& to) {
                         for (int row = from.row(); row <= to.row(); ++row) {
                             for (int column = from.column(); column <= to.column(); ++column) {
                                 signalled.emplace(row, column);
                             }
                         }
                     });
    const struct {
        const char* what;
        std::function<void()> step;
        bool anyChange;
    } steps[] = {
        {"nothing happened", [] {}, false},
        {"an answered request", [this] { poll(true); }, true},
        {"the same second again", [] {}, false},
        {"an unanswered request", [this] { poll(false); }, true},
        {"a second later", [this] { clock.msecs += 1000; }, true},
        {"the mode changes", [this] { form->Option2->click(); }, true},
    };
    for (const auto& s : steps) {
        const std::vector<QVariant> before = snapshot(model);
        signalled.clear();
        s.step();
        overview->refresh();
        const Cells changed = changedCells(model, before);
        EXPECT_EQ(signalled, changed) << s.what;
        EXPECT_EQ(!changed.empty(), s.anyChange) << s.what;
        EXPECT_LE(changed.size(), 16U) << s.what;
    }
}

}  // namespace
}  // namespace shelltest
