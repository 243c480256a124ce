#include "session/write_texts.h"

#include <algorithm>

namespace session {

namespace {

constexpr std::int64_t kMeterWindowMsecs = 30000;

std::string stepOf(std::uint8_t step) {
    const int counted = step == parameters::kClosingStep ? kStepsOfAWrite : step + 1;
    return "第 " + std::to_string(counted) + " 步，共 " + std::to_string(kStepsOfAWrite) + " 步";
}

}  // namespace

std::string fieldMessage(parameters::Param param, const std::string& message) {
    return std::string(parameters::fieldName(param)) + "：" + message;
}

std::string progressText(parameters::ExchangePhase phase, std::uint8_t step, bool buttonBack) {
    using Phase = parameters::ExchangePhase;
    switch (phase) {
        case Phase::Idle:
            return {};
        case Phase::AwaitingStartAck:
            return buttonBack ? "仪表无应答" : "等待仪表应答";
        case Phase::PasswordDue:
        case Phase::PasswordPrompt:
        case Phase::Stepping:
            return stepOf(step) + (buttonBack ? "：未完成" : "");
        case Phase::Completed:
            return stepOf(parameters::kClosingStep) + "：完成";
        case Phase::Ended:
            return stepOf(step) + "：已停止";
    }
    return {};
}

std::string secondsLeftText(std::int64_t msecsSinceStartAnswer) {
    const std::int64_t left =
        std::clamp<std::int64_t>(kMeterWindowMsecs - msecsSinceStartAnswer, 0, kMeterWindowMsecs);
    return "设置时限剩余 " + std::to_string((left + 999) / 1000) + " 秒";
}

std::string writeButtonHint(bool writing, int ticksLeft, int tickMs) {
    if (writing) {
        return "写入进行中";
    }
    const std::int64_t msecs = static_cast<std::int64_t>(std::max(ticksLeft, 1)) * tickMs;
    return std::to_string(std::max<std::int64_t>((msecs + 999) / 1000, 1)) + " 秒后可再次设置";
}

}  // namespace session
