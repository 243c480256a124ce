#include "shell/console_report.h"

#include "records/store_status.h"

namespace shell {

namespace {

const char* const kProgram = "tuskocp: ";

}  // namespace

void ConsoleReport::storeHealthChanged(const records::StoreHealth& health) {
    if (health.ok()) {
        if (printed_) {
            out_ << kProgram << "records are stored again" << std::endl;
        }
        printed_.reset();
        return;
    }
    if (printed_ && records::sameReason(*printed_, health)) {
        return;
    }
    printed_ = health;
    out_ << kProgram << records::statusLineEnglish(health, clock_.msecsSinceEpoch()) << std::endl;
}

void ConsoleReport::messageRequested(const std::string& text) {
    if (scope_ == Scope::Everything) {
        out_ << kProgram << text << std::endl;
    }
}

void ConsoleReport::stationSilent(std::uint8_t station) {
    if (scope_ == Scope::Everything) {
        out_ << kProgram << "station " << int{station} << " does not answer" << std::endl;
    }
}

void ConsoleReport::stationBack(std::uint8_t station) {
    if (scope_ == Scope::Everything) {
        out_ << kProgram << "station " << int{station} << " answers again" << std::endl;
    }
}

}  // namespace shell
