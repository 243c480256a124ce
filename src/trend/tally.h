#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "trend/bucket_summary.h"
#include "trend/trend_rows.h"

namespace trend {

// What the trend keeps of a station besides its buckets.
struct StationTally {
    std::int64_t records = 0;
    std::array<Key, kQuantities> valueKeys{};  // the newest record with a text, by quantity
};

// What reading records sums up: each counted station's values in buckets, the keys of the
// buckets, and per station its number of records and where its newest texts are. Two tallies of
// consecutive key ranges, read apart, make the tally of both.
class Tally {
  public:
    explicit Tally(Minute bucketMinutes);

    // Starts counting a station (0 to kMaxStation); records of other stations are left out.
    void count(std::int64_t station);
    [[nodiscard]] bool counts(std::int64_t station) const { return stationOf(station) != nullptr; }
    [[nodiscard]] bool countsAny() const { return countsAny_; }
    [[nodiscard]] const StationTally* stationOf(std::int64_t station) const;
    void drop(std::int64_t station);
    void clear();

    // Takes in a record of a counted station; a record whose date cannot be read counts, but
    // adds no value.
    void fold(const RowView& row);
    // Takes in the tally of records that come after these; `later` is left empty.
    void merge(Tally&& later);

    // Writes the tally for a later run; reads one so written into this tally, which is cleared
    // first. False when the bytes are not such a tally: the tally is then to be cleared.
    void writeTo(SummaryWriter& out) const;
    [[nodiscard]] bool readFrom(SummaryReader& in);

    [[nodiscard]] const BucketSummary& summary() const { return summary_; }
    // The lowest key taken in; 0 before any.
    [[nodiscard]] Key firstKey() const { return firstKey_; }

  private:
    BucketSummary summary_;
    std::array<std::optional<StationTally>, kMaxStation + 1> stations_;
    bool countsAny_ = false;
    Key firstKey_ = 0;
    DateReader dates_;
};

}  // namespace trend
