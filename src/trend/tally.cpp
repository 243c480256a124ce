#include "trend/tally.h"

#include <algorithm>
#include <utility>

#include "trend/record_value.h"
#include "trend/summary_bytes.h"

namespace trend {

Tally::Tally(Minute bucketMinutes) : summary_(bucketMinutes) {}

void Tally::count(std::int64_t station) {
    if (station >= 0 && station <= kMaxStation) {
        stations_[static_cast<std::size_t>(station)].emplace();
        countsAny_ = true;
    }
}

const StationTally* Tally::stationOf(std::int64_t station) const {
    if (station < 0 || station > kMaxStation) {
        return nullptr;
    }
    const std::optional<StationTally>& tally = stations_[static_cast<std::size_t>(station)];
    return tally ? &*tally : nullptr;
}

void Tally::drop(std::int64_t station) {
    if (station >= 0 && station <= kMaxStation) {
        stations_[static_cast<std::size_t>(station)].reset();
        summary_.drop(station);
        countsAny_ =
            std::any_of(stations_.begin(), stations_.end(),
                        [](const std::optional<StationTally>& s) { return s.has_value(); });
    }
}

void Tally::clear() {
    for (std::optional<StationTally>& station : stations_) {
        station.reset();
    }
    summary_.clear();
    countsAny_ = false;
    firstKey_ = 0;
}

void Tally::fold(const RowView& row) {
    StationTally& station = *stations_[static_cast<std::size_t>(row.station)];
    ++station.records;
    firstKey_ = firstKey_ == 0 ? row.key : std::min(firstKey_, row.key);
    const std::string_view texts[] = {row.flow, row.total};
    for (const Quantity q : {kFlow, kTotal}) {
        if (!texts[q].empty()) {
            station.valueKeys[q] = std::max(station.valueKeys[q], row.key);
        }
    }
    const std::optional<Minute> minute = dates_.minuteOf(row.date);
    if (minute) {
        summary_.add(row.key, row.station, *minute,
                     {recordValue(row.flow), recordValue(row.total)});
    }
}

void Tally::merge(Tally&& later) {
    for (std::size_t s = 0; s < stations_.size(); ++s) {
        const std::optional<StationTally>& other = later.stations_[s];
        if (!other) {
            continue;
        }
        std::optional<StationTally>& mine = stations_[s];
        if (!mine) {
            mine.emplace();
            countsAny_ = true;
        }
        mine->records += other->records;
        for (const Quantity q : {kFlow, kTotal}) {
            mine->valueKeys[q] = std::max(mine->valueKeys[q], other->valueKeys[q]);
        }
    }
    summary_.merge(std::move(later.summary_));
    if (later.firstKey_ != 0) {
        firstKey_ = firstKey_ == 0 ? later.firstKey_ : std::min(firstKey_, later.firstKey_);
    }
    later.clear();
}

void Tally::writeTo(SummaryWriter& out) const {
    out.value(firstKey_);
    for (const std::optional<StationTally>& station : stations_) {
        out.value(static_cast<std::uint8_t>(station ? 1 : 0));
        if (station) {
            out.value(station->records);
            out.value(station->valueKeys);
        }
    }
    summary_.writeTo(out);
}

bool Tally::readFrom(SummaryReader& in) {
    clear();
    if (!in.value(firstKey_)) {
        return false;
    }
    for (std::optional<StationTally>& station : stations_) {
        std::uint8_t counted = 0;
        if (!in.value(counted) || counted > 1) {
            return false;
        }
        if (counted == 1) {
            StationTally tally;
            if (!in.value(tally.records) || !in.value(tally.valueKeys)) {
                return false;
            }
            station = tally;
            countsAny_ = true;
        }
    }
    return summary_.readFrom(in);
}

}  // namespace trend
