#include "shell/operator_messages.h"

namespace shell {

void OperatorMessages::portsFound(const std::vector<session::PortEntry>& ports,
                                  std::size_t /*inUse*/) {
    noUsablePort_ = ports.empty();
}

void OperatorMessages::messageRequested(const std::string& text) {
    if (!noUsablePort_) {
        dialogs_.messageBox(text);
        return;
    }
    std::string reasons = ports_.whyPortsAreUnusable();
    while (!reasons.empty() && reasons.back() == '\n') {
        reasons.pop_back();
    }
    dialogs_.messageBox(reasons.empty() ? text : text + "\n\n" + reasons);
}

}  // namespace shell
