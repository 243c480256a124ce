#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "records/store.h"

namespace fakes {

// An in-memory records store. Records keep their append order; keys count from 1. A test makes
// it fail by setting `health` to a problem: appends and reads then fail until it is ok again.
// Every appended record is also kept in `appended`, including the ones a failure refused.
// With `countAnswer` set, count() answers that, as a store of that many records would.
class FakeStore final : public records::Store {
  public:
    std::vector<records::StoredRecord> records;
    std::vector<records::MeasurementRecord> appended;
    records::StoreHealth health_;
    int appendCalls = 0;
    std::optional<std::int64_t> countAnswer;

    // A stored record made of a MeasurementRecord, as the real stores store it.
    static records::StoredRecord stored(std::int64_t key, const records::MeasurementRecord& r) {
        records::StoredRecord s;
        s.key = key;
        s.fields = {std::to_string(r.station), r.date,         r.diameter,     r.flow,
                    r.percent,                 r.rangeRatio,   r.velocity,     r.forwardTotal,
                    r.reverseTotal,            r.alarm};
        return s;
    }

    bool append(const records::MeasurementRecord& record) override {
        ++appendCalls;
        appended.push_back(record);
        if (!health_.ok()) {
            return false;
        }
        records.push_back(stored(nextKey_++, record));
        return true;
    }

    std::optional<std::vector<records::StoredRecord>> newest(const records::RecordFilter& filter,
                                                             std::size_t limit) override {
        if (!health_.ok()) {
            return std::nullopt;
        }
        std::vector<records::StoredRecord> found;
        for (auto it = records.rbegin(); it != records.rend() && found.size() < limit; ++it) {
            if (passes(filter, *it)) {
                found.push_back(*it);
            }
        }
        std::reverse(found.begin(), found.end());
        return found;
    }

    std::optional<std::int64_t> count(const records::RecordFilter& filter) override {
        if (!health_.ok()) {
            return std::nullopt;
        }
        if (countAnswer) {
            return countAnswer;
        }
        return std::count_if(records.begin(), records.end(),
                             [&](const records::StoredRecord& r) { return passes(filter, r); });
    }

    bool walk(const records::RecordFilter& filter, const records::RecordSink& sink) override {
        if (!health_.ok()) {
            return false;
        }
        for (const records::StoredRecord& r : records) {
            if (!passes(filter, r)) {
                continue;
            }
            records::RecordView view;
            for (std::size_t i = 0; i < view.size(); ++i) {
                view[i] = r.fields[i];
            }
            if (!sink(r.key, view)) {
                break;
            }
        }
        return true;
    }

    bool clear() override {
        if (!health_.ok()) {
            return false;
        }
        records.clear();
        return true;
    }

    records::StoreHealth health() const override { return health_; }

    static bool passes(const records::RecordFilter& filter, const records::StoredRecord& r) {
        const std::string day = r.fields[1].substr(0, 10);
        return r.key > filter.afterKey && (!filter.upToKey || r.key <= *filter.upToKey) &&
               (!filter.station || r.fields[0] == std::to_string(*filter.station)) &&
               (!filter.fromDate || day >= *filter.fromDate) &&
               (!filter.toDate || day <= *filter.toDate);
    }

  private:
    std::int64_t nextKey_ = 1;
};

}  // namespace fakes
