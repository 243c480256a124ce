// bare_poller DEVICE SECONDS [STATIONS]: the least a poller of the meters can do, for a yardstick
// beside the program's processor time. Every 100 ms (the poll timer at "9600") after the last
// reply it sends the four request bytes with the program's pauses between them, then waits up to
// 100 ms for the reply's ten bytes; stations 1 to STATIONS (default 16) in turn, nine commands
// each. No event loop, no window, no records: only the line's own work.
//
// Prints one "name value" a line: the requests sent and answered, the wall time, the processor
// time of the process, of its pauses (the thread's own clock around each pause) and of the rest
// outside them, as a share of one core and per request.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "bench_support.h"
#include "link/line_settings.h"
#include "link/pauses.h"
#include "link/polling.h"

namespace {

constexpr std::size_t kReplyBytes = 10;
constexpr int kReplyWaitMs = 100;

bool rawLine(int fd) {
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) {
        return false;
    }
    cfmakeraw(&tio);
    cfsetspeed(&tio, B9600);
    return tcsetattr(fd, TCSANOW, &tio) == 0;
}

// Reads until the reply is complete or the wait is over; whether all of it came.
bool awaitReply(int fd) {
    std::uint8_t reply[64];
    std::size_t got = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kReplyWaitMs);
    while (got < kReplyBytes) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        pollfd waiting{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&waiting, 1, static_cast<int>(left.count())) <= 0) {
            return false;
        }
        const ssize_t n = read(fd, reply, sizeof reply);
        if (n <= 0) {
            return false;
        }
        got += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: bare_poller DEVICE SECONDS [STATIONS]\n");
        return 2;
    }
    const int fd = open(argv[1], O_RDWR | O_NOCTTY);
    if (fd < 0 || !rawLine(fd)) {
        std::perror(argv[1]);
        return 1;
    }
    const auto stations = static_cast<std::uint8_t>(argc > 3 ? std::atoi(argv[3]) : 16);
    const seriallink::PollLineSpeed& speed = seriallink::pollLineSpeed("9600");
    const seriallink::LineSettings line =
        seriallink::parseLineSettings(speed.settings).value_or(seriallink::LineSettings{});
    const std::chrono::milliseconds interval(speed.timerIntervalMs);

    long requests = 0;
    long answered = 0;
    double pausesUs = 0;
    const double process0 = bench::processCpuMs() * 1e3;
    const auto start = std::chrono::steady_clock::now();
    const auto end = start + std::chrono::seconds(std::max(1, std::atoi(argv[2])));
    for (std::uint8_t station = 1, command = 0; std::chrono::steady_clock::now() < end;) {
        std::this_thread::sleep_for(interval);
        tcflush(fd, TCIOFLUSH);
        const std::uint8_t request[] = {seriallink::kPollStart, station, command,
                                        seriallink::kPollEnd};
        for (std::size_t i = 0; i < sizeof request; ++i) {
            if (write(fd, &request[i], 1) != 1) {
                std::perror("write");
                return 1;
            }
            if (i + 1 < sizeof request) {
                const double before = bench::threadCpuMs() * 1e3;
                seriallink::pauseBetweenBytes(speed.delayCount, line);
                pausesUs += bench::threadCpuMs() * 1e3 - before;
            }
        }
        tcflush(fd, TCIFLUSH);
        ++requests;
        answered += awaitReply(fd) ? 1 : 0;
        if (++command == seriallink::kCommandCount) {
            command = 0;
            station = static_cast<std::uint8_t>(station % stations + 1);
        }
    }
    const double wallUs =
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
    const double processUs = bench::processCpuMs() * 1e3 - process0;
    const double outsideUs = processUs - pausesUs;
    std::printf(
        "requests %ld\nanswered %ld\nwall_s %.1f\ncpu_total_pct %.3f\n"
        "cpu_pauses_pct %.3f\ncpu_outside_pct %.3f\noutside_us_per_request %.1f\n",
        requests, answered, wallUs / 1e6, processUs / wallUs * 100, pausesUs / wallUs * 100,
        outsideUs / wallUs * 100, outsideUs / static_cast<double>(requests));
    close(fd);
    return 0;
}
