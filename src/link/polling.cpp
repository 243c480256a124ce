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

void PollState::countRequest() {
    if (noReplyCount < kSilenceCeiling) {
        ++noReplyCount;
    }
}

std::uint8_t PollState::takeCommand() {
    const std::uint8_t sent = cmdIndex;
    lastCmd = sent;
    cmdIndex = static_cast<std::uint8_t>(cmdIndex + 1);
    if (cmdIndex == kCommandCount) {
        cmdIndex = 0;
        nextStation = true;
    } else {
        nextStation = false;
    }
    return sent;
}

}  // namespace seriallink
