// The trend over the SQLite file, read through its own read-only connection, against the records.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "platform/qt/trend/background_thread.h"
#include "platform/qt/trend/file_summary_shelf.h"
#include "platform/qt/trend/sqlite_trend_rows.h"
#include "records/records_store.h"
#include "records/sqlite_direct.h"
#include "records/store_dir.h"
#include "sample_trend.h"
#include "trend/trend_cache.h"

namespace {

using platform::qt::SqliteTrendRows;
using records_test::SqliteDirect;
using trend_test::keepReading;
using trend_test::kStart;
using trend_test::request;
using trend_test::SampleRecord;

class TrendFile : public testing::Test {
  protected:
    std::string path(const char* name = "kvt97.mdb") const { return dir_.path(name); }
    // A store as the program keeps it: the table and the station index.
    void makeStore(const std::vector<SampleRecord>& records, const char* name = "kvt97.mdb") {
        SqliteDirect db(path(name));
        ASSERT_TRUE(db.ok());
        ASSERT_TRUE(db.exec(records::createTableStatement()));
        ASSERT_TRUE(db.exec(records::createStationIndexStatement()));
        ASSERT_TRUE(db.exec(trend_test::insertStatement(records)));
    }
    QString file() const { return QString::fromStdString(path()); }

    records_test::StoreDir dir_;
};

TEST_F(TrendFile, AnswersAsTheRecordsThemselves) {
    const struct {
        const char* name;
        int storeStations;
        std::vector<std::int64_t> stations;
        double from;  // minutes after kStart
        double to;
        int columns;
        std::size_t chunkRows;
    } cases[] = {
        {"three stations, columns of a bucket", 3, {1, 2, 3}, 0, 1500, 150, 4096},
        {"three stations, coarse, short reads", 3, {1, 2, 3}, -160, 1600, 11, 7},
        {"three stations, close", 3, {2, 1}, 80, 130, 500, 64},
        {"one of sixteen, through the index", 16, {2}, 0, 1500, 15, 100},
        {"one of sixteen, close", 16, {2}, 850, 1250, 400, 100},
    };
    for (const auto& c : cases) {
        QFile::remove(file());
        const std::vector<SampleRecord> records = trend_test::sampleRecords(c.storeStations, 1500);
        makeStore(records);
        SqliteTrendRows rows(file());
        trend::TrendCache cache(rows, {10, c.chunkRows});
        const auto answer = cache.answer(
            request(c.stations, kStart + c.from, kStart + c.to, c.columns), keepReading);
        ASSERT_TRUE(answer) << c.name;
        ASSERT_EQ(answer->stations.size(), c.stations.size());
        trend_test::expectAnswerMatches(records, *answer, c.name);
        EXPECT_EQ(answer->stations[0].curves[trend::kFlow].unit, "m3/h") << c.name;
    }
}

TEST_F(TrendFile, AWriterFindsTheFileFreeBetweenReads) {
    std::vector<SampleRecord> records = trend_test::sampleRecords(2, 600);
    makeStore(records);
    SqliteTrendRows rows(file());
    trend::TrendCache cache(rows, {10, 50});
    // The program's logging, here without any wait for a lock: a held file fails at once.
    SqliteDirect writer(path());
    int written = 0;
    int tries = 0;
    const auto answer = cache.answer(request({1, 2}, kStart, kStart + 700, 70), [&](double) {
        ++tries;
        const std::string date = trend_test::dateOf(kStart + 600 + tries);
        written += writer.exec(
            "INSERT INTO \"数据监测\" (\"仪表编号\", \"日期\", \"瞬时流量\") "
            "VALUES (1, '" +
            date + "', '+1m3/h')");
        records.push_back({1, date, "+1m3/h", ""});
        return true;
    });
    ASSERT_TRUE(answer);
    EXPECT_GT(tries, 10);
    EXPECT_EQ(written, tries) << "every append between two reads was stored at once";
    // The records appended meanwhile are in the next answer.
    const auto next = cache.answer(request({1, 2}, kStart, kStart + 700, 70), keepReading);
    ASSERT_TRUE(next);
    trend_test::expectAnswerMatches(records, *next, "with the records appended meanwhile");
}

TEST_F(TrendFile, AFilePutInPlaceOfTheStoreIsReadAnew) {
    const auto first = trend_test::sampleRecords(2, 300);
    makeStore(first);
    SqliteTrendRows rows(file());
    trend::TrendCache cache(rows);
    const auto view = request({1, 2}, kStart, kStart + 300, 30);
    ASSERT_TRUE(cache.answer(view, keepReading));
    const std::uint64_t generation = rows.generation();

    // A backup of as many records, other values, moved over the store.
    std::vector<SampleRecord> second = first;
    for (SampleRecord& r : second) {
        r.flow = "-3.5L/s";
    }
    makeStore(second, "restored.mdb");
    ASSERT_TRUE(QFile::remove(file()));
    ASSERT_TRUE(QFile::rename(QString::fromStdString(path("restored.mdb")), file()));
    const auto answer = cache.answer(view, keepReading);
    ASSERT_TRUE(answer);
    EXPECT_GT(rows.generation(), generation);
    trend_test::expectAnswerMatches(second, *answer, "the restored file");
    EXPECT_EQ(answer->stations[0].curves[trend::kFlow].unit, "L/s");
}

// A missing file or one without the table is neither read nor made a store, until it is one.
TEST_F(TrendFile, AStoreIsReadOnlyOnceItIsThere) {
    for (const bool otherTable : {false, true}) {
        QFile::remove(file());
        if (otherTable) {
            SqliteDirect db(path());
            ASSERT_TRUE(db.exec("CREATE TABLE other (x)"));
        }
        SqliteTrendRows rows(file());
        trend::TrendCache cache(rows);
        const auto view = request({1}, kStart, kStart + 100, 10);
        EXPECT_FALSE(rows.bounds()) << otherTable;
        EXPECT_FALSE(cache.answer(view, keepReading)) << otherTable;
        EXPECT_EQ(QFile::exists(file()), otherTable) << "the reader never makes a store";
        ASSERT_TRUE(SqliteDirect(path()).exec(records::createTableStatement()));
        const auto empty = cache.answer(view, keepReading);
        ASSERT_TRUE(empty) << otherTable;
        EXPECT_FALSE(empty->span) << "an empty store is a store, without records";

        const auto records = trend_test::sampleRecords(1, 100);
        ASSERT_TRUE(SqliteDirect(path()).exec(trend_test::insertStatement(records)));
        const auto answer = cache.answer(view, keepReading);
        ASSERT_TRUE(answer) << otherTable;
        trend_test::expectAnswerMatches(records, *answer, "once the store is there");
    }
}

// The thread that makes its reader through inBackground yields the processor to the others.
TEST(TrendBackground, TheReadingThreadIsLoweredAndNoOtherThread) {
    const auto niceness = [] {
        return getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)));
    };
    const int before = niceness();
    int reading = -100;  // below any niceness: the reader was never made
    const trend::TrendRowsMaker maker =
        platform::qt::inBackground([&]() -> std::unique_ptr<trend::TrendRows> {
            reading = niceness();
            return std::make_unique<SqliteTrendRows>(QStringLiteral("kvt97.mdb"));
        });
    std::thread([&] { EXPECT_TRUE(maker()); }).join();
    EXPECT_EQ(reading, std::max(before, platform::qt::kBackgroundNiceness));
    EXPECT_EQ(niceness(), before);
}

}  // namespace

