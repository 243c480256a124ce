#pragma once

#include <cstdint>
#include <string>
#include <vector>

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

// The texts of the speed table's rows, slowest first: "600" to "19200".
std::vector<std::string> listedLineSpeeds();

// The polling cycle: which station and command each request carries, and how many requests have
// gone unanswered. Each station gets commands 0 to 8 in nine requests, then the next station
// follows, station 16 being followed by station 1; in single-station mode the same station is
// asked again and again.
class PollState {
  public:
    // Polling starts (again): station 1 next, no command sent yet. The command sequence goes on
    // where it stood.
    void restart();

    // A tick began: a request is on its way and counts as unanswered until a reply arrives. Any
    // count of ten or more blanks the display alike, so the count stops growing there instead of
    // overflowing in a long run without meters.
    void countRequest();
    void resetUnanswered() { unanswered_ = 0; }
    [[nodiscard]] bool silentTooLong() const { return unanswered_ >= 10; }

    // The station of the request sent now. After command 8 the cycle moves on to the next station
    // (`moved`: the station indicators start afresh); in single-station mode the request goes to
    // `singleStation` whatever the cycle says.
    struct StationChoice {
        std::uint8_t station;
        bool moved;
    };
    [[nodiscard]] StationChoice chooseStation(bool singleMode, std::uint8_t singleStation);

    // The command byte to send now; it becomes the last command, and after command 8 the next
    // request moves on to the next station.
    [[nodiscard]] std::uint8_t takeCommand();

    // The request a reply answers.
    [[nodiscard]] std::uint8_t station() const { return station_; }
    [[nodiscard]] std::uint8_t lastCommand() const { return lastCommand_; }
    [[nodiscard]] std::uint8_t nextCommand() const { return nextCommand_; }
    [[nodiscard]] std::int16_t unansweredRequests() const { return unanswered_; }

  private:
    std::uint8_t station_ = 1;      // station of the request being sent, 1..16
    std::uint8_t nextCommand_ = 0;  // command byte of the next request, 0..8
    std::uint8_t lastCommand_ = 0;  // command byte of the request just sent
    bool nextStation_ = false;      // command 8 was sent: the next request goes to the next station
    std::int16_t unanswered_ = 0;   // requests sent since the last receive notification
};

}  // namespace seriallink
