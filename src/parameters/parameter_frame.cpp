#include "parameters/parameter_frame.h"

namespace parameters {

std::array<std::uint8_t, 4> startCommand(std::uint8_t station) {
    return {'*', station, 'd', '.'};
}

std::uint8_t xorOf(const Frame& frame, std::size_t first, std::size_t last) {
    std::uint8_t check = 0;
    for (std::size_t i = first; i <= last; ++i) {
        check ^= frame[i];
    }
    return check;
}

Frame buildFrame(std::uint8_t station, std::uint8_t step, const StepData& data) {
    Frame frame{};
    frame[0] = station;
    frame[1] = step;
    for (std::size_t i = 0; i < data.size(); ++i) {
        frame[2 + i] = data[i];
    }
    frame[8] = xorOf(frame, 0, 7);
    frame[9] = kFrameEnd;
    return frame;
}

}  // namespace parameters
