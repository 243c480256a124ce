#pragma once

#include <optional>
#include <string>

#include "link/port_map.h"
#include "service/options.h"

namespace service {

// The port map polling uses on this machine: "comports.conf" and the system's devices, or the
// port the command line names alone.
[[nodiscard]] seriallink::PortMap pollingPortMap(const std::optional<PortChoice>& choice);

// Why no port can be used: the port table of COM1 to COM10 (only the named port's line when the
// command line names one) and, below it, each line of "comports.conf" not understood.
[[nodiscard]] std::string portTable(const seriallink::PortMap& map,
                                    const std::optional<PortChoice>& choice);

// The same for a window, where columns do not line up: each port of `map` with its device and
// why it cannot be used, then each line of "comports.conf" not understood; one line each.
[[nodiscard]] std::string portReasons(const seriallink::PortMap& map);

// What the operator should know at start about the ports: each line of "comports.conf" not
// understood, and pinned ports whose device is missing while port `usedNumber` is polled. One
// line each after the program's name; empty when there is nothing to say.
[[nodiscard]] std::string portNotes(const seriallink::PortMap& map, int usedNumber,
                                    const std::string& program);

}  // namespace service
