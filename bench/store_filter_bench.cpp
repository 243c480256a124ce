// store_filter_bench STORE STATION DAY: on an existing records file, the records of one station on
// one day ("yyyy-MM-dd") counted and walked through the records store as the data-query window and
// the export take them, beside a count of the same records by a full scan of the table (SQLite told
// to use no index). It prints the statements the store ran, with their values, and SQLite's query
// plan of each, which shows whether the station index and the row-order bound of the day are used.
// The file is only read.
#include <sqlite3.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QSqlDatabase>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "bench_records.h"
#include "bench_support.h"
#include "records/sql/sql_store.h"
#include "records/sql/sqlite_dialect.h"

namespace {

using bench::median;
using bench::msSince;

constexpr int kRuns = 7;

[[noreturn]] void die(const std::string& what, sqlite3* db = nullptr) {
    std::fprintf(stderr, "store_filter_bench: %s%s%s\n", what.c_str(), db ? ": " : "",
                 db ? sqlite3_errmsg(db) : "");
    std::exit(1);
}

// The statements a connection runs, once each (the first run's values in place).
struct Statements {
    std::vector<std::string> seen;
    std::set<std::string> known;
    bool on = false;
};

int traced(unsigned type, void* context, void* statement, void*) {
    auto& statements = *static_cast<Statements*>(context);
    if (type != SQLITE_TRACE_STMT || !statements.on) {
        return 0;
    }
    auto* prepared = static_cast<sqlite3_stmt*>(statement);
    if (!statements.known.insert(sqlite3_sql(prepared)).second) {
        return 0;
    }
    char* expanded = sqlite3_expanded_sql(prepared);
    statements.seen.emplace_back(expanded ? expanded : sqlite3_sql(prepared));
    sqlite3_free(expanded);
    return 0;
}

// Follows the statements of the store's connection, which it has opened in this thread.
void follow(Statements& statements) {
    for (const QString& name : QSqlDatabase::connectionNames()) {
        sqlite3* handle = records::sql::sqliteHandle(QSqlDatabase::database(name, false));
        if (handle != nullptr) {
            sqlite3_trace_v2(handle, SQLITE_TRACE_STMT, traced, &statements);
            return;
        }
    }
    die("the store has no SQLite connection");
}

long long number(sqlite3* db, const std::string& sql) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK ||
        sqlite3_step(statement) != SQLITE_ROW) {
        die(sql, db);
    }
    const long long value = sqlite3_column_int64(statement, 0);
    sqlite3_finalize(statement);
    return value;
}

// SQLite's plan of a statement, one step a line.
std::vector<std::string> plan(sqlite3* db, const std::string& sql) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, ("EXPLAIN QUERY PLAN " + sql).c_str(), -1, &statement, nullptr) !=
        SQLITE_OK) {
        die("plan of " + sql, db);
    }
    std::vector<std::string> steps;
    while (sqlite3_step(statement) == SQLITE_ROW) {
        const unsigned char* detail = sqlite3_column_text(statement, 3);
        steps.emplace_back(detail ? reinterpret_cast<const char*>(detail) : "");
    }
    sqlite3_finalize(statement);
    return steps;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int station = argc > 2 ? std::atoi(argv[2]) : 0;
    if (argc != 4 || !QFileInfo(QString::fromLocal8Bit(argv[1])).isFile() || station < 1 ||
        station > 255 || std::string(argv[3]).size() != 10) {
        std::fprintf(stderr, "usage: store_filter_bench STORE STATION DAY(yyyy-MM-dd)\n");
        return 2;
    }
    const std::string path = argv[1];
    const std::string day = argv[3];
    bench::StillClock clock;
    records::sql::SqlStore store(
        std::make_unique<records::sql::SqliteDialect>(QString::fromLocal8Bit(argv[1]),
                                                      records::sql::SqliteDialect::Role::Reading),
        clock);
    if (!store.newest({}, 1)) {
        die("cannot read " + path + ": " + store.health().detail);
    }
    Statements statements;
    follow(statements);

    records::RecordFilter filter;
    filter.station = static_cast<std::uint8_t>(station);
    filter.fromDate = day;
    filter.toDate = day;
    std::vector<double> countMs, walkMs, scanMs;
    long long counted = -1;
    long long walked = 0;
    sqlite3* plain = nullptr;
    if (sqlite3_open_v2(path.c_str(), &plain, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        die("open " + path, plain);
    }
    const std::string scan = "SELECT count(*) FROM \"数据监测\" NOT INDEXED WHERE \"仪表编号\" = " +
                             std::to_string(station) + " AND substr(\"日期\", 1, 10) = '" + day +
                             "'";
    long long scanned = -1;
    for (int run = 0; run < kRuns; ++run) {
        statements.on = run == 0;
        auto start = bench::Clock::now();
        counted = store.count(filter).value_or(-1);
        countMs.push_back(msSince(start));
        start = bench::Clock::now();
        walked = 0;
        if (!store.walk(filter, [&](std::int64_t, const records::RecordView&) {
                ++walked;
                return true;
            })) {
            die("walk: " + store.health().detail);
        }
        walkMs.push_back(msSince(start));
        // The scan takes seconds; three runs give its middle.
        if (run < 3) {
            start = bench::Clock::now();
            scanned = number(plain, scan);
            scanMs.push_back(msSince(start));
        }
    }
    if (counted != scanned || walked != scanned || scanned <= 0) {
        die("the store counted " + std::to_string(counted) + " and walked " +
            std::to_string(walked) + " records, the scan found " + std::to_string(scanned));
    }
    std::printf("records %lld\nhighest_key %lld\ncount_ms %.2f\nwalk_ms %.2f\nscan_ms %.1f\n",
                counted, number(plain, "SELECT max(rowid) FROM \"数据监测\""), median(countMs),
                median(walkMs), median(scanMs));
    for (const std::string& sql : statements.seen) {
        std::printf("statement %s\n", sql.c_str());
        for (const std::string& step : plan(plain, sql)) {
            std::printf("plan %s\n", step.c_str());
        }
    }
    std::printf("statement %s\n", scan.c_str());
    for (const std::string& step : plan(plain, scan)) {
        std::printf("plan %s\n", step.c_str());
    }
    sqlite3_close(plain);
    return 0;
}
