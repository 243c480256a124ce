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

// A writer killed at any moment leaves a sound store holding every record whose append returned.
TEST(Durability, KillDuringAppendsLosesNoReturnedRecord) {
    StoreDir dir;
    ASSERT_TRUE(dir.createStore());
    std::mt19937 random(20071010);
    std::uniform_int_distribution<int> extraMilliseconds(0, 40);

    long long previous = 0;
    for (int round = 0; round < 5; ++round) {
        QProcess child;
        child.start(QStringLiteral(TUSKO_APPEND_CHILD_PATH),
                    {QString::fromStdString(dir.path("."))});
        ASSERT_TRUE(child.waitForStarted());
        QByteArray output;
        while (lastPrintedCount(output) < previous + 20 && child.state() == QProcess::Running) {
            child.waitForReadyRead(1000);
            output += child.readAllStandardOutput();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(extraMilliseconds(random)));
        child.kill();
        ASSERT_TRUE(child.waitForFinished());
        ASSERT_EQ(child.exitStatus(), QProcess::CrashExit) << "the child must die by the kill";
        output += child.readAllStandardOutput();
        const long long printed = lastPrintedCount(output);
        ASSERT_GE(printed, previous + 20);

        SqliteDirect db(dir.path());
        EXPECT_EQ(db.rows("PRAGMA integrity_check"),
                  (std::vector<std::vector<std::string>>{{"ok"}}));
        const long long stored = db.number("SELECT count(*) FROM \"数据监测\"");
        EXPECT_GE(stored, printed) << "round " << round;
        EXPECT_LE(stored, printed + 1) << "at most the append cut short may have been kept";
        previous = stored;
    }
}

}  // namespace
