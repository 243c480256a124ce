// pause_cpu COUNT SECONDS [GAP_MS [LINE]]: the processor time one pause between request bytes
// takes for its count, measured for SECONDS with one pause every GAP_MS (default 100)
// milliseconds, so that it can run beside the program while it polls and see the same machine.
//
// The pause sleeps one character time at LINE (e.g. "9600,n,8,1"), then counts. The sleep's own
// processor time (the call, the switch away and back) belongs to the pause as the program makes
// it, so LINE should be the program's; without it the character time is a few nanoseconds and
// each sample is the count and the call. Prints the mean, median and 90th percentile of the
// thread's processor time per pause in microseconds, and the number of samples.
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <optional>
#include <thread>
#include <vector>

#include "link/pauses.h"

namespace {

constexpr seriallink::LineSettings kNegligibleCharacterLine{1'000'000'000, seriallink::Parity::None,
                                                            8, seriallink::StopBits::One};

double threadCpuUs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

double quantile(std::vector<double> values, double q) {
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<std::size_t>(q * static_cast<double>(values.size() - 1) + 0.5);
    return values[rank];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: pause_cpu COUNT SECONDS [GAP_MS [LINE]]\n");
        return 2;
    }
    const auto count = static_cast<std::int32_t>(std::atol(argv[1]));
    const std::chrono::seconds duration(std::max(1, std::atoi(argv[2])));
    const std::chrono::milliseconds gap(argc > 3 ? std::max(0, std::atoi(argv[3])) : 100);
    const std::optional<seriallink::LineSettings> line =
        argc > 4 ? seriallink::parseLineSettings(argv[4]) : kNegligibleCharacterLine;
    if (!line) {
        std::fprintf(stderr, "pause_cpu: %s is no line setting\n", argv[4]);
        return 2;
    }

    std::vector<double> cpuUs;
    const auto end = std::chrono::steady_clock::now() + duration;
    while (std::chrono::steady_clock::now() < end) {
        const double before = threadCpuUs();
        seriallink::pauseBetweenBytes(count, *line);
        cpuUs.push_back(threadCpuUs() - before);
        std::this_thread::sleep_for(gap);
    }
    const double mean =
        std::accumulate(cpuUs.begin(), cpuUs.end(), 0.0) / static_cast<double>(cpuUs.size());
    std::printf("samples %zu\nmean_us %.1f\nmedian_us %.1f\np90_us %.1f\n", cpuUs.size(), mean,
                quantile(cpuUs, 0.5), quantile(cpuUs, 0.9));
    return 0;
}
