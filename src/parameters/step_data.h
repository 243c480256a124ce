#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "parameters/parameter_frame.h"
#include "parameters/parameter_set.h"

namespace parameters {

// What getting a step's fields ready for the line made of them.
struct StepPreparation {
    std::optional<Param> refused;        // a field that failed its check: the write must stop
    std::optional<std::string> message;  // that field's message
    std::optional<bool> fieldValid;  // as FieldCheck::fieldValid, when a decimal field was checked
    std::optional<Param> checked;    // that decimal field
};

// Rewrites, in place, the texts step 1 to 13 or 15 reads, so that the operator sees what is sent:
// the range value padded or cut to five characters ("1" when empty), the frequency range to four,
// each decimal field checked and formatted as on leaving it (an empty one as "0"), and a zero
// correction of 0 or more given its "+". A field that fails its check is emptied and named in the
// result, and nothing of the step may be sent; so is a selection that is not one of its options.
[[nodiscard]] StepPreparation prepareStep(std::uint8_t step, ParameterTexts& texts);

// The data bytes 2 to 7 of step 1 to 13 or 15 from texts prepared for it. Digits travel as their
// values 0 to 9 (any other character as 0), options as their wire codes.
[[nodiscard]] StepData stepData(std::uint8_t step, const ParameterTexts& texts);

// Line settings, timer period and the pause between start-command bytes for the line speed text
// of the main window; any text not in the table gives "14400,n,8,1", 200 ms, 300000.
struct WriteLineSpeed {
    const char* settings;
    int timerIntervalMs;
    std::int32_t pauseCount;
};
[[nodiscard]] const WriteLineSpeed& writeLineSpeed(const std::string& speedText);

// The pause after each byte of a parameter frame.
inline constexpr std::int32_t kFrameBytePauseCount = 100000;

}  // namespace parameters
