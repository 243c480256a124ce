// The records store on a PostgreSQL server that the tests start themselves: records wait in the
// spool while the server cannot take them and reach it in order, once each. All tests share one
// server, started once for the whole executable; without it they are skipped.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <QCoreApplication>
#include <QProcess>
#include <cstdio>

#include <chrono>
#include <functional>
#include <future>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "append_child_run.h"
#include "fakes/fake_clock.h"
#include "records/records_store.h"
#include "records/server_settings.h"
#include "records/sql/postgres_dialect.h"
#include "records/sql/qt_protected_file_reader.h"
#include "records/sql/server_sender.h"
#include "records/sql/server_store.h"
#include "records/sql/spool.h"
#include "records/sql/sql_store.h"
#include "records/sql/store_factory.h"
#include "records/store_status.h"
#include "sample_records.h"
#include "server_fixture.h"
#include "sqlite_direct.h"
#include "store_dir.h"
#include "store_reading.h"

namespace {

using records::StoreProblem;
using records::sql::ServerStore;
using records::sql::SqlStore;
using records_test::kPasswordFile;
using records_test::newestTexts;
using records_test::PostgresServer;
using records_test::recordNumber;
using records_test::recordTexts;
using records_test::Rows;
using records_test::selectTenFields;
using records_test::ServerDirect;
using records_test::StoreDir;
using records_test::tableWithoutSite;
using records_test::writeFile;

constexpr records::sql::Backoff kQuickBackoff{
    std::chrono::milliseconds(20), std::chrono::milliseconds(200), std::chrono::milliseconds(300)};

// Waits until `done` holds, a minute at most; whether it does.
bool eventually(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

bool drained(const records::Store& store) {
    return eventually([&] {
        const records::StoreHealth health = store.health();
        return health.ok() && health.waiting == 0;
    });
}

std::string toolsTable() {
    return records::createTableStatement(records::SqlDialect::PostgreSql);
}

// Warnings the program writes on standard error, as Qt hands them over.
std::mutex warningsMutex;
std::vector<std::string> warnings;

void keepWarning(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtWarningMsg) {
        const std::lock_guard<std::mutex> lock(warningsMutex);
        warnings.push_back(message.toStdString());
    }
}

long countWarnings(const std::string& part) {
    const std::lock_guard<std::mutex> lock(warningsMutex);
    return std::count_if(warnings.begin(), warnings.end(),
                         [&](const std::string& w) { return w.find(part) != std::string::npos; });
}

class ServerStoreTest : public records_test::ServerTest {
  protected:
    void SetUp() override {
        ServerTest::SetUp();
        if (!IsSkipped() && !HasFatalFailure()) {
            writeSettings("east");
        }
    }

    std::unique_ptr<ServerStore> loggingStore(const char* settings = "records.conf",
                                              const char* spool = "records-spool.db") {
        return std::make_unique<ServerStore>(QString::fromUtf8(settings), QString::fromUtf8(spool),
                                             clock_, kQuickBackoff);
    }

    std::unique_ptr<SqlStore> readingStore(const char* settings = "records.conf") {
        return std::make_unique<SqlStore>(
            std::make_unique<records::sql::PostgresDialect>(
                QString::fromUtf8(settings), records::sql::PostgresDialect::Role::Reading),
            clock_);
    }

    Rows serverRecords() { return direct_->rows(selectTenFields("\"序号\"")); }

    // Records of site "east" put in the spool behind a store's back, as a program killed before
    // it sent them leaves them.
    void leaveInSpool(std::initializer_list<int> numbers) {
        records::sql::Spool spool(QString::fromStdString(dir_.path("records-spool.db")),
                                  records::sql::Spool::Use::Keep);
        for (const int n : numbers) {
            ASSERT_TRUE(spool.add(recordNumber(n), "east", clock_.msecs).ok());
        }
    }

    std::int64_t spooled(const char* spool = "records-spool.db") {
        return records_test::SqliteDirect(dir_.path(spool)).number("SELECT count(*) FROM waiting");
    }

