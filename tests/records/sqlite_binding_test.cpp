#include "platform/qt/records/sqlite_records_binding.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QFile>
#include <QProcess>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "records/records_query.h"
#include "records/records_store.h"
#include "sample_records.h"
#include "sqlite_direct.h"
#include "store_dir.h"
#include "without_root.h"

namespace {

using platform::qt::SqliteRecordsBinding;
using records_test::recordNumber;
using records_test::selectTenFields;
using records_test::SqliteDirect;
using records_test::StoreDir;
using records_test::textsOf;
using records_test::WithoutRoot;
using Rows = std::vector<std::vector<std::string>>;

Rows expectedRows(int first, int last) {
    Rows rows;
    for (int n = first; n <= last; ++n) {
        rows.push_back(textsOf(recordNumber(n)));
    }
    return rows;
}

// Inserts records first..last with one transaction, as a quick way to a large store.
void fillDirectly(SqliteDirect& db, int first, int last) {
    ASSERT_TRUE(db.exec("BEGIN"));
    for (int n = first; n <= last; ++n) {
        const std::vector<std::string> t = textsOf(recordNumber(n));
        std::string sql = "INSERT INTO \"数据监测\" VALUES (" + t[0];
        for (std::size_t i = 1; i < t.size(); ++i) {
            sql += ",'" + t[i] + "'";
        }
        ASSERT_TRUE(db.exec(sql + ")"));
    }
    ASSERT_TRUE(db.exec("COMMIT"));
}

// The records table's columns as the store tool makes them: name and declared type.
const Rows kStoreColumns = {{"仪表编号", "INTEGER"}, {"日期", "TEXT"},     {"管径", "TEXT"},
                            {"瞬时流量", "TEXT"},    {"百分比", "TEXT"},   {"量程比", "TEXT"},
                            {"流速", "TEXT"},        {"正向累计", "TEXT"}, {"反向累计", "TEXT"},
                            {"报警状态", "TEXT"}};

Rows columnsOf(SqliteDirect& db) {
    return db.rows("SELECT name, type FROM pragma_table_info('数据监测')");
}

template <typename F>
double secondsFor(F&& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TEST(SqliteRecordsBinding, MissingFileStaysMissingAndEveryOperationFails) {
    StoreDir dir;
    SqliteRecordsBinding binding;

    EXPECT_FALSE(records::openStore(binding));
    records::appendRecord(binding, recordNumber(1));
    EXPECT_EQ(binding.beforeFirst(), std::nullopt);
    EXPECT_FALSE(binding.moveLast());
    EXPECT_EQ(binding.newestRows({"日期"}, 10), std::nullopt);
    EXPECT_FALSE(binding.deleteAll());
    EXPECT_FALSE(binding.refresh());

    EXPECT_TRUE(dir.entries().isEmpty()) << dir.entries().join(' ').toStdString();
}

TEST(SqliteRecordsBinding, FileThatAppearsLaterIsUsedFromThenOn) {
    StoreDir dir;
    SqliteRecordsBinding binding;
    EXPECT_FALSE(records::openStore(binding));

    ASSERT_TRUE(dir.createStore());
    records::appendRecord(binding, recordNumber(1));

    EXPECT_EQ(SqliteDirect(dir.path()).rows(selectTenFields("rowid")), expectedRows(1, 1));
    EXPECT_EQ(records::newestRecords(binding), expectedRows(1, 1));
}

TEST(SqliteRecordsBinding, MissingTableMakesEveryOperationFail) {
    StoreDir dir;
    ASSERT_TRUE(dir.createStore("CREATE TABLE other (a)"));
    SqliteRecordsBinding binding;

    EXPECT_FALSE(records::openStore(binding));
    records::appendRecord(binding, recordNumber(1));
    EXPECT_EQ(binding.beforeFirst(), std::nullopt);
    EXPECT_FALSE(binding.addNew());
    EXPECT_EQ(binding.newestRows({"日期"}, 10), std::nullopt);
    EXPECT_FALSE(binding.deleteAll());
    EXPECT_EQ(SqliteDirect(dir.path()).number("SELECT count(*) FROM sqlite_master"), 1);
}

// Stores made by other tools: any column order, extra columns, an integer key, no declared types.
TEST(SqliteRecordsBinding, WorksOnAnyTableWithTheTenFields) {
    const std::vector<std::string> schemas = {
        records::createTableStatement(),
        "CREATE TABLE \"数据监测\" (id INTEGER PRIMARY KEY, \"报警状态\" TEXT, 备注 TEXT, "
        "\"日期\" TEXT, \"仪表编号\" INTEGER, \"管径\", \"瞬时流量\", \"百分比\", \"量程比\", "
        "\"流速\", \"正向累计\", \"反向累计\")",
        "CREATE TABLE 数据监测(仪表编号,日期,管径,瞬时流量,百分比,量程比,流速,正向累计,反向累计,"
        "报警状态)",
    };
    for (const std::string& schema : schemas) {
        StoreDir dir;
        ASSERT_TRUE(dir.createStore(schema));
        SqliteRecordsBinding binding;
        ASSERT_TRUE(records::openStore(binding)) << schema;
        EXPECT_EQ(binding.beforeFirst(), true);

        for (int n = 1; n <= 3; ++n) {
            records::appendRecord(binding, recordNumber(n));
        }

        SqliteDirect db(dir.path());
        EXPECT_EQ(db.rows(selectTenFields("rowid")), expectedRows(1, 3)) << schema;
        EXPECT_EQ(db.rows("SELECT DISTINCT typeof(\"仪表编号\") FROM \"数据监测\""),
                  Rows{{"integer"}})
            << schema;
        EXPECT_EQ(records::newestRecords(binding), expectedRows(1, 3)) << schema;
    }
}

TEST(SqliteRecordsBinding, CursorStaysOnTheLastRowLeftInTheRecordSet) {
    StoreDir dir;
    ASSERT_TRUE(dir.createStore());
    SqliteRecordsBinding binding;
    ASSERT_TRUE(records::openStore(binding));
    EXPECT_FALSE(binding.moveLast()) << "an empty record set has no last row";
    EXPECT_EQ(binding.beforeFirst(), true);

    for (int n = 1; n <= 3; ++n) {
        records::appendRecord(binding, recordNumber(n));
    }
    EXPECT_EQ(binding.beforeFirst(), false) << "refresh goes to the last row";

    // Rows deleted by another connection drop out of the record set.
    SqliteDirect other(dir.path());
    ASSERT_TRUE(other.exec("DELETE FROM \"数据监测\" WHERE rowid = 3"));
    EXPECT_TRUE(binding.moveLast());
    EXPECT_EQ(binding.beforeFirst(), false);
    EXPECT_EQ(records::newestRecords(binding), expectedRows(1, 2));
    ASSERT_TRUE(other.exec("DELETE FROM \"数据监测\""));
    EXPECT_FALSE(binding.moveLast());
    EXPECT_EQ(binding.beforeFirst(), true);
}

TEST(SqliteRecordsBinding, NewestRowsSkipsGapsAndShowsForeignValuesAsText) {
    StoreDir dir;
    ASSERT_TRUE(dir.createStore());
    {
        SqliteDirect db(dir.path());
        fillDirectly(db, 1, 1500);
        ASSERT_TRUE(
            db.exec("DELETE FROM \"数据监测\" WHERE rowid BETWEEN 1400 AND 1409 OR rowid = 3"));
        // Values another tool may have left: a null and a number where texts are expected.
        ASSERT_TRUE(
            db.exec("UPDATE \"数据监测\" SET \"管径\" = NULL, \"流速\" = 2.5 WHERE rowid = 1500"));
    }
    SqliteRecordsBinding binding;
    ASSERT_TRUE(records::openStore(binding));

    const Rows newest = records::newestRecords(binding);
    Rows expected = expectedRows(491, 1399);
    const Rows tail = expectedRows(1410, 1500);
    expected.insert(expected.end(), tail.begin(), tail.end());
    expected.back()[2] = "";
    expected.back()[6] = "2.5";
    EXPECT_EQ(newest, expected);
    EXPECT_EQ(binding.newestRows({"日期"}, 0), Rows{});
    EXPECT_EQ(binding.newestRows({"日期", "missing"}, 10), std::nullopt);
}

TEST(SqliteRecordsBinding, RecordSetMembershipIsFixedByRefresh) {
    StoreDir dir;
    ASSERT_TRUE(dir.createStore());
    SqliteRecordsBinding binding;
    ASSERT_TRUE(records::openStore(binding));
    records::appendRecord(binding, recordNumber(1));

    SqliteDirect other(dir.path());
    fillDirectly(other, 2, 2);
    EXPECT_EQ(records::newestRecords(binding), expectedRows(1, 1));

    // A row added through the binding itself belongs to its record set at once.
    ASSERT_TRUE(binding.addNew());
    ASSERT_TRUE(binding.setField("仪表编号", std::int64_t{recordNumber(3).station}));
    EXPECT_FALSE(binding.setField("no such field", std::string("x")));
    ASSERT_TRUE(binding.update());
    EXPECT_FALSE(binding.update()) << "update without addNew";
    EXPECT_EQ(records::newestRecords(binding).size(), 3u);

    ASSERT_TRUE(binding.refresh());
    EXPECT_EQ(records::newestRecords(binding).size(), 3u);
}

TEST(SqliteRecordsBinding, NewRowKeepsAFieldsLastValueAndARefreshDropsIt) {
    StoreDir dir;
    ASSERT_TRUE(dir.createStore());
    SqliteRecordsBinding binding;
    ASSERT_TRUE(records::openStore(binding));

    ASSERT_TRUE(binding.addNew());
    ASSERT_TRUE(binding.setField("日期", std::string("first")));
    ASSERT_TRUE(binding.setField("日期", std::string("last")));
    ASSERT_TRUE(binding.update());

    ASSERT_TRUE(binding.addNew());
    ASSERT_TRUE(binding.refresh());
    EXPECT_FALSE(binding.setField("日期", std::string("dropped")));
    EXPECT_FALSE(binding.update());
    EXPECT_EQ(SqliteDirect(dir.path()).rows("SELECT \"日期\" FROM \"数据监测\""), Rows{{"last"}});
}

TEST(SqliteRecordsBinding, DeleteAllEmptiesTheTableAndAppendsGoOnInOrder) {
    StoreDir dir;
    ASSERT_TRUE(dir.createStore());
    {
        SqliteDirect db(dir.path());
        fillDirectly(db, 1, 2000);
    }
    SqliteRecordsBinding binding;
    ASSERT_TRUE(records::openStore(binding));

    records::clearRecords(binding);
    EXPECT_EQ(binding.beforeFirst(), true);
    EXPECT_EQ(SqliteDirect(dir.path()).number("SELECT count(*) FROM \"数据监测\""), 0);

    for (int n = 1; n <= 2; ++n) {
        records::appendRecord(binding, recordNumber(n));
    }
    EXPECT_EQ(records::newestRecords(binding), expectedRows(1, 2));
}

TEST(SqliteRecordsBinding, WalkTakesTheMatchingRowsOldestFirstWithGrowingKeys) {
    StoreDir dir;
    ASSERT_TRUE(dir.createStore());
    SqliteRecordsBinding binding;
    ASSERT_TRUE(records::openStore(binding));
    const char* const days[] = {"2007-10-09/23:59", "2007-10-10/0:00", "2007-10-10/9:13",
                                "2007-10-11/10:00", "2007-10-12/0:00"};
    for (int n = 0; n < 5; ++n) {
        records::MeasurementRecord record = recordNumber(n);
        record.station = n == 1 ? 2 : 1;
        record.date = days[n];
        records::appendRecord(binding, record);
    }
    platform::RowFilter filter;
    filter.station = 1;
    filter.fromDate = "2007-10-10";
    filter.toDate = "2007-10-11";
    std::vector<std::int64_t> keys;
    std::vector<std::string> flows;
    const auto collect = [&](std::int64_t key, const std::vector<std::string>& texts) {
        keys.push_back(key);
        flows.push_back(texts[0]);
        return true;
    };
    ASSERT_TRUE(binding.forEachRow(filter, {"瞬时流量"}, collect));
    EXPECT_EQ(flows, (std::vector<std::string>{"+2.5m3/h", "+3.5m3/h"}));
    ASSERT_EQ(keys.size(), 2U);
    EXPECT_LT(keys[0], keys[1]);

    filter = {};
    filter.afterKey = keys[0];
    flows.clear();
    ASSERT_TRUE(binding.forEachRow(filter, {"瞬时流量"}, collect));
    EXPECT_EQ(flows, (std::vector<std::string>{"+3.5m3/h", "+4.5m3/h"}));
    EXPECT_FALSE(binding.forEachRow({}, {"no such field"}, collect));
}

TEST(SqliteRecordsBinding, TwoBindingsShareTheStoreWithTheirOwnConnections) {
    StoreDir dir;
    ASSERT_TRUE(dir.createStore());
    auto data1 = std::make_unique<SqliteRecordsBinding>();
    SqliteRecordsBinding data2;
    ASSERT_TRUE(records::openStore(*data1));
    ASSERT_TRUE(records::openStore(data2));

    records::appendRecord(*data1, recordNumber(1));
    ASSERT_TRUE(data2.refresh());
    EXPECT_EQ(records::newestRecords(data2), expectedRows(1, 1));

    data1.reset();
    records::appendRecord(data2, recordNumber(2));
    EXPECT_EQ(records::newestRecords(data2), expectedRows(1, 2));
}

TEST(SqliteRecordsBinding, LockedFileFailsQuicklyAndRecovers) {
    StoreDir dir;
    ASSERT_TRUE(dir.createStore());
    SqliteDirect holder(dir.path());
    fillDirectly(holder, 1, 3);
    SqliteRecordsBinding binding;
    ASSERT_TRUE(records::openStore(binding));

    // A writer holding the reserved lock: reads go on, writes fail.
    ASSERT_TRUE(holder.exec("BEGIN IMMEDIATE"));
    double seconds = secondsFor([&] {
        EXPECT_TRUE(binding.refresh());
        EXPECT_EQ(records::newestRecords(binding), expectedRows(1, 3));
        records::appendRecord(binding, recordNumber(4));
        EXPECT_FALSE(binding.deleteAll());
    });
    EXPECT_LT(seconds, 1.0);
    ASSERT_TRUE(holder.exec("COMMIT"));
    EXPECT_EQ(holder.number("SELECT count(*) FROM \"数据监测\""), 3);

    // An exclusive lock: nothing can be read or written.
    ASSERT_TRUE(holder.exec("BEGIN EXCLUSIVE"));
    seconds = secondsFor([&] {
        EXPECT_FALSE(records::openStore(binding));
        records::appendRecord(binding, recordNumber(4));
        EXPECT_TRUE(records::newestRecords(binding).empty());
        records::clearRecords(binding);
    });
    EXPECT_LT(seconds, 1.0);
    ASSERT_TRUE(holder.exec("COMMIT"));

    EXPECT_TRUE(records::openStore(binding));
    records::appendRecord(binding, recordNumber(4));
    EXPECT_EQ(records::newestRecords(binding), expectedRows(1, 4));
}

TEST(SqliteRecordsBinding, ReadOnlyFileIsReadButNeverChanged) {
    StoreDir dir;
    ASSERT_TRUE(dir.createStore());
    {
        SqliteDirect db(dir.path());
        fillDirectly(db, 1, 3);
    }
    const std::string directory = dir.path(".");
    ASSERT_EQ(chmod(directory.c_str(), 0755), 0);
    ASSERT_EQ(chmod(dir.path().c_str(), 0444), 0);
    {
        WithoutRoot unprivileged;
        if (!unprivileged.effective() ||
            faccessat(AT_FDCWD, dir.path().c_str(), W_OK, AT_EACCESS) == 0) {
            GTEST_SKIP() << "this process can write to read-only files";
        }
        SqliteRecordsBinding binding;
        (void)records::openStore(binding);  // as the main window does, whatever comes of it
        const double seconds = secondsFor([&] {
            records::appendRecord(binding, recordNumber(4));
            records::clearRecords(binding);
            EXPECT_FALSE(binding.deleteAll());
        });
        EXPECT_LT(seconds, 1.0);
        EXPECT_EQ(records::newestRecords(binding), expectedRows(1, 3));
    }
    EXPECT_EQ(SqliteDirect(dir.path()).rows(selectTenFields("rowid")), expectedRows(1, 3));
}

TEST(Mkstore, CreatesAnEmptyStoreAndNeverOverwrites) {
    StoreDir dir;
    QProcess tool;
    tool.start(QStringLiteral(TUSKO_MKSTORE_PATH), {});
    ASSERT_TRUE(tool.waitForFinished());
    EXPECT_EQ(tool.exitCode(), 0);

    SqliteDirect db(dir.path());
    EXPECT_EQ(columnsOf(db), kStoreColumns);
    SqliteRecordsBinding binding;
    ASSERT_TRUE(records::openStore(binding));
    records::appendRecord(binding, recordNumber(1));

    tool.start(QStringLiteral(TUSKO_MKSTORE_PATH), {QStringLiteral("kvt97.mdb")});
    ASSERT_TRUE(tool.waitForFinished());
    EXPECT_EQ(tool.exitCode(), 1);
    EXPECT_FALSE(tool.readAllStandardError().isEmpty());
    EXPECT_EQ(db.rows(selectTenFields("rowid")), expectedRows(1, 1));

    tool.start(QStringLiteral(TUSKO_MKSTORE_PATH), {QStringLiteral("other.db")});
    ASSERT_TRUE(tool.waitForFinished());
    EXPECT_EQ(tool.exitCode(), 0);
    EXPECT_EQ(SqliteDirect(dir.path("other.db")).number("SELECT count(*) FROM \"数据监测\""), 0);
}

// The statement printed is the one to give any SQLite tool, as the README shows with sqlite3.
TEST(Mkstore, PrintsTheStatementThatMakesAStoreAndCreatesNothing) {
    StoreDir dir;
    QProcess tool;
    tool.start(QStringLiteral(TUSKO_MKSTORE_PATH), {QStringLiteral("--schema")});
    ASSERT_TRUE(tool.waitForFinished());
    EXPECT_EQ(tool.exitCode(), 0);
    EXPECT_TRUE(dir.entries().isEmpty()) << dir.entries().join(' ').toStdString();

    SqliteDirect db(dir.path());
    ASSERT_TRUE(db.exec(tool.readAllStandardOutput().toStdString()));
    EXPECT_EQ(columnsOf(db), kStoreColumns);
    SqliteRecordsBinding binding;
    ASSERT_TRUE(records::openStore(binding));
    records::appendRecord(binding, recordNumber(1));
    EXPECT_EQ(db.rows(selectTenFields("rowid")), expectedRows(1, 1));
}

}  // namespace
