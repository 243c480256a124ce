// The records file meets what an unattended plant PC meets: while it is unusable the per-minute
// logging step's appends fail quietly and quickly, and logging resumes once it is usable again.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <chrono>
#include <cstdio>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "fakes/fake_clock.h"
#include "measurement/logging.h"
#include "platform/qt/records/sqlite_records_binding.h"
#include "records/records_store.h"
#include "sqlite_direct.h"
#include "store_dir.h"
#include "without_root.h"

namespace {

using records_test::SqliteDirect;
using records_test::StoreDir;
using Rows = std::vector<std::vector<std::string>>;

class StoreFaultTest;

enum class Onset { BeforeStart, WhileLogging };

struct StoreFault {
    const char* name;
    Onset onset;
    void (*breakStore)(StoreFaultTest&);
    void (*mendStore)(StoreFaultTest&);
    std::vector<int> minutesKept;  // whose records the file named kvt97.mdb holds at the end
};

void PrintTo(const StoreFault& fault, std::ostream* out) {
    *out << fault.name;
}

// Runs as an ordinary user, so that file modes bind it as they bind the program on a plant PC.
class StoreFaultTest : public testing::TestWithParam<StoreFault> {
  public:
    void SetUp() override {
        if (geteuid() == 0) {
            ASSERT_EQ(chown(dir.path(".").c_str(), records_test::kNobody, records_test::kNobody),
                      0);
        }
        unprivileged_.emplace();
        ASSERT_TRUE(dir.createStore());
    }

    // The logging step at second 0 of minute `minute` past ten.
    void logAt(int minute) {
        clock_.time = "10:0" + std::to_string(minute) + ":00";
        measurement::runLoggingStep(logMinute_, 1, measurement::DisplayTexts{}, "通讯正常", clock_,
                                    binding);
    }

    Rows loggedTimes() {
        return SqliteDirect(dir.path()).rows("SELECT \"日期\" FROM \"数据监测\" ORDER BY rowid");
    }

    StoreDir dir;
    QProcess sqliteTool;
    platform::qt::SqliteRecordsBinding binding;

