#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "measurement/display_texts.h"
#include "measurement/reply_decoder.h"

namespace measurement {

// How a station has answered since the program started.
struct StationCounters {
    static constexpr std::int32_t kSilentAfter = 10;  // requests in a row without any reply

    std::int32_t requests = 0;
    std::int32_t validReplies = 0;
    // Replies refused by the first check they failed: station, command, end marker, check byte.
    std::array<std::int32_t, 4> rejected{};
    std::int32_t unanswered = 0;        // requests the next request followed without any reply
    std::int32_t unansweredInARow = 0;  // since the last reply of any kind
    // Requests the next request followed without a valid reply, since the last valid one.
    std::int32_t withoutValidReplyInARow = 0;

    [[nodiscard]] bool silent() const { return unansweredInARow >= kSilentAfter; }
    // Ten requests in a row went without a valid reply: none at all, or only refused ones.
    [[nodiscard]] bool validRepliesStopped() const {
        return withoutValidReplyInARow >= kSilentAfter;
    }
};

// What the program knows of one station.
struct StationState {
    static constexpr std::uint16_t kEveryKind = (1U << kMeterCommandCount) - 1;

    // The displays as they showed this station's replies, and the status its last alarm-state
    // reply captured: the texts of its records.
    DisplayTexts texts;
    std::string alarmText;
    // Its latest valid reply of each kind, by command byte.
    std::array<std::optional<DecodedReply>, kMeterCommandCount> latest;
    std::string lastReplyTime;                   // time of day of its last valid reply
    std::optional<std::int64_t> lastReplyMsecs;  // its time since 1970-01-01 UTC
    StationCounters counters;
    // A request has gone to the station since polling of it began.
    bool askedSincePollingBegan = false;

    // Kinds of valid replies (bit n: command n) since polling of the station began, and since its
    // last complete cycle of the nine.
    std::uint16_t kindsSincePollingBegan = 0;
    std::uint16_t kindsOfCycle = 0;
    // The minutes of the hour of its last two minutes with a valid reply, the latest first.
    std::array<std::optional<std::int16_t>, 2> answeredMinutes;
    // Its set of values became complete and no record has been written of it since.
    bool becameComplete = false;

    // Every kind of value has come since polling of the station began.
    [[nodiscard]] bool complete() const { return kindsSincePollingBegan == kEveryKind; }
    [[nodiscard]] bool answeredIn(std::int16_t minute) const {
        return answeredMinutes[0] == minute || answeredMinutes[1] == minute;
    }
    // Polling of the station begins (again): values received before do not make a record.
    void pollingBegins();
    // A valid reply to `command` was shown (the texts and the alarm text are updated already),
    // read at `timeText`, `msecs` since 1970-01-01 UTC; true when it completed a cycle of the nine
    // kinds.
    bool takeReply(std::uint8_t command, const DecodedReply& reply, const std::string& timeText,
                   std::int64_t msecs);
};

// Every station's state, index = station number - 1.
struct StationMemory {
    static constexpr std::size_t kStations = 16;

    std::array<StationState, kStations> stations;

    // The state of station 1 to 16; nothing for any other number.
    [[nodiscard]] StationState* find(std::uint8_t station);
    [[nodiscard]] const StationState* find(std::uint8_t station) const;
};

}  // namespace measurement
