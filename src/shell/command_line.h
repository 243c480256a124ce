#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "link/port_map.h"

namespace shell {

// Exit statuses besides 0.
constexpr int kNoUsablePortStatus = 1;
constexpr int kUsageStatus = 2;
constexpr int kExportFailedStatus = 3;

enum class CommandLineAction { Run, Help, Version, ListPorts, Export, Headless, Refuse };

struct CommandLine {
    CommandLineAction action = CommandLineAction::Run;
    std::string refused;  // the argument that was not understood, or why the line was refused
    std::string exportPath;
    std::optional<std::uint8_t> station;  // --station N: one station only
    bool multiStation = false;            // --multi
    std::optional<std::string> fromDate;  // "yyyy-MM-dd"
    std::optional<std::string> toDate;
    // --headless: the arguments besides it, for the service to read (it is tuskocpd's command
    // line).
    std::vector<std::string> serviceArguments;
};

// The program's arguments, without its own name. Refused as a whole: an argument that is not an
// option of the program, an option without its value or given twice, a second action (--help and
// --version included), an option that does not go with the action, a date that is not in the
// calendar, and --from later than --to.
CommandLine readCommandLine(const std::vector<std::string>& arguments);

// What `--help` prints.
std::string usage();

// Why the command line was refused, followed by the usage.
std::string refusal(const CommandLine& commandLine);

// COM1 to COM10 of this machine, the device behind each and why a port cannot be used; below the
// table, each line of "comports.conf" not understood, with its number.
std::string portTableOfThisMachine();

// The same for a window, where columns do not line up: each port of `map` with its device and
// why it cannot be used, then each line of "comports.conf" not understood; one line each.
std::string portReasons(const seriallink::PortMap& map);

// What the operator should know at start about the ports: each line of "comports.conf" not
// understood, and pinned ports whose device is missing while port `usedNumber` is polled. One
// line each, for standard error; empty when there is nothing to say.
std::string portNotes(const seriallink::PortMap& map, int usedNumber);

}  // namespace shell
