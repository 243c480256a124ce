#include "request_assembler.h"

#include <algorithm>

namespace meter_sim {
namespace {

constexpr std::size_t kPollSize = 4;

bool listens(StationMask mask, std::uint8_t station) {
    return station >= 1 && station <= 16 && (mask & (StationMask{1} << station)) != 0;
}

// Steps a parameter frame can carry: password 0, parameters 1..13, closing step 15.
bool parameterStep(std::uint8_t step) {
    return step <= 13 || step == 15;
}

}  // namespace

RequestAssembler::Output RequestAssembler::push(std::uint8_t byte, std::int64_t nowUs,
                                                StationMask frameStations) {
    if (heardAnything_ && nowUs - lastByteUs_ > kFrameGapUs) {
        pending_.clear();
    }
    heardAnything_ = true;
    lastByteUs_ = nowUs;
    pending_.push_back(byte);

    Output output;
    std::size_t head = 0;
    while (head < pending_.size()) {
        const std::size_t available = pending_.size() - head;
        const std::uint8_t first = pending_[head];
        if (first == kRequestStart) {
            if (available < kPollSize) {
                break;
            }
            if (pending_[head + 3] == kRequestEnd) {
                Request poll;
                poll.station = pending_[head + 1];
                poll.command = pending_[head + 2];
                output.requests.push_back(poll);
                head += kPollSize;
                continue;
            }
        } else if (listens(frameStations, first)) {
            if (available >= 2 && !parameterStep(pending_[head + 1])) {
                ++head;
                continue;
            }
            if (available < kFrameSize) {
                break;
            }
            if (pending_[head + kFrameSize - 1] == kParameterFrameEnd) {
                Request frame;
                frame.kind = Request::Kind::ParameterFrame;
                frame.station = first;
                std::copy_n(pending_.begin() + static_cast<std::ptrdiff_t>(head), kFrameSize,
                            frame.frame.begin());
                output.requests.push_back(frame);
                head += kFrameSize;
                continue;
            }
        }
        ++head;
    }
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(head));
    output.requestStarted = byte == kRequestStart && pending_.size() == 1;
    return output;
}

}  // namespace meter_sim