  private:
    fakes::FakeClock clock_;
    std::int16_t logMinute_ = 0;
    std::optional<records_test::WithoutRoot> unprivileged_;
};

void moveFile(const std::string& from, const std::string& to) {
    ASSERT_EQ(std::rename(from.c_str(), to.c_str()), 0) << from << " -> " << to;
}

void createStore(StoreFaultTest& t) {
    ASSERT_TRUE(t.dir.createStore());
}

void removeStore(StoreFaultTest& t) {
    ASSERT_EQ(std::remove(t.dir.path().c_str()), 0);
}

void makeReadOnly(StoreFaultTest& t) {
    ASSERT_EQ(chmod(t.dir.path().c_str(), 0444), 0);
}

void makeWritable(StoreFaultTest& t) {
    ASSERT_EQ(chmod(t.dir.path().c_str(), 0644), 0);
}

// The sqlite3 tool in another process, inside a write transaction it has not ended.
void holdWriteLock(StoreFaultTest& t) {
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

void releaseWriteLock(StoreFaultTest& t) {
    t.sqliteTool.write("COMMIT;\n");
    t.sqliteTool.closeWriteChannel();
    ASSERT_TRUE(t.sqliteTool.waitForFinished());
}

void backUp(StoreFaultTest& t) {
    ASSERT_TRUE(QFile::copy(QString::fromStdString(t.dir.path()),
                            QString::fromStdString(t.dir.path("backup.mdb"))));
}

void backUpAndDelete(StoreFaultTest& t) {
    backUp(t);
    removeStore(t);
}

void backUpAndMoveInNonDatabase(StoreFaultTest& t) {
    backUp(t);
    QFile incoming(QString::fromStdString(t.dir.path("incoming")));
    ASSERT_TRUE(incoming.open(QIODevice::WriteOnly));
    ASSERT_GT(incoming.write(QByteArray(8192, 'x')), 0);
    incoming.close();
    moveFile(t.dir.path("incoming"), t.dir.path());
}

void restoreBackup(StoreFaultTest& t) {
    moveFile(t.dir.path("backup.mdb"), t.dir.path());
}

void moveInFreshStore(StoreFaultTest& t) {
    ASSERT_TRUE(SqliteDirect(t.dir.path("incoming")).exec(records::createTableStatement()));
    moveFile(t.dir.path("incoming"), t.dir.path());
}

void leaveAlone(StoreFaultTest&) {}

TEST_P(StoreFaultTest, FailsQuietlyThenResumes) {
    const StoreFault& fault = GetParam();
    if (fault.breakStore == makeReadOnly && geteuid() == 0) {
        GTEST_SKIP() << "file modes do not bind this process";
    }
    if (fault.onset == Onset::BeforeStart) {
        fault.breakStore(*this);
    }
    QStringList entries = dir.entries();
    (void)records::openStore(binding);  // as the main window does: a broken store opens later
    logAt(1);
    if (fault.onset == Onset::WhileLogging) {
        fault.breakStore(*this);
        entries = dir.entries();
    }
    ASSERT_FALSE(HasFatalFailure());

    const auto start = std::chrono::steady_clock::now();
    logAt(2);
    // Far above the 50 ms busy timeout, far below the several seconds a default wait would take.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2500))
        << "a lock is waited on for the busy timeout only";
    EXPECT_EQ(dir.entries(), entries) << "the binding never creates a file";

    fault.mendStore(*this);
    ASSERT_FALSE(HasFatalFailure());
    logAt(3);

    Rows expected;
    for (const int minute : fault.minutesKept) {
        expected.push_back({"2007-10-10/10:0" + std::to_string(minute)});
    }
    EXPECT_EQ(loggedTimes(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    RecordsFile, StoreFaultTest,
    testing::Values(
        StoreFault{"Missing", Onset::BeforeStart, removeStore, createStore, {3}},
        StoreFault{"ReadOnly", Onset::BeforeStart, makeReadOnly, makeWritable, {3}},
        StoreFault{
            "LockedBySqliteTool", Onset::WhileLogging, holdWriteLock, releaseWriteLock, {1, 3}},
        StoreFault{"ReplacedByNonDatabase",
                   Onset::WhileLogging,
                   backUpAndMoveInNonDatabase,
                   restoreBackup,
                   {1, 3}},
        StoreFault{
            "ReplacedByFreshStore", Onset::WhileLogging, moveInFreshStore, leaveAlone, {2, 3}},
        StoreFault{"Deleted", Onset::WhileLogging, backUpAndDelete, restoreBackup, {1, 3}}),
    [](const testing::TestParamInfo<StoreFault>& info) { return std::string(info.param.name); });

// A binding that only reads, as the data-query window's does, finds the file now under the name
// at its next refresh.
TEST(RecordsFileSwap, RefreshReadsTheFileNowUnderTheName) {
    StoreDir dir;
    ASSERT_TRUE(dir.createStore());
    ASSERT_TRUE(
        SqliteDirect(dir.path()).exec("INSERT INTO \"数据监测\" (\"日期\") VALUES ('old')"));
    platform::qt::SqliteRecordsBinding binding;
    ASSERT_TRUE(records::openStore(binding));
    {
        SqliteDirect incoming(dir.path("incoming"));
        ASSERT_TRUE(incoming.exec(records::createTableStatement()));
        ASSERT_TRUE(incoming.exec("INSERT INTO \"数据监测\" (\"日期\") VALUES ('new')"));
    }
    moveFile(dir.path("incoming"), dir.path());

    ASSERT_TRUE(binding.refresh());
    EXPECT_EQ(binding.newestRows({"日期"}, 10), Rows{{"new"}});
    ASSERT_EQ(std::remove(dir.path().c_str()), 0);
    EXPECT_FALSE(binding.refresh());
}

}  // namespace
