#include "trend/trend_cache.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <mutex>
#include <thread>
#include <utility>

#include "records/csv_export.h"
#include "trend/record_value.h"

namespace trend {

namespace {

// Below this share of all records, a station's records are read through the station index one
// station at a time; above it, reading every record and skipping the others is quicker.
constexpr double kStationReadShare = 0.3;
// The newest records that tell the share of some stations before they are summed up, at most
// one read of them.
constexpr std::size_t kSampleRows = 4096;

bool always(double /*done*/) {
    return true;
}

}  // namespace

void StationSet::insert(std::int64_t station) {
    if (station >= 0 && station <= kMaxStation) {
        members_[static_cast<std::size_t>(station)] = true;
    }
}

std::vector<std::int64_t> StationSet::members() const {
    std::vector<std::int64_t> found;
    for (std::int64_t s = 0; s <= kMaxStation; ++s) {
        if (contains(s)) {
            found.push_back(s);
        }
    }
    return found;
}

TrendCache::TrendCache(TrendRows& rows) : TrendCache(rows, Options{}) {}

TrendCache::TrendCache(TrendRows& rows, Options options, TrendRowsMaker helper, SummaryShelf* shelf)
    : rows_(rows),
      options_(options),
      helper_(std::move(helper)),
      tally_(options.bucketMinutes),
      shelf_(shelf) {
    if (options_.chunkRows == 0) {
        options_.chunkRows = rows_.readLimit();
    }
    options_.chunkRows = std::max<std::size_t>(options_.chunkRows, 1);
}

void TrendCache::reset() {
    tally_.clear();
    units_ = {};
    lastKey_ = 0;
}

std::optional<TrendAnswer> TrendCache::answer(const TrendRequest& request,
                                              const Progress& progress) {
    answered_.reset();
    if (!sync(request.stations, progress)) {
        return std::nullopt;
    }
    const BucketSummary& summary = tally_.summary();
    TrendAnswer answer;
    answer.request = request;
    StationSet requested;
    for (const std::int64_t station : request.stations) {
        requested.insert(station);
        if (const auto span = summary.span(station)) {
            answer.span = answer.span ? std::make_pair(std::min(answer.span->first, span->first),
                                                       std::max(answer.span->second, span->second))
                                      : *span;
        }
    }
    if (request.range) {
        answer.grid = {request.range->first, request.range->second, request.columns};
    } else if (answer.span) {
        answer.grid = {static_cast<double>(answer.span->first),
                       static_cast<double>(answer.span->second + 1), request.columns};
    }
    const bool drawable = answer.grid.columns > 0 && answer.grid.to > answer.grid.from;
    const bool close = drawable && answer.grid.columnSpan() < summary.bucketMinutes();
    std::vector<std::vector<Runs>> pieces;
    if (close && !readClose(requested, answer.grid, pieces)) {
        return std::nullopt;
    }
    answer.exact = close;
    answered_ = request;
    answeredBounds_ = bounds_;
    answeredGeneration_ = generation_;
    for (const std::int64_t station : request.stations) {
        StationTrend& trend = answer.stations.emplace_back();
        trend.station = station;
        if (!tally_.counts(station)) {
            continue;
        }
        for (const Quantity q : {kFlow, kTotal}) {
            Curve& curve = trend.curves[q];
            if (drawable) {
                curve.columns = close ? closeColumns(pieces, station, q, answer.grid)
                                      : summary.columns(station, q, answer.grid);
                curve.line = lineOf(curve.columns);
            }
            curve.unit = units_[static_cast<std::size_t>(station)].texts[q];
        }
    }
    return answer;
}

bool TrendCache::unchanged(const TrendRequest& request) {
    if (!answered_ || !(request == *answered_)) {
        return false;
    }
    const std::optional<KeyBounds> bounds = rows_.bounds();
    return bounds && bounds->first == answeredBounds_.first &&
           bounds->last == answeredBounds_.last && rows_.generation() == answeredGeneration_;
}

bool TrendCache::sync(const std::vector<std::int64_t>& stations, const Progress& progress) {
    const std::optional<KeyBounds> bounds = rows_.bounds();
    if (!bounds) {
        return false;
    }
    const bool lost =
        lastKey_ > 0 && (bounds->last < lastKey_ || bounds->first > tally_.firstKey());
    if (rows_.generation() != generation_ || lost) {
        reset();
        generation_ = rows_.generation();
    }
    bounds_ = *bounds;
    if (shelf_ && !shelfTried_ && !tally_.countsAny() && !bounds_.empty()) {
        takeKept();
    }
    StationSet missing;
    bool anyMissing = false;
    for (const std::int64_t station : stations) {
        if (station >= 0 && station <= kMaxStation && !tally_.counts(station)) {
            missing.insert(station);
            anyMissing = true;
        }
    }
    if (anyMissing) {
        const bool first = !tally_.countsAny();
        const Key upTo = first ? std::max<Key>(bounds_.last, 0) : lastKey_;
        if (!summarize(missing, upTo, progress)) {
            for (const std::int64_t station : missing.members()) {
                tally_.drop(station);
            }
            return false;
        }
        if (first) {
            lastKey_ = upTo;
        }
    }
    if (bounds_.last > lastKey_ && tally_.countsAny()) {
        const Fold fold = [this](const RowView& row) {
            if (tally_.counts(row.station)) {
                tally_.fold(row);
            }
        };
        if (!readRange(rows_, lastKey_, bounds_.last, std::nullopt, fold, always)) {
            // What was taken in stays; a record is never taken in twice, so all is read again.
            reset();
            return false;
        }
        lastKey_ = bounds_.last;
    }
    return readUnits();
}

bool TrendCache::summarize(const StationSet& stations, Key upTo, const Progress& progress) {
    const std::vector<std::int64_t> members = stations.members();
    for (const std::int64_t station : members) {
        tally_.count(station);
    }
    if (upTo <= 0 || bounds_.empty()) {
        return true;
    }
    const std::optional<double> share = sampledShare(stations, upTo);
    if (!share) {
        return false;
    }
    std::vector<Part> parts;
    if (*share < kStationReadShare) {
        for (const std::int64_t station : members) {
            parts.push_back({0, upTo, station});
        }
    } else {
        parts = {{0, upTo, std::nullopt}};
    }
    const auto records = static_cast<double>(upTo - bounds_.first + 1);
    const bool shared = helper_ && records * std::min(*share, 1.0) >= options_.sharedFrom;
    const std::vector<Part> pieces = piecesOf(parts, shared);
    // Piece by piece, merged in the order of their keys.
    std::vector<Tally> tallies;
    tallies.reserve(pieces.size());
    std::vector<Fold> folds;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        Tally& tally = i == 0 ? tally_ : tallies.emplace_back(options_.bucketMinutes);
        for (const std::int64_t station : members) {
            tally.count(station);
        }
        folds.emplace_back([&stations, &tally](const RowView& row) {
            if (stations.contains(row.station)) {
                tally.fold(row);
            }
        });
    }
    // A piece is merged as soon as it and those before it are read: its pages are let go at once.
    return readPieces(pieces, shared, folds, progress, [this, &tallies](std::size_t i) {
        if (i > 0) {
            tally_.merge(std::move(tallies[i - 1]));
        }
    });
}