namespace {

TEST_F(TrendFile, TheSummaryKeptInAFileServesTheNextRunAndIsReplacedWhole) {
    const auto records = trend_test::sampleRecords(3, 900);
    makeStore(records);
    const QString kept = QString::fromStdString(path("trend/kvt97.summary"));
    const auto view = request({1, 3}, kStart, kStart + 900, 90);
    {
        SqliteTrendRows rows(file());
        platform::qt::FileSummaryShelf shelf(kept);
        trend::TrendCache cache(rows, {}, {}, &shelf);
        ASSERT_TRUE(cache.answer(view, keepReading));
        cache.keep();
    }
    ASSERT_TRUE(QFile::exists(kept)) << "the folder is made when there is none";
    const QByteArray written = [&] {
        QFile f(kept);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    platform::qt::FileSummaryShelf shelf(kept);
    // A writing that fails half way leaves the kept file as it was.
    EXPECT_FALSE(shelf.save([](const trend::ByteSink& sink) { return sink("abc", 3) && false; }));
    SqliteTrendRows rows(file());
    trend::TrendCache later(rows, {}, {}, &shelf);
    const auto answer = later.answer(view, keepReading);
    ASSERT_TRUE(answer);
    trend_test::expectAnswerMatches(records, *answer, "the next run");
    // The file gives back all it holds, and no more.
    QByteArray loaded(written.size(), '\0');
    EXPECT_TRUE(shelf.load([&loaded](const trend::ByteSource& source) {
        char beyond = 0;
        return source(loaded.data(), static_cast<std::size_t>(loaded.size())) &&
               !source(&beyond, 1);
    }));
    EXPECT_EQ(loaded, written);
    platform::qt::FileSummaryShelf none(QString::fromStdString(path("nothing.summary")));
    EXPECT_FALSE(none.load([](const trend::ByteSource&) { return true; }));
    EXPECT_FALSE(shelf.load([](const trend::ByteSource&) { return false; })) << "not a summary";
    // A place that cannot take the file: a folder of that name, or a file where the folder goes.
    const auto writes = [](const trend::ByteSink& sink) { return sink("abc", 3); };
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(path("taken.summary"))));
    EXPECT_FALSE(
        platform::qt::FileSummaryShelf(QString::fromStdString(path("taken.summary"))).save(writes));
    EXPECT_FALSE(
        platform::qt::FileSummaryShelf(kept + QStringLiteral("/under.summary")).save(writes));
    // A folder that goes while the summary is written: nothing is kept, and that is told.
    const QString going = QString::fromStdString(path("going"));
    EXPECT_FALSE(platform::qt::FileSummaryShelf(going + QStringLiteral("/k.summary"))
                     .save([&going](const trend::ByteSink& sink) {
                         return sink("abc", 3) && QDir(going).removeRecursively();
                     }));
}

