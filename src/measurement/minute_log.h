#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "measurement/station_memory.h"

namespace measurement {

// Which stations a logging opportunity writes a record of.
//
// At the first opportunity of each new clock minute (a round): every station whose set of values
// is complete and that gave a valid reply during the minute just ended. At any opportunity: a
// station whose set has just become complete, so that the minute in which polling of it begins has
// its record too. A station whose record of the minute is in the store already is passed over, so
// no station is logged twice in one minute, also across a restart.
class MinuteLog {
  public:
    // Polling starts (again): the minute of the last round goes back to 0, so an opportunity in
    // any other minute starts a round.
    void restart() { roundMinute_ = 0; }

    // The stations due at an opportunity in `minute` of the hour, in station order. Every
    // completion counts once.
    [[nodiscard]] std::vector<std::uint8_t> due(std::int16_t minute, StationMemory& memory);

    // Time passes without replies (a poll in `minute`): answers from before the minute just ended
    // are forgotten, so that a station silent for an hour is not taken for one that answered in
    // the same minute of the hour before.
    static void forgetOldAnswers(std::int16_t minute, StationMemory& memory);

    // `station` has a record stamped `stamp` ("2007-10-10/9:13") in the store.
    void stored(std::uint8_t station, const std::string& stamp);
    [[nodiscard]] bool isStored(std::uint8_t station, const std::string& stamp) const;

  private:
    std::int16_t roundMinute_ = 0;
    std::array<std::string, StationMemory::kStations> lastStamp_;  // of each station's last record
};

}  // namespace measurement
