#pragma once

#include <chrono>
#include <cstdint>
#include <string_view>

#include "link/line_settings.h"
#include "platform/pacer.h"

namespace seriallink {

// The pauses of the serial link. Each blocks the calling thread for its whole length; nothing
// else runs on that thread meanwhile (no event loop, no timer ticks, no port notifications).

// The time one character takes on the line: start bit, data bits, parity bit if any, stop bits.
[[nodiscard]] std::chrono::nanoseconds characterTime(const LineSettings& line);

// The pause between closing the port and opening it again: counts from 0 to `count` (count + 1
// rounds) with nothing else done. The port is closed, so no character is on the line.
void settlePause(std::int32_t count);

// The pause after a byte sent to a meter. Call it once SerialPort::writeByte has returned, that is
// once the byte has been handed to the line. It waits one character time at `line` while that
// byte crosses the line, then counts from 0 to `count` (count + 1 rounds) as the gap the meter
// needs before the next byte. The count never gives the processor away, so other busy programs
// stretch it only by what the system's scheduler takes from any busy thread.
//
// The counts in use: 300000, 600000 or 900000 by line speed between the bytes of a poll or of a
// start command; 100000 after each byte of a parameter frame.
void pauseBetweenBytes(std::int32_t count, const LineSettings& line);

// As above with the settings as text, e.g. "9600,n,8,1". A text that is not line settings counts
// as "600,n,8,1", the slowest line the program uses, so that the meter never gets less time.
void pauseBetweenBytes(std::int32_t count, std::string_view lineSettings);

// The pauses above as the serial link's pacer.
class BusyPacer final : public platform::Pacer {
  public:
    void pauseAfterByte(std::int32_t count, std::string_view lineSettings) override {
        pauseBetweenBytes(count, lineSettings);
    }
    void settle(std::int32_t count) override { settlePause(count); }
};

}  // namespace seriallink
