// The trend window: stations picked, gaps, time marks at several zooms, the value under the
// mouse, records logged while it is open; its store read on the reader's thread.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QMouseEvent>
#include <QPushButton>
#include <QWheelEvent>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

#include "fakes/fake_trend_rows.h"
#include "records/trend_reader.h"
#include "records/trend_window.h"
#include "support/wait_for.h"
#include "trend/record_time.h"

namespace {

using fakes::FakeTrendRows;
using records::TrendPlot;
using records::TrendWindow;
using testsupport::waitFor;

const trend::Minute kStart = *trend::recordMinute("2026-03-01/0:00");

// The fake store, shared between the test and the reader's thread under one lock.
struct SharedRows {
    std::mutex mutex;
    FakeTrendRows rows;

    void append(std::int64_t station, trend::Minute minute, const std::string& flow,
                const std::string& total) {
        const std::lock_guard<std::mutex> lock(mutex);
        const trend::CivilTime t = trend::civilOf(minute);
        char date[32];
        std::snprintf(date, sizeof date, "%04d-%02d-%02d/%d:%02d", t.year, t.month, t.day, t.hour,
                      t.minute);
        rows.append(station, date, flow, total);
    }
    void setBroken(bool broken) {
        const std::lock_guard<std::mutex> lock(mutex);
        rows.broken = broken;
    }
};

class LockedRows final : public trend::TrendRows {
  public:
    explicit LockedRows(SharedRows& shared) : shared_(shared) {}
    std::optional<trend::KeyBounds> bounds() override {
        const std::lock_guard<std::mutex> lock(shared_.mutex);
        return shared_.rows.bounds();
    }
    std::optional<std::size_t> read(const trend::RowRange& range,
                                    const trend::RowSink& sink) override {
        const std::lock_guard<std::mutex> lock(shared_.mutex);
        return shared_.rows.read(range, sink);
    }
    std::size_t readLimit() const override { return 4096; }
    std::uint64_t generation() const override { return 1; }

  private:
    SharedRows& shared_;
};

bool hasSpan(const trend::TrendAnswer& a) {
    return a.span.has_value();
}

// Whether a pixel of an area shows a station's colour, perhaps thinned by smoothing or on a grid
// line: its hue, and some of its saturation.
bool colourIn(const QImage& image, const QRect& area, std::int64_t station) {
    const QColor colour = TrendPlot::colorOf(station);
    for (int x = area.left(); x <= area.right(); ++x) {
        for (int y = area.top(); y <= area.bottom(); ++y) {
            const QColor pixel = image.pixelColor(x, y);
            const int hue = std::abs(pixel.hsvHue() - colour.hsvHue());
            if (pixel.hsvSaturation() > 60 && std::min(hue, 360 - hue) <= 12) {
                return true;
            }
        }
    }
    return false;
}

// A long read for stations no longer asked for (a box ticked meanwhile) gives way: the newer
// request is answered first, and the read it replaced is neither answered nor told as failed.
TEST(TrendReader, AReadForStationsNoLongerAskedForGivesWayToTheNewerRequest) {
    SharedRows shared;
    for (trend::Minute m = 0; m < 20000; ++m) {
        shared.append(1, kStart + m, "+1.0m3/h", "1m3");
        shared.append(2, kStart + m, "+2.0m3/h", "2m3");
    }
    trend::TrendRequest request;
    request.columns = 100;
    request.stations = {1, 2};
    int reads = 0;
    std::vector<std::vector<std::int64_t>> answers;
    int failures = 0;
    records::TrendReader reader([&] { return std::make_unique<LockedRows>(shared); });
    shared.rows.beforeRead = [&] {
        if (++reads == 3) {  // the second piece of the first read
            reader.request(request);
        }
    };
    QObject::connect(&reader, &records::TrendReader::answered,
                     [&](const auto& answer) { answers.push_back(answer->request.stations); });
    QObject::connect(&reader, &records::TrendReader::failed, [&] { ++failures; });
    trend::TrendRequest first = request;
    first.stations = {1};
    reader.request(first);
    ASSERT_TRUE(waitFor([&] { return !answers.empty(); }));
    EXPECT_EQ(answers.front(), request.stations);
    EXPECT_EQ(failures, 0);
}

// A shelf that does something as the summary's first writing begins. The reader owns it: it
// counts into the test's own counters the writings tried and those completed.
struct AskingShelf final : trend::SummaryShelf {
    AskingShelf(std::function<void()> asking, std::atomic<int>& tries, std::atomic<int>& saves)
        : asking(std::move(asking)), tries(tries), saves(saves) {}
    std::function<void()> asking;
    std::atomic<int>& tries;
    std::atomic<int>& saves;

