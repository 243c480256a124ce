#pragma once

#include <QTimer>

#include "platform/timer.h"

namespace platform::qt {

class QtTimer final : public Timer {
  public:
    QtTimer();
    void setEnabled(bool enabled) override;
    bool isEnabled() const override { return timer_.isActive(); }
    void setInterval(int milliseconds) override;
    int interval() const override { return timer_.interval(); }
    void setTickHandler(std::function<void()> handler) override { handler_ = std::move(handler); }

  private:
    QTimer timer_;
    std::function<void()> handler_;
};

}  // namespace platform::qt
