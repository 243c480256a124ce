#pragma once

#include <cstdint>
#include <string>

namespace seriallink {

// Bytes of the four-byte poll request: "*", station, command index, ".".
inline constexpr std::uint8_t kPollStart = 42;
inline constexpr std::uint8_t kPollEnd = 46;
inline constexpr std::uint8_t kCommandCount = 9;  // command indexes 0 to 8
inline constexpr std::uint8_t kStationCount = 16;

// Line settings text, busy pause between request bytes and timer interval for a line speed.
struct PollLineSpeed {
    const char* settings;
    std::int32_t delayCount;
    int timerIntervalMs;
};

// The row of the speed table whose text equals `speedText` exactly; "9600,n,8,1" for any other.
const PollLineSpeed& pollLineSpeed(const std::string& speedText);

// The state of the polling cycle that the request side and the reply side share.
struct PollState {
    std::uint8_t stationNo = 1;     // station of the request being sent, 1..16
    std::uint8_t cmdIndex = 0;      // command byte of the next request, 0..8
    std::uint8_t lastCmd = 0;       // command byte of the request just sent
    bool nextStation = false;       // command 8 was sent: the next request goes to the next station
    std::int16_t noReplyCount = 0;  // requests sent since the last receive notification
    bool timerStarted = false;      // set by every tick

    // Counts one more unanswered request. Any count of ten or more blanks the display alike, so
    // the count stops growing there instead of overflowing in a long run without meters.
    void countRequest();
    bool silentTooLong() const { return noReplyCount >= 10; }

    // Takes the command byte to send: remembers it as the last command and advances to the
    // next, arming the move to the next station after command 8.
    std::uint8_t takeCommand();
};

}  // namespace seriallink
