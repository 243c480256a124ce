#include <gtest/gtest.h>
#include <QByteArrayList>
#include <QProcess>

#include <chrono>
#include <random>
#include <thread>

#include "sqlite_direct.h"
#include "store_dir.h"

namespace {

using records_test::SqliteDirect;
using records_test::StoreDir;

// The count printed last on complete lines of the child's output; -1 before the first one.
long long lastPrintedCount(const QByteArray& output) {
    const int end = output.lastIndexOf('\n');
    if (end < 0) {
        return -1;
    }
    const QByteArrayList lines = output.left(end).split('\n');
    return lines.last().toLongLong();
}

// A program killed at any moment while logging leaves a sound store holding every record whose
// append returned, and no minute twice. Each run logs its own day, so every minute of the store
// belongs to one run.
TEST(Durability, KillDuringLoggingLosesNoRecordAndWritesNoMinuteTwice) {
    StoreDir dir;
    ASSERT_TRUE(dir.createStore());
    std::mt19937 random(20071010);
    std::uniform_int_distribution<int> extraMilliseconds(0, 40);

    long long previous = 0;
    for (int round = 0; round < 20; ++round) {
        QProcess child;
        child.start(QStringLiteral(TUSKO_APPEND_CHILD_PATH),
                    {QString::fromStdString(dir.path(".")), QString::number(round + 1)});
        ASSERT_TRUE(child.waitForStarted());
        QByteArray output;
        while (lastPrintedCount(output) < previous + 5 && child.state() == QProcess::Running) {
            child.waitForReadyRead(1000);
            output += child.readAllStandardOutput();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(extraMilliseconds(random)));
        child.kill();
        ASSERT_TRUE(child.waitForFinished());
        ASSERT_EQ(child.exitStatus(), QProcess::CrashExit) << "the child must die by the kill";
        output += child.readAllStandardOutput();
        const long long printed = lastPrintedCount(output);
        ASSERT_GE(printed, previous + 5);

        SqliteDirect db(dir.path());
        EXPECT_EQ(db.rows("PRAGMA integrity_check"),
                  (std::vector<std::vector<std::string>>{{"ok"}}));
        const long long stored = db.number("SELECT count(*) FROM \"数据监测\"");
        EXPECT_GE(stored, printed) << "round " << round;
        EXPECT_LE(stored, printed + 1) << "at most the append cut short may have been kept";
        EXPECT_EQ(db.rows("SELECT \"日期\" FROM \"数据监测\" GROUP BY 1 HAVING count(*) > 1"),
                  (std::vector<std::vector<std::string>>{}))
            << "round " << round;
        previous = stored;
    }
}

}  // namespace