    fakes::FakeClock clock_;
};

struct Table {
    const char* name;
    std::string create;
    std::string site;
    const char* storedSite;  // what "站点" holds; null: there is no such column
};

TEST_F(ServerStoreTest, RecordsLandWithTheSiteWhereTheTableHasItsColumn) {
    const Table tables[] = {
        {"tool's table, site", toolsTable(), "泵站 east", "泵站 east"},
        {"tool's table, no site", toolsTable(), "", "NULL"},
        {"no site column", tableWithoutSite(), "泵站 east", nullptr},
    };
    for (const Table& table : tables) {
        SCOPED_TRACE(table.name);
        ASSERT_TRUE(direct_->exec("DROP TABLE IF EXISTS \"数据监测\""));
        ASSERT_TRUE(direct_->exec(table.create));
        writeSettings(table.site);
        // As the program makes them: the store it logs into, and one a window reads with.
        const records::sql::LoggingStore logging = records::sql::openLoggingStore(clock_);
        const std::unique_ptr<records::Store> reading = records::sql::readingStores(clock_)();
        for (int n = 1; n <= 3; ++n) {
            ASSERT_TRUE(logging.store->append(recordNumber(n)));
        }
        ASSERT_TRUE(drained(*logging.store)) << logging.store->health().detail;
        EXPECT_EQ(serverRecords(), recordTexts(1, 3));
        if (table.storedSite) {
            EXPECT_EQ(direct_->rows("SELECT \"站点\" FROM \"数据监测\""),
                      Rows(3, {table.storedSite}));
        }
        EXPECT_EQ(newestTexts(*reading), recordTexts(1, 3));
        EXPECT_EQ(newestTexts(*logging.store), recordTexts(1, 3));
        EXPECT_EQ(logging.store->health().lastStoredMsecs, clock_.msecs);
    }
}

// A record sent before the sender heard of it leaves none counted as waiting.
TEST_F(ServerStoreTest, ARecordSentBeforeItWasCountedLeavesNoneWaiting) {
    ASSERT_TRUE(direct_->exec(toolsTable()));
    leaveInSpool({1, 2});  // before the sender opens the spool
    records::sql::ServerSender sender("records.conf", "records-spool.db", clock_, kQuickBackoff, 0);
    sender.recordAdded();  // record 1's word; record 2's comes after both are sent
    ASSERT_TRUE(eventually([&] { return serverRecords() == recordTexts(1, 2); }));
    ASSERT_TRUE(eventually([&] { return sender.state().waiting == 0; }));
    sender.recordAdded();
    EXPECT_TRUE(eventually([&] { return sender.state().waiting == 0; }))
        << sender.state().waiting << " counted as waiting with the spool empty";
    EXPECT_EQ(spooled(), 0);
}

// Records due together enter the spool in one transaction: one the spool refuses (a trigger
// refuses record 2) leaves none of them there. The store then adds them one by one, so that only
// the refused one fails to reach the server.
TEST_F(ServerStoreTest, RecordsDueTogetherEnterTheSpoolTogetherAndNoneIsLostForAnother) {
    ASSERT_TRUE(direct_->exec(toolsTable()));
    records::sql::Spool spool(QString::fromStdString(dir_.path("records-spool.db")),
                              records::sql::Spool::Use::Keep);
    std::int64_t waiting = -1;
    ASSERT_TRUE(spool.count(waiting).ok());  // makes the spool
    ASSERT_TRUE(records_test::SqliteDirect(dir_.path("records-spool.db"))
                    .exec("CREATE TRIGGER refuse BEFORE INSERT ON waiting WHEN "
                          "NEW.\"正向累计\" = '2m3' BEGIN SELECT RAISE(ABORT, 'refused'); END"));
    const std::vector<records::MeasurementRecord> due = {recordNumber(1), recordNumber(2),
                                                         recordNumber(3)};
    EXPECT_FALSE(spool.addAll(due, "east", clock_.msecs).ok());
    EXPECT_EQ(spooled(), 0) << "all or nothing";
    const auto store = loggingStore();
    EXPECT_EQ(store->appendAll(due), (std::vector<bool>{true, false, true}));
    ASSERT_TRUE(drained(*store)) << store->health().detail;
    Rows expected = recordTexts(1, 1);
    expected.push_back(recordTexts(3, 3).front());
    EXPECT_EQ(serverRecords(), expected);
}

// A dropped idle connection is replaced at once, not after the pause that follows a failure.
TEST_F(ServerStoreTest, ADroppedConnectionThatHadWorkedIsReplacedAtOnce) {
    ASSERT_TRUE(direct_->exec(toolsTable()));
    const std::chrono::milliseconds minute(60000);
    leaveInSpool({1});  // before the sender opens the spool
    records::sql::ServerSender sender("records.conf", "records-spool.db", clock_,
                                      {minute, minute, minute}, 0);
    sender.recordAdded();
    ASSERT_TRUE(eventually([&] { return serverRecords() == recordTexts(1, 1); }));
    ASSERT_TRUE(
        direct_->exec("SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
                      "WHERE pid <> pg_backend_pid() AND datname = current_database()"));
    leaveInSpool({2});
    sender.recordAdded();
    const auto sent = std::chrono::steady_clock::now();
    ASSERT_TRUE(eventually([&] { return serverRecords() == recordTexts(1, 2); }));
    EXPECT_LT(std::chrono::steady_clock::now() - sent, std::chrono::seconds(20))
        << "sent after the pause";
}

TEST_F(ServerStoreTest, SitesShareOneTableAndEachListsAndClearsItsOwnRecords) {
    ASSERT_TRUE(direct_->exec(toolsTable()));
    writeSettings("east", "east.conf");
    writeSettings("west", "west.conf");
    writeSettings("", "plant.conf");
    const auto east = loggingStore("east.conf", "east-spool.db");
    const auto west = loggingStore("west.conf", "west-spool.db");
    ASSERT_TRUE(east->append(recordNumber(1)));
    ASSERT_TRUE(drained(*east));
    ASSERT_TRUE(west->append(recordNumber(2)));
    ASSERT_TRUE(drained(*west));
    ASSERT_TRUE(east->append(recordNumber(3)));
    ASSERT_TRUE(drained(*east));

    const auto eastReads = readingStore("east.conf");
    const auto westReads = readingStore("west.conf");
    const auto plantReads = readingStore("plant.conf");
    EXPECT_EQ(newestTexts(*eastReads), (Rows{recordTexts(1, 1)[0], recordTexts(3, 3)[0]}));
    EXPECT_EQ(newestTexts(*westReads), recordTexts(2, 2));
    EXPECT_EQ(newestTexts(*plantReads), recordTexts(1, 3));
    EXPECT_EQ(eastReads->count({}), 2);

    ASSERT_TRUE(westReads->clear());
    EXPECT_EQ(newestTexts(*westReads), Rows{});
    EXPECT_EQ(direct_->rows("SELECT \"站点\" FROM \"数据监测\" ORDER BY \"序号\""),
              (Rows{{"east"}, {"east"}}));
    ASSERT_TRUE(plantReads->clear());
    EXPECT_EQ(direct_->rows("SELECT count(*) FROM \"数据监测\""), Rows{{"0"}});
}

// An export's walk: one site's records that pass the filter, oldest first, across batches.
TEST_F(ServerStoreTest, WalkTakesTheSitesMatchingRecordsInOrderAcrossBatches) {
    ASSERT_TRUE(direct_->exec(toolsTable()));
    // Records n = 1, 2, …: station n % 4, day 2007-10-(10 + n % 3), the site alternating, and
    // every 97th record's "日期" written another way.
    const int rows = 25000;
    ASSERT_TRUE(direct_->exec(
        "INSERT INTO \"数据监测\" (\"仪表编号\", \"日期\", \"瞬时流量\", \"站点\") "
        "SELECT n % 4, CASE WHEN n % 97 = 0 THEN '10/1' || (n % 3) || '/2007 ' || n ELSE "
        "'2007-10-' || "
        "(10 + n % 3) || '/9:' || n END, n::text, CASE WHEN n % 2 = 0 THEN 'east' ELSE 'west' END "
        "FROM generate_series(1, " +
        std::to_string(rows) + ") AS n"));
    const auto reading = readingStore();

    records::RecordFilter filter;
    filter.station = 2;
    filter.fromDate = "2007-10-11";
    filter.toDate = "2007-10-12";
    std::vector<int> flows;
    ASSERT_TRUE(reading->walk(filter, [&](std::int64_t, const records::RecordView& fields) {
        flows.push_back(std::stoi(std::string(fields[3])));
        return true;
    }));
    std::vector<int> expected;
    for (int n = 1; n <= rows; ++n) {
        if (n % 2 == 0 && n % 4 == 2 && n % 3 != 0 && n % 97 != 0) {
            expected.push_back(n);
        }
    }
    EXPECT_EQ(flows, expected);
    EXPECT_EQ(reading->count(filter), static_cast<std::int64_t>(expected.size()));
    EXPECT_EQ(records_test::walkedKeys(*reading).size(), static_cast<std::size_t>(rows / 2));

    // A walk the sink stops, and one after a key.
    std::vector<std::int64_t> keys;
    ASSERT_TRUE(reading->walk({}, [&](std::int64_t key, const records::RecordView&) {
        keys.push_back(key);
        return keys.size() < 2;
    }));
    EXPECT_EQ(keys, (std::vector<std::int64_t>{2, 4}));
    records::RecordFilter after;
    after.afterKey = 4;
    EXPECT_EQ(records_test::walkedKeys(*reading, after).size(),
              static_cast<std::size_t>(rows / 2 - 2));
}

// The server away for a while, the program stopped and started again meanwhile: every record
// waits in the spool, and reaches the server in the order it was logged, before newer ones.
TEST_F(ServerStoreTest, RecordsWaitThroughAnOutageAndARestartAndArriveInOrder) {
    ASSERT_TRUE(direct_->exec(toolsTable()));
    auto store = loggingStore();
    const auto reading = readingStore();  // a window's, on a connection made before the outage
    ASSERT_TRUE(store->append(recordNumber(1)));
    ASSERT_TRUE(drained(*store));
    EXPECT_EQ(newestTexts(*reading), recordTexts(1, 1));
    const std::int64_t firstStored = clock_.msecs;
    direct_.reset();

    ASSERT_TRUE(server_->stop()) << server_->problem();
    for (int n = 2; n <= 4; ++n) {
        clock_.msecs += 60000;
        ASSERT_TRUE(store->append(recordNumber(n)));
    }
    ASSERT_TRUE(eventually([&] { return !store->health().ok(); }));
    const records::StoreHealth away = store->health();
    EXPECT_EQ(away.problem, StoreProblem::ServerUnreachable) << away.detail;
    EXPECT_EQ(away.waiting, 3);
    EXPECT_EQ(away.lastStoredMsecs, firstStored);
    EXPECT_EQ(records::statusLineText(away, clock_.msecs),
              "记录未保存：无法连接服务器（" + away.detail +
                  "），上次保存于 3 分钟前，3 条记录等待发送到服务器");
    EXPECT_EQ(store->newest({}, 10), std::nullopt) << "reads go to the server";
    EXPECT_EQ(reading->count({}), std::nullopt) << "on the connection the server dropped";
    EXPECT_FALSE(reading->health().ok());
    EXPECT_EQ(reading->newest({}, 10), std::nullopt) << "on a new connection";
    EXPECT_EQ(reading->health().problem, StoreProblem::ServerUnreachable)
        << reading->health().detail;

    store.reset();  // the program ends while the server is away
    EXPECT_EQ(spooled(), 3);
    store = loggingStore();
    EXPECT_EQ(store->health().waiting, 3);
    ASSERT_TRUE(server_->start()) << server_->problem();
    ASSERT_TRUE(store->append(recordNumber(5)));
    ASSERT_TRUE(drained(*store)) << store->health().detail;
    direct_ = std::make_unique<ServerDirect>(*server_);
    EXPECT_EQ(serverRecords(), recordTexts(1, 5));
    EXPECT_EQ(spooled(), 0);
    EXPECT_EQ(newestTexts(*reading), recordTexts(1, 5)) << "the window reads on a new connection";
    EXPECT_TRUE(reading->health().ok());
}

// Killed after the server stored a record and before the spool let it go, the program sends it
// again at its next start; the table's unique key keeps one.
TEST_F(ServerStoreTest, ARecordSentAgainIsStoredOnce) {
    ASSERT_TRUE(direct_->exec(toolsTable()));
    const long warned = countWarnings("no unique key");
    {
        auto store = loggingStore();
        ASSERT_TRUE(store->append(recordNumber(1)));
        ASSERT_TRUE(drained(*store));
    }
    ASSERT_NO_FATAL_FAILURE(leaveInSpool({1, 2}));
    auto store = loggingStore();
    ASSERT_TRUE(drained(*store)) << store->health().detail;
    EXPECT_EQ(serverRecords(), recordTexts(1, 2));
    EXPECT_EQ(spooled(), 0);
    EXPECT_EQ(countWarnings("no unique key"), warned);
}

// A table without the unique key stores a record sent again twice; the program says so once.
TEST_F(ServerStoreTest, ATableWithoutTheUniqueKeyIsSaidToAllowARecordTwice) {
    ASSERT_TRUE(direct_->exec(tableWithoutSite()));
    const long before = countWarnings("no unique key");
    ASSERT_NO_FATAL_FAILURE(leaveInSpool({1, 1}));
    auto store = loggingStore();
    ASSERT_TRUE(drained(*store)) << store->health().detail;
    direct_.reset();
    ASSERT_TRUE(server_->stop());
    ASSERT_TRUE(server_->start());
    ASSERT_TRUE(store->append(recordNumber(2)));
    ASSERT_TRUE(drained(*store)) << store->health().detail;
    direct_ = std::make_unique<ServerDirect>(*server_);
    EXPECT_EQ(serverRecords(),
              (Rows{recordTexts(1, 1)[0], recordTexts(1, 1)[0], recordTexts(2, 2)[0]}));
    EXPECT_EQ(countWarnings("no unique key"), before + 1) << "once, whatever the connections";
}

// A server that takes the connection but answers nothing: the append returns with the record in
// the spool, and the record reaches the server once it answers again.
TEST_F(ServerStoreTest, AppendReturnsWhileTheServerDoesNotAnswer) {
    ASSERT_TRUE(direct_->exec(toolsTable()));
    auto store = loggingStore();
    ASSERT_TRUE(store->append(recordNumber(1)));
    ASSERT_TRUE(drained(*store));

    ASSERT_TRUE(server_->pause()) << server_->problem();
    ASSERT_TRUE(store->append(recordNumber(2)));
    ASSERT_TRUE(store->append(recordNumber(3)));
    EXPECT_EQ(spooled(), 2);
    EXPECT_EQ(store->health().waiting, 2);
    // The sender waits on the server, and says it does not answer.
    ASSERT_TRUE(eventually([&] { return !store->health().ok(); }));
    EXPECT_EQ(store->health().problem, StoreProblem::ServerUnreachable);
    EXPECT_EQ(store->health().detail.rfind("no answer from the server for ", 0), 0U)
        << store->health().detail;
    EXPECT_EQ(spooled(), 2);
    ASSERT_TRUE(server_->resume()) << server_->problem();
    ASSERT_TRUE(drained(*store)) << store->health().detail;
    EXPECT_EQ(serverRecords(), recordTexts(1, 3));

    // The program ends while the server does not answer: the sender's statement is broken off.
    ASSERT_TRUE(server_->pause()) << server_->problem();
    ASSERT_TRUE(store->append(recordNumber(4)));
    store.reset();
    ASSERT_TRUE(server_->resume()) << server_->problem();
    EXPECT_EQ(spooled(), 1);
    store = loggingStore();
    ASSERT_TRUE(drained(*store)) << store->health().detail;
    EXPECT_EQ(serverRecords(), recordTexts(1, 4));
}

// A statement that a server answering nothing keeps waiting ends once its connection is broken
// off from another thread; a connection made after that is cut as soon as it is made.
TEST_F(ServerStoreTest, BreakingOffEndsAStatementTheServerDoesNotAnswer) {
    ASSERT_TRUE(direct_->exec(toolsTable()));
    const auto breaker = std::make_shared<records::sql::ConnectionBreaker>();
    SqlStore store(std::make_unique<records::sql::PostgresDialect>(
                       "records.conf", records::sql::PostgresDialect::Role::Sending, breaker),
                   clock_);
    std::promise<bool> first;
    std::promise<bool> second;
    std::promise<void> go;
    std::future<bool> firstStored = first.get_future();
    std::future<bool> secondStored = second.get_future();
    // Both records on one thread, so that the second goes over the connection the first made.
    std::thread sending([&, goOn = go.get_future()] {
        first.set_value(store.appendWithSite(recordNumber(1), "east"));
        goOn.wait();
        second.set_value(store.appendWithSite(recordNumber(2), "east"));
    });
    const bool connected = firstStored.get();
    const bool paused = connected && server_->pause();
    go.set_value();
    bool ended = false;
    if (paused) {
        breaker->breakOff();
        ended = secondStored.wait_for(std::chrono::minutes(1)) == std::future_status::ready;
        EXPECT_TRUE(server_->resume()) << server_->problem();
    }
    sending.join();
    ASSERT_TRUE(connected) << store.health().detail;
    ASSERT_TRUE(paused) << server_->problem();
    ASSERT_TRUE(ended) << "the statement still waited on the server a minute after the break";
    EXPECT_FALSE(secondStored.get());

    EXPECT_FALSE(store.appendWithSite(recordNumber(3), "east")) << "made after the break";
}

// A settings file or password file that is a FIFO is never opened: nothing waits on it, and the
// records wait in the spool until the files are usable.
TEST_F(ServerStoreTest, FilesThatAreNotRegularAreNeverWaitedOn) {
    ASSERT_TRUE(direct_->exec(toolsTable()));
    const char* const files[] = {records::kServerSettingsFile, kPasswordFile};
    for (const char* name : files) {
        SCOPED_TRACE(name);
        const std::string path = dir_.path(name);
        const std::string saved = path + ".saved";
        ASSERT_EQ(std::rename(path.c_str(), saved.c_str()), 0);
        ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
        {
            auto store = loggingStore();
            ASSERT_TRUE(store->append(recordNumber(1)));
            ASSERT_TRUE(eventually([&] { return !store->health().ok(); }));
            EXPECT_EQ(store->health().problem, StoreProblem::Other) << store->health().detail;
            EXPECT_EQ(store->health().waiting, 1);
        }
        ASSERT_EQ(std::remove(path.c_str()), 0);
        ASSERT_EQ(std::rename(saved.c_str(), path.c_str()), 0);
        auto store = loggingStore();
        ASSERT_TRUE(drained(*store)) << store->health().detail;
        ASSERT_TRUE(direct_->exec("DELETE FROM \"数据监测\""));
    }
}

class ServerRefusal;
using Change = void (*)(ServerRefusal&);

struct Refusal {
    const char* name;
    Change cause;
    Change mend;
    StoreProblem problem;
    bool onNextConnection;  // the server restarts, so that the store connects anew
};

class ServerRefusal : public ServerStoreTest, public testing::WithParamInterface<Refusal> {
  public:
    using ServerStoreTest::dir_;
    using ServerStoreTest::direct_;
    using ServerStoreTest::server_;
    void exec(const std::string& sql) { ASSERT_TRUE(direct_->exec(sql)); }
    void password(const char* text) { writeFile(dir_.path(kPasswordFile), text, 0600); }
    void passwordMode(mode_t mode) { ASSERT_EQ(chmod(dir_.path(kPasswordFile).c_str(), mode), 0); }
};

// The store logs in as a user who may read the table but not insert into it.
void loginWithoutInsert(ServerRefusal& t) {
    t.exec(
        "DO $$BEGIN IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'logger') THEN "
        "CREATE ROLE logger LOGIN PASSWORD 'logger password'; END IF; END$$");
    t.exec("GRANT SELECT ON \"数据监测\" TO logger");
    writeFile(t.dir_.path("logger.password"), "logger password", 0600);
    std::string text = t.server_->settings(kPasswordFile, "east");
    text.replace(text.find("user=tusko"), 10, "user=logger");
    text.replace(text.find(kPasswordFile), std::string(kPasswordFile).size(), "logger.password");
    writeFile(t.dir_.path(records::kServerSettingsFile), text, 0644);
}

const Change openPasswordFile = [](ServerRefusal& t) { t.passwordMode(0640); };
const Change closePasswordFile = [](ServerRefusal& t) { t.passwordMode(0600); };
const Change wrongPassword = [](ServerRefusal& t) { t.password("wrong"); };
const Change rightPassword = [](ServerRefusal& t) { t.password(PostgresServer::kPassword); };
const Change dropTable = [](ServerRefusal& t) { t.exec("DROP TABLE \"数据监测\""); };
const Change createTable = [](ServerRefusal& t) { t.exec(toolsTable()); };
const Change grantInsert = [](ServerRefusal& t) {
    t.exec("GRANT INSERT ON \"数据监测\" TO logger");
};
const Change lockTable = [](ServerRefusal& t) {
    t.exec("BEGIN");
    t.exec("LOCK TABLE \"数据监测\" IN ACCESS EXCLUSIVE MODE");
};
const Change unlockTable = [](ServerRefusal& t) { t.exec("COMMIT"); };

TEST_P(ServerRefusal, RecordsWaitWhileTheServerRefusesAndArriveOnceItTakesThem) {
    const Refusal& refusal = GetParam();
    ASSERT_TRUE(direct_->exec(toolsTable()));
    auto store = loggingStore();
    ASSERT_TRUE(store->append(recordNumber(1)));
    ASSERT_TRUE(drained(*store));
    refusal.cause(*this);
    ASSERT_FALSE(HasFatalFailure());
    if (refusal.onNextConnection) {
        direct_.reset();
        ASSERT_TRUE(server_->stop());
        ASSERT_TRUE(server_->start());
        direct_ = std::make_unique<ServerDirect>(*server_);
    }
    ASSERT_TRUE(store->append(recordNumber(2)));
    ASSERT_TRUE(eventually([&] { return store->health().problem == refusal.problem; }))
        << records::statusLineEnglish(store->health(), clock_.msecs);
    EXPECT_EQ(store->health().waiting, 1);

    refusal.mend(*this);
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(drained(*store)) << store->health().detail;
    EXPECT_EQ(direct_->rows("SELECT \"瞬时流量\" FROM \"数据监测\" ORDER BY \"序号\"").back(),
              std::vector<std::string>{recordNumber(2).flow});
}

INSTANTIATE_TEST_SUITE_P(
    Server, ServerRefusal,
    testing::Values(
        Refusal{"PasswordFileOpenToOthers", openPasswordFile, closePasswordFile,
                StoreProblem::Other, true},
        Refusal{"WrongPassword", wrongPassword, rightPassword, StoreProblem::ServerRefused, true},
        Refusal{"NoRightToInsert", loginWithoutInsert, grantInsert, StoreProblem::ServerRefused,
                true},
        Refusal{"TableDropped", dropTable, createTable, StoreProblem::WrongLayout, false},
        Refusal{"TableLocked", lockTable, unlockTable, StoreProblem::Locked, false}),
    [](const testing::TestParamInfo<Refusal>& info) { return std::string(info.param.name); });

// A program killed at any moment while it logs, with the server there or away: every record
// whose append returned reaches the server, none twice.
TEST_F(ServerStoreTest, KillWhileLoggingLosesNoRecordAndStoresNoneTwice) {
    ASSERT_TRUE(direct_->exec(toolsTable()));
    std::mt19937 random(20071010);
    long long appended = 0;
    for (int round = 0; round < 6; ++round) {
        const bool outage = round % 2 == 0;
        SCOPED_TRACE("round " + std::to_string(round) + (outage ? ", server away" : ""));
        direct_.reset();
        if (outage) {
            ASSERT_TRUE(server_->stop());
        }
        const long long printed =
            records_test::killWhileAppending(dir_.path("."), round + 1, random);
        ASSERT_GE(printed, records_test::kAppendsBeforeKill);
        if (outage) {
            ASSERT_TRUE(server_->start());
        }

        // The program's next start sends what is left.
        auto store = loggingStore();
        ASSERT_TRUE(drained(*store)) << store->health().detail;
        direct_ = std::make_unique<ServerDirect>(*server_);
        const long long stored =
            std::stoll(direct_->rows("SELECT count(*) FROM \"数据监测\"")[0][0]);
        EXPECT_GE(stored, appended + printed);
        EXPECT_LE(stored, appended + printed + 1) << "at most the append cut short was kept";
        EXPECT_EQ(direct_->rows("SELECT \"日期\" FROM \"数据监测\" GROUP BY 1 HAVING count(*) > 1"),
                  Rows{});
        appended = stored;
    }
}

TEST_F(ServerStoreTest, StoreToolCreatesTheTableWithItsUniqueKeyOnce) {
    const QString tool = QStringLiteral(TUSKO_MKSTORE_PATH);
    const Rows columns = {{"序号", "bigint"},   {"仪表编号", "smallint"}, {"日期", "text"},
                          {"管径", "text"},     {"瞬时流量", "text"},     {"百分比", "text"},
                          {"量程比", "text"},   {"流速", "text"},         {"正向累计", "text"},
                          {"反向累计", "text"}, {"报警状态", "text"},     {"站点", "text"}};
    const std::string columnsQuery =
        "SELECT column_name, data_type FROM information_schema.columns "
        "WHERE table_name = '数据监测' ORDER BY ordinal_position";
    const std::string uniqueKeys =
        "SELECT pg_get_indexdef(indexrelid) FROM pg_index WHERE indisunique AND indrelid = "
        "'\"数据监测\"'::regclass AND NOT indisprimary";

    QProcess process;
    const auto run = [&](const char* option, const char* argument) {
        process.start(tool, {QString::fromUtf8(option), QString::fromUtf8(argument)});
        return process.waitForFinished() ? process.exitCode() : -1;
    };
    EXPECT_EQ(run("--server", "records.conf"), 0) << process.readAllStandardError().toStdString();
    EXPECT_EQ(direct_->rows(columnsQuery), columns);
    const Rows key = direct_->rows(uniqueKeys);
    ASSERT_EQ(key.size(), 1U);
    EXPECT_NE(key[0][0].find("(\"站点\", \"仪表编号\", \"日期\") NULLS NOT DISTINCT"),
              std::string::npos)
        << key[0][0];
    auto store = loggingStore();
    ASSERT_TRUE(store->append(recordNumber(1)));
    ASSERT_TRUE(drained(*store));

    EXPECT_EQ(run("--server", "records.conf"), 1);
    EXPECT_EQ(serverRecords(), recordTexts(1, 1));

    // The statement printed for PostgreSQL makes the same table.
    ASSERT_EQ(run("--schema", "postgresql"), 0);
    ASSERT_TRUE(direct_->exec("DROP TABLE \"数据监测\""));
    ASSERT_TRUE(direct_->exec(process.readAllStandardOutput().toStdString()));
    EXPECT_EQ(direct_->rows(columnsQuery), columns);
    EXPECT_EQ(direct_->rows(uniqueKeys), key);
}

TEST(QtProtectedFileReader, ReportsThePermissionsOfTheFileItRead) {
    StoreDir dir;
    const std::string path = dir.path("secret");
    records::sql::QtProtectedFileReader reader;
    EXPECT_FALSE(reader.read(path));
    for (const mode_t mode : {0600, 0640, 0604, 0400}) {
        writeFile(path, "s3cret\n", mode);
        const std::optional<platform::ProtectedFile> file = reader.read(path);
        ASSERT_TRUE(file);
        EXPECT_EQ(file->permissions, mode);
        EXPECT_EQ(file->contents, "s3cret\n");
    }
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    qInstallMessageHandler(keepWarning);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
