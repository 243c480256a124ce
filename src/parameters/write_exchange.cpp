#include "parameters/write_exchange.h"

#include <algorithm>

#include "text/characters.h"

namespace parameters {

namespace {

constexpr std::int16_t kButtonTicks = 100;  // "远程设置" comes back after this many ticks
constexpr std::int16_t kRetryWrap = 200;
constexpr std::int16_t kSendWindowTicks = 20;  // frames go out only this long after an answer
constexpr std::int16_t kLeaveAfterEndTicks = 50;
constexpr std::size_t kPasswordLength = 4;

// The four password digits as their values; a character that is not a digit gives 0.
StepData passwordData(const std::string& answer) {
    std::u32string chars = text::characters(answer);
    if (chars.size() < kPasswordLength) {
        chars.insert(0, kPasswordLength - chars.size(), U'0');
    }
    StepData data{};
    for (std::size_t i = 0; i < kPasswordLength; ++i) {
        data[i] = text::isDigit(chars[i]) ? static_cast<std::uint8_t>(chars[i] - U'0') : 0;
    }
    return data;
}

}  // namespace

void WriteExchange::reset(std::uint8_t station) {
    vars_ = ExchangeVariables{};
    phase_ = ExchangePhase::Idle;
    station_ = station;
}

void WriteExchange::startSent() {
    vars_.step = kStartAckStep;
    vars_.ticksSinceAnswer = 0;
    vars_.frameArmed = true;
    vars_.startUnanswered = true;
    phase_ = ExchangePhase::AwaitingStartAck;
}

WriteExchange::TickResult WriteExchange::tick() {
    TickResult result;
    if (++vars_.ticksSinceStart > kButtonTicks) {
        vars_.ticksSinceStart = 0;
        result.writeButtonBack = true;
    }
    if (++vars_.ticksSinceAnswer > kRetryWrap) {
        vars_.ticksSinceAnswer = 0;
    }
    if (!vars_.frameArmed || vars_.ticksSinceAnswer > kSendWindowTicks ||
        phase_ == ExchangePhase::PasswordPrompt) {
        return result;
    }
    const std::uint8_t step = vars_.step;
    if (step == kPasswordStep) {
        phase_ = ExchangePhase::PasswordPrompt;
        result.action = TickAction::AskPassword;
    } else if ((step >= 1 && step <= kLastParameterStep) || step == kClosingStep) {
        result.action = TickAction::SendStep;
    }
    return result;
}

std::optional<Frame> WriteExchange::passwordAnswered(const std::string& answer) {
    if (phase_ != ExchangePhase::PasswordPrompt) {
        return std::nullopt;
    }
    if (answer.empty()) {
        vars_.frameArmed = false;
        vars_.ticksSinceStart = 0;
        phase_ = ExchangePhase::Ended;
        return std::nullopt;
    }
    phase_ = ExchangePhase::Stepping;
    return buildFrame(station_, kPasswordStep, passwordData(answer));
}

Frame WriteExchange::stepFrame(const StepData& data) const {
    return buildFrame(station_, vars_.step, data);
}

void WriteExchange::stopWrite() {
    vars_.frameArmed = false;
    phase_ = ExchangePhase::Ended;
}

WriteExchange::ReplyResult WriteExchange::reply(const std::vector<std::uint8_t>& block) {
    if (block.size() < kFrameLength) {
        return {ReplyKind::Ignored};
    }
    Frame reply{};
    std::copy_n(block.begin(), kFrameLength, reply.begin());
    if (reply[2] == kErrorMarker) {
        switch (reply[3]) {
            case kErrorWrongPassword:
                vars_.frameArmed = true;
                phase_ = armedPhase();
                return {ReplyKind::WrongPassword, kWrongPasswordMessage};
            case kErrorTimeLimit:
                vars_.frameArmed = false;
                phase_ = ExchangePhase::Ended;
                return {ReplyKind::TimeLimit, kTimeLimitMessage};
            case kErrorTooManyPasswords:
                vars_.frameArmed = false;
                phase_ = ExchangePhase::Ended;
                return {ReplyKind::TooManyPasswords, kTooManyPasswordsMessage};
            default:
                break;
        }
    }
    if (!acceptable(reply)) {
        vars_.frameArmed = true;
        phase_ = armedPhase();
        return {ReplyKind::Rejected};
    }
    if (reply[1] == kStartAckStep) {
        vars_.frameArmed = true;
        vars_.step = kPasswordStep;
        vars_.startUnanswered = false;
        phase_ = ExchangePhase::PasswordDue;
        return {ReplyKind::StartAcknowledged};
    }
    if (reply[1] == kClosingStep) {
        vars_.ticksSinceAnswer = 0;
        vars_.step = kClosingStep;
        vars_.frameArmed = false;
        phase_ = ExchangePhase::Completed;
        return {ReplyKind::Completed, kSuccessMessage};
    }
    vars_.ticksSinceAnswer = 0;
    ++vars_.step;
    if (vars_.step > kLastParameterStep) {
        vars_.step = kClosingStep;
    }
    vars_.frameArmed = true;
    phase_ = ExchangePhase::Stepping;
    return {ReplyKind::Acknowledged};
}

bool WriteExchange::acceptable(const Frame& reply) const {
    // The start acknowledgement's check byte covers bytes 2 to 7 only, every other one 0 to 7.
    const std::uint8_t expected =
        reply[1] == kStartAckStep ? xorOf(reply, 2, 7) : xorOf(reply, 0, 7);
    const bool zeros = std::all_of(reply.begin() + 3, reply.begin() + 8,
                                   [](std::uint8_t byte) { return byte == 0; });
    return reply[0] == station_ && reply[1] == vars_.step && reply[2] == kAckMarker && zeros &&
           reply[8] == expected && reply[9] == kReplyEnd;
}

ExchangePhase WriteExchange::armedPhase() const {
    switch (vars_.step) {
        case kStartAckStep:
            return ExchangePhase::AwaitingStartAck;
        case kPasswordStep:
            return ExchangePhase::PasswordDue;
        default:
            return ExchangePhase::Stepping;
    }
}

WriteExchange::LeaveDecision WriteExchange::leave(bool writeButtonEnabled) const {
    if (!writeButtonEnabled) {
        return LeaveDecision::RetryLater;
    }
    const bool ended = vars_.step >= 14 && vars_.ticksSinceAnswer >= kLeaveAfterEndTicks;
    if (vars_.startUnanswered || !vars_.frameArmed || ended) {
        return LeaveDecision::Leave;
    }
    return LeaveDecision::Stay;
}

}  // namespace parameters
