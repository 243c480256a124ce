#pragma once

#include <string>

namespace shell {

// What the windows tell the operator about the serial ports beyond what polling says: why no
// port can be used, and which pinned port has lost its device. Asked of the system when asked.
class PortAdvice {
  public:
    virtual ~PortAdvice() = default;
    // COM1 to COM10, the device behind each and why it cannot be used, then each line of the port
    // configuration that is not understood; one line each, ended by a newline.
    [[nodiscard]] virtual std::string whyPortsAreUnusable() = 0;
    // Which pinned ports have no device while port `usedNumber` is polled, and which port and
    // device are polled instead; empty when every pinned port has its device.
    [[nodiscard]] virtual std::string missingPinnedPortNote(int usedNumber) = 0;
};

}  // namespace shell
