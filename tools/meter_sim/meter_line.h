#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "frame.h"
#include "meter_model.h"
#include "request_assembler.h"
#include "write_session.h"

namespace meter_sim {

// Stations present on the line: bit s for station s (1..16).
using StationSet = std::bitset<17>;

// Parses "1-16", "1,3,5" or a mix such as "1-4,9,12-13". Returns nothing for an empty list, a
// station outside 1..16 or a descending range.
[[nodiscard]] std::optional<StationSet> parseStations(const std::string& text);

// Parses a password of one to four digits; shorter ones get leading zeros, as the PC sends them.
[[nodiscard]] std::optional<Password> parsePassword(const std::string& text);

// A reply a meter puts on the line.
struct Answer {
    Frame frame{};
    bool measurement = true;  // false for replies of the parameter write
    std::string label;
};

// One request heard, what the meter made of it, and its reply if it gives one.
struct Heard {
    std::string request;
    std::optional<Answer> answer;
};

struct LineOutput {
    bool requestStarted = false;  // the byte began a new poll
    std::vector<Heard> heard;
};

// The meters on one RS-485 line: assembles requests from the bytes the PC sends and lets the
// addressed meter answer. Absent stations stay silent. Time is given in microseconds of a
// monotonic clock; the meters' clocks start at startUs.
class MeterLine {
  public:
    MeterLine(const StationSet& stations, const Password& password, std::int64_t startUs);

    [[nodiscard]] LineOutput receive(std::uint8_t byte, std::int64_t nowUs);

    [[nodiscard]] bool present(std::uint8_t station) const;
    // The model of a present station, for inspection; nullptr when absent.
    [[nodiscard]] MeterModel* meter(std::uint8_t station);

  private:
    struct Meter {
        MeterModel model;
        WriteSession session;
    };

    [[nodiscard]] Heard poll(const Request& request, std::int64_t nowUs);
    [[nodiscard]] Heard parameterFrame(const Request& request, std::int64_t nowUs);
    [[nodiscard]] StationMask listeningStations() const;
    [[nodiscard]] double secondsAt(std::int64_t nowUs) const;

    std::array<std::unique_ptr<Meter>, 16> meters_;
    RequestAssembler assembler_;
    std::int64_t startUs_;
};

// "03 00 56 ..." for logs.
[[nodiscard]] std::string hexBytes(const std::uint8_t* bytes, std::size_t count);

}  // namespace meter_sim
