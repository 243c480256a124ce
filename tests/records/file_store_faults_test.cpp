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
    StoreProblem problem;  // while the fault lasts
    // The status line after the second failed append, two minutes on, is "记录未保存：", why,
    // "，" and when a record was stored last.
    const char* why;
    const char* lastStored;
    const char* minutesKept;  // the minutes past ten of the records in the file, a digit each
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

void chmodStore(FileStoreFault& t, mode_t mode) {
    ASSERT_EQ(chmod(t.dir.path().c_str(), mode), 0);
}

void backUp(FileStoreFault& t) {
    ASSERT_TRUE(QFile::copy(QString::fromStdString(t.dir.path()),
                            QString::fromStdString(t.dir.path("backup.mdb"))));
}

bool changeAttribute(FileStoreFault& t, const char* change) {
    QProcess chattr;
    chattr.start(QStringLiteral("chattr"),
                 {QString::fromLatin1(change), QString::fromStdString(t.dir.path())});
    return chattr.waitForFinished() && chattr.exitStatus() == QProcess::NormalExit &&
           chattr.exitCode() == 0;
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

// The file as another program left it when it was killed in the middle of a large write: its
// journal beside it is hot, and only an open that can write rolls it back. Then read-only.
void leaveHotJournalOnReadOnlyFile(FileStoreFault& t) {
    const std::string store = t.dir.path();
    const std::string journal = store + "-journal";
    {
        SqliteDirect writer(store);
        ASSERT_TRUE(writer.exec("PRAGMA cache_size = 1"));
        ASSERT_TRUE(writer.exec("BEGIN"));
        ASSERT_TRUE(writer.exec(
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
            "INSERT INTO \"数据监测\" (\"日期\") SELECT printf('%0400d', i) FROM n"));
        for (const std::string& file : {store, journal}) {
            ASSERT_TRUE(
                QFile::copy(QString::fromStdString(file), QString::fromStdString(file + ".hot")));
        }
        ASSERT_TRUE(writer.exec("ROLLBACK"));
    }
    moveFile(journal + ".hot", journal);
    moveFile(store + ".hot", store);
    chmodStore(t, 0444);
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
    EXPECT_EQ(records::statusLineText(store->health(), clock.msecs),
              stored ? "" : std::string("记录未保存：") + fault.why + "，" + fault.lastStored);
    EXPECT_EQ(filesOtherThanJournals(), files) << "the store never creates a file";

    fault.mendStore(*this);
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(appendAt(4)) << store->health().detail;
    EXPECT_TRUE(store->health().ok());
    EXPECT_EQ(store->health().lastStoredMsecs, clock.msecs);

    Rows expected;
    for (const char* minute = fault.minutesKept; *minute != '\0'; ++minute) {
        expected.push_back({"2007-10-10/10:0" + std::string(1, *minute)});
    }
    EXPECT_EQ(loggedTimes(), expected);
    EXPECT_EQ(SqliteDirect(dir.path()).rows("PRAGMA integrity_check"), Rows{{"ok"}});
    EXPECT_FALSE(QFile::exists(QString::fromStdString(dir.path() + "-journal")));
}

using F = FileStoreFault&;
const auto missing = [](F t) { ASSERT_EQ(std::remove(t.dir.path().c_str()), 0); };
const auto made = [](F t) { ASSERT_TRUE(t.dir.createStore()); };
const auto readOnly = [](F t) { chmodStore(t, 0444); };
const auto writable = [](F t) { chmodStore(t, 0644); };
const auto releaseWriteLock = [](F t) {
    t.sqliteTool.write("COMMIT;\n");
    t.sqliteTool.closeWriteChannel();
    ASSERT_TRUE(t.sqliteTool.waitForFinished());
};
const auto nonDatabase = [](F t) {
    backUp(t);
    QFile incoming(QString::fromStdString(t.dir.path("incoming")));
    ASSERT_TRUE(incoming.open(QIODevice::WriteOnly));
    ASSERT_GT(incoming.write(QByteArray(8192, 'x')), 0);
    incoming.close();
    moveFile(t.dir.path("incoming"), t.dir.path());
};
const auto freshStore = [](F t) {
    ASSERT_TRUE(SqliteDirect(t.dir.path("incoming")).exec(records::createTableStatement()));
    moveFile(t.dir.path("incoming"), t.dir.path());
};
const auto leaveAlone = [](F) {};
const auto deleted = [](F t) {
    backUp(t);
    missing(t);
};
const auto restoreBackup = [](F t) { moveFile(t.dir.path("backup.mdb"), t.dir.path()); };
const auto dropTable = [](F t) {
    ASSERT_TRUE(SqliteDirect(t.dir.path()).exec("DROP TABLE \"数据监测\""));
};
const auto createTable = [](F t) {
    ASSERT_TRUE(SqliteDirect(t.dir.path()).exec(records::createTableStatement()));
};
const auto fillDisk = [](F t) { t.disk.fill(true); };
const auto emptyDisk = [](F t) { t.disk.fill(false); };
const auto immutable = [](F t) {
    if (!changeAttribute(t, "+i")) {
        GTEST_SKIP() << "chattr +i is not possible here";
    }
};
const auto mutableAgain = [](F t) { ASSERT_TRUE(changeAttribute(t, "-i")); };
constexpr const char* kNotYet = "本次运行尚未保存记录";
constexpr const char* kTwoMinutes = "上次保存于 2 分钟前";
constexpr const char* kReadOnly = "记录文件只读（attempt to write a readonly database）";
constexpr const char* kNoFile = "找不到记录文件（unable to open database file）";
constexpr Onset kBefore = Onset::BeforeStart;
constexpr Onset kWhile = Onset::WhileLogging;
constexpr Runs kRoot = Runs::AsRoot;

INSTANTIATE_TEST_SUITE_P(
    RecordsFile, FileStoreFault,
    testing::Values(StoreFault{"Missing", kBefore, kRoot, missing, made, StoreProblem::Missing,
                               kNoFile, kNotYet, "4"},
                    StoreFault{"ReadOnly", kBefore, Runs::Unprivileged, readOnly, writable,
                               StoreProblem::ReadOnly, kReadOnly, kNotYet, "4"},
                    StoreFault{"LockedBySqliteTool", kWhile, kRoot, holdWriteLock, releaseWriteLock,
                               StoreProblem::Locked, "记录文件被其他程序锁定（database is locked）",
                               kTwoMinutes, "14"},
                    StoreFault{"ReplacedByNonDatabase", kWhile, kRoot, nonDatabase, restoreBackup,
                               StoreProblem::NotADatabase,
                               "记录文件不是数据库（file is not a database）", kTwoMinutes, "14"},
                    StoreFault{"ReplacedByFreshStore", kWhile, kRoot, freshStore, leaveAlone,
                               StoreProblem::None, "", "", "234"},
                    StoreFault{"Deleted", kWhile, kRoot, deleted, restoreBackup,
                               StoreProblem::Missing, kNoFile, kTwoMinutes, "14"},
                    StoreFault{"TableDropped", kWhile, kRoot, dropTable, createTable,
                               StoreProblem::WrongLayout,
                               "记录表或字段缺失（no such table: 数据监测）", kTwoMinutes, "4"},
                    StoreFault{"DiskFull", kWhile, kRoot, fillDisk, emptyDisk,
                               StoreProblem::DiskFull, "磁盘已满（database or disk is full）",
                               kTwoMinutes, "14"},
                    StoreFault{"ImmutableLeavesHotJournal", kWhile, kRoot, immutable, mutableAgain,
                               StoreProblem::ReadOnly, kReadOnly, kTwoMinutes, "14"},
                    StoreFault{"HotJournalOnReadOnlyFile", kWhile, Runs::Unprivileged,
                               leaveHotJournalOnReadOnlyFile, writable, StoreProblem::ReadOnly,
                               kReadOnly, kTwoMinutes, "14"}),
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
