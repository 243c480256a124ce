#include "platform/qt/qt_clock.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

#include <utility>

namespace platform::qt {

QtClock::QtClock() : QtClock([] { return QDateTime::currentMSecsSinceEpoch(); }) {}

QtClock::QtClock(std::function<std::int64_t()> now) : now_(std::move(now)) {}

void QtClock::takeSecond() {
    const std::int64_t msecs = now_();
    // Rounded down, also before 1970.
    const std::int64_t second = msecs / 1000 - (msecs % 1000 < 0 ? 1 : 0);
    if (second == second_) {
        return;
    }
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(second * 1000);
    time_ = local.time().toString(QStringLiteral("H:mm:ss")).toStdString();
    date_ = local.date().toString(QStringLiteral("yyyy-MM-dd")).toStdString();
    second_ = second;
}

std::string QtClock::timeText() {
    takeSecond();
    return time_;
}

std::int64_t QtClock::msecsSinceEpoch() {
    return now_();
}

std::string QtClock::dateText() {
    takeSecond();
    return date_;
}

}  // namespace platform::qt
