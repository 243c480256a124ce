#include "platform/qt/gateway/qt_gateway_time.h"

#include <QDateTime>

#include <chrono>

namespace platform::qt {

std::int64_t QtGatewayTime::steadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::string QtGatewayTime::isoTimeNow() {
    const QDateTime local = QDateTime::currentDateTime();
    // The offset is written out even when it is zero ("+00:00", not "Z").
    const int offset = local.offsetFromUtc();
    const int minutes = (offset < 0 ? -offset : offset) / 60;
    const QString text = local.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")) +
                         (offset < 0 ? '-' : '+') +
                         QStringLiteral("%1:%2")
                             .arg(minutes / 60, 2, 10, QLatin1Char('0'))
                             .arg(minutes % 60, 2, 10, QLatin1Char('0'));
    return text.toStdString();
}

}  // namespace platform::qt
