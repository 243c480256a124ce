// The trend's way to the SQLite file: its pages read in blocks, and never one older than the file.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "platform/qt/trend/block_reading_vfs.h"
#include "records/sqlite_direct.h"
#include "records/store_dir.h"

namespace {

using platform::qt::BlockReadingVfs;
using records_test::SqliteDirect;

std::string text(SqliteDirect& db, const std::string& sql) {
    const auto rows = db.rows(sql);
    return rows.empty() || rows[0].empty() ? "(none)" : rows[0][0];
}

// A reader through the blocks, and a writer the usual way that changes a page the reader holds
// in a block, appends, and (in write-ahead mode) perhaps moves the log into the file, between
// two reads.
TEST(BlockReadingVfs, ReadsWhatTheFileHoldsAfterEveryWriteWithFewerSystemReads) {
    const struct {
        const char* name;
        const char* journal;
        bool checkpoint;
    } cases[] = {
        {"rollback journal", "DELETE", false},
        {"write-ahead log", "WAL", false},
        {"write-ahead log moved into the file", "WAL", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const records_test::StoreDir dir;
        const std::string path = dir.path("blocks.db");
        SqliteDirect writer(path);
        ASSERT_TRUE(writer.exec(std::string("PRAGMA journal_mode=") + c.journal));
        ASSERT_TRUE(writer.exec("CREATE TABLE t (id INTEGER PRIMARY KEY, k TEXT, v TEXT)"));
        ASSERT_TRUE(writer.exec(
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000) "
            "INSERT INTO t SELECT i, printf('%0200d', i), printf('%0400d', i) FROM n"));
        ASSERT_TRUE(writer.exec("CREATE INDEX tk ON t (k)"));
        ASSERT_TRUE(writer.exec("PRAGMA wal_checkpoint(TRUNCATE)"));
        const std::int64_t pages = writer.number("PRAGMA page_count");
        ASSERT_GT(pages, 250);

        const BlockReadingVfs vfs;
        ASSERT_NE(vfs.name(), nullptr);
        SqliteDirect reader(path, SQLITE_OPEN_READONLY, vfs.name());
        ASSERT_TRUE(reader.ok());
        // Pages are not kept between reads, as in a file much larger than the connection's cache.
        ASSERT_TRUE(reader.exec("PRAGMA cache_size = 8"));
        // Through an index of several blocks: its pages and the table's by turns.
        EXPECT_EQ(text(reader,
                       "SELECT count(*) || ' ' || sum(length(v)) FROM t INDEXED BY tk "
                       "WHERE k > ''"),
                  "2000 800000");
        // About one for each block of 32 pages: each of its pages comes from the block.
        EXPECT_LT(vfs.systemReads(), pages / 32 + 8) << "of " << pages << " pages";
        EXPECT_EQ(text(reader, "SELECT substr(v, 398) FROM t WHERE id = 3"), "003");

        ASSERT_TRUE(writer.exec("UPDATE t SET v = 'changed' WHERE id = 3"));
        ASSERT_TRUE(writer.exec("INSERT INTO t VALUES (2001, 'k', 'appended')"));
        if (c.checkpoint) {
            ASSERT_TRUE(writer.exec("PRAGMA wal_checkpoint(TRUNCATE)"));
        }
        EXPECT_EQ(text(reader, "SELECT group_concat(v, ' ') FROM t WHERE id IN (3, 2001)"),
                  "changed appended");
    }
}

// The calls about no one file (a busy connection's sleep, the time, paths, names for temporary
// files, extensions) go to the way below and come back as its own.
TEST(BlockReadingVfs, PassesTheCallsAboutNoFileToTheWayBelow) {
    const BlockReadingVfs blocks;
    sqlite3_vfs* const vfs = sqlite3_vfs_find(blocks.name());
    sqlite3_vfs* const below = sqlite3_vfs_find(nullptr);
    ASSERT_TRUE(vfs && below && vfs != below);
    const records_test::StoreDir dir;
    const std::string there = dir.path("there.db");
    ASSERT_TRUE(SqliteDirect(there).exec("CREATE TABLE t (a)"));
    char mine[512] = {};
    char theirs[512] = {};
    ASSERT_EQ(vfs->xFullPathname(vfs, "there.db", sizeof mine, mine), SQLITE_OK);
    ASSERT_EQ(below->xFullPathname(below, "there.db", sizeof theirs, theirs), SQLITE_OK);
    EXPECT_STREQ(mine, theirs);
    EXPECT_EQ(vfs->xRandomness(vfs, 16, mine), below->xRandomness(below, 16, theirs));
    EXPECT_EQ(vfs->xSleep(vfs, 1000), below->xSleep(below, 1000));
    EXPECT_EQ(vfs->xGetLastError(vfs, 0, mine), below->xGetLastError(below, 0, theirs));
    double days[2] = {};
    sqlite3_int64 ms[2] = {};
    ASSERT_EQ(vfs->xCurrentTime(vfs, &days[0]), below->xCurrentTime(below, &days[1]));
    ASSERT_EQ(vfs->xCurrentTimeInt64(vfs, &ms[0]), below->xCurrentTimeInt64(below, &ms[1]));
    EXPECT_LT(std::abs(days[0] - days[1]) * 86400 + std::abs(ms[0] - ms[1]) / 1000.0, 5.0);

    void* library = vfs->xDlOpen(vfs, "libsqlite3.so.0");
    ASSERT_NE(library, nullptr);
    EXPECT_NE(vfs->xDlSym(vfs, library, "sqlite3_libversion"), nullptr);
    vfs->xDlClose(vfs, library);
    EXPECT_EQ(vfs->xDlOpen(vfs, "no-such-library.so"), nullptr);
    vfs->xDlError(vfs, sizeof mine, mine);
    EXPECT_STRNE(mine, "");

    int exists[2] = {-1, -1};
    ASSERT_EQ(vfs->xAccess(vfs, there.c_str(), SQLITE_ACCESS_EXISTS, &exists[0]), SQLITE_OK);
    EXPECT_EQ(vfs->xDelete(vfs, there.c_str(), 0), SQLITE_OK);
    ASSERT_EQ(vfs->xAccess(vfs, there.c_str(), SQLITE_ACCESS_EXISTS, &exists[1]), SQLITE_OK);
    EXPECT_EQ(exists[0], 1);
    EXPECT_EQ(exists[1], 0);
}

}  // namespace
