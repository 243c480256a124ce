// The lines a polling session's news leave on standard error.
#include <gtest/gtest.h>

#include <sstream>

#include "shell/console_report.h"

namespace shelltest {
namespace {

records::StoreHealth health(records::StoreProblem problem, const char* detail = "") {
    records::StoreHealth h;
    h.problem = problem;
    h.detail = detail;
    return h;
}

// Each new reason is printed once, its return once; the same reason told again prints nothing.
TEST(ConsoleReport, PrintsEachNewStoreReasonOnce) {
    using records::StoreProblem;
    const struct {
        records::StoreHealth told;
        const char* printed;
    } steps[] = {
        {health(StoreProblem::None), ""},
        {health(StoreProblem::Locked, "database is locked"),
         "tuskocp: records are not stored: the records store is locked: database is locked\n"},
        {health(StoreProblem::Locked, "database is locked"), ""},
        {health(StoreProblem::ReadOnly),
         "tuskocp: records are not stored: the records store is "
         "read-only\n"},
        {health(StoreProblem::None), "tuskocp: records are stored again\n"},
        {health(StoreProblem::None), ""},
        {health(StoreProblem::ReadOnly),
         "tuskocp: records are not stored: the records store is "
         "read-only\n"},
        {health(StoreProblem::ServerUnreachable),
         "tuskocp: records are not stored: the records server does not answer\n"},
    };
    for (const auto scope :
         {shell::ConsoleReport::Scope::StoreOnly, shell::ConsoleReport::Scope::Everything}) {
        std::ostringstream out;
        shell::ConsoleReport report(out, scope);
        for (const auto& step : steps) {
            out.str("");
            report.storeHealthChanged(step.told);
            EXPECT_EQ(out.str(), step.printed);
        }
    }
}

TEST(ConsoleReport, StationsAndMessagesOnlyWithoutWindows) {
    for (const auto scope :
         {shell::ConsoleReport::Scope::StoreOnly, shell::ConsoleReport::Scope::Everything}) {
        std::ostringstream out;
        shell::ConsoleReport report(out, scope);
        report.messageRequested("没有可用端口，退出!");
        report.stationSilent(7);
        report.stationBack(7);
        const std::string expected = scope == shell::ConsoleReport::Scope::Everything
                                         ? "tuskocp: 没有可用端口，退出!\n"
                                           "tuskocp: station 7 does not answer\n"
                                           "tuskocp: station 7 answers again\n"
                                         : "";
        EXPECT_EQ(out.str(), expected);
    }
}

}  // namespace
}  // namespace shelltest
