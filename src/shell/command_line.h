#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

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
};

// The program's arguments, without its own name. The first action decides; an argument that is
// not an option of the program, an option without its value, or an option that does not go
// with the action refuses the whole command line.
CommandLine readCommandLine(const std::vector<std::string>& arguments);

// What `--help` prints.
std::string usage();

// Why the command line was refused, followed by the usage.
std::string refusal(const CommandLine& commandLine);

// COM1 to COM10 of this machine, the device behind each and why a port cannot be used.
std::string portTableOfThisMachine();

}  // namespace shell
