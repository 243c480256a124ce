#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "measurement/display_texts.h"
#include "measurement/reply_decoder.h"

namespace measurement {

inline constexpr const char* kStatusNormal = "通讯正常";
inline constexpr const char* kStatusError = "通讯错误";

// Flow unit of reply kind 0; empty for a code of 16 or more.
std::string flowUnitText(std::uint8_t code);
// Unit of the totals; nothing for a code of 16 or more, which leaves the unit display alone.
std::optional<std::string> totalUnitText(std::uint8_t code);
// Range ratio 0 to 3; nothing for other codes.
std::optional<std::string> rangeRatioText(std::uint8_t code);
// "禁止" for a flag of 1, "允许" for any other value.
std::string enableText(std::uint8_t flag);
// Pipe diameter in millimetres for codes 0 to 38; nothing above.
std::optional<std::string> diameterText(std::uint8_t code);

// The single-station number display: decimal, with a "0" in front of 1 to 9 ("07", "12").
std::string singleStationText(std::uint8_t station);

// Applies one decoded reply to the displays. An alarm-state reply also captures the status text
// into `alarmText` before " 测量正常." is appended for a reply without alarm bits.
void present(const DecodedReply& reply, DisplayTexts& texts, std::string& alarmText);

}  // namespace measurement
