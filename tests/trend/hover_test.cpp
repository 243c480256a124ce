// What the readout under the mouse finds and says.
#include <gtest/gtest.h>

#include <string>

#include "trend/hover.h"
#include "trend/record_time.h"

namespace {

using trend::Extent;

const trend::Minute kStart = *trend::recordMinute("2026-03-14/8:00");

Extent column(double low, double high, trend::Minute first, trend::Minute last) {
    return {true, low, high, low, high, first, last};
}

// Two stations over ten columns of a minute: station 1 at 10 in column 3, station 2 from 40 to
// 60 in column 4.
trend::TrendAnswer answer() {
    trend::TrendAnswer a;
    a.grid = {static_cast<double>(kStart), static_cast<double>(kStart + 10), 10};
    for (const std::int64_t station : {1, 2}) {
        trend::StationTrend& s = a.stations.emplace_back();
        s.station = station;
        s.curves[trend::kFlow].columns.resize(10);
    }
    a.stations[0].curves[trend::kFlow].columns[3] = column(10, 10, kStart + 3, kStart + 3);
    a.stations[1].curves[trend::kFlow].columns[4] = column(40, 60, kStart + 4, kStart + 4);
    return a;
}

struct HoverCase {
    const char* name;
    double minute;  // after kStart
    double value;
    std::optional<std::int64_t> station;
};

TEST(Hover, FindsTheNearestColumnWithinReach) {
    // A pixel is 0.1 minute across and 1 up; the reach is 5 pixels.
    const HoverCase cases[] = {
        {"on station 1's value", 3.0, 10, 1},
        {"four pixels above it", 3.0, 14, 1},
        {"six pixels above it", 3.0, 16, std::nullopt},
        {"inside station 2's range", 4.0, 55, 2},
        {"between the two, nearer 2", 3.7, 38, 2},
        {"half a column beside station 1", 3.4, 10, 1},
        {"far in time", 8.0, 10, std::nullopt},
        {"before the grid", -3.0, 10, std::nullopt},
    };
    const trend::TrendAnswer a = answer();
    for (const HoverCase& c : cases) {
        const auto hit =
            trend::nearestColumn(a, trend::kFlow, kStart + c.minute, c.value, 0.1, 1.0, 5);
        EXPECT_EQ(hit ? std::optional<std::int64_t>(hit->station) : std::nullopt, c.station)
            << c.name;
    }
    EXPECT_FALSE(trend::nearestColumn(a, trend::kTotal, kStart + 3, 10, 0.1, 1.0, 5))
        << "the total has no records";
}

TEST(Hover, TellsWhetherAnyStationHasARecordInThePointersColumn) {
    const struct {
        const char* name;
        trend::Quantity quantity;
        double minute;  // after kStart
        bool recorded;
    } cases[] = {
        {"its column's last instant", trend::kFlow, 3.99, true},
        {"station 2's column", trend::kFlow, 4.5, true},
        {"a column without records", trend::kFlow, 5.0, false},
        {"before the grid", trend::kFlow, -0.5, false},
        {"at the grid's end", trend::kFlow, 10.0, false},
        {"the total, which has no records", trend::kTotal, 3.0, false},
    };
    const trend::TrendAnswer a = answer();
    for (const auto& c : cases) {
        EXPECT_EQ(trend::recordedAt(a, c.quantity, kStart + c.minute), c.recorded) << c.name;
    }
    EXPECT_FALSE(trend::recordedAt(trend::TrendAnswer{}, trend::kFlow, kStart)) << "no grid";
}

TEST(Hover, SaysValuesAndTimesAtTheirPrecision) {
    const trend::Minute nine = *trend::recordMinute("2026-03-14/9:58");
    const trend::Minute nextDay = *trend::recordMinute("2026-03-15/7:59");
    EXPECT_EQ(trend::valueText(column(1234.56, 1234.56, nine, nine), true), "1234.56");
    EXPECT_EQ(trend::valueText(column(123456.78, 123456.78, nine, nine), true), "123456.78");
    EXPECT_EQ(trend::valueText(column(123456.78, 123456.78, nine, nine), false), "123456.8");
    EXPECT_EQ(trend::valueText(column(-2.5, 1589.25, nine, nine), true), "-2.5 ~ 1589.25");
    EXPECT_EQ(trend::timeText(column(1, 1, nine, nine)), "2026-03-14 9:58");
    EXPECT_EQ(trend::timeText(column(1, 1, kStart, nine)), "2026-03-14 8:00 ~ 9:58");
    EXPECT_EQ(trend::timeText(column(1, 1, kStart, nextDay)), "2026-03-14 8:00 ~ 2026-03-15 7:59");
}

}  // namespace
