// tuskocp-meter-sim: flowmeters on an RS-485 line, behind a pseudo-terminal.

#include <poll.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "delivery_queue.h"
#include "event_log.h"
#include "fault_injector.h"
#include "meter_line.h"
#include "pty_device.h"
#include "sim_options.h"

namespace meter_sim {
namespace {

volatile std::sig_atomic_t stopRequested = 0;

void onStopSignal(int) {
    stopRequested = 1;
}

// SIGUSR1 switches the whole line silent and back, as if the meters lost and regained power.
volatile std::sig_atomic_t silenceToggles = 0;

void onSilenceSignal(int) {
    silenceToggles = silenceToggles + 1;
}

std::int64_t monotonicUs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1'000'000 + now.tv_nsec / 1000;
}

std::string joined(const std::vector<std::string>& names) {
    std::string text;
    for (const auto& name : names) {
        text += (text.empty() ? "" : ", ") + name;
    }
    return text;
}

class Simulator {
  public:
    Simulator(const SimOptions& options, PtyDevice& pty, EventLog& log, std::uint64_t seed)
        : options_(options),
          pty_(pty),
          log_(log),
          line_(options.stations, options.password, monotonicUs()),
          faults_(options.faults, seed) {}

    // Runs until a stop signal arrives or the duration has passed. The stop signals are
    // blocked except while waiting, so none is lost between the check and the wait.
    [[nodiscard]] bool run(const sigset_t& waitMask) {
        const std::optional<std::int64_t> deadline =
            options_.durationS > 0
                ? std::optional<std::int64_t>(monotonicUs() + options_.durationS * 1'000'000LL)
                : std::nullopt;
        while (stopRequested == 0) {
            const std::int64_t now = monotonicUs();
            if (deadline && now >= *deadline) {
                break;
            }
            sendDue(now);
            log_.flush();
            std::optional<std::int64_t> wakeUs = queue_.nextDueUs();
            if (deadline && (!wakeUs || *deadline < *wakeUs)) {
                wakeUs = deadline;
            }
            timespec timeout{};
            if (wakeUs) {
                const std::int64_t waitUs = std::max<std::int64_t>(*wakeUs - monotonicUs(), 0);
                timeout.tv_sec = static_cast<time_t>(waitUs / 1'000'000);
                timeout.tv_nsec = static_cast<long>(waitUs % 1'000'000) * 1000;
            }
            pollfd device{pty_.masterFd(), POLLIN, 0};
            const int ready = ppoll(&device, 1, wakeUs ? &timeout : nullptr, &waitMask);
            if (ready < 0) {
                if (errno == EINTR) {
                    continue;
                }
                std::fprintf(stderr, "poll: %s\n", std::strerror(errno));
                return false;
            }
            if ((device.revents & POLLIN) != 0) {
                readAvailable();
            }
        }
        log_.line(monotonicUs(), "note", "stopped");
        log_.flush();
        return true;
    }

  private:
    void readAvailable() {
        std::uint8_t buffer[256];
        for (;;) {
            const ssize_t count = ::read(pty_.masterFd(), buffer, sizeof buffer);
            if (count <= 0) {
                return;
            }
            const std::int64_t now = monotonicUs();
            for (ssize_t i = 0; i < count; ++i) {
                handleByte(buffer[i], now);
            }
            sendDue(now);
        }
    }

    void handleByte(std::uint8_t byte, std::int64_t now) {
        log_.received(now, byte);
        const LineOutput output = line_.receive(byte, now);
        if (output.requestStarted) {
            queue_.releaseLate(now);
        }
        const bool silent = silenceToggles % 2 == 1;
        for (const auto& heard : output.heard) {
            log_.line(now, "heard", heard.request);
            if (!heard.answer) {
                continue;
            }
            if (silent) {
                log_.line(now, "note", "line silenced, no reply");
                continue;
            }
            const Answer& answer = *heard.answer;
            const bool faulty = (answer.measurement || options_.faultWrites) &&
                                answer.frame[0] < options_.faultStations.size() &&
                                options_.faultStations.test(answer.frame[0]);
            const DeliveryPlan plan =
                faulty ? faults_.apply(answer.frame) : plainDelivery(answer.frame);
            std::string label = answer.label;
            if (!plan.faults.empty()) {
                label += " [" + joined(plan.faults) + "]";
                log_.line(now, "fault", label);
            }
            queue_.schedule(plan, now + options_.replyDelayMs * 1000LL, label);
        }
    }

