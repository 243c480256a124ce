// The records file meets what an unattended plant PC meets: while it cannot take records each
// append fails quickly and says why, the store never stays in that state, and the next append
// after the file is usable again is stored.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "fakes/fake_clock.h"
#include "file_store.h"
#include "full_disk.h"
#include "records/records_store.h"
#include "records/sql/sql_store.h"
#include "records/sql/sqlite_dialect.h"
#include "records/store_status.h"
#include "sample_records.h"
#include "sqlite_direct.h"
#include "store_dir.h"
#include "without_root.h"

namespace {

using records::StoreProblem;
using records_test::SqliteDirect;
using records_test::StoreDir;
using Rows = std::vector<std::vector<std::string>>;

class FileStoreFault;

enum class Onset { BeforeStart, WhileLogging };
enum class Runs { AsRoot, Unprivileged };

struct StoreFault {
    const char* name;
    Onset onset;
    Runs runs;
    void (*breakStore)(FileStoreFault&);
    void (*mendStore)(FileStoreFault&);
    StoreProblem problem;    // while the fault lasts
    const char* statusLine;  // after the second failed append, two minutes on
    std::vector<int> minutesKept;
};

void PrintTo(const StoreFault& fault, std::ostream* out) {
    *out << fault.name;
}

constexpr std::int64_t kTenOClock = 1191981600000;  // 2007-10-10 02:00 UTC

class FileStoreFault : public testing::TestWithParam<StoreFault> {
  public:
    void SetUp() override {
        if (GetParam().runs == Runs::Unprivileged) {
            if (geteuid() == 0) {
                ASSERT_EQ(
                    chown(dir.path(".").c_str(), records_test::kNobody, records_test::kNobody), 0);
            }
            unprivileged_.emplace();
            if (!unprivileged_->effective()) {
                GTEST_SKIP() << "no unprivileged user to run as";
            }
        }
        ASSERT_TRUE(dir.createStore());
    }

    void TearDown() override { store.reset(); }

    void openStore() {
        store = records_test::fileStore(clock, records::sql::SqliteDialect::Role::Logging);
    }

    // The record of minute `minute` past ten.
    bool appendAt(int minute) {
        clock.msecs = kTenOClock + minute * 60000;
        records::MeasurementRecord record = records_test::recordNumber(minute);
        record.date = "2007-10-10/10:0" + std::to_string(minute);
        return store->append(record);
    }

    Rows loggedTimes() {
        return SqliteDirect(dir.path()).rows("SELECT \"日期\" FROM \"数据监测\" ORDER BY rowid");
    }

    // Files other than journals, which an interrupted write leaves.
    QStringList filesOtherThanJournals() const {
        QStringList files = dir.entries();
        files.removeIf(
            [](const QString& name) { return name.endsWith(QLatin1String("-journal")); });
        return files;
    }

    StoreDir dir;
    fakes::FakeClock clock;
    records_test::FullDisk disk;
    QProcess sqliteTool;
    std::unique_ptr<records::sql::SqlStore> store;

