// The records store on a PostgreSQL server that the tests start themselves. All tests share one
// server, started once for the whole executable; without it they are skipped.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QFile>
#include <QProcess>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "platform/qt/records/postgres_records_binding.h"
#include "platform/qt/records/records_binding_choice.h"
#include "postgres_server.h"
#include "records/records_query.h"
#include "records/records_store.h"
#include "records/server_settings.h"
#include "sample_records.h"
#include "server_direct.h"
#include "store_dir.h"

namespace {

using platform::qt::PostgresRecordsBinding;
using records_test::PostgresServer;
using records_test::recordNumber;
using records_test::selectTenFields;
using records_test::ServerDirect;
using records_test::StoreDir;
using records_test::textsOf;
using Rows = std::vector<std::vector<std::string>>;

constexpr const char* kPasswordFile = "records.password";

Rows expectedRows(const std::vector<int>& numbers) {
    Rows rows;
    for (const int n : numbers) {
        rows.push_back(textsOf(recordNumber(n)));
    }
    return rows;
}

// The ten fields behind the key, as a table made by hand without the column "站点".
std::string tableWithoutSite() {
    std::string sql = "CREATE TABLE \"数据监测\" (\"序号\" bigserial PRIMARY KEY";
    for (const std::string& field : records::kFieldNames) {
        sql += ", \"" + field + "\" " + (field == records::kFieldNames[0] ? "smallint" : "text");
    }
    return sql + ")";
}

const std::string kColumnsQuery =
    "SELECT column_name, data_type FROM information_schema.columns "
    "WHERE table_name = '数据监测' ORDER BY ordinal_position";

void writeFile(const std::string& path, const std::string& text, mode_t mode) {
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(text.data(), static_cast<qint64>(text.size())),
              static_cast<qint64>(text.size()));
    file.close();
    ASSERT_EQ(chmod(path.c_str(), mode), 0);
}

