// The trend's answers from a records store, against the records themselves; the summary kept
// between runs is taken again only for the store it was summed up from.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "fakes/fake_summary_shelf.h"
#include "fakes/fake_trend_rows.h"
#include "sample_trend.h"
#include "trend/record_time.h"
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

// The records the fake holds, as samples.
std::vector<SampleRecord> samplesOf(const FakeTrendRows& rows) {
    std::vector<SampleRecord> records;
    for (const auto& r : rows.records) {
        records.push_back({r.station, r.date, r.flow, r.total});
    }
    return records;
}

void expectAnswerMatches(const FakeTrendRows& rows, const trend::TrendAnswer& answer,
                         const std::string& what) {
    trend_test::expectAnswerMatches(samplesOf(rows), answer, what);
}

struct ViewCase {
    const char* name;
    int storeStations;
    std::vector<std::int64_t> stations;
    double from;  // minutes after kStart
    double to;
    int columns;
    bool stationReads;  // read through the station index, one station at a time
};

TEST(TrendCache, AnswersAsTheRecordsThemselvesAtEveryZoom) {
    const ViewCase cases[] = {
        {"all, columns of one bucket", 3, {1, 2, 3}, 0, 2000, 200, false},
        {"all, columns of three buckets", 3, {3, 1, 2}, -30, 2010, 68, false},
        {"all, coarse buckets", 3, {1, 2, 3}, -160, 2080, 7, false},
        {"all, columns of a minute", 3, {1, 2, 3}, 40, 140, 100, false},
        {"all, columns of six seconds", 3, {1, 2}, 95.5, 110.5, 150, false},
        {"one of sixteen, coarse", 16, {2}, 0, 1600, 16, true},
        {"one of sixteen, close", 16, {2}, 880, 1230, 700, true},
        {"two of sixteen, close", 16, {1, 2}, 0, 300, 301, true},
        {"a station without records", 3, {7, 1}, 0, 300, 30, false},
    };
    for (const ViewCase& c : cases) {
        FakeTrendRows rows;
        fill(rows, c.storeStations, 2000);
        trend::TrendCache cache(rows, {kBucket, 97});
        const auto answer = cache.answer(
            request(c.stations, kStart + c.from, kStart + c.to, c.columns), keepReading);
        ASSERT_TRUE(answer) << c.name;
        ASSERT_EQ(answer->stations.size(), c.stations.size()) << c.name;
        for (std::size_t i = 0; i < c.stations.size(); ++i) {
            EXPECT_EQ(answer->stations[i].station, c.stations[i]) << c.name;
        }
        expectAnswerMatches(rows, *answer, c.name);
        EXPECT_EQ(std::any_of(rows.ranges.begin(), rows.ranges.end(),
                              [](const trend::RowRange& r) { return r.station && r.limit > 1; }),
                  c.stationReads)
            << c.name;
    }
}

TEST(TrendCache, ViewWithoutRangeShowsEveryRecordOfItsStations) {
    FakeTrendRows rows;
    fill(rows, 3, 300);
    rows.append(3, dateOf(kStart + 400), "+1m3/h", "2m3");
    trend::TrendCache cache(rows);
    const auto answer = cache.answer({{1, 3}, std::nullopt, 50}, keepReading);
    ASSERT_TRUE(answer && answer->span);
    EXPECT_EQ(answer->span->first, kStart - 1) << "station 1's record of the clock set back";
    EXPECT_EQ(answer->span->second, kStart + 400);
    EXPECT_EQ(answer->grid.from, kStart - 1);
    EXPECT_EQ(answer->grid.to, kStart + 401);
    expectAnswerMatches(rows, *answer, "fitted");

    const auto one = cache.answer({{7}, std::nullopt, 50}, keepReading);
    ASSERT_TRUE(one);
    EXPECT_FALSE(one->span) << "station 7 has no record";
    ASSERT_EQ(one->stations.size(), 1u);
    EXPECT_TRUE(one->stations[0].curves[trend::kFlow].line.empty());
}

TEST(TrendCache, RecordsAppendedLaterJoinAndOnlyTheyAreRead) {
    FakeTrendRows rows;
    fill(rows, 3, 500);
    trend::TrendCache cache(rows, {kBucket, 64});
    const auto view = request({1, 2}, kStart, kStart + 1000, 100);
    ASSERT_TRUE(cache.answer(view, keepReading));
    const trend::Key last = rows.records.back().key;
    for (Minute m = kStart + 500; m < kStart + 520; ++m) {
        rows.append(1, dateOf(m), "+5000m3/h", totalText(1, m));
        rows.append(2, dateOf(m), "-5000m3/h", totalText(2, m));
    }
    rows.ranges.clear();
    const auto answer = cache.answer(view, keepReading);
    ASSERT_TRUE(answer);
    expectAnswerMatches(rows, *answer, "after appending");
    ASSERT_FALSE(rows.ranges.empty());
    EXPECT_EQ(rows.ranges.front().after, last) << "the summed-up records are not read again";
}

