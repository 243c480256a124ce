#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>

#include "records/sql/file_identity.h"
#include "trend/trend_rows.h"

struct sqlite3;
struct sqlite3_stmt;

namespace platform::qt {

class BlockReadingVfs;

// The trend's reader of the SQLite file, through a read-only connection of its own. Each read is
// one statement over a range of rowids, done before the next begins, so that the program's
// logging finds the file free between reads. The file is opened again when another file has been
// put under its name (generation() then counts up); a missing file fails every read until it is
// there.
class SqliteTrendRows final : public trend::TrendRows {
  public:
    // A writer holding the file is waited for this long before a read gives up.
    static constexpr int kBusyTimeoutMs = 2000;
    // The records of one read: about a millisecond of a processor's time, so that the program's
    // logging, which waits 50 ms for the file, finds it free even while this thread, which runs
    // below the others, waits for a processor in the middle of a read.
    static constexpr std::size_t kReadLimit = 1024;

    explicit SqliteTrendRows(const QString& fileName);
    ~SqliteTrendRows() override;
    SqliteTrendRows(const SqliteTrendRows&) = delete;
    SqliteTrendRows& operator=(const SqliteTrendRows&) = delete;

    [[nodiscard]] std::optional<trend::KeyBounds> bounds() override;
    [[nodiscard]] std::optional<std::size_t> read(const trend::RowRange& range,
                                                  const trend::RowSink& sink) override;
    [[nodiscard]] std::size_t readLimit() const override { return kReadLimit; }
    [[nodiscard]] std::uint64_t generation() const override { return generation_; }

  private:
    bool open();
    void close();

    const QString fileName_;
    // The file's pages are read in blocks: a read through the station index takes every page.
    const std::unique_ptr<BlockReadingVfs> vfs_;
    sqlite3* db_ = nullptr;
    sqlite3_stmt* bounds_ = nullptr;
    sqlite3_stmt* all_ = nullptr;      // every station's records of a rowid range
    sqlite3_stmt* station_ = nullptr;  // one station's, through the station index
    std::optional<records::sql::FileIdentity> openedIdentity_;
    std::uint64_t generation_ = 0;
};

}  // namespace platform::qt
