#include "measurement/reply_frame.h"

#include <algorithm>

namespace measurement {

void copyBlock(ReplyFrame& frame, const std::vector<std::uint8_t>& block) {
    const std::size_t count = std::min(block.size(), frame.size());
    std::copy_n(block.begin(), count, frame.begin());
}

std::uint8_t checkByteOf(const ReplyFrame& frame) {
    std::uint8_t check = 0;
    for (std::size_t i = 2; i <= 7; ++i) {
        check ^= frame[i];
    }
    return check;
}

FrameCheck checkFrame(const ReplyFrame& frame, std::uint8_t stationNo, std::uint8_t lastCmd) {
    if (frame[0] != stationNo) {
        return FrameCheck::WrongStation;
    }
    if (frame[1] != lastCmd) {
        return FrameCheck::WrongCommand;
    }
    if (frame[9] != kReplyEndMarker) {
        return FrameCheck::WrongEndMarker;
    }
    if (checkByteOf(frame) != frame[8]) {
        return FrameCheck::WrongCheckByte;
    }
    return FrameCheck::Valid;
}

}  // namespace measurement
