#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/pacer.h"

namespace fakes {

// A pacer that takes no time and remembers every pause it was asked for, in order
// ("byte 300000 9600,n,8,1", "settle 10000"), so that tests see the pacing without waiting.
class FakePacer final : public platform::Pacer {
  public:
    std::vector<std::string> pauses;

    void pauseAfterByte(std::int32_t count, std::string_view lineSettings) override {
        pauses.push_back("byte " + std::to_string(count) + " " + std::string(lineSettings));
    }
    void settle(std::int32_t count) override { pauses.push_back("settle " + std::to_string(count)); }
};

}  // namespace fakes
