#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace meter_sim {

// Line-oriented log of the traffic, one event per line, time in microseconds of the monotonic
// clock first:
//   <us> rx 2A                                  one byte received
//   <us> heard poll station 1 command 0         a request assembled, and what came of it
//   <us> tx 01 00 ... AA | reply station 1 ...  bytes written, with faults applied
//   <us> fault reply station 1 command 0: no-reply
//   <us> note ...
// Does nothing when not opened.
class EventLog {
  public:
    EventLog() = default;
    EventLog(const EventLog&) = delete;
    EventLog& operator=(const EventLog&) = delete;
    ~EventLog();

    [[nodiscard]] bool open(const std::string& path);

    void received(std::int64_t us, std::uint8_t byte);
    void line(std::int64_t us, const char* kind, const std::string& text);
    void sent(std::int64_t us, const std::vector<std::uint8_t>& bytes, const std::string& label);
    void flush();

  private:
    std::FILE* file_ = nullptr;
};

}  // namespace meter_sim
