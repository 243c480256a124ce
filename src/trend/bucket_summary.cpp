#include "trend/bucket_summary.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <type_traits>

#include "trend/summary_bytes.h"

namespace trend {

namespace {

constexpr Key kNoKey = std::numeric_limits<Key>::max();

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    return a / b - (a % b != 0 && (a < 0) != (b < 0) ? 1 : 0);
}

}  // namespace

template <typename Item>
void BucketSummary::Paged<Item>::turnTo(std::int64_t number, const Item& blank) {
    std::unique_ptr<Page>& page = pages_[number];
    if (!page) {
        page = std::make_unique<Page>();
        page->fill(blank);
    }
    last_ = page.get();
    lastNumber_ = number;
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

template <typename Item>
template <typename Fn>
void BucketSummary::Paged<Item>::absorb(Paged&& later, Fn fn) {
    for (auto& [number, page] : later.pages_) {
        std::unique_ptr<Page>& mine = pages_[number];
        if (!mine) {
            mine = std::move(page);
            continue;
        }
        for (std::size_t i = 0; i < page->size(); ++i) {
            fn((*mine)[i], (*page)[i]);
        }
    }
    later.pages_.clear();
    later.last_ = nullptr;
}

template <typename Item>
void BucketSummary::Paged<Item>::writeTo(SummaryWriter& out) const {
    static_assert(std::is_trivially_copyable_v<Page>);
    out.value(static_cast<std::uint64_t>(pages_.size()));
    for (const auto& [number, page] : pages_) {
        out.value(number);
        out.bytes(page->data(), sizeof(Page));
    }
}

template <typename Item>
bool BucketSummary::Paged<Item>::readFrom(SummaryReader& in) {
    std::uint64_t count = 0;
    if (!in.value(count)) {
        return false;
    }
    // Pages were written in the order of their numbers; a count beyond the bytes there are ends
    // at the first page missing.
    for (std::uint64_t i = 0; i < count; ++i) {
        std::int64_t number = 0;
        // No record's minute is that far from the year 0: its page is not of a summary.
        constexpr std::int64_t kFarthest = std::int64_t{1} << 40;
        if (!in.value(number) || number > kFarthest || number < -kFarthest ||
            (!pages_.empty() && number <= pages_.rbegin()->first)) {
            return false;
        }
        auto page = std::make_unique<Page>();
        if (!in.bytes(page->data(), sizeof(Page))) {
            return false;
        }
        pages_.emplace_hint(pages_.end(), number, std::move(page));
    }
    return true;
}

BucketSummary::BucketSummary(Minute bucketMinutes)
    : bucketMinutes_(std::clamp<Minute>(bucketMinutes, 1, (kNone - 1) / kCoarseFactor)) {
    levels_[0].minutes = bucketMinutes_;
    levels_[1].minutes = bucketMinutes_ * kCoarseFactor;
}

std::int64_t BucketSummary::Level::bucketOf(Minute minute) const {
    return floorDiv(minute, minutes);
}

const BucketSummary::Paged<BucketSummary::Bucket>* BucketSummary::Level::of(
    std::int64_t station) const {
    if (station < 0 || station > kMaxStation) {
        return nullptr;
    }
    return stations[static_cast<std::size_t>(station)].get();
}

Extent BucketSummary::Level::extentOf(const Compact& c, std::int64_t bucket) const {
    if (c.firstOffset == kNone) {
        return {};
    }
    const Minute start = bucket * minutes;
    return {true, c.low, c.high, c.first, c.last, start + c.firstOffset, start + c.lastOffset};
}

void BucketSummary::Level::add(std::size_t station, std::int64_t bucket, Minute minute,
                               const Values& values) {
    std::unique_ptr<Paged<Bucket>>& buckets = stations[station];
    if (!buckets) {
        buckets = std::make_unique<Paged<Bucket>>();
    }
    Bucket& item = buckets->at(bucket, Bucket{});
    const auto offset = static_cast<std::uint16_t>(minute - bucket * minutes);
    for (const Quantity q : {kFlow, kTotal}) {
        if (values[q]) {
            BucketSummary::add(item[q], static_cast<float>(*values[q]), offset);
        }
    }
}

void BucketSummary::add(Key key, std::int64_t station, Minute minute, const Values& values) {
    if (station < 0 || station > kMaxStation) {
        return;
    }
    const std::int64_t fine = levels_[0].bucketOf(minute);
    KeyPair& keys = keys_.at(fine, {kNoKey, kNoKey});
    if (keys.first == kNoKey) {
        keys = {key, key};
    } else {
        keys.first = std::min(keys.first, key);
        keys.second = std::max(keys.second, key);
    }
    if (!values[kFlow] && !values[kTotal]) {
        return;
    }
    const auto index = static_cast<std::size_t>(station);
    levels_[0].add(index, fine, minute, values);
    // A coarse bucket is kCoarseFactor fine ones.
    levels_[1].add(index, floorDiv(fine, kCoarseFactor), minute, values);
}

std::vector<Extent> BucketSummary::columns(std::int64_t station, Quantity quantity,
                                           const TimeGrid& grid) const {
    std::vector<Extent> columns(static_cast<std::size_t>(std::max(grid.columns, 0)));
    const Level& level =
        grid.columnSpan() >= static_cast<double>(levels_[1].minutes) ? levels_[1] : levels_[0];
    const Paged<Bucket>* buckets = level.of(station);
    if (!buckets || columns.empty()) {
        return columns;
    }
    const std::int64_t first = level.bucketOf(static_cast<Minute>(std::floor(grid.from)));
    const std::int64_t last = level.bucketOf(static_cast<Minute>(std::ceil(grid.to)));
    buckets->forEach(first, last, [&](std::int64_t bucket, const Bucket& item) {
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
    const Paged<Bucket>* buckets = level.of(station);
    if (!buckets) {
        return std::nullopt;
    }
    Extent all;
    constexpr std::int64_t lowest = std::numeric_limits<std::int64_t>::min() / 4;
    constexpr std::int64_t highest = std::numeric_limits<std::int64_t>::max() / 4;
    buckets->forEach(lowest, highest, [&](std::int64_t bucket, const Bucket& item) {
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
    if (!found) {
        return std::nullopt;
    }
    return std::make_pair(found->first, found->second);
}

void BucketSummary::add(Compact& into, float value, std::uint16_t offset) {
    if (into.firstOffset == kNone) {
        into = {value, value, value, value, offset, offset};
        return;
    }
    into.low = std::min(into.low, value);
    into.high = std::max(into.high, value);
    if (offset < into.firstOffset) {
        into.firstOffset = offset;
        into.first = value;
    }
    if (offset >= into.lastOffset) {
        into.lastOffset = offset;
        into.last = value;
    }
}

void BucketSummary::merge(Compact& into, const Compact& later) {
    if (later.firstOffset == kNone) {
        return;
    }
    if (into.firstOffset == kNone) {
        into = later;
        return;
    }
    into.low = std::min(into.low, later.low);
    into.high = std::max(into.high, later.high);
    if (later.firstOffset < into.firstOffset) {
        into.firstOffset = later.firstOffset;
        into.first = later.first;
    }
    if (later.lastOffset >= into.lastOffset) {
        into.lastOffset = later.lastOffset;
        into.last = later.last;
    }
}

void BucketSummary::merge(BucketSummary&& later) {
    for (std::size_t l = 0; l < levels_.size(); ++l) {
        for (std::size_t s = 0; s < levels_[l].stations.size(); ++s) {
            std::unique_ptr<Paged<Bucket>>& theirs = later.levels_[l].stations[s];
            std::unique_ptr<Paged<Bucket>>& mine = levels_[l].stations[s];
            if (!theirs) {
                continue;
            }
            if (!mine) {
                mine = std::move(theirs);
                continue;
            }
            mine->absorb(std::move(*theirs), [](Bucket& into, const Bucket& item) {
                for (const Quantity q : {kFlow, kTotal}) {
                    merge(into[q], item[q]);
                }
            });
        }
    }
    keys_.absorb(std::move(later.keys_), [](KeyPair& into, const KeyPair& keys) {
        if (keys.first != kNoKey) {
            into = into.first == kNoKey ? keys
                                        : KeyPair{std::min(into.first, keys.first),
                                                  std::max(into.second, keys.second)};
        }
    });
    later.clear();
}

void BucketSummary::drop(std::int64_t station) {
    if (station < 0 || station > kMaxStation) {
        return;
    }
    for (Level& level : levels_) {
        level.stations[static_cast<std::size_t>(station)].reset();
    }
}

void BucketSummary::clear() {
    for (Level& level : levels_) {
        for (auto& buckets : level.stations) {
            buckets.reset();
        }
    }
    keys_ = {};
}

std::size_t BucketSummary::bytes() const {
    std::size_t pages = 0;
    for (const Level& level : levels_) {
        for (const auto& buckets : level.stations) {
            pages += buckets ? buckets->pages() : 0;
        }
    }
    return pages * sizeof(std::array<Bucket, Paged<Bucket>::kPageItems>) +
           keys_.pages() * sizeof(std::array<KeyPair, Paged<KeyPair>::kPageItems>);
}

void BucketSummary::writeTo(SummaryWriter& out) const {
    out.value(bucketMinutes_);
    out.value(static_cast<std::uint32_t>(sizeof(Bucket)));
    out.value(Paged<Bucket>::kPageItems);
    keys_.writeTo(out);
    for (const Level& level : levels_) {
        for (const auto& buckets : level.stations) {
            out.value(static_cast<std::uint8_t>(buckets ? 1 : 0));
            if (buckets) {
                buckets->writeTo(out);
            }
        }
    }
}

bool BucketSummary::readFrom(SummaryReader& in) {
    Minute minutes = 0;
    std::uint32_t bucketSize = 0;
    std::int64_t pageItems = 0;
    if (!in.value(minutes) || !in.value(bucketSize) || !in.value(pageItems) ||
        minutes != bucketMinutes_ || bucketSize != sizeof(Bucket) ||
        pageItems != Paged<Bucket>::kPageItems || !keys_.readFrom(in)) {
        return false;
    }
    for (Level& level : levels_) {
        for (auto& buckets : level.stations) {
            std::uint8_t present = 0;
            if (!in.value(present) || present > 1) {
                return false;
            }
            if (present == 1) {
                buckets = std::make_unique<Paged<Bucket>>();
                if (!buckets->readFrom(in)) {
                    return false;
                }
            }
        }
    }
    return true;
}

}  // namespace trend
