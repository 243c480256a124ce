// The records file behind records::Store: made when missing, read and written through QtSql and
// SQLite's own rows, shared with other programs.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QFile>
#include <QProcess>

#include <cstdio>
#include <fstream>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "fakes/fake_clock.h"
#include "file_store.h"
#include "records/records_store.h"
#include "records/sql/sqlite_dialect.h"
#include "records/sql/store_factory.h"
#include "sample_records.h"
#include "sqlite_direct.h"
#include "store_dir.h"
#include "store_reading.h"
#include "without_root.h"

namespace {

using records::StoreProblem;
using records::sql::SqliteDialect;
using records_test::fileStore;
using records_test::newestTexts;
using records_test::recordNumber;
using records_test::recordTexts;
using records_test::Rows;
using records_test::selectTenFields;
using records_test::SqliteDirect;
using records_test::StoreDir;
using records_test::walkedKeys;

// Inserts records first..last into the store of `dir` with one transaction, as a quick way to a
// large store.
void fillDirectly(const StoreDir& dir, int first, int last) {
    SqliteDirect db(dir.path());
    ASSERT_TRUE(db.exec("BEGIN"));
    for (int n = first; n <= last; ++n) {
        const std::vector<std::string> t = records_test::textsOf(recordNumber(n));
        std::string sql = "INSERT INTO \"数据监测\" VALUES (" + t[0];
        for (std::size_t i = 1; i < t.size(); ++i) {
            sql += ",'" + t[i] + "'";
        }
        ASSERT_TRUE(db.exec(sql + ")"));
    }
    ASSERT_TRUE(db.exec("COMMIT"));
}

const Rows kStoreColumns = {{"仪表编号", "INTEGER"}, {"日期", "TEXT"},     {"管径", "TEXT"},
                            {"瞬时流量", "TEXT"},    {"百分比", "TEXT"},   {"量程比", "TEXT"},
                            {"流速", "TEXT"},        {"正向累计", "TEXT"}, {"反向累计", "TEXT"},
                            {"报警状态", "TEXT"}};

Rows columnsOf(SqliteDirect& db) {
    return db.rows("SELECT name, type FROM pragma_table_info('数据监测')");
}

Rows schemaOf(SqliteDirect& db) {
    return db.rows("SELECT type, name, tbl_name, sql FROM sqlite_master ORDER BY type, name");
}

int runTool(const QStringList& arguments, QByteArray* output = nullptr,
            QByteArray* errors = nullptr) {
    QProcess tool;
    tool.start(QStringLiteral(TUSKO_MKSTORE_PATH), arguments);
    if (!tool.waitForFinished(60000)) {
        return -1;
    }
    if (output != nullptr) {
        *output = tool.readAllStandardOutput();
    }
    if (errors != nullptr) {
        *errors = tool.readAllStandardError();
    }
    return tool.exitCode();
}

TEST(FileStoreFactory, MissingStoreIsCreatedOnceAsTheToolMakesIt) {
    StoreDir dir;
    fakes::FakeClock clock;
    records::sql::LoggingStore opened = records::sql::openLoggingStore(clock);
    ASSERT_TRUE(opened.store);
    EXPECT_EQ(opened.notice, "已创建记录文件 kvt97.mdb");
    EXPECT_EQ(opened.noticeEnglish, "created the records store kvt97.mdb");
    EXPECT_TRUE(opened.store->health().ok());
    EXPECT_EQ(dir.entries(), QStringList{QStringLiteral("kvt97.mdb")});
    ASSERT_TRUE(opened.store->append(recordNumber(1)));
    opened.store.reset();

    ASSERT_EQ(runTool({QStringLiteral("tool.mdb")}), 0);
    SqliteDirect made(dir.path());
    SqliteDirect byTool(dir.path("tool.mdb"));
    EXPECT_EQ(schemaOf(made), schemaOf(byTool));
    EXPECT_EQ(QFile::permissions(QString::fromStdString(dir.path())),
              QFile::permissions(QString::fromStdString(dir.path("tool.mdb"))));
    EXPECT_EQ(made.number("SELECT count(*) FROM sqlite_master WHERE type = 'index' AND "
                          "name = '数据监测_仪表编号'"),
              1);

    opened = records::sql::openLoggingStore(clock);
    EXPECT_EQ(opened.notice, "") << "the store is there now";
    EXPECT_EQ(opened.noticeEnglish, "");
    EXPECT_EQ(newestTexts(*opened.store), recordTexts(1, 1));
}

TEST(FileStoreFactory, AStoreThatCannotBeMadeIsMissing) {
    StoreDir dir;
    fakes::FakeClock clock;
    const std::string directory = dir.path(".");
    if (geteuid() == 0) {
        ASSERT_EQ(chown(directory.c_str(), records_test::kNobody, records_test::kNobody), 0);
    }
    ASSERT_EQ(chmod(directory.c_str(), 0500), 0);
    const records_test::WithoutRoot unprivileged;
    if (!unprivileged.effective() ||
        faccessat(AT_FDCWD, directory.c_str(), W_OK, AT_EACCESS) == 0) {
        GTEST_SKIP() << "this process can write to read-only directories";
    }
    const records::sql::LoggingStore opened = records::sql::openLoggingStore(clock);
    EXPECT_EQ(opened.notice, "");
    EXPECT_EQ(opened.store->health().problem, StoreProblem::Missing);
    EXPECT_TRUE(dir.entries().isEmpty());
}

TEST(FileStoreFactory, StationIndexIsAddedToAnExistingStoreAndChangesNoTable) {
    StoreDir dir;
    ASSERT_TRUE(dir.createStore());
    fillDirectly(dir, 1, 20);
    const Rows tableBefore =
        SqliteDirect(dir.path()).rows("SELECT sql FROM sqlite_master WHERE type = 'table'");
    fakes::FakeClock clock;
    // A store that only reads leaves the file as it is.
    const std::unique_ptr<records::Store> reader = records::sql::readingStores(clock)();
    EXPECT_EQ(newestTexts(*reader), recordTexts(1, 20));
    EXPECT_EQ(SqliteDirect(dir.path()).number("SELECT count(*) FROM sqlite_master"), 1);

    const records::sql::LoggingStore opened = records::sql::openLoggingStore(clock);
    EXPECT_EQ(opened.notice, "");
    SqliteDirect db(dir.path());
    EXPECT_EQ(db.rows("SELECT type, name FROM sqlite_master ORDER BY type"),
              (Rows{{"index", "数据监测_仪表编号"}, {"table", "数据监测"}}));
    EXPECT_EQ(db.rows("SELECT sql FROM sqlite_master WHERE type = 'table'"), tableBefore);
    EXPECT_EQ(db.rows(selectTenFields("rowid")), recordTexts(1, 20));
    EXPECT_EQ(db.rows("EXPLAIN QUERY PLAN SELECT rowid FROM \"数据监测\" WHERE \"仪表编号\" = 3 "
                      "ORDER BY rowid")
                  .at(0)
                  .back(),
              "SEARCH 数据监测 USING COVERING INDEX 数据监测_仪表编号 (仪表编号=?)");
}

TEST(FileStore, AStoreThatReadsNeverCreatesTheFileAndUsesItOnceItIsThere) {
    StoreDir dir;
    fakes::FakeClock clock;
    const std::unique_ptr<records::Store> store = records::sql::readingStores(clock)();

    EXPECT_EQ(store->newest({}, 10), std::nullopt);
    EXPECT_EQ(store->count({}), std::nullopt);
    EXPECT_EQ(walkedKeys(*store), std::vector<std::int64_t>{-1});
    EXPECT_FALSE(store->clear());
    EXPECT_EQ(store->health().problem, StoreProblem::Missing);
    EXPECT_TRUE(dir.entries().isEmpty()) << dir.entries().join(' ').toStdString();

    ASSERT_TRUE(dir.createStore());
    fillDirectly(dir, 1, 2);
    EXPECT_EQ(newestTexts(*store), recordTexts(1, 2));
    EXPECT_EQ(store->count({}), 2);
    EXPECT_TRUE(store->health().ok());
}

struct Layout {
    const char* name;
    const char* create;
    const char* detail;
};

TEST(FileStore, AMissingTableOrFieldIsAWrongLayoutAndNothingIsChanged) {
    const Layout layouts[] = {
        {"no table", "CREATE TABLE other (a)", "no such table: 数据监测"},
        {"no alarm field",
         "CREATE TABLE 数据监测(仪表编号,日期,管径,瞬时流量,百分比,量程比,流速,正向累计,反向累计)",
         "table 数据监测 has no column named 报警状态"},
    };
    for (const Layout& layout : layouts) {
        SCOPED_TRACE(layout.name);
        StoreDir dir;
        ASSERT_TRUE(dir.createStore(layout.create));
        fakes::FakeClock clock;
        const auto store = fileStore(clock, SqliteDialect::Role::Logging);
        EXPECT_FALSE(store->append(recordNumber(1)));
        EXPECT_EQ(store->health().problem, StoreProblem::WrongLayout);
        EXPECT_EQ(store->health().detail, layout.detail);
        EXPECT_EQ(store->newest({}, 10), std::nullopt);
        EXPECT_FALSE(store->clear());
        EXPECT_EQ(SqliteDirect(dir.path()).number("SELECT count(*) FROM sqlite_master"), 1);
    }
}

// Stores made by other tools: any column order, extra columns, an integer key, no declared types.
TEST(FileStore, WorksOnAnyTableWithTheTenFields) {
    const std::vector<std::string> schemas = {
        records::createTableStatement(),
        "CREATE TABLE \"数据监测\" (id INTEGER PRIMARY KEY, \"报警状态\" TEXT, 备注 TEXT, "
        "\"日期\" TEXT, \"仪表编号\" INTEGER, \"管径\", \"瞬时流量\", \"百分比\", \"量程比\", "
        "\"流速\", \"正向累计\", \"反向累计\")",
        "CREATE TABLE 数据监测(仪表编号,日期,管径,瞬时流量,百分比,量程比,流速,正向累计,反向累计,"
        "报警状态)",
    };
    for (const std::string& schema : schemas) {
        SCOPED_TRACE(schema);
        StoreDir dir;
        ASSERT_TRUE(dir.createStore(schema));
        fakes::FakeClock clock;
        const auto store = fileStore(clock, SqliteDialect::Role::Logging);
        for (int n = 1; n <= 3; ++n) {
            clock.msecs += 60000;
            ASSERT_TRUE(store->append(recordNumber(n)));
        }
        EXPECT_EQ(store->health().lastStoredMsecs, clock.msecs);

        SqliteDirect db(dir.path());
        EXPECT_EQ(db.rows(selectTenFields("rowid")), recordTexts(1, 3));
        EXPECT_EQ(db.rows("SELECT DISTINCT typeof(\"仪表编号\") FROM \"数据监测\""),
                  Rows{{"integer"}});
        EXPECT_EQ(newestTexts(*store), recordTexts(1, 3));
        EXPECT_EQ(walkedKeys(*store), (std::vector<std::int64_t>{1, 2, 3}));
    }
}

TEST(FileStore, NewestSkipsGapsAndShowsForeignValuesAsText) {
    StoreDir dir;
    ASSERT_TRUE(dir.createStore());
    fillDirectly(dir, 1, 1500);
    {
        SqliteDirect db(dir.path());
        ASSERT_TRUE(
            db.exec("DELETE FROM \"数据监测\" WHERE rowid BETWEEN 1400 AND 1409 OR rowid = 3"));
        // Values another tool may have left: a null and a number where texts are expected.
        ASSERT_TRUE(
            db.exec("UPDATE \"数据监测\" SET \"管径\" = NULL, \"流速\" = 2.5 WHERE rowid = 1500"));
    }
    fakes::FakeClock clock;
    const auto store = fileStore(clock, SqliteDialect::Role::Reading);

    Rows expected = recordTexts(491, 1399);
    const Rows tail = recordTexts(1410, 1500);
    expected.insert(expected.end(), tail.begin(), tail.end());
    expected.back()[2] = "";
    expected.back()[6] = "2.5";
    const auto newest = store->newest({}, 1000);
    ASSERT_TRUE(newest);
    EXPECT_EQ(records_test::textsOf(*newest), expected);
    EXPECT_EQ(newest->front().key, 491);
    EXPECT_EQ(newest->back().key, 1500);
    EXPECT_EQ(store->newest({}, 0)->size(), 0U);
    EXPECT_EQ(store->count({}), 1489);
}

TEST(FileStore, ClearEmptiesTheTableAndAppendsGoOnInOrder) {
    StoreDir dir;
    ASSERT_TRUE(dir.createStore());
    fillDirectly(dir, 1, 2000);
    fakes::FakeClock clock;
    const auto store = fileStore(clock, SqliteDialect::Role::Logging);
    ASSERT_TRUE(store->clear());
    EXPECT_EQ(SqliteDirect(dir.path()).number("SELECT count(*) FROM \"数据监测\""), 0);
    EXPECT_EQ(store->count({}), 0);
    for (int n = 1; n <= 2; ++n) {
        ASSERT_TRUE(store->append(recordNumber(n)));
    }
    EXPECT_EQ(newestTexts(*store), recordTexts(1, 2));
}

// Records due together are written in one transaction (the file's change counter, its header's
// bytes 24 to 27, counts them). One the file refuses (a trigger refuses record 2) costs the others
// nothing: they are then stored one by one, and the health tells what the last came to.
TEST(FileStore, RecordsDueTogetherAreStoredInOneTransactionAndNoneForAnothersFailure) {
    for (const bool refused : {false, true}) {
        StoreDir dir;
        ASSERT_TRUE(dir.createStore());
        ASSERT_TRUE(SqliteDirect(dir.path())
                        .exec("CREATE TRIGGER refuse BEFORE INSERT ON \"数据监测\" WHEN "
                              "NEW.\"正向累计\" = '2m3' "
                              "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
        const auto changes = [&] {
            std::ifstream file(dir.path(), std::ios::binary);
            return file.seekg(27).get();
        };
        fakes::FakeClock clock;
        const auto store = fileStore(clock, SqliteDialect::Role::Logging);
        ASSERT_FALSE(store->append(recordNumber(2))) << "a failure shown before";
        clock.msecs += 60000;
        const int before = changes();
        const std::vector<records::MeasurementRecord> due = {
            recordNumber(1), recordNumber(refused ? 2 : 3), recordNumber(4)};
        EXPECT_EQ(store->appendAll(due), (std::vector<bool>{true, !refused, true}));
        EXPECT_EQ(changes() - before, refused ? 2 : 1);
        EXPECT_EQ(store->count({}), refused ? 2 : 3);
        EXPECT_TRUE(store->health().ok());
        EXPECT_EQ(store->health().lastStoredMsecs, clock.msecs);
    }
}

TEST(FileStore, WalkTakesTheMatchingRecordsOldestFirstAndStopsWhenAsked) {
    StoreDir dir;
    ASSERT_TRUE(dir.createStore());
    fakes::FakeClock clock;
    const auto store = fileStore(clock, SqliteDialect::Role::Logging);
    const char* const days[] = {"2007-10-09/23:59", "2007-10-10/0:00", "2007-10-10/9:13",
                                "2007-10-11/10:00", "2007-10-12/0:00"};
    for (int n = 0; n < 5; ++n) {
        records::MeasurementRecord record = recordNumber(n);
        record.station = n == 1 ? 2 : 1;
        record.date = days[n];
        ASSERT_TRUE(store->append(record));
    }
    records::RecordFilter filter;
    filter.station = 1;
    filter.fromDate = "2007-10-10";
    filter.toDate = "2007-10-11";
    std::vector<std::string> flows;
    ASSERT_TRUE(store->walk(filter, [&](std::int64_t, const records::RecordView& fields) {
        flows.emplace_back(fields[3]);
        return true;
    }));
    EXPECT_EQ(flows, (std::vector<std::string>{"+2.5m3/h", "+3.5m3/h"}));
    EXPECT_EQ(store->count(filter), 2);

    filter = {};
    filter.afterKey = 3;
    filter.upToKey = 4;
    EXPECT_EQ(walkedKeys(*store, filter), std::vector<std::int64_t>{4});
    std::vector<std::int64_t> keys;
    ASSERT_TRUE(store->walk({}, [&](std::int64_t key, const records::RecordView&) {
        keys.push_back(key);
        return keys.size() < 2;
    }));
    EXPECT_EQ(keys, (std::vector<std::int64_t>{1, 2}));
}

// Walks and counts go statement by statement over the keys; none may lose or repeat a record at
// the seams, whatever the gaps between the keys.
TEST(FileStore, WalkAndCountTakeEveryRecordAcrossTheirStatements) {
    StoreDir dir;
    ASSERT_TRUE(dir.createStore());
    fillDirectly(dir, 1, 9000);
    {
        SqliteDirect db(dir.path());
        for (const int key : {262144, 262145, 524288, 600000, 1048577}) {
            ASSERT_TRUE(db.exec("INSERT INTO \"数据监测\" (rowid, \"仪表编号\") VALUES (" +
                                std::to_string(key) + ", 3)"));
        }
        ASSERT_TRUE(db.exec("DELETE FROM \"数据监测\" WHERE rowid % 1000 = 0 AND rowid < 9000"));
    }
    fakes::FakeClock clock;
    const auto store = fileStore(clock, SqliteDialect::Role::Reading);
    SqliteDirect db(dir.path());
    std::vector<std::int64_t> expected;
    for (const auto& row : db.rows("SELECT rowid FROM \"数据监测\" ORDER BY rowid")) {
        expected.push_back(std::stoll(row[0]));
    }
    EXPECT_EQ(walkedKeys(*store), expected);
    EXPECT_EQ(store->count({}), static_cast<std::int64_t>(expected.size()));
    records::RecordFilter station3;
    station3.station = 3;
    EXPECT_EQ(store->count(station3), db.number("SELECT count(*) FROM \"数据监测\" WHERE "
                                                "\"仪表编号\" = 3"));
    station3.afterKey = 262144;
    EXPECT_EQ(walkedKeys(*store, station3),
              (std::vector<std::int64_t>{262145, 524288, 600000, 1048577}));
}

// Stores share the file, each on connections of its own; a window makes its store on its own
// thread and reads on a thread of its own.
TEST(FileStore, StoresShareTheFileAndReadOnAnyThread) {
    StoreDir dir;
    ASSERT_TRUE(dir.createStore());
    fakes::FakeClock clock;
    auto logging = fileStore(clock, SqliteDialect::Role::Logging);
    const std::unique_ptr<records::Store> reading = records::sql::readingStores(clock)();
    ASSERT_TRUE(logging->append(recordNumber(1)));
    EXPECT_EQ(newestTexts(*reading), recordTexts(1, 1));
    ASSERT_TRUE(reading->clear());
    ASSERT_TRUE(logging->append(recordNumber(2)));
    logging.reset();
    Rows read;
    std::thread reader([&] { read = newestTexts(*reading); });
    reader.join();
    EXPECT_EQ(read, recordTexts(2, 2));
    EXPECT_EQ(reading->count({}), 1);
}

TEST(FileStore, AReadOnlyFileIsReadAndNeverChanged) {
    StoreDir dir;
    ASSERT_TRUE(dir.createStore());
    fillDirectly(dir, 1, 3);
    ASSERT_EQ(chmod(dir.path(".").c_str(), 0755), 0);
    ASSERT_EQ(chmod(dir.path().c_str(), 0444), 0);
    {
        const records_test::WithoutRoot unprivileged;
        if (!unprivileged.effective() ||
            faccessat(AT_FDCWD, dir.path().c_str(), W_OK, AT_EACCESS) == 0) {
            GTEST_SKIP() << "this process can write to read-only files";
        }
        fakes::FakeClock clock;
        const auto reading = fileStore(clock, SqliteDialect::Role::Reading);
        EXPECT_EQ(newestTexts(*reading), recordTexts(1, 3));
        EXPECT_FALSE(reading->clear());
        EXPECT_EQ(reading->health().problem, StoreProblem::ReadOnly);
        EXPECT_EQ(reading->count({}), 3);
        EXPECT_TRUE(reading->health().ok());
    }
    EXPECT_EQ(SqliteDirect(dir.path()).rows(selectTenFields("rowid")), recordTexts(1, 3));
}

// A store that only reads, as a window's does, reads the file now under the name.
TEST(FileStore, AStoreReadsTheFileNowUnderTheName) {
    StoreDir dir;
    ASSERT_TRUE(dir.createStore());
    ASSERT_TRUE(
        SqliteDirect(dir.path()).exec("INSERT INTO \"数据监测\" (\"日期\") VALUES ('old')"));
    fakes::FakeClock clock;
    const auto store = fileStore(clock, SqliteDialect::Role::Reading);
    ASSERT_EQ(store->count({}), 1);
    {
        SqliteDirect incoming(dir.path("incoming"));
        ASSERT_TRUE(incoming.exec(records::createTableStatement()));
        ASSERT_TRUE(incoming.exec("INSERT INTO \"数据监测\" (\"日期\") VALUES ('new'), ('newer')"));
    }
    ASSERT_EQ(std::rename(dir.path("incoming").c_str(), dir.path().c_str()), 0);
    const auto newest = store->newest({}, 10);
    ASSERT_TRUE(newest);
    ASSERT_EQ(newest->size(), 2U);
    EXPECT_EQ(newest->back().fields[1], "newer");
    ASSERT_EQ(std::remove(dir.path().c_str()), 0);
    EXPECT_EQ(store->count({}), std::nullopt);
    EXPECT_EQ(store->health().problem, StoreProblem::Missing);
}

TEST(Mkstore, CreatesAStoreWithItsIndexAndNeverOverwrites) {
    StoreDir dir;
    ASSERT_EQ(runTool({}), 0);
    SqliteDirect db(dir.path());
    EXPECT_EQ(columnsOf(db), kStoreColumns);
    EXPECT_EQ(db.rows("SELECT name FROM sqlite_master WHERE type = 'index'"),
              Rows{{"数据监测_仪表编号"}});
    fakes::FakeClock clock;
    const auto store = fileStore(clock, SqliteDialect::Role::Logging);
    ASSERT_TRUE(store->append(recordNumber(1)));

    QByteArray said;
    EXPECT_EQ(runTool({QStringLiteral("kvt97.mdb")}, nullptr, &said), 1);
    EXPECT_NE(said.indexOf("kvt97.mdb: file exists, not overwritten"), -1) << said.toStdString();
    EXPECT_EQ(db.rows(selectTenFields("rowid")), recordTexts(1, 1));
    EXPECT_EQ(runTool({QStringLiteral("other.db")}), 0);
    EXPECT_EQ(SqliteDirect(dir.path("other.db")).number("SELECT count(*) FROM \"数据监测\""), 0);
}

// The statements printed are the ones to give any SQLite tool, as the README shows with sqlite3.
TEST(Mkstore, PrintsItsUsageOrTheStatementsThatMakeAStoreAndCreatesNothing) {
    StoreDir dir;
    QByteArray printed;
    EXPECT_EQ(runTool({QStringLiteral("--help")}, &printed), 0);
    EXPECT_TRUE(printed.startsWith("usage: tuskocp-mkstore")) << printed.toStdString();
    EXPECT_TRUE(printed.contains("--server FILE"));
    EXPECT_EQ(runTool({QStringLiteral("--no-such-option")}), 2);
    ASSERT_EQ(runTool({QStringLiteral("--schema")}, &printed), 0);
    EXPECT_TRUE(dir.entries().isEmpty()) << dir.entries().join(' ').toStdString();
    ASSERT_TRUE(SqliteDirect(dir.path()).exec(printed.toStdString()));
    ASSERT_EQ(runTool({QStringLiteral("tool.mdb")}), 0);
    SqliteDirect db(dir.path());
    SqliteDirect byTool(dir.path("tool.mdb"));
    EXPECT_EQ(schemaOf(db), schemaOf(byTool));
}

}  // namespace
