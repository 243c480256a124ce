#pragma once

#include <cstdint>
#include <string_view>

namespace platform {

// The pauses of the serial link: between the bytes of a request, and between closing a port and
// opening it again. Each blocks the calling thread for its whole length.
class Pacer {
  public:
    virtual ~Pacer() = default;
    // The pause after a byte that SerialPort::writeByte has handed to the line: the time the byte
    // takes on a line of `lineSettings` ("9600,n,8,1"), then a busy count from 0 to `count`.
    virtual void pauseAfterByte(std::int32_t count, std::string_view lineSettings) = 0;
    // The pause before a closed port is opened again: a busy count from 0 to `count`.
    virtual void settle(std::int32_t count) = 0;
};

}  // namespace platform
