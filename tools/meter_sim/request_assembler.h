#pragma once

#include <cstdint>
#include <vector>

#include "frame.h"

namespace meter_sim {

// A request assembled from the bytes on the line.
struct Request {
    enum class Kind {
        Poll,            // "*", station, command, "."; command "d" starts a parameter write
        ParameterFrame,  // ten bytes: station, step, six data bytes, check byte, 0x55
    };
    Kind kind = Kind::Poll;
    std::uint8_t station = 0;
    std::uint8_t command = 0;  // polls only
    Frame frame{};             // parameter frames only
};

// Bit s (1..16) set: station s listens for parameter frames.
using StationMask = std::uint32_t;

// Assembles requests from a byte stream that may arrive one byte at a time, split anywhere,
// and mixed with noise. A poll is recognised by "*" and "." three bytes later; a parameter
// frame by the number of a station that listens for frames, a step number it can carry and
// 0x55 nine bytes later. A candidate that fails is dropped one byte at a time, so the next
// "*" or station byte inside it is tried as a new start. A pause longer than kFrameGapUs drops
// a partial request, as the PC sends each request in one go.
class RequestAssembler {
  public:
    static constexpr std::int64_t kFrameGapUs = 50'000;

    struct Output {
        bool requestStarted = false;  // this byte began a new poll
        std::vector<Request> requests;
    };

    [[nodiscard]] Output push(std::uint8_t byte, std::int64_t nowUs, StationMask frameStations);

    [[nodiscard]] std::size_t pendingBytes() const { return pending_.size(); }

  private:
    std::vector<std::uint8_t> pending_;
    std::int64_t lastByteUs_ = 0;
    bool heardAnything_ = false;
};

}  // namespace meter_sim
