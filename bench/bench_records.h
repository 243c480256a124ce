#pragma once

#include <QDate>
#include <cstdint>
#include <string>

#include "platform/clock.h"
#include "records/records_store.h"

namespace bench {

// A clock for stores whose record times do not matter to the figures.
class StillClock final : public platform::Clock {
  public:
    std::string timeText() override { return {}; }
    std::string dateText() override { return {}; }
    std::int64_t msecsSinceEpoch() override { return 0; }
};

// Record n of a run of one record a minute from 2007-01-01, the stations taking turns (or all
// station 1); no two records share their station and minute.
inline records::MeasurementRecord recordNumber(long n, bool oneStation = false) {
    records::MeasurementRecord r;
    r.station = static_cast<std::uint8_t>(oneStation ? 1 : n % 16 + 1);
    const long minute = oneStation ? n : n / 16;
    r.date = QDate(2007, 1, 1)
                 .addDays(minute / 1440)
                 .toString(QStringLiteral("yyyy-MM-dd"))
                 .toStdString() +
             "/" + std::to_string(minute / 60 % 24) + ":" +
             std::to_string(100 + minute % 60).substr(1);
    r.diameter = "100";
    r.flow = "+" + std::to_string(n % 5000) + ".56m3/h";
    r.percent = "+45.6%";
    r.rangeRatio = "1:2";
    r.velocity = "+1.25";
    r.forwardTotal = std::to_string(n) + ".78m3";
    r.reverseTotal = ".5m3";
    r.alarm = "通讯正常";
    return r;
}

}  // namespace bench
