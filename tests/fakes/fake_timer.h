#pragma once

#include <functional>

#include "platform/timer.h"

namespace fakes {

// A timer that ticks only when the test calls tick(), and only while enabled.
class FakeTimer final : public platform::Timer {
  public:
    void setEnabled(bool enabled) override { enabled_ = enabled; }
    bool isEnabled() const override { return enabled_; }
    void setInterval(int milliseconds) override { interval_ = milliseconds; }
    int interval() const override { return interval_; }
    void setTickHandler(std::function<void()> handler) override { handler_ = std::move(handler); }

    void tick() {
        if (enabled_ && handler_) {
            handler_();
        }
    }

  private:
    bool enabled_ = false;
    int interval_ = 0;
    std::function<void()> handler_;
};

}  // namespace fakes
