#pragma once

#include <functional>
#include <optional>
#include <string>

#include "link/port_map.h"

namespace seriallink {

// Tells the operator that a port "comports.conf" pins has no device (an adapter unplugged, a
// device renamed) while another port is polled, so that a meter is not looked for on the wrong
// line without a word.
struct PortNote {
    // For the main window: "COM1 (/dev/ttyUSB0) 未找到，正在使用 COM2 (/dev/ttyS0)".
    std::string chinese;
    // For standard error: "COM1 (/dev/ttyUSB0) not found; polling COM2 (/dev/ttyS0) instead".
    std::string english;
};

// The note when port `usedNumber` is polled and some other pinned port's device does not exist
// (`deviceExists` tells); every such pinned port is named, lowest number first. Nothing when
// every pinned port other than the one in use has its device.
std::optional<PortNote> missingPinnedPortNote(
    const PortMap& map, int usedNumber,
    const std::function<bool(const std::string& device)>& deviceExists);

}  // namespace seriallink
