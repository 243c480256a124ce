#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "measurement/station_memory.h"

namespace gateway {

// A station's registers, the same for input registers and holding registers. 32-bit and 64-bit
// values go high word first, each word high byte first on the wire:
//    0  flow, float32, signed, in the unit of register 2
//    2  flow unit code 0-15, the order of the flow unit table
//    3  velocity, float32, signed, m/s
//    5  percentage of range, float32, signed
//    7  range-ratio code 0-3
//    8  electrode resistance, float32, kOhm
//   10  forward total, float64          14  its unit code (unit = code / 4)
//   15  reverse total, float64          19  its unit code
//   20  alarm bits as the meter sends them (0x02 excitation, 0x04 electrode, 0x08 empty pipe,
//       0x10 upper limit, 0x20 lower limit)
//   21  pipe diameter, mm
//   22  power failures: count, hours, minutes
//   25  disabled: bit 0 small-signal cut-off, 1 upper alarm, 2 lower alarm, 3 empty-pipe alarm
//   26  seconds since the station's last valid reply (65535: none yet)
//   27  state, a StationCondition
inline constexpr std::size_t kRegisterCount = 28;
inline constexpr std::uint16_t kAgeRegister = 26;
inline constexpr std::uint16_t kStateRegister = 27;
using RegisterBlock = std::array<std::uint16_t, kRegisterCount>;

enum class StationCondition : std::uint16_t {
    Answering = 0,
    Silent = 1,     // ten requests in a row without a valid reply
    NotPolled = 2,  // polling goes to another station alone
};

// Every kind of value of the station has come at least once.
[[nodiscard]] bool hasEveryValue(const measurement::StationState& state);

// Registers 0 to 25 from the station's latest replies and what the main window shows for it:
// values scaled, rounded and signed as shown; diameter, power failures and the enable flags as
// the station's displays show them (a value the meter sent out of range leaves its display, and
// so its register, as it was). Registers 26 and 27 are left 0.
[[nodiscard]] RegisterBlock valueRegisters(const measurement::StationState& state);

// Register 26: whole seconds from the last valid reply to now, at most 65534; 65535 without one.
[[nodiscard]] std::uint16_t ageRegister(std::optional<std::int64_t> lastReplyMs,
                                        std::int64_t nowMs);

// The leading decimal number of a display text ("150", "12"), 0 when there is none.
[[nodiscard]] std::uint16_t shownInteger(const std::string& text);

}  // namespace gateway
