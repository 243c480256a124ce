// Day bounds are found by row order (a binary search over the keys), not by reading every
// record; what they take must be exactly what reading every record would take, on stores with
// gaps in their keys and records whose "日期" another tool wrote another way.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "fakes/fake_clock.h"
#include "file_store.h"
#include "records/sql/sqlite_dialect.h"
#include "sqlite_direct.h"
#include "store_dir.h"
#include "store_reading.h"

namespace {

using records_test::SqliteDirect;
using records_test::StoreDir;
using records_test::walkedKeys;

struct Row {
    std::int64_t key;
    std::int64_t station;
    std::optional<std::string> date;
};

// "日期" texts that are not the program's: no day can be read from them.
const char* const kOddDates[] = {
    nullptr,         "", "x", "10/10/2007/9:13", "20071010", "2007-10-1/9:00", "2007/10/11/1:00",
    "２００７-10-11"};

// Days 2007-10-08 to 2007-10-15, twenty records each, every seventh record odd and a few a
// number; then the records of 2007-10-12 and a few runs of keys deleted. The rows left, as the
// file holds them.
std::vector<Row> makeStore(SqliteDirect& db) {
    EXPECT_TRUE(db.exec("BEGIN"));
    for (int i = 0; i < 160; ++i) {
        std::string date =
            "2007-10-" + std::to_string(8 + i / 20) + "/" + std::to_string(i % 20) + ":00";
        if (date.size() < 15) {
            date.insert(8, "0");
        }
        if (i % 7 == 3) {
            const char* odd = kOddDates[(i / 7) % std::size(kOddDates)];
            date = odd ? odd : "NULL";
        }
        date = i % 29 == 5 ? "20071010" : date == "NULL" ? date : "'" + date + "'";
        EXPECT_TRUE(db.exec("INSERT INTO \"数据监测\" (rowid, \"仪表编号\", \"日期\") VALUES (" +
                            std::to_string(i + 1) + ", " + std::to_string(i % 4 + 1) + ", " + date +
                            ")"));
    }
    EXPECT_TRUE(db.exec("COMMIT"));
    EXPECT_TRUE(
        db.exec("DELETE FROM \"数据监测\" WHERE \"日期\" LIKE '2007-10-12%' OR rowid "
                "BETWEEN 30 AND 37 OR rowid BETWEEN 141 AND 150 OR rowid = 1"));
    std::vector<Row> rows;
    for (const auto& r : db.rows("SELECT rowid, \"仪表编号\", \"日期\" IS NULL, \"日期\" FROM "
                                 "\"数据监测\" ORDER BY rowid")) {
        rows.push_back({std::stoll(r[0]), std::stoll(r[1]),
                        r[2] == "1" ? std::nullopt : std::optional<std::string>(r[3])});
    }
    return rows;
}

bool readable(const std::optional<std::string>& date) {
    if (!date || date->size() < 10) {
        return false;
    }
    for (std::size_t i = 0; i < 10; ++i) {
        const char c = (*date)[i];
        if ((i == 4 || i == 7) ? c != '-' : !(c >= '0' && c <= '9')) {
            return false;
        }
    }
    return true;
}

bool passes(const records::RecordFilter& f, const Row& row) {
    if (row.key <= f.afterKey || (f.upToKey && row.key > *f.upToKey) ||
        (f.station && row.station != *f.station)) {
        return false;
    }
    if (!f.fromDate && !f.toDate) {
        return true;
    }
    if (!readable(row.date)) {
        return false;
    }
    const std::string day = row.date->substr(0, 10);
    return (!f.fromDate || day >= *f.fromDate) && (!f.toDate || day <= *f.toDate);
}

records::RecordFilter filter(std::optional<std::string> from, std::optional<std::string> to,
                             std::optional<std::uint8_t> station = std::nullopt,
                             std::int64_t afterKey = 0,
                             std::optional<std::int64_t> upToKey = std::nullopt) {
    records::RecordFilter f;
    f.fromDate = std::move(from);
    f.toDate = std::move(to);
    f.station = station;
    f.afterKey = afterKey;
    f.upToKey = upToKey;
    return f;
}

TEST(DayBounds, TakeWhatReadingEveryRecordTakes) {
    StoreDir dir;
    ASSERT_TRUE(dir.createStore());
    std::vector<Row> rows;
    {
        SqliteDirect db(dir.path());
        rows = makeStore(db);
    }
    fakes::FakeClock clock;
    const auto store = records_test::fileStore(clock, records::sql::SqliteDialect::Role::Reading);
    const records::RecordFilter filters[] = {
        filter("2007-10-10", std::nullopt),
        filter(std::nullopt, "2007-10-10"),
        filter("2007-10-09", "2007-10-11"),
        filter("2007-10-11", "2007-10-11"),
        filter("2007-10-12", "2007-10-12"),  // every record of that day deleted
        filter("2007-10-12", "2007-10-13"),
        filter("2007-10-08", "2007-10-08"),  // the first day, its first key deleted
        filter("2007-10-15", "2007-10-15"),  // the last day, keys deleted at its end
        filter("2007-10-01", "2007-10-31"),
        filter("2007-09-01", "2007-09-30"),  // before every record
        filter("2007-11-01", std::nullopt),  // after every record
        filter("2007-10-13", "2007-10-10"),  // from after to
        filter("2007-10-10", "2007-10-14", 3),
        filter("2007-10-10", std::nullopt, std::nullopt, 70),
        filter(std::nullopt, "2007-10-14", 2, 40, 120),
        filter("2007-10-1", "2007-10-1"),  // a shorter text than a day
        filter(std::nullopt, std::nullopt, 4, 10, 90),
    };
    for (const records::RecordFilter& f : filters) {
        SCOPED_TRACE(f.fromDate.value_or("-") + " .. " + f.toDate.value_or("-") + " station " +
                     std::to_string(f.station.value_or(0)) + " keys " + std::to_string(f.afterKey) +
                     ".." + std::to_string(f.upToKey.value_or(-1)));
        std::vector<std::int64_t> expected;
        for (const Row& row : rows) {
            if (passes(f, row)) {
                expected.push_back(row.key);
            }
        }
        EXPECT_EQ(walkedKeys(*store, f), expected);
        EXPECT_EQ(store->count(f), static_cast<std::int64_t>(expected.size()));
        const auto newest = store->newest(f, 3);
        ASSERT_TRUE(newest);
        std::vector<std::int64_t> newestKeys;
        for (const records::StoredRecord& record : *newest) {
            newestKeys.push_back(record.key);
        }
        const std::vector<std::int64_t> lastThree(
            expected.end() - static_cast<std::ptrdiff_t>(std::min<std::size_t>(3, expected.size())),
            expected.end());
        EXPECT_EQ(newestKeys, lastThree);
    }
}

TEST(DayBounds, AStoreWithoutReadableDaysOrWithoutRecordsGivesNothing) {
    StoreDir dir;
    ASSERT_TRUE(dir.createStore());
    fakes::FakeClock clock;
    const auto store = records_test::fileStore(clock, records::sql::SqliteDialect::Role::Reading);
    const records::RecordFilter days = filter("2007-10-10", "2007-10-11");
    EXPECT_EQ(walkedKeys(*store, days), std::vector<std::int64_t>{});
    EXPECT_EQ(store->count(days), 0);
    {
        SqliteDirect db(dir.path());
        for (const char* odd : {"10/10/2007/9:13", "x", "2007/10/10/9:13"}) {
            ASSERT_TRUE(
                db.exec(std::string("INSERT INTO \"数据监测\" (\"日期\") VALUES ('") + odd + "')"));
        }
    }
    EXPECT_EQ(walkedKeys(*store, days), std::vector<std::int64_t>{});
    EXPECT_EQ(store->count(days), 0);
    EXPECT_EQ(store->count({}), 3);
}

}  // namespace
