#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "measurement/display_texts.h"
#include "measurement/reply_frame.h"
#include "measurement/station_memory.h"

namespace measurement {

// What one received block did.
struct ReplyOutcome {
    FrameCheck check = FrameCheck::Valid;
    bool stationBack = false;     // the station had gone silent and answers again
    bool cycleCompleted = false;  // its nine kinds of values have all come since its last cycle
};

// The meters' replies as the program keeps them: the main window's displays, which show the
// latest reply of each kind whatever its station, and each station's own state.
class ReplyPipeline {
  public:
    DisplayTexts display;
    StationMemory memory;

    // A request goes to `station`. The request before it counts as unanswered when no block came
    // in between, and as without a valid reply when no valid one came; the station of that request
    // when it has gone silent just now, 0 otherwise.
    std::uint8_t requestSent(std::uint8_t station);

    // The block of one receive notification, as the reply to `command` sent to `station`, read at
    // `timeText` (`msecs` since 1970-01-01 UTC). A block of ten bytes or more is checked by its
    // first ten; a valid frame is decoded into the displays and the station's state, anything else
    // shows "通讯错误" there. Either way the station has answered.
    [[nodiscard]] ReplyOutcome receive(const std::vector<std::uint8_t>& block, std::uint8_t station,
                                       std::uint8_t command, const std::string& timeText,
                                       std::int64_t msecs);

  private:
    std::uint8_t awaitedStation_ = 0;    // station of the last request while no block came; 0: none
    std::uint8_t requestedStation_ = 0;  // station of the last request; 0: none
    bool answeredValidly_ = false;       // a valid reply to the last request came
};

}  // namespace measurement
