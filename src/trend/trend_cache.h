#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "trend/bucket_summary.h"
#include "trend/decimation.h"
#include "trend/trend_rows.h"

namespace trend {

// What a trend view asks for: some stations over a time span, [from, to) in minutes (none: from
// the first to the last of their records), in so many pixel columns.
struct TrendRequest {
    std::vector<std::int64_t> stations;
    std::optional<std::pair<double, double>> range;
    int columns = 0;
};

struct Curve {
    std::vector<Extent> columns;           // one per column of the grid
    std::vector<std::vector<Point>> line;  // lineOf(columns)
    std::string unit;                      // of the station's newest record
};

struct StationTrend {
    std::int64_t station = 0;
    std::array<Curve, kQuantities> curves;  // by Quantity
};

struct TrendAnswer {
    TrendRequest request;
    std::optional<std::pair<Minute, Minute>> span;  // first and last record of the stations
    TimeGrid grid;
    std::vector<StationTrend> stations;  // in the order of the request
    bool exact = false;  // the values are the records' own, not a summary's (kept as float)
};

// Called between reads with the part of a long read done (0 to 1); false stops the read.
using Progress = std::function<bool(double done)>;

// Answers trend views from a records store that only grows: one read of a station's records
// sums them up in buckets (BucketSummary), later views over wide spans come from the buckets,
// and a view closer than a bucket per column reads just the records of its span, found by the
// buckets' keys. Every answer first takes in the records appended since the last one; a store
// that lost records or was put in place of another is summed up anew.
class TrendCache {
  public:
    struct Options {
        Minute bucketMinutes = 10;
        std::size_t chunkRows = 4096;  // records per read, so that no read holds the store long
    };

    explicit TrendCache(TrendRows& rows);
    TrendCache(TrendRows& rows, Options options);

    // None when the store cannot be read or `progress` stopped the reading.
    [[nodiscard]] std::optional<TrendAnswer> answer(const TrendRequest& request,
                                                    const Progress& progress);
    [[nodiscard]] std::size_t bytes() const { return summary_.bytes(); }

  private:
    struct StationState {
        std::int64_t records = 0;
        std::array<Key, kQuantities> valueKeys{};  // the newest record with a text, by quantity
        std::array<Key, kQuantities> unitKeys{};   // the record each unit was read from
        std::array<std::string, kQuantities> units;
    };
    using Fold = std::function<void(const RowView&)>;

    void reset();
    // Brings the summary up to date and sums up the stations not summed up yet.
    bool sync(const std::vector<std::int64_t>& stations, const Progress& progress);
    bool summarize(const std::set<std::int64_t>& stations, Key upTo, const Progress& progress);
    // The share of the newest records that belong to the stations.
    std::optional<double> sampledShare(const std::set<std::int64_t>& stations, Key last);
    bool readRange(Key after, Key upTo, std::optional<std::int64_t> station, const Fold& fold,
                   const std::function<bool(double)>& done);
    void foldIntoSummary(const RowView& row);
    bool readUnits();
    std::optional<Minute> minuteOf(std::string_view date);
    // The station's records of the grid's span, read from the store.
    bool readClose(const std::vector<std::int64_t>& stations, const TimeGrid& grid,
                   std::map<std::int64_t, std::array<std::vector<Point>, kQuantities>>& points);

    TrendRows& rows_;
    Options options_;
    BucketSummary summary_;
    std::map<std::int64_t, StationState> states_;  // the stations summed up
    std::uint64_t generation_ = 0;
    Key firstKey_ = 0;  // the lowest key summed up; 0 before any
    Key lastKey_ = 0;   // every record up to this key is summed up
    KeyBounds bounds_;
    std::string lastDate_;  // the date read last, and its minute
    std::optional<Minute> lastMinute_;
};

}  // namespace trend
