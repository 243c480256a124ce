#pragma once

#include <string>
#include <vector>

namespace shell {

// Exit statuses besides 0.
constexpr int kNoUsablePortStatus = 1;
constexpr int kUsageStatus = 2;

enum class CommandLineAction { Run, Help, Version, ListPorts, Refuse };

struct CommandLine {
    CommandLineAction action = CommandLineAction::Run;
    std::string refused;  // the argument that was not understood
};

// The program's arguments, without its own name. The first option decides; an argument that is
// not an option of the program refuses the whole command line.
CommandLine readCommandLine(const std::vector<std::string>& arguments);

// What `--help` prints.
std::string usage();

// Why `refused` is refused, followed by the usage.
std::string refusal(const std::string& refused);

// COM1 to COM10 of this machine, the device behind each and why a port cannot be used.
std::string portTableOfThisMachine();

}  // namespace shell
