#include "platform/qt/qt_timer.h"

#include <algorithm>

namespace platform::qt {

QtTimer::QtTimer() {
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
        if (handler_) {
            handler_();
        }
    });
}

void QtTimer::setEnabled(bool enabled) {
    if (enabled && !timer_.isActive()) {
        timer_.start();
    } else if (!enabled) {
        timer_.stop();
    }
}

void QtTimer::setInterval(int milliseconds) {
    // QTimer restarts an active timer with the new interval.
    timer_.setInterval(std::max(milliseconds, 1));
}

}  // namespace platform::qt
