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

std::vector<std::string> listedLineSpeeds() {
    std::vector<std::string> texts;
    for (const SpeedRow& row : kSpeedTable) {
        texts.emplace_back(row.text);
    }
    return texts;
}

void PollState::restart() {
    lastCommand_ = 0;
    station_ = 1;
    nextStation_ = false;
}

void PollState::countRequest() {
    if (unanswered_ < kSilenceCeiling) {
        ++unanswered_;
    }
}

PollState::StationChoice PollState::chooseStation(bool singleMode, std::uint8_t singleStation) {
    const bool moved = nextStation_;
    if (moved) {
        station_ = static_cast<std::uint8_t>(station_ + 1);
    }
    if (station_ == kStationCount + 1) {
        station_ = 1;
    }
    if (singleMode) {
        station_ = singleStation;
    }
    return {station_, moved};
}

std::uint8_t PollState::takeCommand() {
    const std::uint8_t sent = nextCommand_;
    lastCommand_ = sent;
    nextCommand_ = static_cast<std::uint8_t>(nextCommand_ + 1);
    nextStation_ = nextCommand_ == kCommandCount;
    if (nextStation_) {
        nextCommand_ = 0;
    }
    return sent;
}

}  // namespace seriallink
