#include "platform/qt/qt_clock.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

namespace platform::qt {

std::string QtClock::timeText() {
    return QTime::currentTime().toString(QStringLiteral("H:mm:ss")).toStdString();
}

std::int64_t QtClock::msecsSinceEpoch() {
    return QDateTime::currentMSecsSinceEpoch();
}

std::string QtClock::dateText() {
    return QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")).toStdString();
}

}  // namespace platform::qt
