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
class FakeStore final : public records::Store {
  public:
    std::vector<records::StoredRecord> records;
    std::vector<records::MeasurementRecord> appended;
    records::StoreHealth health_;
    int appendCalls = 0;

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
// it under one lock. While reads are held (hold()), every call of a made store waits until
// release(), as on a server that does not answer. The shared state lives as long as the last
// made store, so a thread that ends after the test still finds it.
class SharedFakeStore {
  public:
    // Runs `use` on the shared store under the lock.
    template <typename Use>
    auto with(Use use) {
        std::lock_guard<std::mutex> lock(inner_->mutex);
        return use(inner_->store);
    }

    void hold() {
        std::lock_guard<std::mutex> lock(inner_->mutex);
        inner_->held = true;
    }
    void release() {
        {
            std::lock_guard<std::mutex> lock(inner_->mutex);
            inner_->held = false;
        }
        inner_->released.notify_all();
    }
    // How many calls wait because reads are held.
    int waiting() const {
        std::lock_guard<std::mutex> lock(inner_->mutex);
        return inner_->waiting;
    }
    // How many stores were made, and how many calls of each kind they had.
    int made() const { return counted(&Inner::made); }
    int newestCalls() const { return counted(&Inner::newestCalls); }
    int clearCalls() const { return counted(&Inner::clearCalls); }
    int walkCalls() const { return counted(&Inner::walkCalls); }
    // The filters of the reads, newest() and walk() alike, in their order.
    std::vector<records::RecordFilter> filters() const {
        std::lock_guard<std::mutex> lock(inner_->mutex);
        return inner_->filters;
    }
    // While false, the maker makes no store.
    void setMaking(bool making) {
        std::lock_guard<std::mutex> lock(inner_->mutex);
        inner_->making = making;
    }

    records::StoreMaker maker() {
        return [inner = inner_]() -> std::unique_ptr<records::Store> {
            std::lock_guard<std::mutex> lock(inner->mutex);
            if (!inner->making) {
                return nullptr;
            }
            ++inner->made;
            return std::make_unique<Made>(inner);
        };
    }

  private:
    struct Inner {
        mutable std::mutex mutex;
        std::condition_variable released;
        FakeStore store;
        bool held = false;
        bool making = true;
        int waiting = 0;
        int made = 0;
        int newestCalls = 0;
        int clearCalls = 0;
        int walkCalls = 0;
        std::vector<records::RecordFilter> filters;
    };

    class Made final : public records::Store {
      public:
        explicit Made(std::shared_ptr<Inner> inner) : inner_(std::move(inner)) {}
        bool append(const records::MeasurementRecord& record) override {
            return call([&] { return inner_->store.append(record); });
        }
        std::optional<std::vector<records::StoredRecord>> newest(
            const records::RecordFilter& filter, std::size_t limit) override {
            return call([&] {
                ++inner_->newestCalls;
                inner_->filters.push_back(filter);
                return inner_->store.newest(filter, limit);
            });
        }
        std::optional<std::int64_t> count(const records::RecordFilter& filter) override {
            return call([&] { return inner_->store.count(filter); });
        }
        bool walk(const records::RecordFilter& filter, const records::RecordSink& sink) override {
            return call([&] {
                ++inner_->walkCalls;
                inner_->filters.push_back(filter);
                return inner_->store.walk(filter, sink);
            });
        }
        bool clear() override {
            return call([&] {
                ++inner_->clearCalls;
                return inner_->store.clear();
            });
        }
        records::StoreHealth health() const override {
            std::lock_guard<std::mutex> lock(inner_->mutex);
            return inner_->store.health();
        }

      private:
        template <typename Call>
        std::invoke_result_t<Call> call(Call use) {
            std::unique_lock<std::mutex> lock(inner_->mutex);
            ++inner_->waiting;
            inner_->released.wait(lock, [&] { return !inner_->held; });
            --inner_->waiting;
            return use();
        }

        std::shared_ptr<Inner> inner_;
    };

    int counted(int Inner::*count) const {
        std::lock_guard<std::mutex> lock(inner_->mutex);
        return (*inner_).*count;
    }

    std::shared_ptr<Inner> inner_ = std::make_shared<Inner>();
};

}  // namespace fakes
