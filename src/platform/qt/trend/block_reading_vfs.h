#pragma once

#include <sqlite3.h>

#include <string>

namespace platform::qt {

// A way of SQLite's to reach files that reads the database file in blocks of many pages and
// hands out the pages of the block read last, for connections that read long runs of pages one
// by one, each of them a call to the system otherwise. The blocks kept are let go whenever the
// connection takes or gives up a lock, so that a page is never taken from a block read before
// another program could have written the file. A connection that may write, and other files
// (journals), reach the file as SQLite does.
//
// Registered under a name of its own while it lives; connections opened with that name
// (sqlite3_open_v2's last argument) use it. They must be closed before it goes.
class BlockReadingVfs {
  public:
    // Blocks of kBlockPages of the file's pages (4 KiB each in the program's files), at most
    // kBlocks of them kept: a read through an index takes pages of the index and of the table
    // by turns.
    static constexpr int kBlockBytes = 128 * 1024;
    static constexpr int kBlocks = 4;

    BlockReadingVfs();
    ~BlockReadingVfs();
    BlockReadingVfs(const BlockReadingVfs&) = delete;
    BlockReadingVfs& operator=(const BlockReadingVfs&) = delete;

    // None when it could not be registered: connections then go the usual way.
    [[nodiscard]] const char* name() const { return registered_ ? name_.c_str() : nullptr; }
    // The calls to the system that read the file, counted over every file opened through it.
    [[nodiscard]] long long systemReads() const { return systemReads_; }

    struct File;

  private:
    struct Calls;
    static int open(sqlite3_vfs* vfs, const char* name, sqlite3_file* file, int flags,
                    int* outFlags);

    sqlite3_vfs vfs_{};
    sqlite3_vfs* below_ = nullptr;
    std::string name_;
    bool registered_ = false;
    long long systemReads_ = 0;
};

}  // namespace platform::qt
