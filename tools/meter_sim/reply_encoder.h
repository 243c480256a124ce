#pragma once

#include <cstdint>

#include "frame.h"

namespace meter_sim {

// Command index of a poll: which group of measurement data the meter returns.
enum class Command : std::uint8_t {
    Flow = 0,
    Velocity = 1,
    Percentage = 2,
    Resistance = 3,
    ForwardTotal = 4,
    ReverseTotal = 5,
    Alarms = 6,
    Diameter = 7,
    PowerFailures = 8,
};
constexpr std::uint8_t kCommandCount = 9;

// Alarm bits of the alarm-state reply.
constexpr std::uint8_t kAlarmExcitation = 0x02;
constexpr std::uint8_t kAlarmElectrode = 0x04;
constexpr std::uint8_t kAlarmEmptyPipe = 0x08;
constexpr std::uint8_t kAlarmUpperLimit = 0x10;
constexpr std::uint8_t kAlarmLowerLimit = 0x20;

// Error codes of the parameter write, sent after the error marker 13 in byte 2.
constexpr std::uint8_t kErrorMarker = 13;
constexpr std::uint8_t kErrorWrongPassword = 0x80;
constexpr std::uint8_t kErrorTimeLimit = 0x81;
constexpr std::uint8_t kErrorTooManyPasswords = 0x82;
constexpr std::uint8_t kStartAckStep = 100;

// Measurement replies. Each chooses the finest resolution its BCD field can hold; magnitudes
// beyond the field are clamped to its largest number. Byte 8 is the exclusive-or of bytes 2..7.
[[nodiscard]] Frame encodeFlow(std::uint8_t station, double flow, std::uint8_t unitCode);
[[nodiscard]] Frame encodeVelocity(std::uint8_t station, double metresPerSecond,
                                   std::uint8_t cutoffFlag);
[[nodiscard]] Frame encodePercentage(std::uint8_t station, double percent, std::uint8_t ratioCode,
                                     std::uint8_t upperFlag, std::uint8_t lowerFlag);
[[nodiscard]] Frame encodeResistance(std::uint8_t station, double kiloOhm,
                                     std::uint8_t emptyPipeFlag);
// totalUnitCode 0..15: unit = code / 4, decimals = 3 - code % 4. The counter wraps at 10 digits.
[[nodiscard]] Frame encodeTotal(std::uint8_t station, Command which, double total,
                                std::uint8_t totalUnitCode);
[[nodiscard]] Frame encodeAlarms(std::uint8_t station, std::uint8_t alarmBits);
[[nodiscard]] Frame encodeDiameter(std::uint8_t station, std::uint8_t diameterCode);
// Each number is clamped to 0..32767, the range the PC can show.
[[nodiscard]] Frame encodePowerFailures(std::uint8_t station, int count, int hours, int minutes);

// Replies of the parameter write. The start acknowledgement (step 100) carries the exclusive-or
// of bytes 2..7 in byte 8, every other acknowledgement and error that of bytes 0..7.
[[nodiscard]] Frame encodeAck(std::uint8_t station, std::uint8_t step);
[[nodiscard]] Frame encodeError(std::uint8_t station, std::uint8_t step, std::uint8_t code);

}  // namespace meter_sim
