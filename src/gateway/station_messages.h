#pragma once

#include <cstdint>
#include <string>

namespace gateway {

// Takes each station's message for the broker; any thread may offer.
class StationMessages {
  public:
    virtual ~StationMessages() = default;
    virtual void offer(std::uint8_t station, std::string json) = 0;
};

}  // namespace gateway
