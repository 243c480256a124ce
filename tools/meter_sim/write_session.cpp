#include "write_session.h"

#include "reply_encoder.h"
#include "step_data.h"

namespace meter_sim {
namespace {

constexpr std::int64_t kTimeLimitUs = 30'000'000;
constexpr int kPasswordAttempts = 5;
constexpr std::uint8_t kLastParameterStep = 13;
constexpr std::uint8_t kClosingStep = 15;

std::uint8_t nextStep(std::uint8_t step) {
    return step >= kLastParameterStep ? kClosingStep : static_cast<std::uint8_t>(step + 1);
}

}  // namespace

WriteSession::WriteSession(std::uint8_t station, const Password& password)
    : station_(station), password_(password) {}

Frame WriteSession::ack(std::uint8_t step) const {
    return encodeAck(station_, step);
}

Frame WriteSession::error(std::uint8_t step, std::uint8_t code) const {
    return encodeError(station_, step, code);
}

Frame WriteSession::start(std::int64_t nowUs) {
    state_ = State::AwaitPassword;
    startUs_ = nowUs;
    wrongPasswords_ = 0;
    return ack(kStartAckStep);
}

bool WriteSession::passwordMatches(const Frame& frame) const {
    for (std::size_t i = 0; i < password_.size(); ++i) {
        if (frame[2 + i] != password_[i]) {
            return false;
        }
    }
    return true;
}

WriteSession::Outcome WriteSession::frame(const Frame& frame, std::int64_t nowUs,
                                          MeterSettings& settings) {
    if (state_ == State::Idle) {
        return {std::nullopt, "ignored: no write in progress"};
    }
    if (frame[0] != station_ || frame[9] != kParameterFrameEnd || frame[8] != xorOf(frame, 0, 7)) {
        return {std::nullopt, "ignored: bad check or end byte"};
    }
    const std::uint8_t step = frame[1];
    if (nowUs - startUs_ > kTimeLimitUs) {
        const bool completed = state_ == State::Completed;
        state_ = State::Idle;
        if (completed) {
            return {std::nullopt, "ignored: write already completed"};
        }
        return {error(step, kErrorTimeLimit), "error 0x81: 30 s since the start command"};
    }
    switch (state_) {
        case State::AwaitPassword:
            return step == 0 ? passwordFrame(frame, false, settings)
                             : Outcome{std::nullopt, "ignored: password expected"};
        case State::Steps:
            if (step == expectedStep_) {
                return stepFrame(frame, false, settings);
            }
            if (step == lastAckedStep_) {
                return step == 0 ? passwordFrame(frame, true, settings)
                                 : stepFrame(frame, true, settings);
            }
            return {std::nullopt, "ignored: unexpected step " + std::to_string(step)};
        case State::Idle:
        case State::Completed:
            break;
    }
    if (step == kClosingStep) {
        return {ack(kClosingStep), "closing step repeated, acknowledged again"};
    }
    return {std::nullopt, "ignored: write already completed"};
}

WriteSession::Outcome WriteSession::passwordFrame(const Frame& frame, bool repeated,
                                                  const MeterSettings& settings) {
    if (passwordMatches(frame)) {
        if (!repeated) {
            staged_ = settings;
            state_ = State::Steps;
            expectedStep_ = 1;
            lastAckedStep_ = 0;
        }
        return {ack(0), repeated ? "password repeated, acknowledged again" : "password accepted"};
    }
    if (repeated) {
        return {std::nullopt, "ignored: unexpected step 0"};
    }
    ++wrongPasswords_;
    if (wrongPasswords_ >= kPasswordAttempts) {
        state_ = State::Idle;
        return {error(0, kErrorTooManyPasswords), "error 0x82: fifth wrong password"};
    }
    return {error(0, kErrorWrongPassword),
            "error 0x80: wrong password " + std::to_string(wrongPasswords_)};
}

WriteSession::Outcome WriteSession::stepFrame(const Frame& frame, bool repeated,
                                              MeterSettings& settings) {
    const std::uint8_t step = frame[1];
    if (step == kClosingStep) {
        settings = staged_;
        state_ = State::Completed;
        lastAckedStep_ = step;
        return {ack(step), "closing step: settings in effect"};
    }
    std::string note = "step " + std::to_string(step) + (repeated ? " repeated" : "") + " staged";
    const std::string kept = applyStep(frame, staged_);
    if (!kept.empty()) {
        note += ", kept " + kept;
    }
    lastAckedStep_ = step;
    expectedStep_ = nextStep(step);
    return {ack(step), note};
}

}  // namespace meter_sim
