#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QPaintEvent>
#include <QRegion>
#include <QThread>

#include <chrono>

namespace shelltest {

// Runs the event loop until `done` or `limit` has passed; whether `done` came true.
template <typename Done>
bool eventLoopUntil(Done done, std::chrono::milliseconds limit) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < limit.count()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return done();
}

// What a widget received: its layout requests, and the areas it painted.
struct EventSpy : QObject {
    int layoutRequests = 0;
    QRegion painted;
    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        if (event->type() == QEvent::LayoutRequest) {
            ++layoutRequests;
        } else if (event->type() == QEvent::Paint) {
            painted += static_cast<QPaintEvent*>(event)->region();
        }
        return false;
    }
};

}  // namespace shelltest
