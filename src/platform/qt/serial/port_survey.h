#pragma once

#include <vector>

#include "link/port_diagnosis.h"
#include "link/port_map.h"

namespace platform::qt {

// Tries port number `number` of `map` as the main window's discovery does, and gathers what the
// system says about its device: whether it exists, who owns it, who else has it open.
seriallink::DeviceFacts gatherDeviceFacts(const seriallink::PortMap& map, int number);

// COM1 to COM10 of `map`: each one's device, whether it is usable, and if not why.
std::vector<seriallink::PortLine> surveyPorts(const seriallink::PortMap& map);

}  // namespace platform::qt
