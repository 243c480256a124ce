// records_bench [records] [directory]: builds a records file of 1,000,000 records (by default) and
// times, through the records store the program uses, the data-query window's fill, a day's count,
// the walk of every record into CSV text, its clear and one logging append, each beside the same
// work done with the sqlite3 library or the sqlite3 tool; then builds one station's year of
// minutes and prints the file's size.
#include <sqlite3.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bench_records.h"
#include "bench_support.h"
#include "records/records_store.h"
#include "records/sql/sql_store.h"
#include "records/sql/sqlite_dialect.h"

namespace {

using bench::median;
using bench::recordNumber;
using bench::statusKb;
using records::sql::SqliteDialect;
using records::sql::SqlStore;
using Rows = std::vector<std::vector<std::string>>;

constexpr int kFillRuns = 21;
constexpr int kAppendRuns = 31;
constexpr int kClearRuns = 3;
constexpr int kWalkRuns = 3;
constexpr int kDayRuns = 11;
constexpr long kStationYear = 525600;

const char* const kInsert = "INSERT INTO \"数据监测\" VALUES (?,?,?,?,?,?,?,?,?,?)";
const char* const kFields =
    "\"仪表编号\",\"日期\",\"管径\",\"瞬时流量\",\"百分比\",\"量程比\",\"流速\",\"正向累计\","
    "\"反向累计\",\"报警状态\"";
const char* const kDeleteAll = "DELETE FROM \"数据监测\"";

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

// A store as the program makes it (table and station index) with `count` records.
void buildStore(const std::string& path, long count, bool oneStation) {
    sqlite3* db = openDirect(path);
    execDirect(db, records::createTableStatement().c_str());
    execDirect(db, records::createStationIndexStatement().c_str());
    execDirect(db, "BEGIN");
    sqlite3_stmt* insert = nullptr;
    if (sqlite3_prepare_v2(db, kInsert, -1, &insert, nullptr) != SQLITE_OK) {
        die("prepare insert", db);
    }
    for (long n = 1; n <= count; ++n) {
        bindRecord(insert, recordNumber(n, oneStation));
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
    const std::string sql =
        std::string("SELECT ") + kFields + " FROM \"数据监测\" ORDER BY rowid DESC LIMIT 1000";
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &select, nullptr) != SQLITE_OK) {
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

Rows newestThroughStore(records::Store& store) {
    const std::optional<std::vector<records::StoredRecord>> newest = store.newest({}, 1000);
    if (!newest) {
        die("newest", nullptr);
    }
    Rows rows;
    for (const records::StoredRecord& record : *newest) {
        rows.emplace_back(record.fields.begin(), record.fields.end());
    }
    return rows;
}

long long numberDirect(sqlite3* db, const std::string& sql) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK ||
        sqlite3_step(statement) != SQLITE_ROW) {
        die(sql, db);
    }
    const long long number = sqlite3_column_int64(statement, 0);
    sqlite3_finalize(statement);
    return number;
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

// A CSV file written from a walk, as an export writes it: the ten fields, quoted where they must
// be, CR LF, written a megabyte at a time.
class CsvFile {
  public:
    explicit CsvFile(const std::string& path) : file_(std::fopen(path.c_str(), "wb")) {
        buffer_.reserve(kChunk + 4096);
    }
    ~CsvFile() { std::fclose(file_); }
    CsvFile(const CsvFile&) = delete;
    CsvFile& operator=(const CsvFile&) = delete;

    bool line(const records::RecordView& fields) {
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (i > 0) {
                buffer_ += ',';
            }
            const std::string_view field = fields[i];
            if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
                buffer_ += field;
                continue;
            }
            buffer_ += '"';
            for (const char c : field) {
                buffer_ += c;
                if (c == '"') {
                    buffer_ += '"';
                }
            }
            buffer_ += '"';
        }
        buffer_ += "\r\n";
        return buffer_.size() < kChunk || flush();
    }
    bool flush() {
        const bool written =
            std::fwrite(buffer_.data(), 1, buffer_.size(), file_) == buffer_.size();
        buffer_.clear();
        return written;
    }

  private:
    static constexpr std::size_t kChunk = 1 << 20;
    std::FILE* file_;
    std::string buffer_;
};

