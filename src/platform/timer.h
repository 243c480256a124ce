#pragma once

#include <functional>

namespace platform {

// A periodic timer whose ticks arrive on the user-interface thread. Enabling a disabled timer and
// changing the interval of an enabled one start a full interval.
class Timer {
  public:
    virtual ~Timer() = default;
    virtual void setEnabled(bool enabled) = 0;
    virtual bool isEnabled() const = 0;
    virtual void setInterval(int milliseconds) = 0;
    virtual int interval() const = 0;
    virtual void setTickHandler(std::function<void()> handler) = 0;
};

}  // namespace platform
