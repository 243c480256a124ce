#include "measurement/reply_pipeline.h"

#include <cstddef>

#include "measurement/presentation.h"
#include "measurement/reply_decoder.h"

namespace measurement {

std::uint8_t ReplyPipeline::requestSent(std::uint8_t station) {
    std::uint8_t silenced = 0;
    if (StationState* before = memory.find(awaitedStation_)) {
        ++before->counters.unanswered;
        ++before->counters.unansweredInARow;
        if (before->counters.unansweredInARow == StationCounters::kSilentAfter) {
            silenced = awaitedStation_;
        }
    }
    if (StationState* before = memory.find(requestedStation_); before && !answeredValidly_) {
        ++before->counters.withoutValidReplyInARow;
    }
    if (StationState* next = memory.find(station)) {
        ++next->counters.requests;
        next->askedSincePollingBegan = true;
    }
    awaitedStation_ = station;
    requestedStation_ = station;
    answeredValidly_ = false;
    return silenced;
}

ReplyOutcome ReplyPipeline::receive(const std::vector<std::uint8_t>& block, std::uint8_t station,
                                    std::uint8_t command, const std::string& timeText,
                                    std::int64_t msecs) {
    awaitedStation_ = 0;
    ReplyOutcome outcome;
    StationState* state = memory.find(station);
    if (state != nullptr) {
        outcome.stationBack = state->counters.silent();
        state->counters.unansweredInARow = 0;
    }
    std::optional<ReplyFrame> frame = frameOf(block);
    outcome.check = frame ? checkFrame(*frame, station, command) : FrameCheck::ShortBlock;
    if (outcome.check != FrameCheck::Valid) {
        display.status = kStatusError;
        if (state != nullptr) {
            state->texts.status = kStatusError;
            if (outcome.check != FrameCheck::ShortBlock) {
                ++state->counters.rejected[static_cast<std::size_t>(outcome.check) - 1];
            }
        }
        return outcome;
    }
    const auto reply = decodeReply(*frame, command);
    if (!reply) {
        return outcome;
    }
    // The main window's alarm text is its own status line's; a record takes the station's.
    std::string shownAlarm;
    present(*reply, display, shownAlarm);
    if (state != nullptr) {
        present(*reply, state->texts, state->alarmText);
        outcome.cycleCompleted = state->takeReply(command, *reply, timeText, msecs);
        answeredValidly_ = true;
    }
    return outcome;
}

}  // namespace measurement
