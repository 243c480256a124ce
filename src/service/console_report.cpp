#include "service/console_report.h"

#include <cstdio>
#include <utility>

#include "records/store_status.h"

namespace service {

namespace {

// "0:10:03", "73:04:05".
std::string duration(std::int64_t msecs) {
    const std::int64_t seconds = msecs > 0 ? msecs / 1000 : 0;
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    return text;
}

std::string times(int count) {
    return count == 1 ? "once" : std::to_string(count) + " times";
}

}  // namespace

ConsoleReport::ConsoleReport(std::ostream& out, platform::Clock& clock, Scope scope,
                             std::string program)
    : out_(out), clock_(clock), scope_(scope), program_(std::move(program)) {}

std::ostream& ConsoleReport::line() {
    return out_ << program_ << ": ";
}

void ConsoleReport::started(const StartFacts& facts) {
    startedMsecs_ = clock_.msecsSinceEpoch();
    const std::string mode = facts.multiStation
                                 ? std::string("stations 1 to 16 in turn")
                                 : "station " + std::to_string(int{facts.station}) + " alone";
    line() << "polling " << facts.port << " at " << facts.lineSpeed << " baud, " << mode
           << "; records go to " << facts.store << std::endl;
}

void ConsoleReport::ended(const measurement::StationMemory& stations, std::int64_t recordsStored) {
    std::int64_t requests = 0;
    std::int64_t validReplies = 0;
    std::string silent;
    for (std::size_t i = 0; i < stations.stations.size(); ++i) {
        const measurement::StationCounters& counters = stations.stations[i].counters;
        requests += counters.requests;
        validReplies += counters.validReplies;
        if (silences_[i] > 0) {
            silent += (silent.empty() ? "; " : ", ") + std::string("station ") +
                      std::to_string(i + 1) + " silent " + times(silences_[i]) +
                      (counters.silent() ? " (still silent)" : "");
        }
    }
    line() << "ended after " << duration(clock_.msecsSinceEpoch() - startedMsecs_) << ": "
           << requests << " requests, " << validReplies << " valid replies, " << recordsStored
           << " records stored" << (silent.empty() ? "; no station went silent" : silent)
           << std::endl;
}

void ConsoleReport::storeHealthChanged(const records::StoreHealth& health) {
    if (health.ok()) {
        if (printed_) {
            line() << "records are stored again" << std::endl;
        }
        printed_.reset();
        return;
    }
    if (printed_ && records::sameReason(*printed_, health)) {
        return;
    }
    printed_ = health;
    line() << records::statusLineEnglish(health, clock_.msecsSinceEpoch()) << std::endl;
}

void ConsoleReport::messageRequested(const std::string& text) {
    if (scope_ == Scope::Everything) {
        line() << text << std::endl;
    }
}

void ConsoleReport::stationSilent(std::uint8_t station) {
    if (station >= 1 && station <= silences_.size()) {
        ++silences_[station - 1U];
    }
    if (scope_ == Scope::Everything) {
        line() << "station " << int{station} << " does not answer" << std::endl;
    }
}

void ConsoleReport::stationBack(std::uint8_t station) {
    if (scope_ == Scope::Everything) {
        line() << "station " << int{station} << " answers again" << std::endl;
    }
}

}  // namespace service
