// The buckets against the records they sum up, on grids whose columns hold whole buckets.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sample_trend.h"
#include "trend/bucket_summary.h"
#include "trend/decimation.h"

namespace {

using trend::BucketSummary;
using trend::Minute;
using trend::Point;
using trend::TimeGrid;

constexpr Minute kBucket = 10;  // coarse buckets: 160 minutes, pages of 10240 minutes

TEST(BucketSummary, ColumnsOfWholeBucketsAreTheRecordsColumns) {
    const struct {
        const char* name;
        TimeGrid grid;
    } cases[] = {
        {"a fine bucket per column", {-2200, 2200, 440}},
        {"three fine buckets per column", {-2100, 2100, 140}},
        {"a coarse bucket per column", {-2240, 2240, 28}},
        {"two coarse buckets per column", {-2240, 2240, 14}},
        {"across pages, coarse", {-20480, 20480, 64}},
        {"across pages, fine", {-10480, 10480, 1048}},
    };
    BucketSummary summary(kBucket);
    std::vector<Point> points[trend::kQuantities];
    trend::Key key = 0;
    const auto add = [&](Minute minute, BucketSummary::Values values) {
        summary.add(++key, 3, minute, values);
        for (const trend::Quantity q : {trend::kFlow, trend::kTotal}) {
            if (values[q]) {
                points[q].push_back({static_cast<double>(minute), *values[q]});
            }
        }
    };
    // Records both sides of 1970 and of page borders, blanks, a one-record spike, equal minutes.
    for (Minute m = -2100; m <= 2100; m += 7) {
        const double flow = static_cast<double>((m * 37) % 101) / 4;
        add(m, {flow, m % 3 == 0 ? std::nullopt : std::optional<double>(m * 2.5)});
    }
    add(-1001, {900.5, std::nullopt});  // a spike, at a minute taken already
    for (const Minute m : {-10241, -10240, -10239, 10239, 10240, 10241}) {
        add(m, {std::nullopt, static_cast<double>(m)});
    }
    for (const auto& c : cases) {
        for (const trend::Quantity q : {trend::kFlow, trend::kTotal}) {
            trend_test::expectSameColumns(summary.columns(3, q, c.grid),
                                          trend::columnize(points[q], c.grid),
                                          std::string(c.name) + ", quantity " + std::to_string(q));
        }
        EXPECT_FALSE(summary.columns(4, trend::kFlow, c.grid)[0].present) << c.name;
    }
    EXPECT_EQ(summary.span(3), std::make_pair(Minute{-10241}, Minute{10241}));
    EXPECT_EQ(summary.keysBetween(-10245, -10240),
              std::make_pair(trend::Key{603}, trend::Key{605}));
}

}  // namespace
