#include "measurement/reply_pipeline.h"

#include "measurement/logging.h"
#include "measurement/presentation.h"
#include "measurement/reply_decoder.h"

namespace measurement {

StationCounters* ReplyState::countersOf(std::uint8_t station) {
    if (station < 1 || station > StationMemory::kStations) {
        return nullptr;
    }
    return &memory.counters[station - 1u];
}

void ReplyState::requestSent(std::uint8_t station) {
    if (StationCounters* before = countersOf(awaitedStation_)) {
        ++before->unanswered;
        ++before->unansweredInARow;
    }
    if (StationCounters* counters = countersOf(station)) {
        ++counters->requests;
    }
    awaitedStation_ = station;
}

FrameCheck ReplyState::receive(const std::vector<std::uint8_t>& block, std::uint8_t station,
                               std::uint8_t command, const std::string& timeText) {
    awaitedStation_ = 0;
    copyBlock(Rx_Frame, block);
    const FrameCheck check = checkFrame(Rx_Frame, station, command);
    StationCounters* counters = countersOf(station);
    if (counters != nullptr) {
        counters->unansweredInARow = 0;
    }
    if (check != FrameCheck::Valid) {
        display.status = kStatusError;
        if (counters != nullptr) {
            ++counters->rejected[static_cast<std::size_t>(check) - 1];
        }
        return check;
    }
    if (const auto reply = decodeReply(Rx_Frame, command)) {
        present(*reply, display, Alarm_Text);
        storeReply(memory, station, *reply, display);
    }
    if (counters != nullptr) {
        ++counters->validReplies;
        memory.lastReplyTime[station - 1u] = timeText;
    }
    return check;
}

void ReplyState::log(std::uint8_t station, platform::Clock& clock,
                     platform::RecordsBinding& records) {
    runLoggingStep(Log_Minute, station, display, Alarm_Text, clock, records);
}

}  // namespace measurement
