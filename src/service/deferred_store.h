#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "records/store.h"

namespace service {

// A records store as it is opened, and what there is to say about it once.
struct OpenedStore {
    std::unique_ptr<records::Store> store;
    std::string notice;         // e.g. "已创建记录文件 kvt97.mdb"; empty: nothing to say
    std::string noticeEnglish;  // the same for standard error
};

// A records store that is opened (and its file made, when missing) at its first use, so that
// the serial port opens and polling starts before the store's file is touched. Every operation
// and the notice open it; from then on everything is the opened store's own.
class DeferredStore final : public records::Store {
  public:
    using Opener = std::function<OpenedStore()>;

    explicit DeferredStore(Opener open);

    [[nodiscard]] const std::string& notice() const { return opened().notice; }
    [[nodiscard]] const std::string& noticeEnglish() const { return opened().noticeEnglish; }

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
    const OpenedStore& opened() const;

    mutable Opener open_;
    mutable OpenedStore opened_;
};

}  // namespace service
