#pragma once

#include <cstdint>
#include <string>

#include "parameters/parameter_set.h"
#include "parameters/write_exchange.h"

namespace session {

// The steps of a write as the operator counts them: the password is step 1, the parameter groups
// 1 to 13 are steps 2 to 14 and the closing step is step 15.
inline constexpr int kStepsOfAWrite = 15;

// A field's message with the field named in front of it: "小信号切除值：输入格式不对".
[[nodiscard]] std::string fieldMessage(parameters::Param param, const std::string& message);

// How far a write has come, for the line under the buttons:
// - no write since the parameters were loaded: empty;
// - start command sent: "等待仪表应答", or "仪表无应答" once the write button is back;
// - password and parameter steps: "第 k 步，共 15 步", with "：未完成" once the write button is
//   back without the write having ended;
// - closing step acknowledged: "第 15 步，共 15 步：完成";
// - ended without success: "第 k 步，共 15 步：已停止".
// `step` is the step number on the line; `buttonBack` tells that the write button came back.
[[nodiscard]] std::string progressText(parameters::ExchangePhase phase, std::uint8_t step,
                                       bool buttonBack);

// The seconds the meter still accepts parameters, counted from its answer to the start command:
// "设置时限剩余 N 秒", N rounded up, 30 at most and never below 0.
[[nodiscard]] std::string secondsLeftText(std::int64_t msecsSinceStartAnswer);

// Why the write button is disabled and for how long: "写入进行中" while a write runs, otherwise
// "N 秒后可再次设置", N being the ticks until the button comes back at `tickMs` each, rounded up
// to whole seconds and at least 1.
[[nodiscard]] std::string writeButtonHint(bool writing, int ticksLeft, int tickMs);

}  // namespace session
