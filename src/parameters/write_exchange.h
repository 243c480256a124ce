#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "parameters/parameter_frame.h"

namespace parameters {

// Messages of the exchange.
inline constexpr const char* kWrongPasswordMessage = "密码输入错误";
inline constexpr const char* kTimeLimitMessage = "参数设置超过30秒";
inline constexpr const char* kTooManyPasswordsMessage = "密码输入错误超过4次";
inline constexpr const char* kSuccessMessage = "数据传递成功！";
inline constexpr const char* kRetryLaterMessage = "5秒钟之后重试！";

// The variables the exchange keeps from one event to the next.
struct ExchangeVariables {
    std::uint8_t step = 0;  // step whose frame goes next; 100 until the start is answered
    std::int16_t ticksSinceAnswer = 0;  // since the last accepted acknowledgement; wraps after 200
    std::int16_t ticksSinceStart = 0;   // since the last start of a write; wraps after 100
    bool frameArmed = false;       // the next eligible tick sends the current step's frame once
    bool startUnanswered = false;  // the start command is not answered yet
};

// Where a write stands.
enum class ExchangePhase {
    Idle,              // no write since the window was loaded
    AwaitingStartAck,  // the start command went out; nothing is sent until the meter answers it
    PasswordDue,       // the meter asks for the password: the next eligible tick prompts for it
    PasswordPrompt,    // the password box is open
    Stepping,          // the password and steps 1 to 13 and 15, each after the last one's answer
    Completed,         // the closing step was acknowledged
    Ended,             // stopped without success (no password, the meter's error, a refused field)
};

// The PC's side of a parameter write, driven by timer ticks and the meter's replies. A frame goes
// out only on a tick, only while one is armed and fewer than 21 ticks have passed since the last
// accepted acknowledgement; an accepted acknowledgement arms the next step's frame, a rejected
// reply arms the same frame again, and silence leaves the write where it is. The write button
// comes back 100 ticks after the start of a write. No I/O here: the caller sends the frames, asks
// for the password and shows the messages.
class WriteExchange {
  public:
    enum class TickAction { None, AskPassword, SendStep };
    struct TickResult {
        bool writeButtonBack = false;  // 100 ticks have passed since the last start
        TickAction action = TickAction::None;
    };

    enum class ReplyKind {
        Ignored,            // fewer than ten bytes arrived
        Rejected,           // not the acknowledgement awaited: the same frame goes again
        StartAcknowledged,  // the password is asked for next
        Acknowledged,       // the next step's frame goes next
        Completed,          // the closing step was acknowledged: the write is done
        WrongPassword,      // 0x80: the password is asked for again
        TimeLimit,          // 0x81: the meter's 30 seconds have passed; the write ends
        TooManyPasswords,   // 0x82: the write ends and the window is left
    };
    struct ReplyResult {
        ReplyKind kind = ReplyKind::Ignored;
        const char* message = nullptr;  // to be shown to the operator, when set
    };

    enum class LeaveDecision { Leave, RetryLater, Stay };

    // The window was loaded for `station`: every variable starts afresh.
    void reset(std::uint8_t station);
    // The start of a write restarts the count after which the write button comes back.
    void restartButtonWait() { vars_.ticksSinceStart = 0; }
    // The start command has been sent.
    void startSent();

    [[nodiscard]] TickResult tick();
    // The password box was answered; the frame to send, none when the answer was empty (the
    // write is abandoned).
    [[nodiscard]] std::optional<Frame> passwordAnswered(const std::string& answer);
    // The frame of the current step with these data bytes.
    [[nodiscard]] Frame stepFrame(const StepData& data) const;
    void frameSent() { vars_.frameArmed = false; }
    // A field of the current step failed its check: nothing more is sent in this write.
    void stopWrite();
    // A press on a numeric field: a frame that is due is not sent.
    void disarm() { vars_.frameArmed = false; }

    // One receive notification's bytes; only the first ten count.
    [[nodiscard]] ReplyResult reply(const std::vector<std::uint8_t>& block);

    // Whether the operator may leave now, given whether the write button is enabled.
    [[nodiscard]] LeaveDecision leave(bool writeButtonEnabled) const;

    [[nodiscard]] const ExchangeVariables& variables() const { return vars_; }
    [[nodiscard]] ExchangePhase phase() const { return phase_; }
    [[nodiscard]] std::uint8_t station() const { return station_; }

  private:
    [[nodiscard]] ExchangePhase armedPhase() const;
    [[nodiscard]] bool acceptable(const Frame& reply) const;

    ExchangeVariables vars_;
    ExchangePhase phase_ = ExchangePhase::Idle;
    std::uint8_t station_ = 1;
};

}  // namespace parameters
