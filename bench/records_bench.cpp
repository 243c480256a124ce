// records_bench [records] [directory]: builds a store of 1,000,000 records (by default) and times
// the data-query window's fill, its clear and one logging append through the records binding,
// each beside the same work done with the sqlite3 library directly.
#include <sqlite3.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "platform/qt/records/sqlite_records_binding.h"
#include "records/records_query.h"
#include "records/records_store.h"

namespace {

using Rows = std::vector<std::vector<std::string>>;

constexpr int kFillRuns = 21;
constexpr int kAppendRuns = 31;
constexpr int kClearRuns = 3;

const char* const kInsert = "INSERT INTO \"数据监测\" VALUES (?,?,?,?,?,?,?,?,?,?)";
const char* const kNewest =
    "SELECT "
    "\"仪表编号\",\"日期\",\"管径\",\"瞬时流量\",\"百分比\",\"量程比\",\"流速\",\"正向累计\","
    "\"反向累计\",\"报警状态\" FROM \"数据监测\" ORDER BY rowid DESC LIMIT 1000";
const char* const kDeleteAll = "DELETE FROM \"数据监测\"";

records::MeasurementRecord recordNumber(long n) {
    records::MeasurementRecord r;
    r.station = static_cast<std::uint8_t>(n % 16 + 1);
    r.date = "2007-10-10/" + std::to_string(n / 60 % 24) + ":" + std::to_string(n % 60);
    r.diameter = "100";
    r.flow = "+" + std::to_string(n % 5000) + ".56m3/h";
    r.percent = "+45.6%";
    r.rangeRatio = "1:2";
    r.velocity = "+1.25";
    r.forwardTotal = std::to_string(n) + ".78m3";
    r.reverseTotal = ".5m3";
    r.alarm = "通讯正常";
    return r;
}

[[noreturn]] void die(const std::string& what, sqlite3* db) {
    std::fprintf(stderr, "records_bench: %s: %s\n", what.c_str(), db ? sqlite3_errmsg(db) : "");
    std::exit(1);
}

sqlite3* openDirect(const std::string& path) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
        die("open " + path, db);
    }
    return db;
}

void execDirect(sqlite3* db, const char* sql) {
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
        die(sql, db);
    }
}

void bindRecord(sqlite3_stmt* statement, const records::MeasurementRecord& r) {
    sqlite3_bind_int64(statement, 1, r.station);
    const std::string* texts[] = {&r.date,         &r.diameter,     &r.flow,
                                  &r.percent,      &r.rangeRatio,   &r.velocity,
                                  &r.forwardTotal, &r.reverseTotal, &r.alarm};
    for (int i = 0; i < 9; ++i) {
        sqlite3_bind_text(statement, i + 2, texts[i]->c_str(), static_cast<int>(texts[i]->size()),
                          SQLITE_TRANSIENT);
    }
}

void buildStore(const std::string& path, long count) {
    sqlite3* db = openDirect(path);
    execDirect(db, records::createTableStatement().c_str());
    execDirect(db, "BEGIN");
    sqlite3_stmt* insert = nullptr;
    if (sqlite3_prepare_v2(db, kInsert, -1, &insert, nullptr) != SQLITE_OK) {
        die("prepare insert", db);
    }
    for (long n = 1; n <= count; ++n) {
        bindRecord(insert, recordNumber(n));
        if (sqlite3_step(insert) != SQLITE_DONE) {
            die("insert", db);
        }
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    execDirect(db, "COMMIT");
    sqlite3_close(db);
}

// The newest 1000 rows read with plain SQL, oldest first, as the grid takes them.
Rows newestDirect(sqlite3* db) {
    Rows rows;
    sqlite3_stmt* select = nullptr;
    if (sqlite3_prepare_v2(db, kNewest, -1, &select, nullptr) != SQLITE_OK) {
        die("prepare select", db);
    }
    while (sqlite3_step(select) == SQLITE_ROW) {
        std::vector<std::string>& row = rows.emplace_back();
        for (int i = 0; i < 10; ++i) {
            const unsigned char* text = sqlite3_column_text(select, i);
            row.emplace_back(text ? reinterpret_cast<const char*>(text) : "");
        }
    }
    sqlite3_finalize(select);
    std::reverse(rows.begin(), rows.end());
    return rows;
}

long long rowCountDirect(sqlite3* db) {
    sqlite3_stmt* count = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT count(*) FROM \"数据监测\"", -1, &count, nullptr) !=
            SQLITE_OK ||
        sqlite3_step(count) != SQLITE_ROW) {
        die("count", db);
    }
    const long long rows = sqlite3_column_int64(count, 0);
    sqlite3_finalize(count);
    return rows;
}

