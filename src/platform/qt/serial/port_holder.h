#pragma once

#include <optional>
#include <string>

namespace platform::qt {

// A process that has a serial device open.
struct PortHolder {
    long processId = 0;
    std::string name;  // the process's command name, as the system shows it (at most 15 bytes)
};

// The live process, other than this one, that has `devicePath` open; a symbolic link stands for
// the device it points to. A process that also has the master side of a pseudo-terminal open is
// that line's far end, not a holder: a meter simulator keeps the slave open so that the line
// stays up. Found through /proc on Linux; elsewhere no process is ever found.
[[nodiscard]] std::optional<PortHolder> findPortHolder(const std::string& devicePath);

}  // namespace platform::qt