template <typename F>
double secondsFor(F&& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

class ServerStore : public testing::Test {
  protected:
    static void SetUpTestSuite() { server_ = std::make_unique<PostgresServer>(); }
    static void TearDownTestSuite() { server_.reset(); }

    void SetUp() override {
        if (!server_->problem().empty()) {
            GTEST_SKIP() << "PostgreSQL server unavailable: " << server_->problem();
        }
        if (!server_->running()) {
            ASSERT_TRUE(server_->start()) << server_->problem();
        }
        direct_ = std::make_unique<ServerDirect>(*server_);
        ASSERT_TRUE(direct_->ok());
        ASSERT_TRUE(direct_->exec("DROP TABLE IF EXISTS \"数据监测\""));
        writeFile(dir_.path(kPasswordFile), PostgresServer::kPassword, 0600);
    }

    // A settings file in the working directory naming the server and `site`.
    void writeSettings(const std::string& site, const char* name = records::kServerSettingsFile) {
        writeFile(dir_.path(name), server_->settings(kPasswordFile, site), 0644);
    }

    static std::unique_ptr<PostgresServer> server_;
    StoreDir dir_;
    std::unique_ptr<ServerDirect> direct_;
};

std::unique_ptr<PostgresServer> ServerStore::server_;

struct Table {
    const char* name;
    std::string create;
    std::string site;
    const char* storedSite;  // what "站点" holds; null: there is no such column
};

TEST_F(ServerStore, AppendsLandWithTheSiteWhereTheTableHasItsColumn) {
    const Table tables[] = {
        {"tool's table, site", records::createTableStatement(records::SqlDialect::PostgreSql),
         "泵站 east", "泵站 east"},
        {"tool's table, no site", records::createTableStatement(records::SqlDialect::PostgreSql),
         "", "NULL"},
        {"no site column", tableWithoutSite(), "泵站 east", nullptr},
    };
    for (const Table& table : tables) {
        SCOPED_TRACE(table.name);
        ASSERT_TRUE(direct_->exec("DROP TABLE IF EXISTS \"数据监测\""));
        ASSERT_TRUE(direct_->exec(table.create));
        writeSettings(table.site);
        // The main window's binding and the data-query window's, as the program makes them.
        const auto data1 = platform::qt::recordsBindingForWorkingDirectory();
        const auto data2 = platform::qt::recordsBindingForWorkingDirectory();
        ASSERT_TRUE(records::openStore(*data1));
        for (int n = 1; n <= 3; ++n) {
            records::appendRecord(*data1, recordNumber(n));
        }

        EXPECT_EQ(direct_->rows(selectTenFields("\"序号\"")), expectedRows({1, 2, 3}));
        if (table.storedSite) {
            EXPECT_EQ(direct_->rows("SELECT \"站点\" FROM \"数据监测\""),
                      Rows(3, {table.storedSite}));
        }
        ASSERT_TRUE(records::openStore(*data2));
        EXPECT_EQ(records::newestRecords(*data2), expectedRows({1, 2, 3}));
    }
}

TEST_F(ServerStore, SitesShareOneTableAndEachListsAndClearsItsOwnRows) {
    ASSERT_TRUE(direct_->exec(records::createTableStatement(records::SqlDialect::PostgreSql)));
    writeSettings("east", "east.conf");
    writeSettings("west", "west.conf");
    writeSettings("", "plant.conf");
    PostgresRecordsBinding east(QStringLiteral("east.conf"));
    PostgresRecordsBinding west(QStringLiteral("west.conf"));
    PostgresRecordsBinding plant(QStringLiteral("plant.conf"));
    for (PostgresRecordsBinding* binding : {&east, &west, &plant}) {
        ASSERT_TRUE(records::openStore(*binding));
    }

    records::appendRecord(east, recordNumber(1));
    records::appendRecord(west, recordNumber(2));
    records::appendRecord(east, recordNumber(3));
    ASSERT_TRUE(plant.refresh());
    EXPECT_EQ(records::newestRecords(east), expectedRows({1, 3}));
    EXPECT_EQ(records::newestRecords(west), expectedRows({2}));
    EXPECT_EQ(records::newestRecords(plant), expectedRows({1, 2, 3}));

    records::clearRecords(west);
    EXPECT_EQ(records::newestRecords(west), Rows{});
    EXPECT_EQ(direct_->rows("SELECT \"站点\" FROM \"数据监测\" ORDER BY \"序号\""),
              (Rows{{"east"}, {"east"}}));
    records::clearRecords(plant);
    EXPECT_EQ(direct_->rows("SELECT count(*) FROM \"数据监测\""), Rows{{"0"}});
}

TEST_F(ServerStore, StoppedServerLosesTheMinuteQuicklyAndTheNextAppendLands) {
    ASSERT_TRUE(direct_->exec(records::createTableStatement(records::SqlDialect::PostgreSql)));
    writeSettings("east");
    const auto data1 = platform::qt::recordsBindingForWorkingDirectory();
    const auto data2 = platform::qt::recordsBindingForWorkingDirectory();
    ASSERT_TRUE(records::openStore(*data1));
    ASSERT_TRUE(records::openStore(*data2));
    records::appendRecord(*data1, recordNumber(1));
    direct_.reset();

    ASSERT_TRUE(server_->stop()) << server_->problem();
    const double seconds = secondsFor([&] {
        records::appendRecord(*data1, recordNumber(2));
        EXPECT_EQ(records::newestRecords(*data2), Rows{});
        EXPECT_FALSE(records::openStore(*data2));
    });
    EXPECT_LT(seconds, 1.0);

    ASSERT_TRUE(server_->start()) << server_->problem();
    records::appendRecord(*data1, recordNumber(3));
    ASSERT_TRUE(records::openStore(*data2));
    EXPECT_EQ(records::newestRecords(*data2), expectedRows({1, 3}));
}

// An export's walk: one site's rows that pass the filter, oldest first, across several batches.
TEST_F(ServerStore, WalkTakesTheSitesMatchingRowsInOrderAcrossBatches) {
    ASSERT_TRUE(direct_->exec(records::createTableStatement(records::SqlDialect::PostgreSql)));
    // Rows n = 1, 2, …: station n % 4, day 2007-10-(10 + n % 3), the site alternating.
    const int rows = 5 * PostgresRecordsBinding::kWalkBatchRows;
    ASSERT_TRUE(
        direct_->exec("INSERT INTO \"数据监测\" (\"仪表编号\", \"日期\", \"瞬时流量\", \"站点\") "
                      "SELECT n % 4, '2007-10-' || (10 + n % 3) || '/9:' || n, n::text, "
                      "CASE WHEN n % 2 = 0 THEN 'east' ELSE 'west' END "
                      "FROM generate_series(1, " +
                      std::to_string(rows) + ") AS n"));
    writeSettings("east");
    const auto data1 = platform::qt::recordsBindingForWorkingDirectory();
    ASSERT_TRUE(records::openStore(*data1));

    platform::RowFilter filter;
    filter.station = 2;
    filter.fromDate = "2007-10-11";
    filter.toDate = "2007-10-12";
    std::vector<int> flows;
    const auto collect = [&](std::int64_t, const std::vector<std::string>& texts) {
        flows.push_back(std::stoi(texts[0]));
        return true;
    };
    ASSERT_TRUE(data1->forEachRow(filter, {"瞬时流量"}, collect));
    std::vector<int> expected;
    for (int n = 1; n <= rows; ++n) {
        if (n % 2 == 0 && n % 4 == 2 && n % 3 != 0) {
            expected.push_back(n);
        }
    }
    EXPECT_EQ(flows, expected);

    // A walk the sink stops, and one after a key.
    flows.clear();
    ASSERT_TRUE(data1->forEachRow({}, {"瞬时流量"}, [&](std::int64_t key, const auto& texts) {
        flows.push_back(std::stoi(texts[0]));
        filter = {};
        filter.afterKey = key;
        return flows.size() < 2;
    }));
    EXPECT_EQ(flows, (std::vector<int>{2, 4}));
    flows.clear();
    ASSERT_TRUE(data1->forEachRow(filter, {"瞬时流量"}, collect));
    EXPECT_EQ(flows.size(), static_cast<std::size_t>(rows / 2 - 2));
    EXPECT_FALSE(data1->forEachRow({}, {"no such field"}, collect));
}

// The server restarted between two minutes: the old connection is found dead before the row is
// started, whether or not the record set had a row to move to, so the minute is not lost.
TEST_F(ServerStore, ServerRestartedBetweenAppendsLosesNothing) {
    ASSERT_TRUE(direct_->exec(tableWithoutSite()));
    direct_.reset();
    writeSettings("");
    const auto data1 = platform::qt::recordsBindingForWorkingDirectory();
    ASSERT_TRUE(records::openStore(*data1));
    for (int n = 1; n <= 2; ++n) {
        SCOPED_TRACE(n == 1 ? "empty record set" : "one row");
        ASSERT_TRUE(server_->stop()) << server_->problem();
        ASSERT_TRUE(server_->start()) << server_->problem();
        records::appendRecord(*data1, recordNumber(n));
        EXPECT_EQ(records::newestRecords(*data1),
                  expectedRows(n == 1 ? std::vector{1} : std::vector{1, 2}));
    }
}

TEST_F(ServerStore, PasswordFileOpenToOthersIsRefusedUntilItIsClosed) {
    ASSERT_TRUE(direct_->exec(tableWithoutSite()));
    writeSettings("");
    ASSERT_EQ(chmod(dir_.path(kPasswordFile).c_str(), 0640), 0);
    const auto data1 = platform::qt::recordsBindingForWorkingDirectory();
    EXPECT_FALSE(records::openStore(*data1));
    records::appendRecord(*data1, recordNumber(1));
    EXPECT_EQ(direct_->rows(selectTenFields("\"序号\"")), Rows{});

    ASSERT_EQ(chmod(dir_.path(kPasswordFile).c_str(), 0600), 0);
    records::appendRecord(*data1, recordNumber(2));
    EXPECT_EQ(direct_->rows(selectTenFields("\"序号\"")), expectedRows({2}));
}

// A table held by another client: each statement gives up after its timeout, and the next append
// after the lock is released lands.
TEST_F(ServerStore, LockedTableFailsTheAppendWithinTheTimeouts) {
    ASSERT_TRUE(direct_->exec(tableWithoutSite()));
    writeSettings("");
    const auto data1 = platform::qt::recordsBindingForWorkingDirectory();
    ASSERT_TRUE(records::openStore(*data1));
    records::appendRecord(*data1, recordNumber(1));

    ASSERT_TRUE(direct_->exec("BEGIN"));
    ASSERT_TRUE(direct_->exec("LOCK TABLE \"数据监测\" IN ACCESS EXCLUSIVE MODE"));
    const double seconds = secondsFor([&] { records::appendRecord(*data1, recordNumber(2)); });
    EXPECT_LT(seconds, 3.0);
    ASSERT_TRUE(direct_->exec("COMMIT"));

    records::appendRecord(*data1, recordNumber(3));
    EXPECT_EQ(direct_->rows(selectTenFields("\"序号\"")), expectedRows({1, 3}));
}

// A server that takes the connection but never answers (here a listening socket on the loopback
// address that nobody serves) holds an append no longer than the connection timeout.
TEST_F(ServerStore, SilentServerHoldsAnAppendNoLongerThanTheConnectTimeout) {
    const int silent = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(silent, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(bind(silent, reinterpret_cast<sockaddr*>(&address), length), 0);
    ASSERT_EQ(listen(silent, 4), 0);
    ASSERT_EQ(getsockname(silent, reinterpret_cast<sockaddr*>(&address), &length), 0);
    writeFile(dir_.path(records::kServerSettingsFile),
              "host=127.0.0.1\nport=" + std::to_string(ntohs(address.sin_port)) +
                  "\ndatabase=postgres\nuser=tusko\n",
              0644);
    const auto data1 = platform::qt::recordsBindingForWorkingDirectory();
    const double seconds = secondsFor([&] { records::appendRecord(*data1, recordNumber(1)); });
    close(silent);
    EXPECT_LT(seconds, 3.5);
}

TEST_F(ServerStore, StoreToolCreatesTheTableOnTheServerOnce) {
    writeSettings("east");
    const QString tool = QStringLiteral(TUSKO_MKSTORE_PATH);
    const Rows columns = {{"序号", "bigint"},   {"仪表编号", "smallint"}, {"日期", "text"},
                          {"管径", "text"},     {"瞬时流量", "text"},     {"百分比", "text"},
                          {"量程比", "text"},   {"流速", "text"},         {"正向累计", "text"},
                          {"反向累计", "text"}, {"报警状态", "text"},     {"站点", "text"}};

    QProcess process;
    process.start(tool, {QStringLiteral("--server"), QStringLiteral("records.conf")});
    ASSERT_TRUE(process.waitForFinished());
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    EXPECT_EQ(direct_->rows(kColumnsQuery), columns);
    const auto data1 = platform::qt::recordsBindingForWorkingDirectory();
    ASSERT_TRUE(records::openStore(*data1));
    records::appendRecord(*data1, recordNumber(1));

    process.start(tool, {QStringLiteral("--server"), QStringLiteral("records.conf")});
    ASSERT_TRUE(process.waitForFinished());
    EXPECT_EQ(process.exitCode(), 1);
    EXPECT_EQ(direct_->rows(selectTenFields("\"序号\"")), expectedRows({1}));

    // The statement printed for PostgreSQL makes the same table.
    process.start(tool, {QStringLiteral("--schema"), QStringLiteral("postgresql")});
    ASSERT_TRUE(process.waitForFinished());
    EXPECT_EQ(process.exitCode(), 0);
    ASSERT_TRUE(direct_->exec("DROP TABLE \"数据监测\""));
    ASSERT_TRUE(direct_->exec(process.readAllStandardOutput().toStdString()));
    EXPECT_EQ(direct_->rows(kColumnsQuery), columns);
}

TEST(RecordsBindingChoice, WithoutRecordsConfTheFileIsUsed) {
    StoreDir dir;
    ASSERT_TRUE(dir.createStore());
    const auto data1 = platform::qt::recordsBindingForWorkingDirectory();
    ASSERT_TRUE(records::openStore(*data1));
    records::appendRecord(*data1, recordNumber(1));
    EXPECT_EQ(records_test::SqliteDirect(dir.path()).number("SELECT count(*) FROM \"数据监测\""),
              1);
}

}  // namespace
