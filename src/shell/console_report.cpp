#include "shell/console_report.h"

namespace shell {

namespace {

const char* const kProgram = "tuskocp: ";

std::string problemText(records::StoreProblem problem) {
    switch (problem) {
        case records::StoreProblem::None:
            return {};
        case records::StoreProblem::Missing:
            return "no records store";
        case records::StoreProblem::NotADatabase:
            return "the records store is not a database";
        case records::StoreProblem::WrongLayout:
            return "the records table has another layout";
        case records::StoreProblem::Locked:
            return "the records store is locked";
        case records::StoreProblem::ReadOnly:
            return "the records store is read-only";
        case records::StoreProblem::DiskFull:
            return "the disk is full";
        case records::StoreProblem::ServerRefused:
            return "the records server refused";
        case records::StoreProblem::ServerUnreachable:
            return "the records server does not answer";
        case records::StoreProblem::Other:
            break;
    }
    return "the records store failed";
}

}  // namespace

void ConsoleReport::storeHealthChanged(const records::StoreHealth& health) {
    if (health.ok()) {
        if (!reason_.empty()) {
            out_ << kProgram << "records are stored again" << std::endl;
        }
        reason_.clear();
        return;
    }
    std::string reason = problemText(health.problem);
    if (!health.detail.empty()) {
        reason += ": " + health.detail;
    }
    if (reason != reason_) {
        reason_ = reason;
        out_ << kProgram << "records are not stored: " << reason_ << std::endl;
    }
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
