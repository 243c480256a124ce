#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <variant>

#include "measurement/reply_frame.h"

namespace measurement {

// Values are magnitudes after scaling and rounding; the sign travels separately.

struct FlowReply {  // command index 0
    float value = 0;
    std::uint8_t unitCode = 0;  // D6, flow unit table
    bool negative = false;      // bit 0 of D7
};

struct VelocityReply {  // command index 1
    float value = 0;
    std::uint8_t cutoffFlag = 0;  // D5, small-signal cut-off enable
    bool negative = false;        // D7 not 0
};

struct PercentReply {  // command index 2
    float value = 0;
    std::uint8_t rangeRatioCode = 0;  // D4, raw
    std::uint8_t upperFlag = 0;       // D5, upper-limit alarm enable
    std::uint8_t lowerFlag = 0;       // D6, lower-limit alarm enable
    bool negative = false;            // D7 not 0
};

struct ResistanceReply {  // command index 3, kilo-ohm
    float value = 0;
    std::uint8_t emptyPipeFlag = 0;  // D6, empty-pipe alarm enable
};

enum class TotalDirection { Forward, Reverse };

struct TotalReply {  // command index 4 (forward) or 5 (reverse)
    TotalDirection direction = TotalDirection::Forward;
    double value = 0;
    std::uint8_t unitCode = 0;  // D7: unit code / 4, resolution 3 - code % 4 decimals
};

struct AlarmReply {         // command index 6
    std::uint8_t bits = 0;  // D2 as received; only the five alarm bits are read
};

struct DiameterReply {      // command index 7
    std::uint8_t code = 0;  // D2, index into the pipe-diameter list
};

struct PowerFailureReply {  // command index 8; a value whose high byte is 128 or more is absent
    std::optional<std::int16_t> count;
    std::optional<std::int16_t> hours;
    std::optional<std::int16_t> minutes;
};

using DecodedReply = std::variant<FlowReply, VelocityReply, PercentReply, ResistanceReply,
                                  TotalReply, AlarmReply, DiameterReply, PowerFailureReply>;

// What a poll asks the meter for: the command byte of the request, 0 to 8.
enum class MeterCommand : std::uint8_t {
    Flow,
    Velocity,
    Percent,
    Resistance,
    ForwardTotal,
    ReverseTotal,
    AlarmState,
    Diameter,
    PowerFailures,
};
inline constexpr std::size_t kMeterCommandCount = 9;

// One meter command: its name as the program shows it and the decoder of its reply. The packed-BCD
// bytes of the number are converted in place, highest position first, without a digit check (0x9A
// counts as 100).
struct MeterCommandInfo {
    MeterCommand command;
    const char* name;  // "瞬时流量"
    DecodedReply (*decode)(ReplyFrame& frame);
};

// Every command, in the order of its byte.
[[nodiscard]] const std::array<MeterCommandInfo, kMeterCommandCount>& meterCommands();

// The command a request byte stands for; nothing above 8.
[[nodiscard]] std::optional<MeterCommand> meterCommand(std::uint8_t byte);

// Decodes the data bytes of a checked frame as the reply to the command byte `command`. Nothing
// for a command byte above 8.
[[nodiscard]] std::optional<DecodedReply> decodeReply(ReplyFrame& frame, std::uint8_t command);

}  // namespace measurement
