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
using Rows = std::vector<std::vector<std::string>>;

// The count printed last on complete lines of the child's output; 0 before the first one.
long long lastPrintedCount(const QByteArray& output) {
    const int end = output.lastIndexOf('\n');
    if (end < 0) {
        return 0;
    }
    return output.left(end).split('\n').last().toLongLong();
}

// A program killed at any moment while it appends leaves a sound file holding every record whose
// append returned, and none twice. Each run appends its own day.
TEST(StoreDurability, KillWhileAppendingLosesNoRecordAndStoresNoneTwice) {
    StoreDir dir;
    std::mt19937 random(20071010);
    std::uniform_int_distribution<int> extraMilliseconds(0, 40);

    long long stored = 0;
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        QProcess child;
        child.start(QStringLiteral(TUSKO_STORE_APPEND_CHILD_PATH),
                    {QString::fromStdString(dir.path(".")), QString::number(round + 1)});
        ASSERT_TRUE(child.waitForStarted());
        QByteArray output;
        while (lastPrintedCount(output) < 5 && child.state() == QProcess::Running) {
            child.waitForReadyRead(1000);
            output += child.readAllStandardOutput();
        }
        // Randomness in where the kill falls, not a wait for something to happen.
        std::this_thread::sleep_for(std::chrono::milliseconds(extraMilliseconds(random)));
        child.kill();
        ASSERT_TRUE(child.waitForFinished());
        ASSERT_EQ(child.exitStatus(), QProcess::CrashExit)
            << "the child must die by the kill: " << child.readAllStandardError().toStdString();
        output += child.readAllStandardOutput();
        const long long printed = lastPrintedCount(output);
        ASSERT_GE(printed, 5);

        SqliteDirect db(dir.path());
        EXPECT_EQ(db.rows("PRAGMA integrity_check"), Rows{{"ok"}});
        const long long now = db.number("SELECT count(*) FROM \"数据监测\"");
        EXPECT_GE(now, stored + printed);
        EXPECT_LE(now, stored + printed + 1) << "at most the append cut short may have been kept";
        EXPECT_EQ(db.rows("SELECT \"日期\" FROM \"数据监测\" GROUP BY 1 HAVING count(*) > 1"),
                  Rows{});
        stored = now;
    }
}

}  // namespace
