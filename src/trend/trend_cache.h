#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "trend/bucket_summary.h"
#include "trend/decimation.h"
#include "trend/summary_shelf.h"
#include "trend/tally.h"
#include "trend/trend_rows.h"

namespace trend {

// What a trend view asks for: some stations over a time span, [from, to) in minutes (none: from
// the first to the last of their records), in so many pixel columns.
struct TrendRequest {
    std::vector<std::int64_t> stations;
    std::optional<std::pair<double, double>> range;
    int columns = 0;

    friend bool operator==(const TrendRequest& a, const TrendRequest& b) {
        return a.stations == b.stations && a.range == b.range && a.columns == b.columns;
    }
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

// Some of the stations 0 to kMaxStation, each looked up in one step.
class StationSet {
  public:
    [[nodiscard]] bool contains(std::int64_t station) const {
        return station >= 0 && station <= kMaxStation &&
               members_[static_cast<std::size_t>(station)];
    }
    void insert(std::int64_t station);
    [[nodiscard]] std::vector<std::int64_t> members() const;

  private:
    std::array<bool, kMaxStation + 1> members_{};
};

// Called between reads with the part of a long read done (0 to 1); false stops the read.
using Progress = std::function<bool(double done)>;

// Answers trend views from a records store that only grows: one read of a station's records
// sums them up in buckets (see Tally), later views over wide spans come from the buckets, and a
// view closer than a bucket per column reads just the records of its span, found by the buckets'
// keys. Every answer first takes in the records appended since the last one; a store that lost
// records or was put in place of another is summed up anew.
//
// Given a maker of a second reader, a long read is shared with a helper thread that reads the
// store through that reader: the read is cut into pieces of consecutive keys, and each thread
// takes the next piece when it is done with one, so that the one that gets more of a processor
// reads more.
//
// Given a shelf, the summary is kept there between runs, and taken from there at the first answer
// when the store still holds the records it was summed up from.
class TrendCache {
  public:
    struct Options {
        Minute bucketMinutes = 10;
        // Records per read; 0: as many as the reader takes in one read (TrendRows::readLimit).
        std::size_t chunkRows = 0;
        // A read of fewer records than this is not shared with a helper.
        std::int64_t sharedFrom = 50000;
    };

    explicit TrendCache(TrendRows& rows);
    TrendCache(TrendRows& rows, Options options, TrendRowsMaker helper = {},
               SummaryShelf* shelf = nullptr);

    // None when the store cannot be read or `progress` stopped the reading.
    [[nodiscard]] std::optional<TrendAnswer> answer(const TrendRequest& request,
                                                    const Progress& progress);
    // Whether the last answer was to this request and the store has not changed since: the
    // answer would be the same. Reads only the store's bounds.
    [[nodiscard]] bool unchanged(const TrendRequest& request);
    [[nodiscard]] std::size_t bytes() const { return tally_.summary().bytes(); }
    // Puts the summary on the shelf when it has grown since it was last put there or taken from
    // there: by a station, or by kKeepEvery records. Gives up, keeping nothing, as soon as
    // `wanted` says false (asked between pieces of the writing); it is then tried again at the
    // next call.
    void keep(const std::function<bool()>& wanted = [] { return true; });

    static constexpr Key kKeepEvery = 20000;

  private:
    struct Units {
        std::array<std::string, kQuantities> texts;
        std::array<Key, kQuantities> keys{};  // the record each unit was read from
    };
    // One read of a summing up: a key range, of one station or all.
    struct Part {
        Key after = 0;
        Key upTo = 0;
        std::optional<std::int64_t> station;
    };
    using Fold = std::function<void(const RowView&)>;
    // A station's records of a piece of a close view, by quantity.
    using Runs = std::array<ColumnRun, kQuantities>;
    static constexpr Key kPieces = 8;

    void reset();
    // Brings the summary up to date and sums up the stations not summed up yet.
    bool sync(const std::vector<std::int64_t>& stations, const Progress& progress);
    bool summarize(const StationSet& stations, Key upTo, const Progress& progress);
    // The parts cut into the pieces a read takes one at a time: each part in kPieces of
    // consecutive keys when the read is shared with the helper, else whole.
    [[nodiscard]] std::vector<Part> piecesOf(const std::vector<Part>& parts, bool shared) const;
    // Reads the pieces, each through its own fold (folds[i] for pieces[i]); `shared`, on this
    // thread and the helper's, each taking the next piece not taken yet, so that a thread that
    // gets less of a processor reads fewer. `done` tells how far the reading has come;
    // inOrder(i), when given, is called for each piece once it and every piece before it are
    // read, in their order, one call at a time.
    bool readPieces(const std::vector<Part>& pieces, bool shared, const std::vector<Fold>& folds,
                    const std::function<bool(double)>& done,
                    const std::function<void(std::size_t)>& inOrder = {});
    // The share of the newest records that belong to the stations.
    std::optional<double> sampledShare(const StationSet& stations, Key last);
    bool readRange(TrendRows& rows, Key after, Key upTo, std::optional<std::int64_t> station,
                   const Fold& fold, const std::function<bool(double)>& done) const;
    bool readUnits();
    // Takes the kept summary when the store begins with the record it began with then and still
    // holds the last record summed up, as they were.
    void takeKept();
    // The record's station, date and values as one text; none when there is no such record.
    std::optional<std::string> fingerprintOf(Key key);
    [[nodiscard]] std::vector<std::int64_t> countedStations() const;
    // The stations' records of the grid's span, read from the store.
    // Each piece's records by station, the pieces in the order of their keys.
    bool readClose(const StationSet& stations, const TimeGrid& grid,
                   std::vector<std::vector<Runs>>& found);
    [[nodiscard]] static std::vector<Extent> closeColumns(
        const std::vector<std::vector<Runs>>& pieces, std::int64_t station, Quantity quantity,
        const TimeGrid& grid);

    TrendRows& rows_;
    Options options_;
    TrendRowsMaker helper_;
    Tally tally_;
    std::array<Units, kMaxStation + 1> units_;
    std::uint64_t generation_ = 0;
    Key lastKey_ = 0;  // every record up to this key is summed up
    KeyBounds bounds_;
    std::optional<TrendRequest> answered_;  // the last request answered, and the store then
    KeyBounds answeredBounds_;
    std::uint64_t answeredGeneration_ = 0;
    SummaryShelf* shelf_ = nullptr;
    bool shelfTried_ = false;
    Key keptKey_ = 0;  // the summary on the shelf has the records up to here
    std::vector<std::int64_t> keptStations_;
};

}  // namespace trend
