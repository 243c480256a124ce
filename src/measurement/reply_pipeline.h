#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "measurement/display_texts.h"
#include "measurement/reply_frame.h"
#include "measurement/station_memory.h"
#include "platform/clock.h"
#include "platform/records_binding.h"

namespace measurement {

// What the main window keeps of the meters' replies: the frame as last received, the display
// texts, the per-station memory, the status captured by the last alarm-state reply and the
// minute of the last record.
struct ReplyState {
    ReplyFrame Rx_Frame{};
    DisplayTexts display;
    StationMemory memory;
    std::string Alarm_Text;
    std::int16_t Log_Minute = 0;

    // A request goes to `station`. The request before it counts as unanswered when no receive
    // notification came in between.
    void requestSent(std::uint8_t station);

    // One receive notification's block, the reply to `command` sent to `station` at `timeText`:
    // its first ten bytes overwrite the frame (a shorter block only the positions it covers),
    // which is checked; a valid frame is decoded into the display texts and the station memory,
    // an invalid one shows "通讯错误". Either counts against `station`. The first check that
    // failed, or Valid.
    [[nodiscard]] FrameCheck receive(const std::vector<std::uint8_t>& block, std::uint8_t station,
                                     std::uint8_t command, const std::string& timeText);

    // The logging step that follows a notification: the displays as they stand become a record
    // at the first notification of each new clock minute.
    void log(std::uint8_t station, platform::Clock& clock, platform::RecordsBinding& records);

  private:
    StationCounters* countersOf(std::uint8_t station);

    std::uint8_t awaitedStation_ = 0;  // station of the last request while no reply came; 0: none
};

}  // namespace measurement