    bool load(const std::function<bool(const trend::ByteSource&)>&) override { return false; }
    bool save(const std::function<bool(const trend::ByteSink&)>& write) override {
        if (++tries == 1) {
            asking();
        }
        const bool saved = write([](const char*, std::size_t) { return true; });
        saves += saved ? 1 : 0;
        return saved;
    }
};

// A view asked for while the summary is written (the user zooms at once, or the window refreshes
// the view it shows) does not wait for the writing: it is given up, and written whole after that
// request is dealt with. The window closed meanwhile lets the writing end, and lets go of the
// summary and the store: the same view asked for again is read from the store opened anew.
TEST(TrendReader, KeepingTheSummaryGivesWayToARequest) {
    SharedRows shared;
    for (trend::Minute m = 0; m < 600; ++m) {
        shared.append(1, kStart + m, "+1.0m3/h", "1m3");
    }
    trend::TrendRequest request;
    request.columns = 60;
    request.stations = {1};
    trend::TrendRequest zoomed = request;
    zoomed.range = std::make_pair(kStart + 100.0, kStart + 200.0);
    const std::vector<std::tuple<const char*, std::function<void(records::TrendReader&)>, int, int>>
        cases = {{"a zoom", [&](auto& reader) { reader.request(zoomed); }, 2, 1},
                 {"a refresh", [&](auto& reader) { reader.request(request); }, 2, 1},
                 {"closed", [](auto& reader) { reader.forget(); }, 1, 2}};
    for (const auto& [name, meanwhile, tries, opens] : cases) {
        SCOPED_TRACE(name);
        std::atomic<int> tried = 0;
        std::atomic<int> saves = 0;
        std::atomic<int> opened = 0;
        records::TrendReader* asked = nullptr;
        records::TrendReader reader(
            [&] {
                ++opened;
                return std::make_unique<LockedRows>(shared);
            },
            std::make_unique<AskingShelf>([&] { meanwhile(*asked); }, tried, saves));
        asked = &reader;
        reader.request(request);
        ASSERT_TRUE(waitFor([&] { return saves == 1; }));
        EXPECT_EQ(tried, tries);
        reader.request(request);
        EXPECT_TRUE(waitFor([&] { return opened == opens; }));
    }
}

class TrendWindowTest : public testing::Test {
  protected:
    void open() {
        window_ =
            std::make_unique<TrendWindow>([this] { return std::make_unique<LockedRows>(shared_); });
        window_->resize(900, 600);
        window_->show();
    }
    // Waits for an answer about these stations that satisfies `also`.
    bool answered(const std::vector<std::int64_t>& stations,
                  const std::function<bool(const trend::TrendAnswer&)>& also = nullptr) {
        return waitFor([&] {
            const auto& answer = window_->plot->answer();
            std::vector<std::int64_t> drawn;
            for (const auto& s : answer.stations) {
                drawn.push_back(s.station);
            }
            return drawn == stations && (!also || also(answer));
        });
    }
    void mouse(QEvent::Type type, const QPointF& at, Qt::MouseButton button = Qt::NoButton) {
        QMouseEvent event(type, at, window_->plot->mapToGlobal(at), button,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : button,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(window_->plot, &event);
    }

    SharedRows shared_;
    std::unique_ptr<TrendWindow> window_;
};

TEST_F(TrendWindowTest, DrawsTheStationsPickedEachInItsColour) {
    for (trend::Minute m = kStart; m < kStart + 120; ++m) {
        for (int s = 1; s <= 3; ++s) {
            shared_.append(s, m, "+" + std::to_string(s * 10 + m % 7) + "m3/h",
                           std::to_string(s * 1000 + m - kStart) + "m3");
        }
    }
    open();
    ASSERT_TRUE(answered({1})) << "station 1 when the window opens";
    window_->stationBoxes[2]->setChecked(true);
    window_->stationBoxes[1]->setChecked(true);
    ASSERT_TRUE(answered({1, 2, 3}));
    window_->stationBoxes[0]->setChecked(false);
    ASSERT_TRUE(answered({2, 3}));
    const QImage image = window_->plot->grab().toImage();
    // The legend's samples, at the top of the plot, and the curves in both quantities.
    for (const std::int64_t s : {1, 2, 3}) {
        EXPECT_EQ(colourIn(image, image.rect(), s), s != 1) << "station " << s;
    }
    for (const auto& s : window_->plot->answer().stations) {
        EXPECT_FALSE(s.curves[trend::kFlow].line.empty());
        EXPECT_FALSE(s.curves[trend::kTotal].line.empty());
    }

    window_->noneButton->click();
    EXPECT_TRUE(window_->plot->answer().stations.empty());
    EXPECT_EQ(window_->plot->status(), QStringLiteral("请选择仪表"));
    window_->allButton->click();
    ASSERT_TRUE(answered({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}));
}

TEST_F(TrendWindowTest, AFourMinuteGapIsLeftAsAGap) {
    for (trend::Minute m = kStart; m < kStart + 60; ++m) {
        if (m < kStart + 30 || m >= kStart + 34) {
            shared_.append(1, m, "+50m3/h", std::to_string(m - kStart) + "m3");
        }
    }
    open();
    ASSERT_TRUE(answered({1}, hasSpan));
    const auto& flow = window_->plot->answer().stations[0].curves[trend::kFlow];
    EXPECT_EQ(flow.line.size(), 2u) << "two pieces, none across the gap";
    const QImage image = window_->plot->grab().toImage();
    const auto inGap = window_->plot->pointOf(trend::kFlow, kStart + 31.5, 50);
    const auto before = window_->plot->pointOf(trend::kFlow, kStart + 20.5, 50);
    ASSERT_TRUE(inGap && before);
    const auto column = [&](const QPointF& p) { return QRect(int(p.x()), int(p.y()) - 3, 1, 7); };
    EXPECT_FALSE(colourIn(image, column(*inGap), 1));
    EXPECT_TRUE(colourIn(image, column(*before), 1));
}

TEST_F(TrendWindowTest, TimeMarksFollowTheZoom) {
    for (trend::Minute m = kStart; m < kStart + 366 * 1440; m += 60) {
        shared_.append(1, m, "+1m3/h", "1m3");
    }
    open();
    ASSERT_TRUE(answered({1}, hasSpan));
    const struct {
        const char* name;
        const char* from;
        const char* to;
        const char* firstLabel;  // "context|label"
    } cases[] = {
        {"the year", "2026-02-20/0:00", "2027-03-02/0:00", "2026-03"},
        {"a month", "2026-05-01/0:00", "2026-06-01/0:00", "2026|05-01"},
        {"a day", "2026-06-01/0:00", "2026-06-02/0:00", "2026-06-01|0:00"},
        {"an hour", "2026-06-01/9:00", "2026-06-01/10:00", "2026-06-01|9:00"},
        {"ten minutes", "2026-06-01/9:58", "2026-06-01/10:08", "2026-06-01|9:58"},
    };
    for (const auto& c : cases) {
        window_->plot->setView(*trend::recordMinute(c.from), *trend::recordMinute(c.to));
        QStringList labels = window_->plot->timeLabels();
        ASSERT_GE(labels.size(), 2) << c.name;
        EXPECT_EQ(labels.front(), QString::fromUtf8(c.firstLabel)) << c.name;
        EXPECT_EQ(labels.removeDuplicates(), 0) << c.name << ": no two marks read alike";
    }
}

TEST_F(TrendWindowTest, TellsTheValueAndTimeUnderTheMouse) {
    for (trend::Minute m = kStart; m < kStart + 40; ++m) {
        if (m >= kStart + 25 && m < kStart + 32) {
            continue;  // neither station logged then
        }
        shared_.append(1, m, "+" + std::to_string(100 + m - kStart) + ".25m3/h",
                       std::to_string(5000 + 2 * (m - kStart)) + ".5m3");
        shared_.append(2, m, "-20m3/h", "9m3");
    }
    open();
    window_->stationBoxes[1]->setChecked(true);
    ASSERT_TRUE(answered({1, 2}, [](const trend::TrendAnswer& a) { return a.exact; }));
    const struct {
        trend::Quantity curve;
        int minute;
        double value;
        double below;  // pixels under the point
        const char* readout;
    } cases[] = {
        {trend::kFlow, 20, 120.25, 3, "01号  2026-03-01 0:20\n瞬时流量 120.25 m3/h"},
        {trend::kFlow, 5, -20, 0, "02号  2026-03-01 0:05\n瞬时流量 -20 m3/h"},
        {trend::kTotal, 39, 5078.5, 0, "01号  2026-03-01 0:39\n正向累计 5078.5 m3"},
        // Far from both lines: at a time with records, and in the time without any.
        {trend::kFlow, 10, 50, 0, "2026-03-01 0:10\n指向曲线看数值"},
        {trend::kFlow, 28, 50, 0, "2026-03-01 0:28\n瞬时流量 无记录"},
    };
    for (const auto& c : cases) {
        const auto at = window_->plot->pointOf(c.curve, kStart + c.minute, c.value);
        ASSERT_TRUE(at) << c.readout;
        mouse(QEvent::MouseMove, *at + QPointF(0, c.below));
        EXPECT_EQ(window_->plot->readout(), QString::fromUtf8(c.readout));
    }
}

TEST_F(TrendWindowTest, TheReadoutTakesTheRecordsReadForAZoomedView) {
    for (trend::Minute m = kStart; m < kStart + 20 * 1440; ++m) {
        shared_.append(1, m, "+" + std::to_string(m % 50) + "m3/h", "1m3");
    }
    open();
    ASSERT_TRUE(answered({1}, hasSpan));
    ASSERT_FALSE(window_->plot->answer().exact) << "twenty days are drawn from the buckets";
    TrendPlot& plot = *window_->plot;
    const QPointF resting = *plot.pointOf(trend::kFlow, kStart + 10 * 1440, 25);
    mouse(QEvent::MouseMove, resting);
    for (int i = 0; i < 4; ++i) {
        QWheelEvent wheel(resting, plot.mapToGlobal(resting), {}, {0, 3 * 120}, Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(&plot, &wheel);
    }
    const QString fromBuckets = plot.readout();
    ASSERT_TRUE(answered({1}, [](const trend::TrendAnswer& a) { return a.exact; }));
    const QString fromRecords = plot.readout();
    mouse(QEvent::MouseMove, resting);
    EXPECT_EQ(fromRecords, plot.readout()) << "as if the mouse had moved there now";
    EXPECT_NE(fromRecords, fromBuckets);
}

TEST_F(TrendWindowTest, TheValueAxisFitsAZoomedViewBeforeItsRecordsAreRead) {
    for (trend::Minute m = kStart; m < kStart + 60; ++m) {
        shared_.append(1, m, m < kStart + 30 ? "+1000m3/h" : "+10m3/h", "1m3");
    }
    open();
    ASSERT_TRUE(answered({1}, hasSpan));
    // Zoomed into the later half: the columns of the earlier one, still at hand, are left out.
    window_->plot->setView(kStart + 35, kStart + 55);
    const double fourUnits = window_->plot->pointOf(trend::kFlow, kStart + 40, 8)->y() -
                             window_->plot->pointOf(trend::kFlow, kStart + 40, 12)->y();
    EXPECT_GT(fourUnits, window_->plot->height() / 10.0);
}

TEST_F(TrendWindowTest, RecordsLoggedWhileOpenJoinTheCurves) {
    for (trend::Minute m = kStart; m < kStart + 30; ++m) {
        shared_.append(1, m, "+5m3/h", "1m3");
    }
    open();
    ASSERT_TRUE(answered({1}, hasSpan));
    // The first record may still come with a request the window made when it was laid out; once
    // it has come, only the window's own refresh brings the second.
    for (const trend::Minute m : {kStart + 30, kStart + 31}) {
        shared_.append(1, m, "+777m3/h", "2m3");
        ASSERT_TRUE(answered(
            {1}, [m](const trend::TrendAnswer& a) { return a.span && a.span->second == m; }));
    }
    const auto& flow = window_->plot->answer().stations[0].curves[trend::kFlow];
    EXPECT_EQ(flow.line.back().back().value, 777);
    EXPECT_EQ(window_->plot->view()->second, kStart + 32) << "the view follows the records";
}

TEST_F(TrendWindowTest, WheelZoomsAroundThePointerDragMovesAndBothReadTheStore) {
    for (trend::Minute m = kStart; m < kStart + 3 * 1440; ++m) {
        shared_.append(1, m, "+" + std::to_string(m % 50) + "m3/h", "1m3");
    }
    open();
    ASSERT_TRUE(answered({1}, hasSpan));
    TrendPlot& plot = *window_->plot;
    const auto [from, to] = *plot.view();
    const QPointF at = *plot.pointOf(trend::kFlow, from + (to - from) / 4, 25);
    QWheelEvent wheel(at, plot.mapToGlobal(at), {}, {0, 3 * 120}, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&plot, &wheel);
    const auto zoomed = *plot.view();
    EXPECT_NEAR(zoomed.second - zoomed.first, (to - from) * 0.512, 1e-6);
    EXPECT_NEAR(zoomed.first + (zoomed.second - zoomed.first) / 4, from + (to - from) / 4, 1e-6)
        << "the minute under the pointer stays under it";
    ASSERT_TRUE(answered({1}, [&](const trend::TrendAnswer& a) {
        return a.request.range && *a.request.range == zoomed;
    })) << "the zoomed view is read from the store";

    const QPointF start = *plot.pointOf(trend::kFlow, zoomed.first + 10, 25);
    mouse(QEvent::MouseButtonPress, start, Qt::LeftButton);
    mouse(QEvent::MouseMove, start + QPointF(50, 0), Qt::LeftButton);
    mouse(QEvent::MouseMove, start + QPointF(100, 0), Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, start + QPointF(100, 0), Qt::LeftButton);
    const auto moved = *plot.view();
    const double perPixel = (zoomed.second - zoomed.first) / plot.columns();
    EXPECT_NEAR(moved.first, zoomed.first - 100 * perPixel, 1e-6) << "dragged to the right";
    EXPECT_NEAR(moved.second - moved.first, zoomed.second - zoomed.first, 1e-6);
    ASSERT_TRUE(answered({1}, [&](const trend::TrendAnswer& a) {
        return a.request.range && *a.request.range == moved;
    }));

    window_->resetButton->click();
    ASSERT_TRUE(waitFor([&] { return plot.view() == std::make_pair(from, to); }))
        << "\"复位\" shows every record again";
}

TEST_F(TrendWindowTest, AStoreThatCannotBeReadIsSaidAndReadAgainLater) {
    shared_.append(1, kStart, "+5m3/h", "1m3");
    shared_.setBroken(true);
    open();
    ASSERT_TRUE(
        waitFor([&] { return window_->plot->status() == QStringLiteral("记录库无法读取"); }));
    shared_.setBroken(false);
    window_->refresh();
    ASSERT_TRUE(answered({1}, hasSpan));
    EXPECT_TRUE(window_->plot->status().isEmpty());
}

}  // namespace
