// The trend's summary kept between runs: a later run answers from it and reads only the records
// appended since, but only while the store still holds the records it was summed up from.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "fakes/fake_summary_shelf.h"
#include "fakes/fake_trend_rows.h"
#include "sample_trend.h"
#include "trend/trend_cache.h"

namespace {

using fakes::FakeSummaryShelf;
using fakes::FakeTrendRows;
using trend::Minute;
using trend_test::dateOf;
using trend_test::keepReading;
using trend_test::kStart;
using trend_test::request;
using trend_test::SampleRecord;
using trend_test::totalText;

constexpr Minute kBucket = 10;

void fill(FakeTrendRows& rows, int stations, Minute minutes) {
    for (const SampleRecord& r : trend_test::sampleRecords(stations, minutes)) {
        rows.append(r.station, r.date, r.flow, r.total);
    }
}

void expectMatches(const FakeTrendRows& rows, const trend::TrendAnswer& answer,
                   const std::string& what) {
    std::vector<SampleRecord> records;
    for (const auto& r : rows.records) {
        records.push_back({r.station, r.date, r.flow, r.total});
    }
    trend_test::expectAnswerMatches(records, answer, what);
}

// Whether a read took more than one record at a time: records were summed up.
bool summedUp(const FakeTrendRows& rows) {
    return std::any_of(rows.ranges.begin(), rows.ranges.end(),
                       [](const trend::RowRange& r) { return r.limit > 1; });
}

const trend::TrendRequest kView = request({1, 2}, kStart, kStart + 700, 70);

// A run of the program that opens the view and keeps its summary.
void keepOne(FakeTrendRows& rows, FakeSummaryShelf& shelf, Minute bucket = kBucket) {
    trend::TrendCache cache(rows, {bucket, 64}, {}, &shelf);
    ASSERT_TRUE(cache.answer(kView, keepReading));
    cache.keep();
}

TEST(KeptSummary, ALaterRunAnswersFromItAndReadsOnlyWhatIsNew) {
    FakeTrendRows rows;
    fill(rows, 3, 600);
    FakeSummaryShelf shelf;
    keepOne(rows, shelf);
    ASSERT_EQ(shelf.saves, 1);
    const trend::Key last = rows.records.back().key;
    for (Minute m = kStart + 600; m < kStart + 620; ++m) {
        rows.append(1, dateOf(m), "+5000m3/h", totalText(1, m));
    }
    rows.ranges.clear();
    trend::TrendCache later(rows, {kBucket, 4096}, {}, &shelf);
    auto answer = later.answer(kView, keepReading);
    ASSERT_TRUE(answer);
    expectMatches(rows, *answer, "from the kept summary");
    for (const trend::RowRange& range : rows.ranges) {
        EXPECT_TRUE(range.limit == 1 || range.after >= last)
            << "records summed up before are read again, after key " << range.after;
    }
    later.keep();
    EXPECT_EQ(shelf.saves, 1) << "twenty records more are not worth a writing";

    // A station summed up for the first time, and later enough records: kept again each time.
    answer = later.answer(request({1, 2, 3}, kStart, kStart + 700, 70), keepReading);
    ASSERT_TRUE(answer);
    expectMatches(rows, *answer, "with a station not kept");
    later.keep();
    EXPECT_EQ(shelf.saves, 2);
    for (trend::Key i = 0; i < trend::TrendCache::kKeepEvery; ++i) {
        rows.append(2, dateOf(kStart + 620 + i / 16), "+1m3/h", "2m3");
    }
    ASSERT_TRUE(later.answer(kView, keepReading));
    later.keep();
    EXPECT_EQ(shelf.saves, 3);
}

TEST(KeptSummary, ASummaryNotOfTheStoreAsItIsNowIsSummedUpAnew) {
    struct Case {
        const char* name;
        std::function<void(FakeTrendRows&, std::string&)> change;
        Minute bucket = kBucket;
    };
    const auto flip = [](std::string& bytes, std::size_t at) { bytes[at] ^= 0x10; };
    const std::vector<Case> cases = {
        {"cleared, and as many records logged since",
         [](FakeTrendRows& rows, std::string&) {
             for (auto& r : rows.records) {
                 r.flow = "+1.5m3/h";
             }
         }},
        {"the last record summed up is another",
         [](FakeTrendRows& rows, std::string&) { rows.records.back().total = "1m3"; }},
        {"lost its newest records",
         [](FakeTrendRows& rows, std::string&) { rows.records.resize(rows.records.size() - 5); }},
        {"lost its oldest records",
         [](FakeTrendRows& rows, std::string&) {
             rows.records.erase(rows.records.begin(), rows.records.begin() + 5);
         }},
        {"another kind of file", [&](FakeTrendRows&, std::string& b) { flip(b, 0); }},
        {"a byte changed in the buckets",
         [&](FakeTrendRows&, std::string& b) { flip(b, b.size() / 2); }},
        {"a byte changed in the check sum",
         [&](FakeTrendRows&, std::string& b) { flip(b, b.size() - 1); }},
        {"cut short at a third", [](FakeTrendRows&, std::string& b) { b.resize(b.size() / 3); }},
        {"cut short by one byte", [](FakeTrendRows&, std::string& b) { b.pop_back(); }},
        {"longer than written", [](FakeTrendRows&, std::string& b) { b += '\0'; }},
        {"of another bucket length", [](FakeTrendRows&, std::string&) {}, kBucket * 2},
    };
    for (const Case& c : cases) {
        FakeTrendRows rows;
        fill(rows, 3, 600);
        FakeSummaryShelf shelf;
        keepOne(rows, shelf);
        c.change(rows, shelf.bytes);
        rows.ranges.clear();
        trend::TrendCache later(rows, {c.bucket, 64}, {}, &shelf);
        const auto answer = later.answer(kView, keepReading);
        ASSERT_TRUE(answer) << c.name;
        expectMatches(rows, *answer, c.name);
        EXPECT_TRUE(summedUp(rows)) << c.name;
    }
}

}  // namespace
