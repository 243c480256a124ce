#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "frame.h"
#include "meter_settings.h"

namespace meter_sim {

using Password = std::array<std::uint8_t, 4>;  // four digit values 0..9

// Meter side of the parameter write of one station. The start command opens a session and
// starts its 30-second limit; the password frame unlocks it; steps 1 to 13 are staged and the
// closing step 15 puts them into effect, so a write that is cut short changes nothing.
// Frames that fail their check byte or carry an unexpected step are ignored (no reply): the PC
// sends a frame again only after a rejected reply. A frame of the step just acknowledged is
// acknowledged again, so a PC that lost an acknowledgement can go on.
class WriteSession {
  public:
    struct Outcome {
        std::optional<Frame> reply;
        std::string note;  // what the meter made of the frame
    };

    WriteSession(std::uint8_t station, const Password& password);

    // Start command "*", station, "d", "." heard: (re)opens the session, returns its
    // acknowledgement.
    [[nodiscard]] Frame start(std::int64_t nowUs);

    // A ten-byte frame starting with this station and ending 0x55.
    [[nodiscard]] Outcome frame(const Frame& frame, std::int64_t nowUs, MeterSettings& settings);

    // True while the station listens for parameter frames.
    [[nodiscard]] bool expectsFrames() const { return state_ != State::Idle; }

  private:
    enum class State { Idle, AwaitPassword, Steps, Completed };

    [[nodiscard]] Outcome passwordFrame(const Frame& frame, bool repeated,
                                        const MeterSettings& settings);
    [[nodiscard]] Outcome stepFrame(const Frame& frame, bool repeated, MeterSettings& settings);
    [[nodiscard]] bool passwordMatches(const Frame& frame) const;
    [[nodiscard]] Frame ack(std::uint8_t step) const;
    [[nodiscard]] Frame error(std::uint8_t step, std::uint8_t code) const;

    std::uint8_t station_;
    Password password_;
    State state_ = State::Idle;
    std::int64_t startUs_ = 0;
    int wrongPasswords_ = 0;
    std::uint8_t expectedStep_ = 0;
    std::uint8_t lastAckedStep_ = 0;
    MeterSettings staged_;
};

}  // namespace meter_sim
