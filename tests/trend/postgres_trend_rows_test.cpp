// The trend over the records table on a PostgreSQL server that the test starts itself, against
// the records. Skipped when no server can be started.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/qt/trend/postgres_trend_rows.h"
#include "platform/qt/trend/trend_rows_choice.h"
#include "records/records_store.h"
#include "records/server_fixture.h"
#include "sample_trend.h"
#include "trend/trend_cache.h"

namespace {

using records_test::ServerDirect;
using records_test::tableWithoutSite;
using trend_test::keepReading;
using trend_test::kStart;
using trend_test::request;
using trend_test::SampleRecord;

// The program's table without its unique key, as a table of another tool may be: the sample
// records hold several records of one station in one minute.
std::string tableWithoutKey() {
    std::string sql = records::createTableStatement(records::SqlDialect::PostgreSql);
    const std::size_t unique = sql.find(", UNIQUE");
    return unique == std::string::npos ? sql : sql.substr(0, unique) + ")";
}

using TrendServer = records_test::ServerTest;

struct SiteCase {
    const char* name;
    bool siteColumn;
    std::string site;  // of the settings
    bool onlyEast;     // the answer holds only the records of site "east"
};

TEST_F(TrendServer, AnswersAsTheRecordsOfItsSite) {
    const SiteCase cases[] = {
        {"east's records of a shared table", true, "east", true},
        {"the plant's records of a shared table", true, "", false},
        {"a table without sites", false, "east", false},
    };
    const std::vector<SampleRecord> east = trend_test::sampleRecords(3, 700);
    std::vector<SampleRecord> west = trend_test::sampleRecords(2, 700);
    for (SampleRecord& r : west) {
        r.flow = "+123456.5m3/h";
    }
    for (const SiteCase& c : cases) {
        ASSERT_TRUE(direct_->exec("DROP TABLE IF EXISTS \"数据监测\""));
        ASSERT_TRUE(direct_->exec(c.siteColumn ? tableWithoutKey() : tableWithoutSite()));
        const std::string site = c.siteColumn ? "站点" : "";
        ASSERT_TRUE(direct_->exec(trend_test::insertStatement(
            std::vector<SampleRecord>(east.begin(), east.begin() + 1000), site, "east")));
        ASSERT_TRUE(direct_->exec(trend_test::insertStatement(west, site, "west")));
        ASSERT_TRUE(direct_->exec(trend_test::insertStatement(
            std::vector<SampleRecord>(east.begin() + 1000, east.end()), site, "east")));
        writeSettings(c.site);
        // In the order of their keys: records of one minute count in that order.
        std::vector<SampleRecord> expected(east.begin(), east.begin() + 1000);
        if (!c.onlyEast) {
            expected.insert(expected.end(), west.begin(), west.end());
        }
        expected.insert(expected.end(), east.begin() + 1000, east.end());
        // The reader the program makes for a working directory with "records.conf".
        const auto rows = platform::qt::trendRowsForWorkingDirectory()();
        trend::TrendCache cache(*rows, {10, 333});
        for (const auto& [from, to, columns] :
             {std::make_tuple(0.0, 700.0, 70), std::make_tuple(-160.0, 800.0, 3),
              std::make_tuple(90.0, 120.0, 300)}) {
            const auto answer =
                cache.answer(request({1, 2, 3}, kStart + from, kStart + to, columns), keepReading);
            ASSERT_TRUE(answer) << c.name;
            trend_test::expectAnswerMatches(expected, *answer, c.name);
        }
    }
}

TEST_F(TrendServer, AStoppedServerGivesNoAnswerUntilItIsBack) {
    ASSERT_TRUE(direct_->exec(tableWithoutKey()));
    std::vector<SampleRecord> records = trend_test::sampleRecords(2, 200);
    ASSERT_TRUE(direct_->exec(trend_test::insertStatement(records)));
    writeSettings("");
    platform::qt::PostgresTrendRows rows(QString::fromStdString(dir_.path("records.conf")));
    trend::TrendCache cache(rows);
    const auto view = request({1, 2}, kStart, kStart + 300, 30);
    ASSERT_TRUE(cache.answer(view, keepReading));

    direct_.reset();
    ASSERT_TRUE(server_->stop()) << server_->problem();
    EXPECT_FALSE(cache.answer(view, keepReading));
    ASSERT_TRUE(server_->start()) << server_->problem();
    direct_ = std::make_unique<ServerDirect>(*server_);
    const std::vector<SampleRecord> later = {{1, trend_test::dateOf(kStart + 250), "+7m3/h", ""}};
    ASSERT_TRUE(direct_->exec(trend_test::insertStatement(later)));
    records.insert(records.end(), later.begin(), later.end());
    const auto answer = cache.answer(view, keepReading);
    ASSERT_TRUE(answer);
    trend_test::expectAnswerMatches(records, *answer, "after the server came back");
}

}  // namespace
