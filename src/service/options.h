#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "link/port_map.h"

namespace service {

// Exit statuses besides 0.
inline constexpr int kFailedStatus = 1;  // no usable port, or the check found a problem
inline constexpr int kUsageStatus = 2;

enum class Action { Run, Check, Help, Version, Refuse };

// The serial port the command line names: COM1 to COM10 as this machine numbers them, or a device
// used as it is.
struct PortChoice {
    int number = 0;      // 1 to 10; 0 when a device is named
    std::string device;  // "/dev/ttyUSB0"; empty when a number is named
};

struct Options {
    Action action = Action::Run;
    std::string refused;              // why the command line was refused
    std::optional<PortChoice> port;   // none: discovery and "config.dat" choose, as the window does
    std::string lineSpeed = "14400";  // one of the speed table's texts
    bool multiStation = false;        // every station in turn
    std::uint8_t station = 1;         // the station polled alone otherwise
};

// The service's arguments, without the program's name: --port, --speed, --multi or --station,
// and --check, --help or --version. Refused as a whole: an argument that is not an option, an
// option without its value or given twice, a value that is not one the option takes, --multi
// with --station, two of the actions, and --help or --version with any other option.
[[nodiscard]] Options readOptions(const std::vector<std::string>& arguments);

// The port map that polling uses: with a port named, that port alone, so that discovery finds it
// or nothing. A number keeps the device `machine` gives it and what "comports.conf" said; a device
// stands as COM1.
[[nodiscard]] seriallink::PortMap portMapFor(const PortChoice& choice,
                                             const seriallink::PortMap& machine);

// How the start line and the check name a port: "COM3 (/dev/ttyUSB0)", or the device alone when
// the command line named it.
[[nodiscard]] std::string portName(const std::optional<PortChoice>& choice, int number,
                                   const std::string& device);

// What `--help` prints, for the program called `program`.
[[nodiscard]] std::string usage(const std::string& program);

}  // namespace service
