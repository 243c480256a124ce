#pragma once

#include <cstdint>
#include <memory>

#include "records/store.h"

namespace service {

// A records store that counts the records it stored in this run; everything else is the store's
// own.
class CountingStore final : public records::Store {
  public:
    explicit CountingStore(std::unique_ptr<records::Store> store) : store_(std::move(store)) {}

    [[nodiscard]] std::int64_t stored() const { return stored_; }

    [[nodiscard]] bool append(const records::MeasurementRecord& record) override;
    [[nodiscard]] std::vector<bool> appendAll(
        const std::vector<records::MeasurementRecord>& records) override;
    [[nodiscard]] std::optional<std::vector<records::StoredRecord>> newest(
        const records::RecordFilter& filter, std::size_t limit) override;
    [[nodiscard]] std::optional<std::int64_t> count(const records::RecordFilter& filter) override;
    [[nodiscard]] bool walk(const records::RecordFilter& filter,
                            const records::RecordSink& sink) override;
    [[nodiscard]] bool clear() override;
    [[nodiscard]] records::StoreHealth health() const override;

  private:
    std::unique_ptr<records::Store> store_;
    std::int64_t stored_ = 0;
};

}  // namespace service
