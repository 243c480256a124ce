#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "fault_injector.h"
#include "meter_line.h"

namespace meter_sim {

struct SimOptions {
    std::string linkPath;  // empty: no symbolic link
    StationSet stations;
    Password password{1, 2, 3, 4};
    int replyDelayMs = 5;
    std::string logPath;  // empty: no log
    std::optional<std::uint64_t> seed;
    FaultRates faults;
    bool faultWrites = false;  // faults also hit the replies of the parameter write
    StationSet faultStations;  // the stations whose replies the faults hit
    int durationS = 0;         // 0: until SIGINT or SIGTERM
    bool help = false;
};

// Parses the command line. On a malformed one returns nothing and sets error.
[[nodiscard]] std::optional<SimOptions> parseOptions(int argc, char** argv, std::string& error);

[[nodiscard]] std::string usageText();

}  // namespace meter_sim