  private:
    std::optional<records_test::WithoutRoot> unprivileged_;
};

void moveFile(const std::string& from, const std::string& to) {
    ASSERT_EQ(std::rename(from.c_str(), to.c_str()), 0) << from << " -> " << to;
}

void createStore(FileStoreFault& t) {
    ASSERT_TRUE(t.dir.createStore());
}

void removeStore(FileStoreFault& t) {
    ASSERT_EQ(std::remove(t.dir.path().c_str()), 0);
}

void makeReadOnly(FileStoreFault& t) {
    ASSERT_EQ(chmod(t.dir.path().c_str(), 0444), 0);
}

void makeWritable(FileStoreFault& t) {
    ASSERT_EQ(chmod(t.dir.path().c_str(), 0644), 0);
}

// The sqlite3 tool in another process, inside a write transaction it has not ended.
void holdWriteLock(FileStoreFault& t) {
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    ASSERT_FALSE(tool.isEmpty()) << "the sqlite3 command-line tool is needed";
    t.sqliteTool.start(tool, {QString::fromStdString(t.dir.path())});
    ASSERT_TRUE(t.sqliteTool.waitForStarted());
    t.sqliteTool.write("BEGIN IMMEDIATE;\nSELECT 'held';\n");
    QByteArray said;
    while (!said.contains("held") && t.sqliteTool.waitForReadyRead(5000)) {
        said += t.sqliteTool.readAllStandardOutput();
    }
    ASSERT_TRUE(said.contains("held")) << t.sqliteTool.readAllStandardError().toStdString();
}

void releaseWriteLock(FileStoreFault& t) {
    t.sqliteTool.write("COMMIT;\n");
    t.sqliteTool.closeWriteChannel();
    ASSERT_TRUE(t.sqliteTool.waitForFinished());
}

void backUp(FileStoreFault& t) {
    ASSERT_TRUE(QFile::copy(QString::fromStdString(t.dir.path()),
                            QString::fromStdString(t.dir.path("backup.mdb"))));
}

void backUpAndDelete(FileStoreFault& t) {
    backUp(t);
    removeStore(t);
}

void backUpAndMoveInNonDatabase(FileStoreFault& t) {
    backUp(t);
    QFile incoming(QString::fromStdString(t.dir.path("incoming")));
    ASSERT_TRUE(incoming.open(QIODevice::WriteOnly));
    ASSERT_GT(incoming.write(QByteArray(8192, 'x')), 0);
    incoming.close();
    moveFile(t.dir.path("incoming"), t.dir.path());
}

void restoreBackup(FileStoreFault& t) {
    moveFile(t.dir.path("backup.mdb"), t.dir.path());
}

void moveInFreshStore(FileStoreFault& t) {
    ASSERT_TRUE(SqliteDirect(t.dir.path("incoming")).exec(records::createTableStatement()));
    moveFile(t.dir.path("incoming"), t.dir.path());
}

void dropTable(FileStoreFault& t) {
    ASSERT_TRUE(SqliteDirect(t.dir.path()).exec("DROP TABLE \"数据监测\""));
}

void createTable(FileStoreFault& t) {
    ASSERT_TRUE(SqliteDirect(t.dir.path()).exec(records::createTableStatement()));
}

void fillDisk(FileStoreFault& t) {
    t.disk.fill(true);
}

void emptyDisk(FileStoreFault& t) {
    t.disk.fill(false);
}

void leaveAlone(FileStoreFault&) {}

bool changeAttribute(FileStoreFault& t, const char* change) {
    QProcess chattr;
    chattr.start(QStringLiteral("chattr"),
                 {QString::fromLatin1(change), QString::fromStdString(t.dir.path())});
    return chattr.waitForFinished() && chattr.exitStatus() == QProcess::NormalExit &&
           chattr.exitCode() == 0;
}

void makeImmutable(FileStoreFault& t) {
    if (!changeAttribute(t, "+i")) {
        GTEST_SKIP() << "chattr +i is not possible here";
    }
}

void makeMutable(FileStoreFault& t) {
    ASSERT_TRUE(changeAttribute(t, "-i"));
}

// The file as another program left it when it was killed in the middle of a large write: its
// journal beside it is hot, and only an open that can write rolls it back. Then read-only.
void leaveHotJournalOnReadOnlyFile(FileStoreFault& t) {
    const QString store = QString::fromStdString(t.dir.path());
    const QString journal = store + QStringLiteral("-journal");
    {
        SqliteDirect writer(t.dir.path());
        ASSERT_TRUE(writer.exec("PRAGMA cache_size = 1"));
        ASSERT_TRUE(writer.exec("BEGIN"));
        ASSERT_TRUE(writer.exec(
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
            "INSERT INTO \"数据监测\" (\"日期\") SELECT printf('%0400d', i) FROM n"));
        ASSERT_TRUE(QFile::exists(journal));
        ASSERT_TRUE(QFile::copy(store, store + QStringLiteral(".hot")));
        ASSERT_TRUE(QFile::copy(journal, journal + QStringLiteral(".hot")));
        ASSERT_TRUE(writer.exec("ROLLBACK"));
    }
    moveFile(journal.toStdString() + ".hot", journal.toStdString());
    moveFile(store.toStdString() + ".hot", store.toStdString());
    makeReadOnly(t);
}

TEST_P(FileStoreFault, EachAppendSaysWhyUntilTheFileTakesRecordsAgain) {
    const StoreFault& fault = GetParam();
    if (fault.onset == Onset::BeforeStart) {
        fault.breakStore(*this);
    }
    openStore();
    if (fault.onset == Onset::WhileLogging) {
        ASSERT_TRUE(appendAt(1));
        fault.breakStore(*this);
    }
    if (IsSkipped()) {
        return;
    }
    ASSERT_FALSE(HasFatalFailure());
    const QStringList files = filesOtherThanJournals();
    const bool stored = fault.problem == StoreProblem::None;

    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(appendAt(2), stored);
    // Far above the 50 ms busy timeout, far below the seconds a default wait would take.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2500));
    EXPECT_EQ(store->health().problem, fault.problem) << store->health().detail;
    EXPECT_EQ(appendAt(3), stored);
    EXPECT_EQ(store->health().problem, fault.problem) << store->health().detail;
    EXPECT_EQ(records::statusLineText(store->health(), clock.msecs), fault.statusLine);
    EXPECT_EQ(filesOtherThanJournals(), files) << "the store never creates a file";

    fault.mendStore(*this);
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(appendAt(4)) << store->health().detail;
    EXPECT_TRUE(store->health().ok());
    EXPECT_EQ(store->health().lastStoredMsecs, clock.msecs);

    Rows expected;
    for (const int minute : fault.minutesKept) {
        expected.push_back({"2007-10-10/10:0" + std::to_string(minute)});
    }
    EXPECT_EQ(loggedTimes(), expected);
    EXPECT_EQ(SqliteDirect(dir.path()).rows("PRAGMA integrity_check"), Rows{{"ok"}});
    EXPECT_FALSE(QFile::exists(QString::fromStdString(dir.path() + "-journal")));
}

INSTANTIATE_TEST_SUITE_P(
    RecordsFile, FileStoreFault,
    testing::Values(
        StoreFault{
            "Missing",
            Onset::BeforeStart,
            Runs::AsRoot,
            removeStore,
            createStore,
            StoreProblem::Missing,
            "记录未保存：找不到记录文件（unable to open database file），本次运行尚未保存记录",
            {4}},
        StoreFault{"ReadOnly",
                   Onset::BeforeStart,
                   Runs::Unprivileged,
                   makeReadOnly,
                   makeWritable,
                   StoreProblem::ReadOnly,
                   "记录未保存：记录文件只读（attempt to write a readonly database），"
                   "本次运行尚未保存记录",
                   {4}},
        StoreFault{"LockedBySqliteTool",
                   Onset::WhileLogging,
                   Runs::AsRoot,
                   holdWriteLock,
                   releaseWriteLock,
                   StoreProblem::Locked,
                   "记录未保存：记录文件被其他程序锁定（database is locked），上次保存于 2 分钟前",
                   {1, 4}},
        StoreFault{"ReplacedByNonDatabase",
                   Onset::WhileLogging,
                   Runs::AsRoot,
                   backUpAndMoveInNonDatabase,
                   restoreBackup,
                   StoreProblem::NotADatabase,
                   "记录未保存：记录文件不是数据库（file is not a database），上次保存于 2 分钟前",
                   {1, 4}},
        StoreFault{"ReplacedByFreshStore",
                   Onset::WhileLogging,
                   Runs::AsRoot,
                   moveInFreshStore,
                   leaveAlone,
                   StoreProblem::None,
                   "",
                   {2, 3, 4}},
        StoreFault{
            "Deleted",
            Onset::WhileLogging,
            Runs::AsRoot,
            backUpAndDelete,
            restoreBackup,
            StoreProblem::Missing,
            "记录未保存：找不到记录文件（unable to open database file），上次保存于 2 分钟前",
            {1, 4}},
        StoreFault{"TableDropped",
                   Onset::WhileLogging,
                   Runs::AsRoot,
                   dropTable,
                   createTable,
                   StoreProblem::WrongLayout,
                   "记录未保存：记录表或字段缺失（no such table: 数据监测），上次保存于 2 分钟前",
                   {4}},
        StoreFault{"DiskFull",
                   Onset::WhileLogging,
                   Runs::AsRoot,
                   fillDisk,
                   emptyDisk,
                   StoreProblem::DiskFull,
                   "记录未保存：磁盘已满（database or disk is full），上次保存于 2 分钟前",
                   {1, 4}},
        StoreFault{"ImmutableLeavesHotJournal",
                   Onset::WhileLogging,
                   Runs::AsRoot,
                   makeImmutable,
                   makeMutable,
                   StoreProblem::ReadOnly,
                   "记录未保存：记录文件只读（attempt to write a readonly database），"
                   "上次保存于 2 分钟前",
                   {1, 4}},
        StoreFault{"HotJournalOnReadOnlyFile",
                   Onset::WhileLogging,
                   Runs::Unprivileged,
                   leaveHotJournalOnReadOnlyFile,
                   makeWritable,
                   StoreProblem::ReadOnly,
                   "记录未保存：记录文件只读（attempt to write a readonly database），"
                   "上次保存于 2 分钟前",
                   {1, 4}}),
    [](const testing::TestParamInfo<StoreFault>& info) { return std::string(info.param.name); });

// A failed append is what health() shows; a read that works meanwhile does not hide it, and a
// store that only reads shows its own failures until a read works again.
TEST(FileStoreHealth, ReadsNeverHideAnAppendsFailure) {
    StoreDir dir;
    ASSERT_TRUE(dir.createStore());
    fakes::FakeClock clock;
    const auto logging = records_test::fileStore(clock, records::sql::SqliteDialect::Role::Logging);
    const auto reading = records_test::fileStore(clock, records::sql::SqliteDialect::Role::Reading);
    SqliteDirect holder(dir.path());
    ASSERT_TRUE(logging->append(records_test::recordNumber(1)));

    ASSERT_TRUE(holder.exec("BEGIN IMMEDIATE"));
    EXPECT_FALSE(logging->append(records_test::recordNumber(2)));
    EXPECT_EQ(logging->newest({}, 10)->size(), 1U) << "a writer's lock lets readers read";
    EXPECT_EQ(logging->health().problem, StoreProblem::Locked);
    ASSERT_TRUE(holder.exec("COMMIT"));

    ASSERT_TRUE(holder.exec("BEGIN EXCLUSIVE"));
    EXPECT_EQ(reading->count({}), std::nullopt);
    EXPECT_EQ(reading->health().problem, StoreProblem::Locked);
    ASSERT_TRUE(holder.exec("COMMIT"));
    EXPECT_EQ(reading->count({}), 1);
    EXPECT_TRUE(reading->health().ok());
    EXPECT_EQ(logging->health().problem, StoreProblem::Locked);
    ASSERT_TRUE(logging->append(records_test::recordNumber(3)));
    EXPECT_TRUE(logging->health().ok());
}

}  // namespace