std::vector<TrendCache::Part> TrendCache::piecesOf(const std::vector<Part>& parts,
                                                   bool shared) const {
    std::vector<Part> pieces;
    for (const Part& part : parts) {
        const Key start = std::max(part.after, bounds_.first - 1);
        const Key count = shared ? std::clamp<Key>(part.upTo - start, 1, kPieces) : 1;
        for (Key i = 0; i < count; ++i) {
            pieces.push_back({i == 0 ? part.after : start + (part.upTo - start) * i / count,
                              start + (part.upTo - start) * (i + 1) / count, part.station});
        }
    }
    return pieces;
}

bool TrendCache::readPieces(const std::vector<Part>& pieces, bool shared,
                            const std::vector<Fold>& folds, const std::function<bool(double)>& done,
                            const std::function<void(std::size_t)>& inOrder) {
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> finished{0};
    std::atomic<bool> stop{false};
    std::mutex order;
    std::vector<bool> read(pieces.size());  // guarded by order
    std::size_t readInOrder = 0;            // the pieces up to here are read; guarded by order
    const auto readOne = [&](std::size_t i) {
        const std::lock_guard<std::mutex> lock(order);
        read[i] = true;
        for (; readInOrder < pieces.size() && read[readInOrder]; ++readInOrder) {
            if (inOrder) {
                inOrder(readInOrder);
            }
        }
    };
    const auto total = static_cast<double>(pieces.size());
    const auto readAll = [&](TrendRows& rows, const std::function<bool(double)>& go) {
        for (std::size_t i = next++; i < pieces.size() && !stop; i = next++) {
            const Part& piece = pieces[i];
            const auto partly = [&](double d) {
                return go((static_cast<double>(finished) + d) / total);
            };
            if (!readRange(rows, piece.after, piece.upTo, piece.station, folds[i], partly)) {
                stop = true;
                return false;
            }
            readOne(i);
            ++finished;
        }
        return !stop;
    };
    const auto here = [&](double d) {
        const bool go = done(d) && !stop;
        stop = stop || !go;
        return go;
    };
    if (!shared) {
        return readAll(rows_, here);
    }
    bool helped = false;
    std::thread helper([&] {
        const std::unique_ptr<TrendRows> rows = helper_();
        helped = rows && readAll(*rows, [&stop](double) { return !stop.load(); });
        stop = stop || !helped;
    });
    const bool mine = readAll(rows_, here);
    helper.join();
    return mine && helped;
}