void appendDirect(sqlite3* db, const records::MeasurementRecord& r) {
    sqlite3_stmt* insert = nullptr;
    if (sqlite3_prepare_v2(db, kInsert, -1, &insert, nullptr) != SQLITE_OK) {
        die("prepare insert", db);
    }
    bindRecord(insert, r);
    if (sqlite3_step(insert) != SQLITE_DONE) {
        die("insert", db);
    }
    sqlite3_finalize(insert);
}

double millisecondsFor(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Result {
    const char* operation;
    double binding;
    double direct;
    double target;
    int runs;
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const long count = argc > 1 ? std::atol(argv[1]) : 1000000;
    QTemporaryDir dir(argc > 2 ? QDir(QString::fromLocal8Bit(argv[2])).filePath("bench-XXXXXX")
                               : QDir::tempPath() + "/records-bench-XXXXXX");
    if (count < 1000 || !dir.isValid() || !QDir::setCurrent(dir.path())) {
        std::fprintf(stderr, "usage: records_bench [records >= 1000] [directory]\n");
        return 1;
    }
    const std::string store = records::kDatabaseFile;

    std::printf("building a store of %ld records in %s ...\n", count, qPrintable(dir.path()));
    const double buildMs = millisecondsFor([&] { buildStore(store, count); });
    std::printf("built in %.0f ms, %lld bytes\n", buildMs,
                static_cast<long long>(QFile(QString::fromStdString(store)).size()));
    std::vector<std::string> clearCopies;
    for (int i = 0; i < 2 * kClearRuns; ++i) {
        clearCopies.push_back("clear" + std::to_string(i) + ".db");
        if (!QFile::copy(QString::fromStdString(store),
                         QString::fromStdString(clearCopies.back()))) {
            die("copy", nullptr);
        }
    }

    platform::qt::SqliteRecordsBinding binding;
    if (!records::openStore(binding)) {
        die("binding cannot open the store", nullptr);
    }
    sqlite3* direct = openDirect(store);

    if (records::newestRecords(binding) != newestDirect(direct)) {
        die("the binding and plain SQL list different records", nullptr);
    }
    std::vector<double> fillBinding, fillDirect;
    for (int i = 0; i < kFillRuns; ++i) {
        fillBinding.push_back(millisecondsFor([&] { records::newestRecords(binding); }));
        fillDirect.push_back(millisecondsFor([&] { newestDirect(direct); }));
    }

    std::vector<double> appendBinding, appendPlain;
    for (int i = 0; i < kAppendRuns; ++i) {
        const records::MeasurementRecord record = recordNumber(count + i);
        appendBinding.push_back(millisecondsFor([&] { records::appendRecord(binding, record); }));
        appendPlain.push_back(millisecondsFor([&] { appendDirect(direct, record); }));
    }
    sqlite3_close(direct);

    std::vector<double> clearBinding, clearDirect;
    for (int i = 0; i < kClearRuns; ++i) {
        platform::qt::SqliteRecordsBinding copy;
        if (!copy.setDatabaseName(clearCopies[2 * i]) || !copy.setRecordSource(records::kTable) ||
            !copy.refresh()) {
            die("binding cannot open " + clearCopies[2 * i], nullptr);
        }
        clearBinding.push_back(millisecondsFor([&] { records::clearRecords(copy); }));
        sqlite3* cleared = openDirect(clearCopies[2 * i]);
        if (rowCountDirect(cleared) != 0) {
            die("the clear left records", cleared);
        }
        sqlite3_close(cleared);

        sqlite3* plain = openDirect(clearCopies[2 * i + 1]);
        execDirect(plain, "SELECT count(*) FROM sqlite_master");  // schema read before timing
        clearDirect.push_back(millisecondsFor([&] { execDirect(plain, kDeleteAll); }));
        sqlite3_close(plain);
    }

    const std::vector<Result> results = {
        {"fill (newest 1000)", median(fillBinding), median(fillDirect), 3.0, kFillRuns},
        {"clear (delete all)", median(clearBinding), median(clearDirect), 3.0, kClearRuns},
        {"append (one record)", median(appendBinding), median(appendPlain), 2.0, kAppendRuns},
    };
    std::printf("\n%-22s %6s %14s %14s %8s %8s %s\n", "operation", "runs", "binding ms",
                "sqlite3 ms", "ratio", "target", "");
    bool allMet = true;
    for (const Result& r : results) {
        const double ratio = r.binding / r.direct;
        const bool met = ratio <= r.target;
        allMet = allMet && met;
        std::printf("%-22s %6d %14.3f %14.3f %7.2fx %7.1fx %s\n", r.operation, r.runs, r.binding,
                    r.direct, ratio, r.target, met ? "met" : "MISSED");
    }
    std::printf(
        "(medians; the binding's clear includes its refresh, its append the whole logging "
        "step)\n");
    return allMet ? 0 : 1;
}
