#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

namespace testsupport {

// Processes events until `done()` holds or a generous deadline has passed (work on other threads
// may be slow on a loaded machine); true when it holds. A short timer wakes the loop, so a
// condition that no event announces is seen too.
template <typename Done>
bool waitFor(Done done, int deadlineMs = 30000) {
    const QDeadlineTimer deadline(deadlineMs);
    QTimer wake;
    wake.start(5);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

}  // namespace testsupport