std::optional<double> TrendCache::sampledShare(const StationSet& stations, Key last) {
    const std::size_t sample = std::min(kSampleRows, options_.chunkRows);
    std::size_t matched = 0;
    const auto read =
        rows_.read({std::max<Key>(last - static_cast<Key>(sample), 0), last, std::nullopt, sample},
                   [&](const RowView& row) { matched += stations.contains(row.station) ? 1 : 0; });
    if (!read) {
        return std::nullopt;
    }
    return *read == 0 ? 1.0 : static_cast<double>(matched) / static_cast<double>(*read);
}

bool TrendCache::readRange(TrendRows& rows, Key after, Key upTo,
                           std::optional<std::int64_t> station, const Fold& fold,
                           const std::function<bool(double)>& done) const {
    for (Key at = after;;) {
        Key seen = at;
        const std::optional<std::size_t> read =
            rows.read({at, upTo, station, options_.chunkRows}, [&](const RowView& row) {
                seen = row.key;
                fold(row);
            });
        if (!read) {
            return false;
        }
        if (*read < options_.chunkRows || seen >= upTo) {
            return true;
        }
        at = seen;
        if (!done(static_cast<double>(at - after) / static_cast<double>(upTo - after))) {
            return false;
        }
    }
}

bool TrendCache::readUnits() {
    for (std::int64_t station = 0; station <= kMaxStation; ++station) {
        const StationTally* tally = tally_.stationOf(station);
        Units& units = units_[static_cast<std::size_t>(station)];
        for (const Quantity q : {kFlow, kTotal}) {
            if (!tally || tally->valueKeys[q] <= units.keys[q]) {
                continue;
            }
            const Key key = tally->valueKeys[q];
            std::string& unit = units.texts[q];
            const auto read =
                rows_.read({key - 1, key, station, 1}, [&unit, q](const RowView& row) {
                    unit =
                        records::splitNumber(std::string(q == kFlow ? row.flow : row.total)).second;
                });
            if (!read) {
                return false;
            }
            units.keys[q] = key;
        }
    }
    return true;
}

std::vector<Extent> TrendCache::closeColumns(const std::vector<std::vector<Runs>>& pieces,
                                             std::int64_t station, Quantity quantity,
                                             const TimeGrid& grid) {
    std::vector<Extent> columns(static_cast<std::size_t>(std::max(grid.columns, 0)));
    for (const std::vector<Runs>& piece : pieces) {
        piece[static_cast<std::size_t>(station)][quantity].mergeInto(columns);
    }
    return columns;
}

bool TrendCache::readClose(const StationSet& stations, const TimeGrid& grid,
                           std::vector<std::vector<Runs>>& found) {
    found.clear();
    const auto keys = tally_.summary().keysBetween(static_cast<Minute>(std::floor(grid.from)),
                                                   static_cast<Minute>(std::ceil(grid.to)));
    if (!keys) {
        return true;
    }
    const std::vector<std::int64_t> members = stations.members();
    std::int64_t records = 0;
    for (const std::int64_t station : members) {
        if (const StationTally* tally = tally_.stationOf(station)) {
            records += tally->records;
        }
    }
    const double share = static_cast<double>(records) /
                         static_cast<double>(std::max<Key>(bounds_.last - bounds_.first + 1, 1));
    std::vector<Part> parts;
    if (share >= kStationReadShare) {
        parts.push_back({keys->first - 1, keys->second, std::nullopt});
    } else {
        for (const std::int64_t station : members) {
            parts.push_back({keys->first - 1, keys->second, station});
        }
    }
    const double span = static_cast<double>(keys->second - keys->first + 1);
    const bool shared = helper_ && span * std::min(share, 1.0) >= options_.sharedFrom;
    const std::vector<Part> pieces = piecesOf(parts, shared);
    found.assign(pieces.size(), std::vector<Runs>(static_cast<std::size_t>(kMaxStation + 1)));
    std::vector<DateReader> dates(pieces.size());
    std::vector<Fold> folds;
    const double columnSpan = grid.columnSpan();
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        folds.emplace_back([&stations, &grid, columnSpan, &into = found[i],
                            &reader = dates[i]](const RowView& row) {
            const std::optional<Minute> minute =
                stations.contains(row.station) ? reader.minuteOf(row.date) : std::nullopt;
            const std::optional<int> column =
                minute ? grid.columnOf(static_cast<double>(*minute), columnSpan) : std::nullopt;
            if (!column) {
                return;
            }
            Runs& runs = into[static_cast<std::size_t>(row.station)];
            const std::string_view texts[] = {row.flow, row.total};
            for (const Quantity q : {kFlow, kTotal}) {
                if (const std::optional<double> value = recordValue(texts[q])) {
                    runs[q].add(*column, *minute, *value);
                }
            }
        });
    }
    return readPieces(pieces, shared, folds, always);
}

}  // namespace trend
