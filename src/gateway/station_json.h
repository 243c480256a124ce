#pragma once

#include <cstdint>
#include <string>

#include "gateway/register_map.h"
#include "measurement/station_memory.h"

namespace gateway {

// A station's message to the broker, one line of JSON:
//   {"station":3,"time":"2024-05-06T07:08:09.123+08:00","flow":{"value":-12.5,"unit":"m3/h"},
//    "velocity":1.25,"percent":-45.6,"range_ratio":"1:4","electrode_kohm":12.3,
//    "forward":{"value":123456.78,"unit":"m3"},"reverse":{"value":0.5,"unit":"m3"},
//    "diameter_mm":100,"alarms":["空管报警"],"alarm_bits":8,
//    "power_failures":{"count":3,"hours":10,"minutes":5},"state":"answering","age_s":0}
// Values as the main window shows them for the station: scaled, rounded and signed, units and
// range ratio as its texts; a display that shows nothing yet gives null. `time` is when the
// message was made, `age_s` the whole seconds since the station's last valid reply then.
[[nodiscard]] std::string stationJson(std::uint8_t station, const measurement::StationState& state,
                                      StationCondition condition, std::uint16_t ageSeconds,
                                      const std::string& isoTime);

// "answering", "silent", "not_polled"
[[nodiscard]] const char* conditionName(StationCondition condition);

}  // namespace gateway
