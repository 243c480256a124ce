#pragma once

#include <QString>

#include <memory>

#include "trend/summary_shelf.h"

namespace platform::qt {

// Keeps a trend summary in a file of its own, written whole under a temporary name and then put
// in place of the old one.
class FileSummaryShelf final : public trend::SummaryShelf {
  public:
    explicit FileSummaryShelf(QString fileName);

    [[nodiscard]] bool load(const std::function<bool(const trend::ByteSource&)>& read) override;
    [[nodiscard]] bool save(const std::function<bool(const trend::ByteSink&)>& write) override;

  private:
    const QString fileName_;
};

// The shelf of the summary of the records file `store`: a file in the user's cache directory
// ("tuskocp/trend" under it), named after the store's absolute path. None without a cache
// directory.
std::unique_ptr<trend::SummaryShelf> summaryShelfOf(const QString& store);

}  // namespace platform::qt
