#include "trend/trend_cache.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "records/csv_export.h"
#include "text/leading_number.h"

namespace trend {

namespace {

// Below this share of all records, a station's records are read through the station index one
// station at a time; above it, reading every record and skipping the others is quicker.
constexpr double kStationReadShare = 0.3;
// The newest records that tell the share of some stations before they are summed up.
constexpr std::size_t kSampleRows = 4096;

// A value as the trend draws it: an empty text draws nothing (the display was blank).
std::optional<double> valueOf(std::string_view text) {
    if (text.empty()) {
        return std::nullopt;
    }
    return text::leadingNumber(text);
}

bool always(double /*done*/) {
    return true;
}

}  // namespace

TrendCache::TrendCache(TrendRows& rows) : TrendCache(rows, Options{}) {}

TrendCache::TrendCache(TrendRows& rows, Options options)
    : rows_(rows), options_(options), summary_(options.bucketMinutes) {
    options_.chunkRows = std::max<std::size_t>(options_.chunkRows, 1);
}

void TrendCache::reset() {
    summary_.clear();
    states_.clear();
    firstKey_ = 0;
    lastKey_ = 0;
}

std::optional<Minute> TrendCache::minuteOf(std::string_view date) {
    // Records of the same minute follow each other: their date is read once.
    if (date != lastDate_) {
        lastDate_.assign(date);
        lastMinute_ = recordMinute(date);
    }
    return lastMinute_;
}

std::optional<TrendAnswer> TrendCache::answer(const TrendRequest& request,
                                              const Progress& progress) {
    if (!sync(request.stations, progress)) {
        return std::nullopt;
    }
    TrendAnswer answer;
    answer.request = request;
    for (const std::int64_t station : request.stations) {
        if (const auto span = summary_.span(station)) {
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
    const bool close = drawable && answer.grid.columnSpan() < summary_.bucketMinutes();
    std::map<std::int64_t, std::array<std::vector<Point>, kQuantities>> points;
    for (const std::int64_t station : request.stations) {
        points[station];
    }
    if (close && !readClose(request.stations, answer.grid, points)) {
        return std::nullopt;
    }
    answer.exact = close;
    for (const std::int64_t station : request.stations) {
        StationTrend& trend = answer.stations.emplace_back();
        trend.station = station;
        const auto state = states_.find(station);
        for (const Quantity q : {kFlow, kTotal}) {
            Curve& curve = trend.curves[q];
            if (drawable) {
                curve.columns = close ? columnize(points[station][q], answer.grid)
                                      : summary_.columns(station, q, answer.grid);
                curve.line = lineOf(curve.columns);
            }
            if (state != states_.end()) {
                curve.unit = state->second.units[q];
            }
        }
    }
    return answer;
}

bool TrendCache::sync(const std::vector<std::int64_t>& stations, const Progress& progress) {
    const std::optional<KeyBounds> bounds = rows_.bounds();
    if (!bounds) {
        return false;
    }
    const bool lost = lastKey_ > 0 && (bounds->last < lastKey_ || bounds->first > firstKey_);
    if (rows_.generation() != generation_ || lost) {
        reset();
        generation_ = rows_.generation();
    }
    bounds_ = *bounds;
    std::set<std::int64_t> missing;
    for (const std::int64_t station : stations) {
        if (states_.count(station) == 0) {
            missing.insert(station);
        }
    }
    if (!missing.empty()) {
        const bool first = states_.empty();
        const Key upTo = first ? bounds_.last : lastKey_;
        if (!summarize(missing, upTo, progress)) {
            for (const std::int64_t station : missing) {
                summary_.drop(station);
                states_.erase(station);
            }
            return false;
        }
        if (first) {
            lastKey_ = std::max<Key>(upTo, 0);
        }
    }
    if (bounds_.last > lastKey_ && !states_.empty()) {
        const Fold fold = [this](const RowView& row) {
            if (states_.count(row.station) != 0) {
                foldIntoSummary(row);
            }
        };
        if (!readRange(lastKey_, bounds_.last, std::nullopt, fold, always)) {
            // What was taken in stays; a record is never taken in twice, so all is read again.
            reset();
            return false;
        }
        lastKey_ = bounds_.last;
    }
    return readUnits();
}

bool TrendCache::summarize(const std::set<std::int64_t>& stations, Key upTo,
                           const Progress& progress) {
    for (const std::int64_t station : stations) {
        states_[station];
    }
    if (upTo <= 0 || bounds_.empty()) {
        return true;
    }
    const std::optional<double> share = sampledShare(stations, upTo);
    if (!share) {
        return false;
    }
    const Fold fold = [this, &stations](const RowView& row) {
        if (stations.count(row.station) != 0) {
            foldIntoSummary(row);
        }
    };
    if (*share >= kStationReadShare) {
        return readRange(0, upTo, std::nullopt, fold, progress);
    }
    double done = 0;
    const auto each = static_cast<double>(stations.size());
    for (const std::int64_t station : stations) {
        const auto part = [&](double d) { return progress((done + d) / each); };
        if (!readRange(0, upTo, station, fold, part)) {
            return false;
        }
        ++done;
    }
    return true;
}

std::optional<double> TrendCache::sampledShare(const std::set<std::int64_t>& stations, Key last) {
    std::size_t matched = 0;
    const auto read = rows_.read(
        {std::max<Key>(last - static_cast<Key>(kSampleRows), 0), last, std::nullopt, kSampleRows},
        [&](const RowView& row) { matched += stations.count(row.station); });
    if (!read) {
        return std::nullopt;
    }
    return *read == 0 ? 1.0 : static_cast<double>(matched) / static_cast<double>(*read);
}

bool TrendCache::readRange(Key after, Key upTo, std::optional<std::int64_t> station,
                           const Fold& fold, const std::function<bool(double)>& done) {
    for (Key at = after;;) {
        Key seen = at;
        const std::optional<std::size_t> read =
            rows_.read({at, upTo, station, options_.chunkRows}, [&](const RowView& row) {
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

void TrendCache::foldIntoSummary(const RowView& row) {
    StationState& state = states_[row.station];
    ++state.records;
    if (!row.flow.empty()) {
        state.valueKeys[kFlow] = std::max(state.valueKeys[kFlow], row.key);
    }
    if (!row.total.empty()) {
        state.valueKeys[kTotal] = std::max(state.valueKeys[kTotal], row.key);
    }
    firstKey_ = firstKey_ == 0 ? row.key : std::min(firstKey_, row.key);
    const std::optional<Minute> minute = minuteOf(row.date);
    if (!minute) {
        return;
    }
    summary_.addKey(row.key, *minute);
    if (const std::optional<double> flow = valueOf(row.flow)) {
        summary_.add(row.station, kFlow, *minute, *flow);
    }
    if (const std::optional<double> total = valueOf(row.total)) {
        summary_.add(row.station, kTotal, *minute, *total);
    }
}

bool TrendCache::readUnits() {
    for (auto& [station, state] : states_) {
        for (const Quantity q : {kFlow, kTotal}) {
            const Key key = state.valueKeys[q];
            if (key <= state.unitKeys[q]) {
                continue;
            }
            std::string& unit = state.units[q];
            const auto read =
                rows_.read({key - 1, key, station, 1}, [&unit, q](const RowView& row) {
                    unit =
                        records::splitNumber(std::string(q == kFlow ? row.flow : row.total)).second;
                });
            if (!read) {
                return false;
            }
            state.unitKeys[q] = key;
        }
    }
    return true;
}

bool TrendCache::readClose(
    const std::vector<std::int64_t>& stations, const TimeGrid& grid,
    std::map<std::int64_t, std::array<std::vector<Point>, kQuantities>>& points) {
    const auto keys = summary_.keysBetween(static_cast<Minute>(std::floor(grid.from)),
                                           static_cast<Minute>(std::ceil(grid.to)));
    if (!keys) {
        return true;
    }
    std::int64_t records = 0;
    for (const std::int64_t station : stations) {
        records += states_[station].records;
    }
    const double share = static_cast<double>(records) /
                         static_cast<double>(std::max<Key>(bounds_.last - bounds_.first + 1, 1));
    const Fold collect = [&](const RowView& row) {
        const auto found = points.find(row.station);
        const std::optional<Minute> minute =
            found == points.end() ? std::nullopt : minuteOf(row.date);
        if (!minute || !(*minute >= grid.from && *minute < grid.to)) {
            return;
        }
        const std::string_view texts[] = {row.flow, row.total};
        for (const Quantity q : {kFlow, kTotal}) {
            if (const std::optional<double> value = valueOf(texts[q])) {
                found->second[q].push_back({static_cast<double>(*minute), *value});
            }
        }
    };
    if (share >= kStationReadShare) {
        return readRange(keys->first - 1, keys->second, std::nullopt, collect, always);
    }
    return std::all_of(stations.begin(), stations.end(), [&](std::int64_t station) {
        return readRange(keys->first - 1, keys->second, station, collect, always);
    });
}

}  // namespace trend