TEST(TrendCache, AStoreThatLostRecordsOrWasReplacedIsSummedUpAnew) {
    for (const bool replaced : {false, true}) {
        FakeTrendRows rows;
        fill(rows, 2, 400);
        trend::TrendCache cache(rows);
        const auto view = request({1, 2}, kStart, kStart + 400, 40);
        ASSERT_TRUE(cache.answer(view, keepReading));
        if (replaced) {
            // Another file with as many records, other values.
            for (auto& r : rows.records) {
                r.flow = "+1.5m3/h";
            }
            ++rows.generation_;
        } else {
            // Cleared, and some records logged since: keys count from 1 again.
            rows.records.clear();
            for (Minute m = kStart + 10; m < kStart + 20; ++m) {
                rows.append(1, dateOf(m), "+3m3/h", "9m3");
            }
        }
        const auto answer = cache.answer(view, keepReading);
        ASSERT_TRUE(answer);
        expectAnswerMatches(rows, *answer, replaced ? "replaced" : "cleared");
    }
}

TEST(TrendCache, AnUnreadableStoreGivesNoAnswerUntilItCanBeRead) {
    FakeTrendRows rows;
    fill(rows, 2, 300);
    trend::TrendCache cache(rows, {kBucket, 50});
    const auto view = request({1, 2}, kStart, kStart + 300, 30);
    // Breaks in the middle of the summing up: nothing half done is kept.
    rows.beforeRead = [&rows] {
        if (rows.reads == 4) {
            rows.broken = true;
        }
    };
    EXPECT_FALSE(cache.answer(view, keepReading));
    EXPECT_FALSE(cache.answer(view, keepReading));
    rows.beforeRead = nullptr;
    rows.broken = false;
    const auto answer = cache.answer(view, keepReading);
    ASSERT_TRUE(answer);
    expectAnswerMatches(rows, *answer, "after the store came back");
}

TEST(TrendCache, ALongReadReportsProgressAndStopsWhenTold) {
    FakeTrendRows rows;
    fill(rows, 3, 1000);
    trend::TrendCache cache(rows, {kBucket, 100});
    const auto view = request({1, 2, 3}, kStart, kStart + 1000, 100);
    std::vector<double> reported;
    const auto stopAtHalf = [&reported](double done) {
        reported.push_back(done);
        return done < 0.5;
    };
    EXPECT_FALSE(cache.answer(view, stopAtHalf));
    ASSERT_GE(reported.size(), 2u);
    EXPECT_GE(reported.back(), 0.5);
    reported.clear();
    const auto answer = cache.answer(view, [&reported](double done) {
        reported.push_back(done);
        return true;
    });
    ASSERT_TRUE(answer);
    expectAnswerMatches(rows, *answer, "read again after the stop");
    ASSERT_FALSE(reported.empty());
    for (std::size_t i = 0; i < reported.size(); ++i) {
        EXPECT_GT(reported[i], 0.0);
        EXPECT_LE(reported[i], 1.0);
        if (i > 0) {
            EXPECT_GT(reported[i], reported[i - 1]);
        }
    }
}

TEST(TrendCache, UnitsAreThoseOfEachStationsNewestRecord) {
    FakeTrendRows rows;
    rows.append(1, dateOf(kStart), "+1m3/h", "1m3");
    rows.append(2, dateOf(kStart), "+1L/s", "1L");
    rows.append(1, dateOf(kStart + 1), "+2L/min", "");
    trend::TrendCache cache(rows);
    const auto view = request({1, 2}, kStart, kStart + 10, 10);
    auto answer = cache.answer(view, keepReading);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->stations[0].curves[trend::kFlow].unit, "L/min");
    EXPECT_EQ(answer->stations[0].curves[trend::kTotal].unit, "m3") << "an empty text has none";
    EXPECT_EQ(answer->stations[1].curves[trend::kFlow].unit, "L/s");
    rows.append(2, dateOf(kStart + 2), "+1m3/s", "2m3");
    answer = cache.answer(view, keepReading);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->stations[1].curves[trend::kFlow].unit, "m3/s");
    EXPECT_EQ(answer->stations[1].curves[trend::kTotal].unit, "m3");
}

