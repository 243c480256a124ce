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
    vars_.Parameter_Step = kStartAckStep;
    vars_.Retry_Count = 0;
    vars_.Send_Armed = true;
    vars_.Write_Pending = true;
    phase_ = ExchangePhase::AwaitingStartAck;
}

WriteExchange::TickResult WriteExchange::tick() {
    TickResult result;
    if (++vars_.Button_Count > kButtonTicks) {
        vars_.Button_Count = 0;
        result.enableCommand3 = true;
    }
    if (++vars_.Retry_Count > kRetryWrap) {
        vars_.Retry_Count = 0;
    }
    if (!vars_.Send_Armed || vars_.Retry_Count > kSendWindowTicks ||
        phase_ == ExchangePhase::PasswordPrompt) {
        return result;
    }
    vars_.Send_Buffer[0] = station_;
    const std::uint8_t step = vars_.Parameter_Step;
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
    vars_.Password_Text = answer;
    if (answer.empty()) {
        vars_.Send_Armed = false;
        vars_.Button_Count = 0;
        phase_ = ExchangePhase::Ended;
        return std::nullopt;
    }
    phase_ = ExchangePhase::Stepping;
    return sendBuffer(kPasswordStep, passwordData(answer));
}

Frame WriteExchange::stepFrame(const StepData& data) {
    return sendBuffer(vars_.Parameter_Step, data);
}

Frame WriteExchange::sendBuffer(std::uint8_t step, const StepData& data) {
    const Frame frame = buildFrame(station_, step, data);
    std::copy(frame.begin(), frame.end(), vars_.Send_Buffer.begin());
    return frame;
}

void WriteExchange::stopWrite() {
    vars_.Send_Armed = false;
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
                vars_.Send_Armed = true;
                phase_ = armedPhase();
                return {ReplyKind::WrongPassword, kWrongPasswordMessage};
            case kErrorTimeLimit:
                vars_.Send_Armed = false;
                phase_ = ExchangePhase::Ended;
                return {ReplyKind::TimeLimit, kTimeLimitMessage};
            case kErrorTooManyPasswords:
                vars_.Send_Armed = false;
                phase_ = ExchangePhase::Ended;
                return {ReplyKind::TooManyPasswords, kTooManyPasswordsMessage};
            default:
                break;
        }
    }
    if (!acceptable(reply)) {
        vars_.Send_Armed = true;
        phase_ = armedPhase();
        return {ReplyKind::Rejected};
    }
    if (reply[1] == kStartAckStep) {
        vars_.Send_Armed = true;
        vars_.Parameter_Step = kPasswordStep;
        vars_.Write_Pending = false;
        phase_ = ExchangePhase::PasswordDue;
        return {ReplyKind::StartAcknowledged};
    }
    if (reply[1] == kClosingStep) {
        vars_.Retry_Count = 0;
        vars_.Parameter_Step = kClosingStep;
        vars_.Send_Armed = false;
        phase_ = ExchangePhase::Completed;
        return {ReplyKind::Completed, kSuccessMessage};
    }
    vars_.Retry_Count = 0;
    ++vars_.Parameter_Step;
    if (vars_.Parameter_Step > kLastParameterStep) {
        vars_.Parameter_Step = kClosingStep;
    }
    vars_.Send_Armed = true;
    phase_ = ExchangePhase::Stepping;
    return {ReplyKind::Acknowledged};
}

bool WriteExchange::acceptable(const Frame& reply) const {
    // The start acknowledgement's check byte covers bytes 2 to 7 only, every other one 0 to 7.
    const std::uint8_t expected =
        reply[1] == kStartAckStep ? xorOf(reply, 2, 7) : xorOf(reply, 0, 7);
    const bool zeros = std::all_of(reply.begin() + 3, reply.begin() + 8,
                                   [](std::uint8_t byte) { return byte == 0; });
    return reply[0] == station_ && reply[1] == vars_.Parameter_Step && reply[2] == kAckMarker &&
           zeros && reply[8] == expected && reply[9] == kReplyEnd;
}

ExchangePhase WriteExchange::armedPhase() const {
    switch (vars_.Parameter_Step) {
        case kStartAckStep:
            return ExchangePhase::AwaitingStartAck;
        case kPasswordStep:
            return ExchangePhase::PasswordDue;
        default:
            return ExchangePhase::Stepping;
    }
}

WriteExchange::LeaveDecision WriteExchange::leave(bool command3Enabled) const {
    if (!command3Enabled) {
        return LeaveDecision::RetryLater;
    }
    const bool ended = vars_.Parameter_Step >= 14 && vars_.Retry_Count >= kLeaveAfterEndTicks;
    if (vars_.Write_Pending || !vars_.Send_Armed || ended) {
        return LeaveDecision::Leave;
    }
    return LeaveDecision::Stay;
}

}  // namespace parameters
