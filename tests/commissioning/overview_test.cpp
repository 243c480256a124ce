// The station overview against a session on fakes: each station's condition, the age of its last
// valid reply and its greying by the fake clock, and the cells it tells its views of.
#include <QGuiApplication>
#include <QHeaderView>
#include <QImage>
#include <QPalette>
#include <QRadioButton>
#include <QStyledItemDelegate>
#include <QTableView>

#include <set>
#include <utility>

#include "commissioning/overview_cells.h"
#include "commissioning/station_overview.h"
#include "fakes/fake_meter_line.h"
#include "shell/form1_fixture.h"
#include "window_support.h"

namespace shelltest {
namespace {

using commissioning::StationOverview;
namespace column = commissioning;

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
    // `count` requests kRequestMs apart, each answered by its station or not.
    void poll(int count, bool answered) {
        for (int i = 0; i < count; ++i) {
            clock.msecs += kRequestMs;
            const Bytes request = tick();
            if (answered && request.size() == 4) {
                const auto data = fakes::FakeMeterLine::data(request[1], request[2]);
                port.arrive(reply(request[1], request[2], Bytes(data.begin(), data.end())));
            }
        }
    }
    QString cell(int station, int column) const { return overview->cellText(station - 1, column); }
    bool grey(int station, int column) const {
        const QModelIndex index = overview->model().index(station - 1, column);
        return overview->model().data(index, Qt::ForegroundRole) ==
               QGuiApplication::palette().color(QPalette::Disabled, QPalette::Text);
    }

    // Every column as wide as the table itself would make it for its texts.
    static void expectRoomForEveryText(const StationOverview& shown) {
        const QAbstractItemView& view = *shown.table;
        for (int c = 0; c < commissioning::OverviewColumnCount; ++c) {
            EXPECT_LE(view.sizeHintForColumn(c), shown.table->columnWidth(c)) << c;
        }
    }

    std::unique_ptr<StationOverview> overview;
};

// Every station answers two rounds of multi-station polling; then station 5 is polled alone, and
// thirteen minutes later the meters fall silent. The other stations are no longer "在线".
TEST_F(OverviewTest, StatesAndAgesAfterTheModeMovesToOneStation) {
    form->Option2->click();
    poll(2 * 16 * 9, true);
    overview->refresh();
    for (int station = 1; station <= 16; ++station) {
        EXPECT_EQ(cell(station, column::State), "在线") << station;
        EXPECT_FALSE(grey(station, column::Flow)) << station;
    }

    dialogs.answers = {"5"};
    form->Option1->click();
    poll(9, true);
    clock.msecs += 13 * 60 * 1000;
    poll(11, false);
    overview->refresh();
    for (const int station : {1, 4, 5, 6, 16}) {
        EXPECT_EQ(cell(station, column::State), station == 5 ? "无应答" : "未轮询") << station;
        EXPECT_EQ(cell(station, column::LastReply), "13 分钟前") << station;
        EXPECT_TRUE(grey(station, column::Flow) && grey(station, column::LastReply)) << station;
        EXPECT_FALSE(cell(station, column::Flow).isEmpty()) << "values stay, greyed: " << station;
    }
    EXPECT_TRUE(overview->summary->text().contains(QStringLiteral("站 5")));
}

// The values grey once their reply is older than a round over the stations polled now; a
// station polled again is "未轮询" until its first request goes out.
TEST_F(OverviewTest, ValuesGreyAfterARoundAndPollingAgainWaitsForARequest) {
    poll(3 * 9, true);
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
        {3 * 3600000, true, "3 小时前"},
        {2 * 86400000 + 5, true, "2 天前"},
        {-5000, false, "0 秒前"},  // the clock set back
    };
    for (const auto& c : cases) {
        clock.msecs = replied + c.after;
        overview->refresh();
        EXPECT_EQ(grey(1, column::Flow), c.grey) << c.after;
        EXPECT_EQ(grey(1, column::Alarm), c.grey) << c.after;
        EXPECT_FALSE(grey(1, column::Requests)) << "counters never grey";
        EXPECT_EQ(cell(1, column::LastReply), c.age) << c.after;
    }

    // Every alarm at once: the longest status there is, in a column measured before.
    while (session->polling().nextCommand() != 6) {
        poll(1, true);
    }
    const Bytes request = tick();
    port.arrive(reply(request[1], request[2], {0x3E, 0, 0, 0, 0, 0}));
    overview->refresh();
    expectRoomForEveryText(*overview);
    expectRoomForEveryText(StationOverview(*session, clock));

    const std::int64_t single = session->roundMsecs();
    form->Option2->click();
    overview->refresh();
    EXPECT_EQ(cell(2, column::State), "未轮询") << "station 2 not asked yet";
    EXPECT_EQ(cell(1, column::State), "在线") << "station 1 polled on";
    EXPECT_EQ(session->roundMsecs(), 16 * single);
}

using Cells = std::set<std::pair<int, int>>;

