#include "measurement/reply_pipeline.h"

#include "measurement/logging.h"
#include "measurement/presentation.h"
#include "measurement/reply_decoder.h"

namespace measurement {

FrameCheck ReplyState::receive(const std::vector<std::uint8_t>& block, std::uint8_t station,
                               std::uint8_t command) {
    copyBlock(Rx_Frame, block);
    const FrameCheck check = checkFrame(Rx_Frame, station, command);
    if (check != FrameCheck::Valid) {
        display.status = kStatusError;
        return check;
    }
    if (const auto reply = decodeReply(Rx_Frame, command)) {
        present(*reply, display, Alarm_Text);
        storeReply(memory, station, *reply, display);
    }
    return check;
}

void ReplyState::log(std::uint8_t station, platform::Clock& clock,
                     platform::RecordsBinding& records) {
    runLoggingStep(Log_Minute, station, display, Alarm_Text, clock, records);
}

}  // namespace measurement
