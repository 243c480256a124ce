#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "trend/trend_rows.h"

namespace fakes {

// Records in memory as the trend reads them. Keys count from 1 in the order of `append`; a test
// may leave holes or reorder by filling `records` itself. Setting `broken` makes every read fail;
// `beforeRead` runs at the start of every read (a writer appending meanwhile).
class FakeTrendRows final : public trend::TrendRows {
  public:
    struct Record {
        trend::Key key = 0;
        std::int64_t station = 0;
        std::string date;
        std::string flow;
        std::string total;
    };

    std::vector<Record> records;
    bool broken = false;
    std::uint64_t generation_ = 1;
    int reads = 0;
    std::vector<trend::RowRange> ranges;  // every range read, in order
    std::function<void()> beforeRead;

    void append(std::int64_t station, std::string date, std::string flow, std::string total) {
        const trend::Key key = records.empty() ? 1 : records.back().key + 1;
        records.push_back({key, station, std::move(date), std::move(flow), std::move(total)});
    }

    std::optional<trend::KeyBounds> bounds() override {
        if (broken) {
            return std::nullopt;
        }
        trend::KeyBounds found;
        for (const Record& r : records) {
            found.first = found.empty() ? r.key : std::min(found.first, r.key);
            found.last = found.empty() ? r.key : std::max(found.last, r.key);
        }
        return found;
    }

    std::optional<std::size_t> read(const trend::RowRange& range,
                                    const trend::RowSink& sink) override {
        ++reads;
        ranges.push_back(range);
        if (beforeRead) {
            beforeRead();
        }
        if (broken) {
            return std::nullopt;
        }
        std::vector<const Record*> found;
        for (const Record& r : records) {
            if (r.key > range.after && r.key <= range.upTo &&
                (!range.station || r.station == *range.station)) {
                found.push_back(&r);
            }
        }
        std::sort(found.begin(), found.end(),
                  [](const Record* a, const Record* b) { return a->key < b->key; });
        if (found.size() > range.limit) {
            found.resize(range.limit);
        }
        for (const Record* r : found) {
            sink({r->key, r->station, r->date, r->flow, r->total});
        }
        return found.size();
    }

    std::size_t readLimit() const override { return 4096; }
    std::uint64_t generation() const override { return generation_; }
};

}  // namespace fakes
