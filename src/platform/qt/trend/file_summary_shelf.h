#pragma once

#include <QString>

#include <memory>

#include "trend/summary_shelf.h"

namespace platform::qt {

// Keeps a trend summary in a file of its own, written whole under a temporary name and then put
// in place of the old one, without waiting for the disk.
class FileSummaryShelf final : public trend::SummaryShelf {
  public:
    // What the kept summaries in one folder may take together: a year of sixteen stations' takes
    // about 36 MiB.
    static constexpr qint64 kFolderBytes = qint64{512} << 20;

    // A summary kept in the file `fileName`. After a save, the other summaries of its folder
    // (files ending in ".summary", or in ".summary." and six characters for one left half
    // written) that were used longest ago are removed until the folder holds no more than
    // `folderBytes`; the one saved stays whatever its size. A load counts as a use.
    explicit FileSummaryShelf(QString fileName, qint64 folderBytes = kFolderBytes);

    [[nodiscard]] bool load(const std::function<bool(const trend::ByteSource&)>& read) override;
    [[nodiscard]] bool save(const std::function<bool(const trend::ByteSink&)>& write) override;

  private:
    void removeLongestUnused() const;

    const QString fileName_;
    const qint64 folderBytes_;
};

// The shelf of the summary of the records file `store`: a file in the user's cache directory
// ("tuskocp/trend" under it), named after the store's absolute path. None without a cache
// directory.
std::unique_ptr<trend::SummaryShelf> summaryShelfOf(const QString& store);

}  // namespace platform::qt
