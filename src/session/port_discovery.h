#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/serial_port.h"
#include "session/polling_listener.h"

namespace session {

// "config.dat": its first byte picks the port among the usable ones; the next two are read and
// not used.
inline constexpr const char* kConfigFile = "config.dat";
inline constexpr std::size_t kConfigBytes = 3;

// The port numbers COM1 to COM10 that open, in ascending order. Each number is judged by its own
// attempt, and each port that opens is closed again.
[[nodiscard]] std::vector<PortEntry> discoverPorts(platform::SerialPort& port);

// The position among `count` usable ports (count > 0) that the bytes of "config.dat" pick: its
// first byte, the last port for a position beyond the list, the first for a missing, unreadable
// or empty file.
[[nodiscard]] std::size_t chosenPort(const std::optional<std::vector<std::uint8_t>>& config,
                                     std::size_t count);

}  // namespace session
