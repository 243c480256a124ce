#pragma once

#include <cstdint>
#include <string>

namespace gateway {

// The clocks of the gateway; called from the polling thread and the gateway's own threads.
class GatewayTime {
  public:
    virtual ~GatewayTime() = default;
    // Milliseconds of a clock that only moves forward, for ages and waits.
    virtual std::int64_t steadyMs() = 0;
    // The local date and time with its offset from UTC, "2024-05-06T07:08:09.123+08:00".
    virtual std::string isoTimeNow() = 0;
};

}  // namespace gateway