// A save into a folder of summaries (`others`: {bytes, minutes since last used}, named a0, a1,
// ... with the ending given; the one at `loaded` is loaded first) that is held to `limit` bytes.
TEST_F(TrendFile, ASaveRemovesTheSummariesUsedLongestAgoBeyondTheFoldersLimit) {
    const struct {
        const char* what;
        std::vector<std::pair<int, int>> others;
        int loaded;
        qint64 limit;
        std::vector<bool> left;
        const char* ending = ".summary";
    } cases[] = {
        {"all fit", {{100, 3}, {100, 2}}, -1, 300, {true, true}},
        {"the oldest goes first", {{100, 1}, {100, 3}, {100, 2}}, -1, 300, {true, false, true}},
        {"as many go as must", {{100, 1}, {100, 3}, {100, 2}}, -1, 50, {false, false, false}},
        {"a load counts as a use", {{100, 10}, {100, 5}}, 0, 200, {true, false}},
        {"the saved one stays beyond the limit", {{10, 1}}, -1, 3, {false}},
        {"one left half written", {{100, 3}, {100, 2}}, -1, 150, {false, true}, ".summary.Ab12Cd"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QString folder = QString::fromStdString(path("kept")) + QLatin1Char('/');
        QDir(folder).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(folder));
        const auto name = [&folder, &c](std::size_t i) {
            return folder + QStringLiteral("a%1").arg(i) + QLatin1String(c.ending);
        };
        for (std::size_t i = 0; i < c.others.size(); ++i) {
            QFile f(name(i));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(c.others[i].first, 'x'));
            f.flush();  // written before its time is set, not after
            ASSERT_TRUE(
                f.setFileTime(QDateTime::currentDateTimeUtc().addSecs(-60 * c.others[i].second),
                              QFileDevice::FileModificationTime));
        }
        QFile unrelated(folder + QStringLiteral("notes.txt"));
        ASSERT_TRUE(unrelated.open(QIODevice::WriteOnly) && unrelated.write("x", 1) == 1);
        unrelated.close();
        if (c.loaded >= 0) {
            EXPECT_TRUE(platform::qt::FileSummaryShelf(name(c.loaded))
                            .load([](const trend::ByteSource& source) {
                                char first = 0;
                                return source(&first, 1);
                            }));
        }
        platform::qt::FileSummaryShelf shelf(folder + QStringLiteral("saved.summary"), c.limit);
        ASSERT_TRUE(shelf.save([](const trend::ByteSink& sink) { return sink("saved", 5); }));
        EXPECT_TRUE(unrelated.exists()) << "only summaries are removed";
        for (std::size_t i = 0; i < c.others.size(); ++i) {
            EXPECT_EQ(QFile::exists(name(i)), c.left[i]) << i;
        }
    }
}

}  // namespace
