#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/clock.h"

namespace commissioning {

// The port a byte went through: the main window's (polling) or the parameter window's (writes).
enum class Line : std::uint8_t { Main, Parameter };

// What a request or a received block was.
enum class Verdict : std::uint8_t {
    Poll,            // a measurement request
    StartCommand,    // the start of a parameter write
    ParameterFrame,  // detail: the step (0 the password)
    ValidReply,      // detail: the command it answers
    WrongStation,    // a measurement reply refused by its first failed check
    WrongCommand,
    WrongEndMarker,
    WrongCheckByte,
    Acknowledgement,  // detail: the step acknowledged (100 the start command)
    ErrorReply,       // detail: the error code
    Rejected,         // not the acknowledgement awaited: the frame goes again
    ShortBlock,       // fewer than ten bytes: ignored
};

// One request or received block, as it went over the line.
struct TrafficEntry {
    static constexpr std::size_t kKeptBytes = 16;

    std::int64_t msecs = 0;  // since 1970-01-01 UTC
    Line line = Line::Main;
    bool sent = false;
    Verdict verdict = Verdict::Poll;
    std::uint8_t detail = 0;
    std::uint16_t length = 0;                      // bytes on the line
    std::array<std::uint8_t, kKeptBytes> bytes{};  // the first of them
};

// The latest requests and received blocks of both ports, for the traffic monitor. Recording is a
// copy into a ring of fixed size, so that polling never waits for the monitor, open or not.
class TrafficLog {
  public:
    static constexpr std::size_t kCapacity = 10000;

    explicit TrafficLog(platform::Clock& clock);

    void record(Line line, bool sent, const std::uint8_t* bytes, std::size_t count, Verdict verdict,
                std::uint8_t detail = 0);
    void clear();

    [[nodiscard]] std::size_t size() const { return size_; }
    // Entry 0 is the oldest kept.
    [[nodiscard]] const TrafficEntry& at(std::size_t index) const;
    // Entries recorded since the start, kept or not: a view compares it to see what is new.
    [[nodiscard]] std::uint64_t recorded() const { return recorded_; }

  private:
    platform::Clock& clock_;
    std::vector<TrafficEntry> ring_;
    std::size_t first_ = 0;
    std::size_t size_ = 0;
    std::uint64_t recorded_ = 0;
};

// The bytes in hexadecimal, "2A 01 00 2E"; " …(+n)" when more went over the line than were kept.
[[nodiscard]] std::string hexText(const TrafficEntry& entry);
// What the entry was, in the program's words: "轮询 站3 命令0", "校验错", "应答 第7步".
[[nodiscard]] std::string verdictText(const TrafficEntry& entry);

}  // namespace commissioning