TEST(TrendCache, ARecordFromAClockFarOffCostsLittleMemory) {
    FakeTrendRows rows;
    fill(rows, 1, 200);
    rows.append(1, "2000-01-01/0:00", "+1m3/h", "1m3");
    rows.append(1, "2099-12-31/23:59", "+1m3/h", "1m3");
    trend::TrendCache cache(rows);
    const auto answer = cache.answer({{1}, std::nullopt, 500}, keepReading);
    ASSERT_TRUE(answer && answer->span);
    EXPECT_EQ(answer->span->first, *trend::recordMinute("2000-01-01/0:00"));
    EXPECT_EQ(answer->span->second, *trend::recordMinute("2099-12-31/23:59"));
    EXPECT_LT(cache.bytes(), 2u * 1024 * 1024) << "a century between the records";
    const auto& columns = answer->stations[0].curves[trend::kFlow].columns;
    ASSERT_EQ(columns.size(), 500u);
    EXPECT_TRUE(columns.front().present);
    EXPECT_TRUE(columns.back().present);
}

// The helper's own reader over a copy, keeping its ranges; it and this thread (past the sample)
// each wait, 30 s at most, for the other to read a piece, so both take one however quick either is.
struct Helper {
    explicit Helper(FakeTrendRows& own) : rows(own) {
        rows.beforeRead = [this] {
            if (rows.reads > 1) {
                meet(mine, theirs);
            }
        };
    }
    trend::TrendRowsMaker maker() {
        return [this]() -> std::unique_ptr<trend::TrendRows> {
            auto copy = std::make_unique<FakeTrendRows>();
            copy->records = rows.records;
            copy->broken = broken;
            copy->beforeRead = [this, reader = copy.get()] {
                ranges.push_back(reader->ranges.back());
                meet(theirs, mine);
            };
            return copy;
        };
    }
    static void meet(std::atomic<bool>& said, const std::atomic<bool>& awaited) {
        said = true;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!awaited && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::yield();
        }
    }

    FakeTrendRows& rows;
    bool broken = false;
    std::vector<trend::RowRange> ranges;
    std::atomic<bool> mine{false};
    std::atomic<bool> theirs{false};
};

struct SharedCase {
    const char* name;
    int storeStations;
    std::vector<std::int64_t> stations;
    bool stationReads;  // through the station index
};

// The pieces a thread read: the end and station of each piece's reads.
using Pieces = std::set<std::pair<trend::Key, std::optional<std::int64_t>>>;
Pieces piecesOf(const std::vector<trend::RowRange>& ranges, std::size_t chunk) {
    Pieces pieces;
    for (const trend::RowRange& range : ranges) {
        if (range.limit == chunk) {  // not a record's unit
            pieces.insert({range.upTo, range.station});
        }
    }
    return pieces;
}

TEST(TrendCache, AReadSharedWithAHelperGivesTheSameAnswer) {
    const SharedCase cases[] = {
        {"all of three", 3, {1, 2, 3}, false},
        {"three of sixteen", 16, {1, 2, 3}, true},
    };
    constexpr std::size_t kChunk = 500;
    for (const SharedCase& c : cases) {
        FakeTrendRows rows;
        fill(rows, c.storeStations, 1500);
        Helper helper(rows);
        trend::TrendCache cache(rows, {kBucket, kChunk, 100}, helper.maker());
        std::vector<trend::RowRange> summingUp;  // this thread's reads of the first answer
        std::vector<trend::RowRange> helperSummingUp;
        for (const auto& [from, to, columns] :
             {std::make_tuple(-160.0, 1600.0, 11), std::make_tuple(0.0, 1500.0, 150),
              std::make_tuple(850.0, 950.0, 100)}) {
            rows.ranges.clear();  // left with the reads of the last answer
            helper.ranges.clear();
            const auto answer =
                cache.answer(request(c.stations, kStart + from, kStart + to, columns), keepReading);
            ASSERT_TRUE(answer) << c.name;
            expectAnswerMatches(rows, *answer, c.name);
            if (summingUp.empty()) {
                summingUp.assign(rows.ranges.begin() + 1, rows.ranges.end());  // past the sample
                helperSummingUp = helper.ranges;
            }
        }
        // Each piece read by one of the two: eight pieces of each station's keys or of all.
        const auto mine = piecesOf(summingUp, kChunk);
        const auto theirs = piecesOf(helperSummingUp, kChunk);
        EXPECT_FALSE(mine.empty() || theirs.empty()) << c.name << ": both read pieces";
        Pieces all = mine;
        all.insert(theirs.begin(), theirs.end());
        EXPECT_EQ(all.size(), mine.size() + theirs.size()) << c.name << ": a piece read twice";
        EXPECT_EQ(all.size(), c.stationReads ? 8 * c.stations.size() : 8) << c.name;
        for (const trend::RowRange& range : helperSummingUp) {
            EXPECT_EQ(range.station.has_value(), c.stationReads) << c.name;
        }
        // The close view in pieces too, read by either.
        std::vector<trend::RowRange> close = rows.ranges;
        close.insert(close.end(), helper.ranges.begin(), helper.ranges.end());
        EXPECT_EQ(piecesOf(close, kChunk).size(), c.stationReads ? 8 * c.stations.size() : 8)
            << c.name;
    }
}

