#pragma once

#include "gateway/gateway_time.h"

namespace platform::qt {

// The system's monotonic clock and its local time with the offset from UTC.
class QtGatewayTime final : public gateway::GatewayTime {
  public:
    std::int64_t steadyMs() override;
    std::string isoTimeNow() override;
};

}  // namespace platform::qt
