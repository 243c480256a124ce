#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <chrono>
#include <random>
#include <string>
#include <thread>

namespace records_test {

// How many appends the append child says returned before it may be killed.
inline constexpr long long kAppendsBeforeKill = 5;

// The last count printed on complete lines of the child's output; 0 before the first one.
inline long long lastPrintedCount(const QByteArray& output) {
    const int end = output.lastIndexOf('\n');
    return end < 0 ? 0 : output.left(end).split('\n').last().toLongLong();
}

// Runs the append child on the store of `directory`, each record a minute of October `day`, and
// kills it at a random moment once it has said that kAppendsBeforeKill appends returned. Returns
// how many appends it said returned; 0, and a failure of the test, when it did not run or did
// not die by the kill.
inline long long killWhileAppending(const std::string& directory, int day, std::mt19937& random) {
    QProcess child;
    child.start(QStringLiteral(TUSKO_STORE_APPEND_CHILD_PATH),
                {QString::fromStdString(directory), QString::number(day)});
    if (!child.waitForStarted()) {
        ADD_FAILURE() << "the append child did not start";
        return 0;
    }
    QByteArray output;
    while (lastPrintedCount(output) < kAppendsBeforeKill && child.state() == QProcess::Running) {
        child.waitForReadyRead(1000);
        output += child.readAllStandardOutput();
    }
    // Randomness in where the kill falls, not a wait for something to happen.
    std::uniform_int_distribution<int> extraMilliseconds(0, 40);
    std::this_thread::sleep_for(std::chrono::milliseconds(extraMilliseconds(random)));
    child.kill();
    if (!child.waitForFinished() || child.exitStatus() != QProcess::CrashExit) {
        ADD_FAILURE() << "the child must die by the kill: "
                      << child.readAllStandardError().toStdString();
        return 0;
    }
    output += child.readAllStandardOutput();
    return lastPrintedCount(output);
}

}  // namespace records_test
