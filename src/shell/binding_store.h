#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/records_binding.h"
#include "records/records_store.h"
#include "records/store.h"

namespace shell {

// The records store of the working directory seen through a records binding: appends, reads and
// walks as records::Store, and whether the last append stored its record.
class BindingStore final : public records::Store {
  public:
    BindingStore(platform::RecordsBinding& binding, platform::Clock& clock)
        : binding_(binding), clock_(clock) {}

    [[nodiscard]] bool append(const records::MeasurementRecord& record) override {
        if (!open()) {
            return false;
        }
        const std::array<platform::FieldValue, records::kFieldCount> values = {
            std::int64_t{record.station},
            record.date,
            record.diameter,
            record.flow,
            record.percent,
            record.rangeRatio,
            record.velocity,
            record.forwardTotal,
            record.reverseTotal,
            record.alarm};
        bool stored = binding_.addNew();
        for (std::size_t i = 0; stored && i < values.size(); ++i) {
            stored = binding_.setField(records::kFieldNames[i], values[i]);
        }
        stored = stored && binding_.update();
        if (!stored) {
            // The next append opens the store afresh.
            opened_ = false;
            fail("the record could not be stored");
            return false;
        }
        (void)binding_.refresh();
        health_ = records::StoreHealth{};
        health_.lastStoredMsecs = clock_.msecsSinceEpoch();
        return true;
    }

    [[nodiscard]] std::optional<std::vector<records::StoredRecord>> newest(
        const records::RecordFilter& filter, std::size_t limit) override {
        std::deque<records::StoredRecord> kept;
        const bool walked = walk(filter, [&](std::int64_t key, const records::RecordView& view) {
            records::StoredRecord& record = kept.emplace_back();
            record.key = key;
            for (std::size_t i = 0; i < view.size(); ++i) {
                record.fields[i] = std::string(view[i]);
            }
            if (kept.size() > limit) {
                kept.pop_front();
            }
            return true;
        });
        if (!walked) {
            return std::nullopt;
        }
        return std::vector<records::StoredRecord>(kept.begin(), kept.end());
    }

    [[nodiscard]] std::optional<std::int64_t> count(const records::RecordFilter& filter) override {
        std::int64_t counted = 0;
        if (!walk(filter, [&counted](std::int64_t, const records::RecordView&) {
                ++counted;
                return true;
            })) {
            return std::nullopt;
        }
        return counted;
    }

    [[nodiscard]] bool walk(const records::RecordFilter& filter,
                            const records::RecordSink& sink) override {
        if (!open()) {
            return false;
        }
        platform::RowFilter rows;
        if (filter.station) {
            rows.station = *filter.station;
        }
        rows.fromDate = filter.fromDate;
        rows.toDate = filter.toDate;
        rows.afterKey = filter.afterKey;
        const std::vector<std::string> fields(records::kFieldNames.begin(),
                                              records::kFieldNames.end());
        return binding_.forEachRow(
            rows, fields, [&](std::int64_t key, const std::vector<std::string>& texts) {
                if ((filter.upToKey && key > *filter.upToKey) || texts.size() != fields.size()) {
                    return false;
                }
                records::RecordView view;
                for (std::size_t i = 0; i < view.size(); ++i) {
                    view[i] = texts[i];
                }
                return sink(key, view);
            });
    }

    [[nodiscard]] bool clear() override { return open() && binding_.deleteAll(); }

    [[nodiscard]] records::StoreHealth health() const override { return health_; }

  private:
    bool open() {
        if (!opened_) {
            opened_ = records::openStore(binding_);
        }
        if (!opened_) {
            fail("the records store cannot be opened");
        }
        return opened_;
    }
    void fail(const std::string& why) {
        health_.problem = records::StoreProblem::Other;
        health_.detail = why;
    }

    platform::RecordsBinding& binding_;
    platform::Clock& clock_;
    bool opened_ = false;
    records::StoreHealth health_;
};

}  // namespace shell
