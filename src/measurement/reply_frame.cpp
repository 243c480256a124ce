#include "measurement/reply_frame.h"

#include <algorithm>

namespace measurement {

std::optional<ReplyFrame> frameOf(const std::vector<std::uint8_t>& block) {
    if (block.size() < kReplyLength) {
        return std::nullopt;
    }
    ReplyFrame frame;
    std::copy_n(block.begin(), kReplyLength, frame.begin());
    return frame;
}

std::uint8_t checkByteOf(const ReplyFrame& frame) {
    std::uint8_t check = 0;
    for (std::size_t i = 2; i <= 7; ++i) {
        check ^= frame[i];
    }
    return check;
}

FrameCheck checkFrame(const ReplyFrame& frame, std::uint8_t station, std::uint8_t command) {
    if (frame[0] != station) {
        return FrameCheck::WrongStation;
    }
    if (frame[1] != command) {
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