    void sendDue(std::int64_t now) {
        for (const auto& delivery : queue_.takeDue(now)) {
            const ssize_t written =
                ::write(pty_.masterFd(), delivery.bytes.data(), delivery.bytes.size());
            const std::int64_t sentAt = monotonicUs();
            if (written < 0) {
                log_.line(sentAt, "note", "write failed: " + std::string(std::strerror(errno)));
                continue;
            }
            const auto count = static_cast<std::size_t>(written);
            log_.sent(sentAt, {delivery.bytes.begin(), delivery.bytes.begin() + count},
                      delivery.label);
            if (count < delivery.bytes.size()) {
                log_.line(sentAt, "note",
                          "line full, " + std::to_string(delivery.bytes.size() - count) +
                              " bytes dropped");
            }
        }
    }

    const SimOptions& options_;
    PtyDevice& pty_;
    EventLog& log_;
    MeterLine line_;
    FaultInjector faults_;
    DeliveryQueue queue_;
};

bool installStopSignals(sigset_t& waitMask) {
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGUSR1);
    if (sigprocmask(SIG_BLOCK, &stopSignals, &waitMask) != 0) {
        return false;
    }
    sigdelset(&waitMask, SIGINT);
    sigdelset(&waitMask, SIGTERM);
    sigdelset(&waitMask, SIGUSR1);
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    std::signal(SIGPIPE, SIG_IGN);
    struct sigaction silence {};
    silence.sa_handler = onSilenceSignal;
    sigemptyset(&silence.sa_mask);
    return sigaction(SIGINT, &action, nullptr) == 0 && sigaction(SIGTERM, &action, nullptr) == 0 &&
           sigaction(SIGUSR1, &silence, nullptr) == 0;
}

int runSimulator(const SimOptions& options) {
    sigset_t waitMask;
    if (!installStopSignals(waitMask)) {
        std::fprintf(stderr, "signals: %s\n", std::strerror(errno));
        return 1;
    }
    std::string error;
    auto pty = PtyDevice::open(error);
    if (!pty) {
        std::fprintf(stderr, "tuskocp-meter-sim: %s\n", error.c_str());
        return 1;
    }
    const std::optional<SymlinkGuard> link =
        options.linkPath.empty() ? std::nullopt
                                 : SymlinkGuard::create(options.linkPath, pty->slavePath(), error);
    if (!options.linkPath.empty() && !link) {
        std::fprintf(stderr, "tuskocp-meter-sim: %s\n", error.c_str());
        return 1;
    }
    EventLog log;
    if (!options.logPath.empty() && !log.open(options.logPath)) {
        std::fprintf(stderr, "tuskocp-meter-sim: cannot write %s: %s\n", options.logPath.c_str(),
                     std::strerror(errno));
        return 1;
    }
    const std::uint64_t seed = options.seed.value_or(static_cast<std::uint64_t>(monotonicUs()) ^
                                                     (static_cast<std::uint64_t>(getpid()) << 32));
    std::printf("device: %s\n", pty->slavePath().c_str());
    if (link) {
        std::printf("link: %s\n", options.linkPath.c_str());
    }
    std::printf("seed: %llu\n", static_cast<unsigned long long>(seed));
    std::fflush(stdout);
    log.line(monotonicUs(), "note", "device " + pty->slavePath() + " seed " + std::to_string(seed));

    Simulator simulator(options, *pty, log, seed);
    return simulator.run(waitMask) ? 0 : 1;
}

}  // namespace
}  // namespace meter_sim

int main(int argc, char** argv) {
    std::string error;
    const auto options = meter_sim::parseOptions(argc, argv, error);
    if (!options) {
        std::fprintf(stderr, "tuskocp-meter-sim: %s\n(try --help)\n", error.c_str());
        return 2;
    }
    if (options->help) {
        std::fputs(meter_sim::usageText().c_str(), stdout);
        return 0;
    }
    return meter_sim::runSimulator(*options);
}
