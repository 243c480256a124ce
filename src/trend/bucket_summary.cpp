#include "trend/bucket_summary.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace trend {

namespace {

constexpr Key kNoKey = std::numeric_limits<Key>::max();

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    return a / b - (a % b != 0 && (a < 0) != (b < 0) ? 1 : 0);
}

}  // namespace

template <typename Item>
Item& BucketSummary::Paged<Item>::at(std::int64_t bucket, const Item& blank) {
    const std::int64_t page = floorDiv(bucket, kPageItems);
    std::unique_ptr<std::array<Item, kPageItems>>& items = pages_[page];
    if (!items) {
        items = std::make_unique<std::array<Item, kPageItems>>();
        items->fill(blank);
    }
    return (*items)[static_cast<std::size_t>(bucket - page * kPageItems)];
}

template <typename Item>
template <typename Fn>
void BucketSummary::Paged<Item>::forEach(std::int64_t first, std::int64_t last, Fn fn) const {
    for (auto it = pages_.lower_bound(floorDiv(first, kPageItems));
         it != pages_.end() && it->first * kPageItems <= last; ++it) {
        const std::int64_t start = it->first * kPageItems;
        for (std::int64_t b = std::max(first, start); b <= std::min(last, start + kPageItems - 1);
             ++b) {
            fn(b, (*it->second)[static_cast<std::size_t>(b - start)]);
        }
    }
}

BucketSummary::BucketSummary(Minute bucketMinutes)
    : bucketMinutes_(std::clamp<Minute>(bucketMinutes, 1, (kNone - 1) / kCoarseFactor)) {
    levels_[0].minutes = bucketMinutes_;
    levels_[1].minutes = bucketMinutes_ * kCoarseFactor;
}

std::int64_t BucketSummary::Level::bucketOf(Minute minute) const {
    return floorDiv(minute, minutes);
}

Extent BucketSummary::Level::extentOf(const Compact& c, std::int64_t bucket) const {
    if (c.firstOffset == kNone) {
        return {};
    }
    const Minute start = bucket * minutes;
    return {true, c.low, c.high, c.first, c.last, start + c.firstOffset, start + c.lastOffset};
}

void BucketSummary::Level::add(std::int64_t station, Quantity quantity, Minute minute,
                               double value) {
    const std::int64_t bucket = bucketOf(minute);
    Compact& c = stations[station].at(bucket, Bucket{})[quantity];
    const auto offset = static_cast<std::uint16_t>(minute - bucket * minutes);
    const auto v = static_cast<float>(value);
    if (c.firstOffset == kNone) {
        c = {v, v, v, v, offset, offset};
        return;
    }
    c.low = std::min(c.low, v);
    c.high = std::max(c.high, v);
    if (offset < c.firstOffset) {
        c.firstOffset = offset;
        c.first = v;
    }
    if (offset >= c.lastOffset) {
        c.lastOffset = offset;
        c.last = v;
    }
}

void BucketSummary::addKey(Key key, Minute minute) {
    KeyPair& keys = keys_.at(levels_[0].bucketOf(minute), {kNoKey, kNoKey});
    if (keys.first == kNoKey) {
        keys = {key, key};
        return;
    }
    keys.first = std::min(keys.first, key);
    keys.second = std::max(keys.second, key);
}

void BucketSummary::add(std::int64_t station, Quantity quantity, Minute minute, double value) {
    for (Level& level : levels_) {
        level.add(station, quantity, minute, value);
    }
}

std::vector<Extent> BucketSummary::columns(std::int64_t station, Quantity quantity,
                                           const TimeGrid& grid) const {
    std::vector<Extent> columns(static_cast<std::size_t>(std::max(grid.columns, 0)));
    const Level& level =
        grid.columnSpan() >= static_cast<double>(levels_[1].minutes) ? levels_[1] : levels_[0];
    const auto found = level.stations.find(station);
    if (found == level.stations.end() || columns.empty()) {
        return columns;
    }
    const std::int64_t first = level.bucketOf(static_cast<Minute>(std::floor(grid.from)));
    const std::int64_t last = level.bucketOf(static_cast<Minute>(std::ceil(grid.to)));
    found->second.forEach(first, last, [&](std::int64_t bucket, const Bucket& item) {
        const Extent extent = level.extentOf(item[quantity], bucket);
        if (!extent.present) {
            return;
        }
        std::optional<int> column = grid.columnOf(static_cast<double>(extent.firstMinute));
        if (!column && extent.firstMinute < grid.from) {
            column = grid.columnOf(static_cast<double>(extent.lastMinute));
        }
        if (column) {
            columns[static_cast<std::size_t>(*column)].merge(extent);
        }
    });
    return columns;
}

std::optional<std::pair<Minute, Minute>> BucketSummary::span(std::int64_t station) const {
    const Level& level = levels_[1];
    const auto found = level.stations.find(station);
    if (found == level.stations.end()) {
        return std::nullopt;
    }
    Extent all;
    const std::int64_t lowest = std::numeric_limits<std::int64_t>::min() / 2;
    const std::int64_t highest = std::numeric_limits<std::int64_t>::max() / 2;
    found->second.forEach(lowest, highest, [&](std::int64_t bucket, const Bucket& item) {
        for (const Compact& c : item) {
            all.merge(level.extentOf(c, bucket));
        }
    });
    if (!all.present) {
        return std::nullopt;
    }
    return std::make_pair(all.firstMinute, all.lastMinute);
}

std::optional<std::pair<Key, Key>> BucketSummary::keysBetween(Minute from, Minute to) const {
    std::optional<KeyPair> found;
    keys_.forEach(levels_[0].bucketOf(from), levels_[0].bucketOf(to),
                  [&](std::int64_t, const KeyPair& keys) {
                      if (keys.first == kNoKey) {
                          return;
                      }
                      found = found ? KeyPair{std::min(found->first, keys.first),
                                              std::max(found->second, keys.second)}
                                    : keys;
                  });
    return found;
}

void BucketSummary::drop(std::int64_t station) {
    for (Level& level : levels_) {
        level.stations.erase(station);
    }
}

void BucketSummary::clear() {
    for (Level& level : levels_) {
        level.stations.clear();
    }
    keys_ = {};
}

std::size_t BucketSummary::bytes() const {
    std::size_t pages = 0;
    for (const Level& level : levels_) {
        for (const auto& entry : level.stations) {
            pages += entry.second.pages();
        }
    }
    return pages * sizeof(std::array<Bucket, Paged<Bucket>::kPageItems>) +
           keys_.pages() * sizeof(std::array<KeyPair, Paged<KeyPair>::kPageItems>);
}

}  // namespace trend
