#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "append_child_run.h"
#include "sqlite_direct.h"
#include "store_dir.h"

namespace {

using records_test::SqliteDirect;
using records_test::StoreDir;
using Rows = std::vector<std::vector<std::string>>;

// A program killed at any moment while it appends leaves a sound file holding every record whose
// append returned, and none twice. Each run appends its own day.
TEST(StoreDurability, KillWhileAppendingLosesNoRecordAndStoresNoneTwice) {
    StoreDir dir;
    std::mt19937 random(20071010);
    long long stored = 0;
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const long long printed =
            records_test::killWhileAppending(dir.path("."), round + 1, random);
        ASSERT_GE(printed, records_test::kAppendsBeforeKill);

        SqliteDirect db(dir.path());
        EXPECT_EQ(db.rows("PRAGMA integrity_check"), Rows{{"ok"}});
        const long long now = db.number("SELECT count(*) FROM \"数据监测\"");
        EXPECT_GE(now, stored + printed);
        EXPECT_LE(now, stored + printed + 1) << "at most the append cut short may have been kept";
        EXPECT_EQ(db.rows("SELECT \"日期\" FROM \"数据监测\" GROUP BY 1 HAVING count(*) > 1"),
                  Rows{});
        stored = now;
    }
}

}  // namespace
