#include "link/polling.h"

#include <array>

namespace seriallink {

namespace {

struct SpeedRow {
    const char* text;
    PollLineSpeed speed;
};

const std::array<SpeedRow, 7> kSpeedTable = {{
    {"600", {"600,n,8,1", 900000, 1000}},
    {"1200", {"1200,n,8,1", 600000, 160}},
    {"2400", {"2400,n,8,1", 300000, 100}},
    {"4800", {"4800,n,8,1", 300000, 100}},
    {"9600", {"9600,n,8,1", 300000, 100}},
    {"14400", {"14400,n,8,1", 300000, 100}},
    {"19200", {"19200,n,8,1", 300000, 100}},
}};

const PollLineSpeed kOtherSpeed = {"9600,n,8,1", 300000, 100};

constexpr std::int16_t kSilenceCeiling = 10000;

}  // namespace

const PollLineSpeed& pollLineSpeed(const std::string& speedText) {
    for (const SpeedRow& row : kSpeedTable) {
        if (speedText == row.text) {
            return row.speed;
        }
    }
    return kOtherSpeed;
}

void PollState::restart() {
    lastCmd_ = 0;
    stationNo_ = 1;
    nextStation_ = false;
}

void PollState::countRequest() {
    if (noReplyCount_ < kSilenceCeiling) {
        ++noReplyCount_;
    }
}

PollState::StationChoice PollState::chooseStation(bool singleMode, std::uint8_t singleStation) {
    const bool moved = nextStation_;
    if (moved) {
        stationNo_ = static_cast<std::uint8_t>(stationNo_ + 1);
    }
    if (stationNo_ == kStationCount + 1) {
        stationNo_ = 1;
    }
    if (singleMode) {
        stationNo_ = singleStation;
    }
    return {stationNo_, moved};
}

std::uint8_t PollState::takeCommand() {
    const std::uint8_t sent = cmdIndex_;
    lastCmd_ = sent;
    cmdIndex_ = static_cast<std::uint8_t>(cmdIndex_ + 1);
    nextStation_ = cmdIndex_ == kCommandCount;
    if (nextStation_) {
        cmdIndex_ = 0;
    }
    return sent;
}

}  // namespace seriallink
