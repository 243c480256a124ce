// Times the pause between bytes sent to a meter, for the poll's count (300000) and a parameter
// frame's (100000), first on a quiet machine, then with two processes spinning beside it as
// other busy programs on a plant PC would. Prints the median and the 99th percentile of each.
//
//     pause_bench [SAMPLES [SECONDS]]
//
// SAMPLES pauses per series (default 1000); a series stops early after SECONDS (default 30).
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "link/pauses.h"

namespace {

using Clock = std::chrono::steady_clock;
using Microseconds = std::chrono::duration<double, std::micro>;

constexpr int kSpinners = 2;

constexpr const char* kLine = "9600,n,8,1";

void pauseAfterByte(std::int32_t count) {
    seriallink::pauseBetweenBytes(count, kLine);
}

std::vector<double> timePauses(std::int32_t count, int samples, std::chrono::seconds limit) {
    std::vector<double> lengths;
    const auto end = Clock::now() + limit;
    while (static_cast<int>(lengths.size()) < samples && Clock::now() < end) {
        const auto start = Clock::now();
        pauseAfterByte(count);
        lengths.push_back(Microseconds(Clock::now() - start).count());
    }
    return lengths;
}

double quantile(std::vector<double> values, double q) {
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<std::size_t>(q * static_cast<double>(values.size()) + 0.999999);
    return values[std::min(values.size(), std::max<std::size_t>(rank, 1)) - 1];
}

// Processes that do nothing but count, each keeping one processor busy; they die with this one.
std::vector<pid_t> startSpinners(int count) {
    std::vector<pid_t> spinners;
    for (int i = 0; i < count; ++i) {
        const pid_t child = fork();
        if (child == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            for (volatile std::uint64_t rounds = 0;; rounds = rounds + 1) {
            }
        }
        if (child > 0) {
            spinners.push_back(child);
        }
    }
    return spinners;
}

void stopSpinners(const std::vector<pid_t>& spinners) {
    for (const pid_t spinner : spinners) {
        kill(spinner, SIGKILL);
        waitpid(spinner, nullptr, 0);
    }
}

void runSeries(const char* load, int samples, std::chrono::seconds limit) {
    for (const std::int32_t count : {100000, 300000}) {
        const std::vector<double> lengths = timePauses(count, samples, limit);
        std::printf("%-7s count %6d: %5zu pauses, median %9.1f us, p99 %9.1f us, max %9.1f us\n",
                    load, count, lengths.size(), quantile(lengths, 0.5), quantile(lengths, 0.99),
                    quantile(lengths, 1.0));
        std::fflush(stdout);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const int samples = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
    const std::chrono::seconds limit(argc > 2 ? std::max(1, std::atoi(argv[2])) : 30);
    const auto character = seriallink::characterTime(*seriallink::parseLineSettings(kLine));
    std::printf("pause between bytes at %s (one character: %.1f us); %ld processors online\n",
                kLine, Microseconds(character).count(), sysconf(_SC_NPROCESSORS_ONLN));
    runSeries("idle", samples, limit);
    const std::vector<pid_t> spinners = startSpinners(kSpinners);
    runSeries("loaded", samples, limit);
    stopSpinners(spinners);
    return 0;
}
