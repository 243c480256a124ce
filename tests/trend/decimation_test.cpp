// What a pixel column shows of its records, and the line through the columns.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <random>
#include <vector>

#include "sample_trend.h"
#include "trend/decimation.h"

namespace {

using trend::Extent;
using trend::Point;
using trend::TimeGrid;
using trend_test::fieldsOf;

constexpr double kYear = 525600;

// The highest and lowest value the line reaches.
std::pair<double, double> reach(const std::vector<std::vector<Point>>& line) {
    std::pair<double, double> reached{1e300, -1e300};
    for (const auto& piece : line) {
        for (const Point& p : piece) {
            reached = {std::min(reached.first, p.value), std::max(reached.second, p.value)};
        }
    }
    return reached;
}

// A year of one record a minute at 100, one record at 5000 and one at -50.
TEST(Decimation, OneRecordSpikeAndDipSurviveEveryZoom) {
    const double spike = 200000;
    const double dip = 400123;
    std::vector<Point> records;
    for (double m = 0; m < kYear; ++m) {
        records.push_back({m, m == spike ? 5000.0 : m == dip ? -50.0 : 100.0});
    }
    const struct {
        const char* name;
        double from;
        double to;
        int columns;
    } cases[] = {
        {"the year, 1000 columns", 0, kYear, 1000},
        {"the year, 333 columns", 0, kYear, 333},
        {"the year and more, 1920 columns", -20000, kYear + 20000, 1920},
        {"a month", spike - 20000, spike + 23200, 800},
        {"a day", spike - 700, spike + 740, 1000},
        {"an hour, columns of 3.6 s", spike - 30, spike + 30, 1000},
        {"three minutes, 7 columns", spike - 1, spike + 2, 7},
        {"the dip's day", dip - 720, dip + 720, 640},
        {"both, 2 columns", spike - 10, dip + 10, 2},
    };
    for (const auto& c : cases) {
        const TimeGrid grid{c.from, c.to, c.columns};
        const std::vector<Extent> columns = trend::columnize(records, grid);
        const auto [low, high] = reach(trend::lineOf(columns));
        const bool spikeShown = spike >= c.from && spike < c.to;
        const bool dipShown = dip >= c.from && dip < c.to;
        EXPECT_EQ(high, spikeShown ? 5000.0 : 100.0) << c.name;
        EXPECT_EQ(low, dipShown ? -50.0 : 100.0) << c.name;
    }
}

// Ten hours of records a minute at minutes 0 to 599, but for the missing ones.
TEST(Decimation, GapsLongerThanTwoMinutesStayGaps) {
    const struct {
        const char* name;
        double missingFrom;  // the minutes [missingFrom, missingTo) have no record
        double missingTo;
        double from;
        double to;
        int columns;
        std::size_t pieces;
    } cases[] = {
        {"one minute missing: two minutes apart", 300, 301, 0, 600, 600, 1},
        {"two minutes missing: three apart", 300, 302, 0, 600, 600, 2},
        {"four minutes missing", 300, 304, 0, 600, 600, 2},
        {"four minutes missing, columns of ten seconds", 300, 304, 290, 320, 180, 2},
        {"four minutes missing inside a column", 200, 204, 0, 600, 2, 1},
        {"four minutes missing across a column border", 298, 302, 0, 600, 2, 2},
        {"ninety minutes missing, columns of 30", 200, 290, 0, 600, 20, 2},
        {"three hours missing, columns of an hour", 120, 300, 0, 600, 10, 2},
        {"nothing missing, columns of six seconds", 0, 0, 100, 200, 1000, 1},
        {"nothing missing, one column", 0, 0, 0, 600, 1, 1},
        {"the gap outside the view", 500, 510, 0, 400, 400, 1},
    };
    for (const auto& c : cases) {
        std::vector<Point> records;
        for (double m = 0; m < 600; ++m) {
            if (m < c.missingFrom || m >= c.missingTo) {
                records.push_back({m, 10 + static_cast<double>(static_cast<int>(m) % 7)});
            }
        }
        const auto line = trend::lineOf(trend::columnize(records, {c.from, c.to, c.columns}));
        EXPECT_EQ(line.size(), c.pieces) << c.name;
    }
}

TEST(Decimation, ColumnsGiveFirstLowestHighestLastInOrder) {
    // Column 0 is [0, 5): falls to -2, rises to 5, ends at 4. Column 1 is [5, 10): one record.
    // Column 2 is [10, 15): three minutes after the last one, so a new piece; it ends lower than
    // it began, so its highest comes before its lowest.
    const std::vector<Point> records = {{2, -2}, {0, 1},  {1, 5},  {3, 4}, {5, 7},
                                        {9, 8},  {12, 6}, {14, 3}, {13, 9}};
    // {9, 8} lies in column 1 with {5, 7}.
    const auto line = trend::lineOf(trend::columnize(records, {0, 15, 3}));
    std::vector<std::vector<std::pair<double, double>>> got;
    for (const auto& piece : line) {
        got.emplace_back();
        for (const Point& p : piece) {
            got.back().emplace_back(p.minute, p.value);
        }
    }
    const std::vector<std::vector<std::pair<double, double>>> expected = {
        {{0, 1}, {1.5, -2}, {1.5, 5}, {3, 4}, {5, 7}, {7, 7}, {7, 8}, {9, 8}},
        {{12, 6}, {13, 9}, {13, 3}, {14, 3}}};
    EXPECT_EQ(got, expected);
}

TEST(Decimation, AColumnIsTheSameWhateverTheOrderOfItsRecords) {
    std::vector<Point> records;
    for (double m = 0; m < 3000; ++m) {
        records.push_back({m, static_cast<double>((static_cast<int>(m) * 7919) % 1000)});
    }
    const TimeGrid grid{-10, 3010, 37};
    const std::vector<Extent> sorted = trend::columnize(records, grid);
    std::shuffle(records.begin(), records.end(), std::mt19937(7));
    const std::vector<Extent> shuffled = trend::columnize(records, grid);
    trend_test::expectSameColumns(shuffled, sorted, "shuffled");
}

TEST(Decimation, GridHoldsItsStartAndNotItsEnd) {
    const TimeGrid grid{10, 20, 4};
    const auto columns = trend::columnize({{9.99, 1}, {10, 2}, {19.99, 3}, {20, 4}}, grid);
    ASSERT_EQ(columns.size(), 4u);
    EXPECT_EQ(fieldsOf(columns[0]), fieldsOf(Extent{true, 2, 2, 2, 2, 10, 10}));
    EXPECT_FALSE(columns[1].present || columns[2].present);
    EXPECT_EQ(fieldsOf(columns[3]), fieldsOf(Extent{true, 3, 3, 3, 3, 19, 19}));
    EXPECT_EQ(grid.columnOf(20), std::nullopt);
    EXPECT_EQ(TimeGrid({0, 10, 0}).columnOf(5), std::nullopt) << "a grid without columns";
}

TEST(Decimation, RecordsOfOneMinuteKeepTheirOrderAsFirstAndLast) {
    Extent e;
    for (const double value : {2.0, 1.0, 3.0}) {
        e.add(5, value);
    }
    EXPECT_EQ(fieldsOf(e), fieldsOf(Extent{true, 1, 3, 2, 3, 5, 5}));
    Extent later;
    later.add(5, 9);
    e.merge(later);
    EXPECT_EQ(fieldsOf(e), fieldsOf(Extent{true, 1, 9, 2, 9, 5, 5}));
    e.merge(Extent{});
    EXPECT_EQ(fieldsOf(e), fieldsOf(Extent{true, 1, 9, 2, 9, 5, 5})) << "merging nothing";
}

// Consecutive runs of records, each gathered alone and merged in order, give the columns of all.
TEST(Decimation, RunsOfColumnsMergedInOrderAreTheColumnsOfAll) {
    const TimeGrid grid{0, 100, 10};
    const struct {
        const char* name;
        std::vector<std::vector<Point>> runs;
    } cases[] = {
        {"in time order", {{{1, 5}, {2, 6}, {15, 1}}, {{16, 9}, {35, 2}}, {{36, 3}, {99, 4}}}},
        {"a clock set back within a run",
         {{{50, 1}, {60, 2}, {12, 7}, {13, 8}}, {{70, 3}, {5, 0}}}},
        {"one minute across runs", {{{40, 1}, {40, 2}}, {{40, 3}}, {{40, 0}, {41, 5}}}},
        {"outside the grid and an empty run", {{{-5, 1}, {100, 2}}, {}, {{0, 3}, {99.9, 4}}}},
    };
    for (const auto& c : cases) {
        std::vector<Point> all;
        std::vector<Extent> merged(static_cast<std::size_t>(grid.columns));
        for (const std::vector<Point>& points : c.runs) {
            trend::ColumnRun run;
            for (const Point& p : points) {
                if (const auto column = grid.columnOf(p.minute)) {
                    run.add(*column, static_cast<trend::Minute>(p.minute), p.value);
                }
            }
            run.mergeInto(merged);
            all.insert(all.end(), points.begin(), points.end());
        }
        trend_test::expectSameColumns(merged, trend::columnize(all, grid), c.name);
    }
}

TEST(Decimation, APieceDrawsItsPointsInViewAndOneOnEitherSide) {
    const std::vector<Point> piece = {{0, 1}, {10, 2}, {10, 3}, {20, 4}, {30, 5}};
    const struct {
        const char* name;
        double from;
        double to;
        std::pair<std::size_t, std::size_t> drawn;
    } cases[] = {
        {"all in view", -5, 35, {0, 5}},        {"the middle", 10, 20, {0, 4}},
        {"within one segment", 21, 29, {3, 5}}, {"across the start", -10, 5, {0, 2}},
        {"across the end", 25, 40, {3, 5}},     {"the last point alone", 30, 40, {3, 5}},
        {"wholly before", -10, 0, {0, 0}},      {"wholly after", 30.5, 40, {0, 0}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(trend::drawnPoints(piece, c.from, c.to), c.drawn) << c.name;
    }
    EXPECT_EQ(trend::drawnPoints({}, 0, 10), std::make_pair(std::size_t{0}, std::size_t{0}));
}

}  // namespace