double millisecondsFor(const std::function<void()>& work) {
    const auto start = bench::Clock::now();
    work();
    return bench::msSince(start);
}

struct Result {
    const char* operation;
    double store;
    double direct;
    double target;  // 0: none
    int runs;
};

std::unique_ptr<SqlStore> store(platform::Clock& clock, const std::string& path,
                                SqliteDialect::Role role) {
    return std::make_unique<SqlStore>(
        std::make_unique<SqliteDialect>(QString::fromStdString(path), role), clock);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const long count = argc > 1 ? std::atol(argv[1]) : 1000000;
    QTemporaryDir dir(argc > 2 ? QDir(QString::fromLocal8Bit(argv[2])).filePath("bench-XXXXXX")
                               : QDir::tempPath() + "/records-bench-XXXXXX");
    const QString sqliteTool = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    if (count < 1000 || !dir.isValid() || !QDir::setCurrent(dir.path()) || sqliteTool.isEmpty()) {
        std::fprintf(
            stderr, "usage: records_bench [records >= 1000] [directory]; needs the sqlite3 tool\n");
        return 1;
    }
    const std::string path = records::kDatabaseFile;
    bench::StillClock clock;

    std::printf("building a store of %ld records in %s ...\n", count, qPrintable(dir.path()));
    const double buildMs = millisecondsFor([&] { buildStore(path, count, false); });
    std::printf("built in %.0f ms, %lld bytes\n", buildMs,
                static_cast<long long>(QFile(QString::fromStdString(path)).size()));
    std::vector<std::string> clearCopies;
    for (int i = 0; i < 2 * kClearRuns; ++i) {
        clearCopies.push_back("clear" + std::to_string(i) + ".db");
        if (!QFile::copy(QString::fromStdString(path),
                         QString::fromStdString(clearCopies.back()))) {
            die("copy", nullptr);
        }
    }

    const auto reading = store(clock, path, SqliteDialect::Role::Reading);
    const auto logging = store(clock, path, SqliteDialect::Role::Logging);
    sqlite3* direct = openDirect(path);
    if (newestThroughStore(*reading) != newestDirect(direct)) {
        die("the store and plain SQL list different records", nullptr);
    }
    std::vector<double> fillStore, fillDirect;
    for (int i = 0; i < kFillRuns; ++i) {
        fillStore.push_back(millisecondsFor([&] { newestThroughStore(*reading); }));
        fillDirect.push_back(millisecondsFor([&] { newestDirect(direct); }));
    }

    // A day in the middle of the store.
    const std::string middleDay = recordNumber(count / 2).date.substr(0, 10);
    records::RecordFilter day;
    day.fromDate = middleDay;
    day.toDate = middleDay;
    const std::string dayScan =
        "SELECT count(*) FROM \"数据监测\" WHERE substr(\"日期\", 1, 10) = '" + middleDay + "'";
    if (reading->count(day).value_or(-1) != numberDirect(direct, dayScan)) {
        die("the store and plain SQL count different records of a day", nullptr);
    }
    std::vector<double> dayStore, dayDirect;
    for (int i = 0; i < kDayRuns; ++i) {
        dayStore.push_back(millisecondsFor([&] { (void)reading->count(day); }));
        dayDirect.push_back(millisecondsFor([&] { numberDirect(direct, dayScan); }));
    }

    // The walk into CSV text, beside the sqlite3 tool writing the same fields as CSV.
    std::vector<double> walkStore, walkTool;
    long walkPeakKb = 0;
    long long walked = 0;
    const std::string toolCommand = "'" + sqliteTool.toStdString() + "' -csv " + path +
                                    " 'SELECT " + kFields +
                                    " FROM \"数据监测\"' > walk-sqlite3.csv";
    for (int i = 0; i < kWalkRuns; ++i) {
        QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
        if (clearRefs.open(QIODevice::WriteOnly)) {
            clearRefs.write("5");  // the peak resident size starts again from now
            clearRefs.close();
        }
        const long before = statusKb("VmRSS");
        walkStore.push_back(millisecondsFor([&] {
            CsvFile csv("walk-store.csv");
            walked = 0;
            if (!reading->walk({},
                               [&](std::int64_t, const records::RecordView& fields) {
                                   ++walked;
                                   return csv.line(fields);
                               }) ||
                !csv.flush()) {
                die("walk", nullptr);
            }
        }));
        walkPeakKb = std::max(walkPeakKb, statusKb("VmHWM") - before);
        walkTool.push_back(millisecondsFor([&] {
            if (std::system(toolCommand.c_str()) != 0) {
                die("sqlite3 -csv", nullptr);
            }
        }));
    }
    if (walked != count) {
        die("the walk missed records", nullptr);
    }

    std::vector<double> appendStore, appendPlain;
    for (int i = 0; i < kAppendRuns; ++i) {
        const records::MeasurementRecord record = recordNumber(count + i);
        appendStore.push_back(millisecondsFor([&] {
            if (!logging->append(record)) {
                die("append", nullptr);
            }
        }));
        appendPlain.push_back(millisecondsFor([&] { appendDirect(direct, record); }));
    }
    sqlite3_close(direct);

    std::vector<double> clearStore, clearDirect;
    for (int i = 0; i < kClearRuns; ++i) {
        const auto copy = store(clock, clearCopies[2 * i], SqliteDialect::Role::Reading);
        (void)copy->count({});  // opened before timing, as the direct connection below
        clearStore.push_back(millisecondsFor([&] {
            if (!copy->clear()) {
                die("clear", nullptr);
            }
        }));
        sqlite3* plain = openDirect(clearCopies[2 * i + 1]);
        execDirect(plain, "SELECT count(*) FROM sqlite_master");  // schema read before timing
        clearDirect.push_back(millisecondsFor([&] { execDirect(plain, kDeleteAll); }));
        sqlite3_close(plain);
    }

    const std::vector<Result> results = {
        {"fill (newest 1000)", median(fillStore), median(fillDirect), 2.0, kFillRuns},
        {"count one day", median(dayStore), median(dayDirect), 0, kDayRuns},
        {"walk to CSV", median(walkStore), median(walkTool), 1.2, kWalkRuns},
        {"clear (delete all)", median(clearStore), median(clearDirect), 3.0, kClearRuns},
        {"append (one record)", median(appendStore), median(appendPlain), 2.0, kAppendRuns},
    };
    std::printf("\n%-22s %6s %12s %12s %8s %8s %s\n", "operation", "runs", "store ms", "sqlite3 ms",
                "ratio", "target", "");
    bool allMet = true;
    for (const Result& r : results) {
        const double ratio = r.store / r.direct;
        const bool met = r.target == 0 || ratio <= r.target;
        allMet = allMet && met;
        std::printf("%-22s %6d %12.3f %12.3f %7.2fx %7s %s\n", r.operation, r.runs, r.store,
                    r.direct, ratio,
                    r.target == 0 ? "-" : (std::to_string(r.target).substr(0, 3) + "x").c_str(),
                    r.target == 0 ? "" : (met ? "met" : "MISSED"));
    }
    std::printf(
        "(medians; the sqlite3 column: the sqlite3 library, for the walk the sqlite3 tool with "
        "-csv into a file; the day is counted by a scan of every record)\n");
    std::printf(
        "walk: %lld records, %lld bytes of CSV (sqlite3 -csv: %lld, it quotes every "
        "non-ASCII text); peak resident memory grew by %ld kB during it\n",
        walked, static_cast<long long>(QFile(QStringLiteral("walk-store.csv")).size()),
        static_cast<long long>(QFile(QStringLiteral("walk-sqlite3.csv")).size()), walkPeakKb);

    const std::string year = "station-year.mdb";
    buildStore(year, kStationYear, true);
    const long long bytes = QFile(QString::fromStdString(year)).size();
    std::printf(
        "one station's year (%ld records, table and station index): %lld bytes, "
        "%.1f MiB, %.0f bytes a record; sixteen stations: %.2f GiB\n",
        kStationYear, bytes, bytes / 1048576.0, static_cast<double>(bytes) / kStationYear,
        16.0 * bytes / (1024.0 * 1048576.0));
    return allMet ? 0 : 1;
}
