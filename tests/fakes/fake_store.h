#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <type_traits>
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
    std::vector<std::size_t> batches;  // the number of records of each appendAll()
    std::optional<std::int64_t> countAnswer;

    // A stored record made of a MeasurementRecord, as the real stores store it.
    static records::StoredRecord stored(std::int64_t key, const records::MeasurementRecord& r) {
        records::StoredRecord s;
        s.key = key;
        s.fields = {std::to_string(r.station),
                    r.date,
                    r.diameter,
                    r.flow,
                    r.percent,
                    r.rangeRatio,
                    r.velocity,
                    r.forwardTotal,
                    r.reverseTotal,
                    r.alarm};
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

    std::vector<bool> appendAll(const std::vector<records::MeasurementRecord>& batch) override {
        batches.push_back(batch.size());
        return Store::appendAll(batch);
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

// One FakeStore shared by the stores a maker makes for other threads: each made store works on
// it under one lock. The shared state lives as long as the last made store, so a thread that ends
// after the test still finds it.
class SharedFakeStore {
  public:
    struct State {
        FakeStore store;
        bool held = false;   // calls wait while true, as on a server that does not answer
        bool making = true;  // while false the maker makes no store
        int waiting = 0;     // calls that wait because they are held
        int made = 0;        // stores made
        std::vector<std::string> calls;              // "newest", "walk", "clear", in order
        std::vector<records::RecordFilter> filters;  // of newest() and walk(), in order
    };

    // Runs `use` on the shared state under the lock.
    template <typename Use>
    auto with(Use use) const {
        std::lock_guard<std::mutex> lock(inner_->mutex);
        return use(inner_->state);
    }
    int calls(const std::string& name) const {
        return with(
            [&](State& s) { return int(std::count(s.calls.begin(), s.calls.end(), name)); });
    }
    void release() {
        with([](State& s) { s.held = false; });
        inner_->released.notify_all();
    }

    records::StoreMaker maker() {
        return [inner = inner_]() -> std::unique_ptr<records::Store> {
            std::lock_guard<std::mutex> lock(inner->mutex);
            if (!inner->state.making) {
                return nullptr;
            }
            ++inner->state.made;
            return std::make_unique<Made>(inner);
        };
    }

  private:
    struct Inner {
        std::mutex mutex;
        std::condition_variable released;
        State state;
    };

    class Made final : public records::Store {
      public:
        explicit Made(std::shared_ptr<Inner> inner) : inner_(std::move(inner)) {}
        bool append(const records::MeasurementRecord& record) override {
            return call("append", nullptr, [&](FakeStore& s) { return s.append(record); });
        }
        std::optional<std::vector<records::StoredRecord>> newest(
            const records::RecordFilter& filter, std::size_t limit) override {
            return call("newest", &filter, [&](FakeStore& s) { return s.newest(filter, limit); });
        }
        std::optional<std::int64_t> count(const records::RecordFilter& filter) override {
            return call("count", nullptr, [&](FakeStore& s) { return s.count(filter); });
        }
        bool walk(const records::RecordFilter& filter, const records::RecordSink& sink) override {
            return call("walk", &filter, [&](FakeStore& s) { return s.walk(filter, sink); });
        }
        bool clear() override {
            return call("clear", nullptr, [](FakeStore& s) { return s.clear(); });
        }
        records::StoreHealth health() const override {
            std::lock_guard<std::mutex> lock(inner_->mutex);
            return inner_->state.store.health();
        }

      private:
        template <typename Use>
        std::invoke_result_t<Use, FakeStore&> call(const char* name,
                                                   const records::RecordFilter* filter, Use use) {
            std::unique_lock<std::mutex> lock(inner_->mutex);
            State& state = inner_->state;
            ++state.waiting;
            inner_->released.wait(lock, [&] { return !state.held; });
            --state.waiting;
            state.calls.push_back(name);
            if (filter) {
                state.filters.push_back(*filter);
            }
            return use(state.store);
        }

        std::shared_ptr<Inner> inner_;
    };

    std::shared_ptr<Inner> inner_ = std::make_shared<Inner>();
};

}  // namespace fakes
