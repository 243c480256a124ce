#pragma once

#include <chrono>
#include <optional>

namespace testing_pty {

// A pty forces 8 data bits without parity whatever it is asked for, so parity enable and
// character size can only be seen on their way to the driver: the test program stands in for the
// C library's tcsetattr, records each request and passes it on.
struct RequestedFraming {
    bool parityEnabled = false;
    bool parityOdd = false;
    bool parityStick = false;
    int dataBits = 0;
    bool twoStopBits = false;
};

void forgetRequestedFraming();
// The framing of the last tcsetattr request on any descriptor.
std::optional<RequestedFraming> lastRequestedFraming();

// A pty never reports bytes in its output queue. Until `until`, the test program's TIOCOUTQ
// answers one byte still queued on every descriptor, as a slow or stalled device would.
void holdOutputQueueUntil(std::chrono::steady_clock::time_point until);

}  // namespace testing_pty
