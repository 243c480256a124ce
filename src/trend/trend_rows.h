#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

namespace trend {

// Keys number the records in the order they were appended: the rowid of the file, "序号" on a
// server. Records are appended in time order, so a key range is also a time range.
using Key = std::int64_t;

// "仪表编号" travels on the line as one byte: the trend knows stations 0 to kMaxStation, and
// leaves records of any other number out.
inline constexpr std::int64_t kMaxStation = 255;

// What the trend reads of one record. The texts stay valid only during the call that gets them.
struct RowView {
    Key key = 0;
    std::int64_t station = 0;  // "仪表编号"
    std::string_view date;     // "日期"
    std::string_view flow;     // "瞬时流量", number and unit as shown
    std::string_view total;    // "正向累计", number and unit as shown
};

using RowSink = std::function<void(const RowView&)>;

struct KeyBounds {
    Key first = 1;
    Key last = 0;
    [[nodiscard]] bool empty() const { return last < first; }
};

// The records with after < key <= upTo, of one station when `station` is given, at most `limit`.
struct RowRange {
    Key after = 0;
    Key upTo = 0;
    std::optional<std::int64_t> station;
    std::size_t limit = 0;
};

// The records store as the trend reads it, from a thread of its own with a connection of its own
// that never writes. A read holds the store only while its statement runs, so that the program
// logging into the store is never kept waiting for more than one read.
class TrendRows {
  public:
    virtual ~TrendRows() = default;

    // The lowest and the highest key; empty() when there is no record. None when the store cannot
    // be read.
    [[nodiscard]] virtual std::optional<KeyBounds> bounds() = 0;
    // Gives the records of the range to `sink` in key order; how many it gave (fewer than the
    // limit: the range is done). None when the store cannot be read.
    [[nodiscard]] virtual std::optional<std::size_t> read(const RowRange& range,
                                                          const RowSink& sink) = 0;
    // The most records one read should take: a read holds the store while it runs.
    [[nodiscard]] virtual std::size_t readLimit() const = 0;
    // Counts up whenever the store read is another one than before (a file put in place of the
    // old one): keys read before mean nothing now.
    [[nodiscard]] virtual std::uint64_t generation() const = 0;
};

// Makes the reader of the store, on the thread that is going to use it.
using TrendRowsMaker = std::function<std::unique_ptr<TrendRows>()>;

}  // namespace trend