// Every cell's text, colour and tip.
std::vector<QVariant> snapshot(const QAbstractItemModel& model) {
    std::vector<QVariant> roles;
    for (int row = 0; row < model.rowCount(); ++row) {
        for (int column = 0; column < model.columnCount(); ++column) {
            for (const int role : {Qt::DisplayRole, Qt::ForegroundRole, Qt::ToolTipRole}) {
                roles.push_back(model.data(model.index(row, column), role));
            }
        }
    }
    return roles;
}

TEST_F(OverviewTest, SignalsExactlyTheCellsThatChanged) {
    const QAbstractItemModel& model = overview->model();
    const int columns = model.columnCount();
    Cells signalled;
    QObject::connect(&model, &QAbstractItemModel::dataChanged,
                     [&](const QModelIndex& from, const QModelIndex& to) {
                         for (int row = from.row(); row <= to.row(); ++row) {
                             for (int c = from.column(); c <= to.column(); ++c) {
                                 signalled.emplace(row, c);
                             }
                         }
                     });
    const struct {
        const char* what;
        std::function<void()> step;
        bool anyChange;
    } steps[] = {
        {"nothing happened", [] {}, false},
        {"an answered request", [this] { poll(1, true); }, true},
        {"the same second again", [] {}, false},
        {"an unanswered request", [this] { poll(1, false); }, true},
        {"a second later", [this] { clock.msecs += 1000; }, true},
        {"the mode changes", [this] { form->Option2->click(); }, true},
    };
    for (const auto& s : steps) {
        const std::vector<QVariant> before = snapshot(model);
        signalled.clear();
        s.step();
        overview->refresh();
        const std::vector<QVariant> after = snapshot(model);
        Cells changed;
        for (std::size_t i = 0; i < after.size(); ++i) {
            if (after[i] != before[i]) {
                changed.emplace(static_cast<int>(i / 3) / columns,
                                static_cast<int>(i / 3) % columns);
            }
        }
        EXPECT_EQ(signalled, changed) << s.what;
        EXPECT_EQ(!changed.empty(), s.anyChange) << s.what;
        EXPECT_LE(changed.size(), 16U) << s.what;
    }
}

// A cell drawn from memory looks as the standard delegate draws it, and only new texts are laid
// out or measured: ages and states come back second after second, counters do not.
TEST_F(OverviewTest, CellsDrawnFromMemoryLookTheSameAndNewTextsAloneAreMeasured) {
    const commissioning::OverviewCells& cells = overview->cells();
    QTableView& table = *overview->table;
    const QAbstractItemModel& model = overview->model();
    table.resize(table.horizontalHeader()->length() + 40, 18 * table.rowHeight(0) + 40);
    // The (column, text) pairs shown for the first time.
    std::set<std::pair<int, QString>> seen;
    const auto newTexts = [&] {
        int count = 0;
        for (int row = 0; row < model.rowCount(); ++row) {
            for (int c = 0; c < model.columnCount(); ++c) {
                count += seen.emplace(c, overview->cellText(row, c)).second ? 1 : 0;
            }
        }
        return count;
    };
    (void)newTexts();
    form->Option2->click();
    const struct {
        const char* what;
        std::function<void()> step;
    } steps[] = {
        {"two rounds answered", [this] { poll(2 * 16 * 9, true); }},
        {"a second later", [this] { clock.msecs += 1000; }},
        {"a few requests more", [this] { poll(5, true); }},
        {"unanswered", [this] { poll(3, false); }},
        {"a minute later", [this] { clock.msecs += 60000; }},
    };
    QStyledItemDelegate standard;
    const int plainBefore = cells.drawnPlainly();
    for (const auto& s : steps) {
        s.step();
        const int measuredBefore = cells.measured();
        overview->refresh();
        // Each (column, text) is measured the first time it is shown, and never again.
        EXPECT_EQ(cells.measured() - measuredBefore, newTexts()) << s.what;
        expectRoomForEveryText(*overview);

        const QImage remembered = table.grab().toImage();
        const int drawnBefore = cells.drawnAfresh();
        EXPECT_EQ(table.grab().toImage(), remembered) << s.what;
        // Drawn again, the states and ages come from memory; the other columns are drawn afresh.
        const int afresh = cells.drawnAfresh() - drawnBefore;
        EXPECT_GT(afresh, 0) << s.what;
        EXPECT_LE(afresh, model.rowCount() * (model.columnCount() - 4)) << s.what;
        table.setItemDelegate(&standard);
        EXPECT_EQ(table.grab().toImage(), remembered)
            << s.what << ": as the standard delegate draws";
        table.setItemDelegate(const_cast<commissioning::OverviewCells*>(&cells));
    }
    EXPECT_GT(cells.drawnPlainly(), plainBefore) << "values and counters are drawn plainly";
    // A selected row, and the cell with the focus, are drawn as the standard delegate draws them.
    table.setFocus();
    table.selectRow(2);
    table.setCurrentIndex(model.index(2, commissioning::Flow));
    const QImage selected = table.grab().toImage();
    table.setItemDelegate(&standard);
    EXPECT_EQ(table.grab().toImage(), selected) << "a selected row";
    table.setItemDelegate(const_cast<commissioning::OverviewCells*>(&cells));
}

}  // namespace
}  // namespace shelltest
