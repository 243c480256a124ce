#pragma once

#include <optional>

namespace testing_pty {

// The framing a tty is set to, as the kernel holds it.
struct LineState {
    unsigned speed = 0;
    bool parityEnabled = false;
    bool parityOdd = false;
    bool parityStick = false;  // CMSPAR: mark or space parity
    int dataBits = 0;
    bool twoStopBits = false;
    bool hardwareFlowControl = false;
    bool softwareFlowControl = false;
};

// Reads the line state of the tty open on fd; the speed is the real number of bits per second,
// also for rates without a B constant such as 14400.
std::optional<LineState> readLineState(int fd);

}  // namespace testing_pty