TEST(TrendCache, AHelperThatCannotReadFailsTheAnswerAndTheNextReadsAgain) {
    FakeTrendRows rows;
    fill(rows, 3, 1000);
    Helper helper(rows);
    helper.broken = true;
    trend::TrendCache cache(rows, {kBucket, 300, 100}, helper.maker());
    const auto view = request({1, 2, 3}, kStart, kStart + 1000, 100);
    EXPECT_FALSE(cache.answer(view, keepReading));
    helper.broken = false;
    const auto answer = cache.answer(view, keepReading);
    ASSERT_TRUE(answer);
    expectAnswerMatches(rows, *answer, "read again with a working helper");
}

TEST(TrendCache, ReadsAsManyRecordsAtOnceAsTheReaderTakes) {
    FakeTrendRows rows;
    fill(rows, 2, 3000);
    trend::TrendCache cache(rows);
    ASSERT_TRUE(cache.answer(request({1, 2}, kStart, kStart + 3000, 30), keepReading));
    std::size_t most = 0;
    for (const trend::RowRange& range : rows.ranges) {
        most = std::max(most, range.limit);
    }
    EXPECT_EQ(most, rows.readLimit());
    EXPECT_GT(rows.reads, 2) << "the records take more than one read";
}

TEST(TrendCache, TellsWhenAViewAskedAgainWouldBeTheSame) {
    FakeTrendRows rows;
    fill(rows, 2, 300);
    trend::TrendCache cache(rows);
    const auto view = request({1, 2}, kStart, kStart + 300, 30);
    EXPECT_FALSE(cache.unchanged(view)) << "nothing answered yet";
    ASSERT_TRUE(cache.answer(view, keepReading));
    const int reads = rows.reads;
    EXPECT_TRUE(cache.unchanged(view));
    EXPECT_EQ(rows.reads, reads) << "only the bounds are read";
    EXPECT_FALSE(cache.unchanged(request({1}, kStart, kStart + 300, 30)));
    EXPECT_FALSE(cache.unchanged(request({1, 2}, kStart, kStart + 300, 31)));
    rows.append(1, dateOf(kStart + 300), "+1m3/h", "1m3");
    EXPECT_FALSE(cache.unchanged(view)) << "a record appended";
    ASSERT_TRUE(cache.answer(view, keepReading));
    EXPECT_TRUE(cache.unchanged(view));
    ++rows.generation_;
    EXPECT_FALSE(cache.unchanged(view)) << "another store";
    rows.broken = true;
    EXPECT_FALSE(cache.unchanged(view)) << "a store that cannot be read";
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
    expectAnswerMatches(rows, *answer, "from the kept summary");
    for (const trend::RowRange& range : rows.ranges) {
        EXPECT_TRUE(range.limit == 1 || range.after >= last)
            << "records summed up before are read again, after key " << range.after;
    }
    later.keep();
    EXPECT_EQ(shelf.saves, 1) << "twenty records more are not worth a writing";

    // A station summed up for the first time, and later enough records: kept again each time.
    answer = later.answer(request({1, 2, 3}, kStart, kStart + 700, 70), keepReading);
    ASSERT_TRUE(answer);
    expectAnswerMatches(rows, *answer, "with a station not kept");
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
        {"the last record's texts split elsewhere",
         [](FakeTrendRows& rows, std::string&) {
             auto& last = rows.records.back();
             last.total = last.flow.substr(last.flow.size() - 1) + last.total;
             last.flow.pop_back();
         }},
        {"lost its newest records",
         [](FakeTrendRows& rows, std::string&) { rows.records.resize(rows.records.size() - 5); }},
        {"lost its oldest records",
         [](FakeTrendRows& rows, std::string&) {
             rows.records.erase(rows.records.begin(), rows.records.begin() + 5);
         }},
        {"another kind of file", [&](FakeTrendRows&, std::string& b) { flip(b, 0); }},
        {"a byte changed in the buckets",
         [&](FakeTrendRows&, std::string& b) { flip(b, b.size() / 2); }},
        {"a byte changed in a value the view shows",
         [&](FakeTrendRows&, std::string& b) { flip(b, b.size() / 4 + 2); }},
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
        expectAnswerMatches(rows, *answer, c.name);
        EXPECT_TRUE(summedUp(rows)) << c.name;
    }
}

}  // namespace
