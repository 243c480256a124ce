#pragma once

#include <string>
#include <vector>

namespace service {

// How a program that runs the service names itself: in every line it writes and in its usage.
struct Identity {
    std::string program;  // "tuskocpd"
    std::string usage;    // what --help prints and a refusal ends with
    std::string version;  // what --version prints
};

// The service: reads `arguments` (the command line without the program's name) and polls,
// checks, or prints its help or version. Makes the Qt event loop it needs; needs no display.
// The program's exit status.
[[nodiscard]] int runService(int argc, char** argv, const std::vector<std::string>& arguments,
                             const Identity& identity);

}  // namespace service
