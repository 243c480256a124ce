// The lines a polling session's news leave on standard error.
#include <gtest/gtest.h>

#include <sstream>

#include "fakes/fake_clock.h"
#include "records/store_status.h"
#include "shell/console_report.h"

namespace shelltest {
namespace {

records::StoreHealth health(records::StoreProblem problem, const char* detail = "") {
    records::StoreHealth h;
    h.problem = problem;
    h.detail = detail;
    return h;
}

// Each new reason is printed once, its return once; the same reason told again (a minute later,
// with another age) prints nothing.
TEST(ConsoleReport, PrintsEachNewStoreReasonOnce) {
    using records::StoreProblem;
    fakes::FakeClock clock;
    const auto line = [&clock](const records::StoreHealth& h) {
        return "tuskocp: " + records::statusLineEnglish(h, clock.msecs) + "\n";
    };
    const records::StoreHealth locked = health(StoreProblem::Locked, "database is locked");
    const records::StoreHealth readOnly = health(StoreProblem::ReadOnly);
    const records::StoreHealth unreachable = health(StoreProblem::ServerUnreachable);
    const struct {
        records::StoreHealth told;
        std::string printed;
    } steps[] = {
        {health(StoreProblem::None), ""},
        {locked, line(locked)},
        {locked, ""},
        {readOnly, line(readOnly)},
        {health(StoreProblem::None), "tuskocp: records are stored again\n"},
        {health(StoreProblem::None), ""},
        {readOnly, line(readOnly)},
        {unreachable, line(unreachable)},
    };
    for (const auto scope :
         {shell::ConsoleReport::Scope::StoreOnly, shell::ConsoleReport::Scope::Everything}) {
        std::ostringstream out;
        shell::ConsoleReport report(out, clock, scope);
        for (const auto& step : steps) {
            out.str("");
            report.storeHealthChanged(step.told);
            clock.msecs += 60000;
            EXPECT_EQ(out.str(), step.printed);
        }
    }
    EXPECT_NE(line(locked).find("database is locked"), std::string::npos);
}

TEST(ConsoleReport, StationsAndMessagesOnlyWithoutWindows) {
    for (const auto scope :
         {shell::ConsoleReport::Scope::StoreOnly, shell::ConsoleReport::Scope::Everything}) {
        std::ostringstream out;
        fakes::FakeClock clock;
        shell::ConsoleReport report(out, clock, scope);
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
