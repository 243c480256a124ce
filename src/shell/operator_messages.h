#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "session/polling_listener.h"
#include "shell/port_advice.h"

namespace shell {

// Shows the polling session's messages for the operator in a message box. A message that comes
// while no port is usable ("没有可用端口，退出!") is followed by why each port cannot be used, so
// that an operator without a terminal learns it too.
class OperatorMessages final : public session::PollingListener {
  public:
    OperatorMessages(platform::Dialogs& dialogs, PortAdvice& ports)
        : dialogs_(dialogs), ports_(ports) {}

    void portsFound(const std::vector<session::PortEntry>& ports, std::size_t inUse) override;
    void messageRequested(const std::string& text) override;

  private:
    platform::Dialogs& dialogs_;
    PortAdvice& ports_;
    bool noUsablePort_ = false;
};

}  // namespace shell
