#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "trend/decimation.h"
#include "trend/trend_rows.h"

namespace trend {

class SummaryReader;
class SummaryWriter;

enum Quantity { kFlow = 0, kTotal = 1 };
inline constexpr int kQuantities = 2;

// Each station's records summed up in buckets of a fixed number of minutes, and again in buckets
// kCoarseFactor times as long: per quantity the extent of its records (values kept as float,
// minutes exact). For all stations together it keeps the lowest and highest key of each bucket.
// A view whose columns span at least a bucket is drawn from the buckets alone (the coarse ones
// when its columns span at least one of those); the keys of a bucket find its records for a
// closer view.
class BucketSummary {
  public:
    static constexpr Minute kCoarseFactor = 16;

    explicit BucketSummary(Minute bucketMinutes);

    [[nodiscard]] Minute bucketMinutes() const { return bucketMinutes_; }

    // The values of a record by quantity; none where its text was blank.
    using Values = std::array<std::optional<double>, kQuantities>;
    // Notes a record of `key` at `minute` with its values, of a station 0 to kMaxStation.
    void add(Key key, std::int64_t station, Minute minute, const Values& values);

    // The station's records of the quantity in the grid's columns; the grid's columns span at
    // least a bucket. A bucket goes to the column of its first record (of its last when the first
    // lies before the grid).
    [[nodiscard]] std::vector<Extent> columns(std::int64_t station, Quantity quantity,
                                              const TimeGrid& grid) const;
    // The first and last minute of the station's values; none without any.
    [[nodiscard]] std::optional<std::pair<Minute, Minute>> span(std::int64_t station) const;
    // The lowest and highest key of the records noted in buckets that meet [from, to].
    [[nodiscard]] std::optional<std::pair<Key, Key>> keysBetween(Minute from, Minute to) const;

    // Takes in the summary of records that come after these.
    void merge(BucketSummary&& later);
    void drop(std::int64_t station);
    void clear();
    // What the summary takes in memory, near enough.
    [[nodiscard]] std::size_t bytes() const;

    // Writes the summary for a later run; reads one so written into this summary, empty and of
    // the same bucket length. False when the bytes are not such a summary: the summary is then
    // to be cleared.
    void writeTo(SummaryWriter& out) const;
    [[nodiscard]] bool readFrom(SummaryReader& in);

  private:
    static constexpr std::uint16_t kNone = 0xFFFF;
    struct Compact {
        float low = 0;
        float high = 0;
        float first = 0;
        float last = 0;
        std::uint16_t firstOffset = kNone;  // minutes after the bucket's start
        std::uint16_t lastOffset = kNone;
    };
    using Bucket = std::array<Compact, kQuantities>;
    // Takes `later` (records after those of `into`) into `into`.
    static void merge(Compact& into, const Compact& later);
    // Takes in a value `offset` minutes after the bucket's start, later than those in `into`.
    static void add(Compact& into, float value, std::uint16_t offset);
    // The lowest and highest key of a bucket's records.
    struct KeyPair {
        Key first = 0;
        Key second = 0;
    };
    // Items by bucket number, kept in pages of consecutive buckets: a record whose clock was far
    // off costs one page, not every bucket between it and the others.
    template <typename Item>
    class Paged {
      public:
        static constexpr int kPageShift = 10;
        static constexpr std::int64_t kPageItems = std::int64_t{1} << kPageShift;
        // The item of the bucket, made (as `blank`) when there is none yet.
        Item& at(std::int64_t bucket, const Item& blank) {
            const std::int64_t number = bucket >> kPageShift;  // rounds down
            if (!last_ || number != lastNumber_) {
                turnTo(number, blank);
            }
            return (*last_)[static_cast<std::size_t>(bucket - number * kPageItems)];
        }
        // Calls fn(bucket, item) for the items of the buckets first to last that exist, in order.
        template <typename Fn>
        void forEach(std::int64_t first, std::int64_t last, Fn fn) const;
        [[nodiscard]] std::size_t pages() const { return pages_.size(); }
        void writeTo(SummaryWriter& out) const;
        [[nodiscard]] bool readFrom(SummaryReader& in);
        // Takes the pages of `later` in: a page this has not is moved over whole, the items of
        // one it has go through fn(item, laterItem).
        template <typename Fn>
        void absorb(Paged&& later, Fn fn);

      private:
        using Page = std::array<Item, kPageItems>;
        // Makes the page `number` the one used last, made first when there is none.
        void turnTo(std::int64_t number, const Item& blank);
        std::map<std::int64_t, std::unique_ptr<Page>> pages_;
        // The page used last: records in time order stay on one page for many buckets.
        std::int64_t lastNumber_ = 0;
        Page* last_ = nullptr;
    };

    struct Level {
        Minute minutes = 1;
        std::array<std::unique_ptr<Paged<Bucket>>, kMaxStation + 1> stations;  // by number
        [[nodiscard]] std::int64_t bucketOf(Minute minute) const;
        [[nodiscard]] Extent extentOf(const Compact& c, std::int64_t bucket) const;
        [[nodiscard]] const Paged<Bucket>* of(std::int64_t station) const;
        // Takes in a record's values at `minute`, in bucket `bucket` of this level.
        void add(std::size_t station, std::int64_t bucket, Minute minute, const Values& values);
    };

    Minute bucketMinutes_;
    std::array<Level, 2> levels_;  // fine, coarse
    Paged<KeyPair> keys_;
};

}  // namespace trend
