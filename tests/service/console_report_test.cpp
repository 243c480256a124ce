// The lines a polling session's news leave on standard error, and the service's start and end.
#include <gtest/gtest.h>

#include <sstream>

#include "fakes/fake_clock.h"
#include "records/store_status.h"
#include "service/console_report.h"

namespace servicetest {
namespace {

using service::ConsoleReport;

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
        return "tuskocpd: " + records::statusLineEnglish(h, clock.msecs) + "\n";
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
        {health(StoreProblem::None), "tuskocpd: records are stored again\n"},
        {health(StoreProblem::None), ""},
        {readOnly, line(readOnly)},
        {unreachable, line(unreachable)},
    };
    for (const auto scope : {ConsoleReport::Scope::StoreOnly, ConsoleReport::Scope::Everything}) {
        std::ostringstream out;
        ConsoleReport report(out, clock, scope, "tuskocpd");
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
    for (const auto scope : {ConsoleReport::Scope::StoreOnly, ConsoleReport::Scope::Everything}) {
        std::ostringstream out;
        fakes::FakeClock clock;
        ConsoleReport report(out, clock, scope, "tuskocp");
        report.messageRequested("没有可用端口，退出!");
        report.stationSilent(7);
        report.stationBack(7);
        const std::string expected = scope == ConsoleReport::Scope::Everything
                                         ? "tuskocp: 没有可用端口，退出!\n"
                                           "tuskocp: station 7 does not answer\n"
                                           "tuskocp: station 7 answers again\n"
                                         : "";
        EXPECT_EQ(out.str(), expected);
    }
}

// The start line names port, speed, stations and store; the summary counts from it: the time
// since, every station's requests and valid replies, the records stored, and the stations that
// went silent, how often and whether they still are at the end.
TEST(ConsoleReport, StartAndSummary) {
    measurement::StationMemory stations;
    const auto counted = [&stations](std::uint8_t station, int requests, int valid, int inARow) {
        measurement::StationCounters& counters = stations.find(station)->counters;
        counters.requests = requests;
        counters.validReplies = valid;
        counters.unansweredInARow = inARow;
    };
    counted(1, 100, 98, 0);
    counted(5, 90, 40, 12);
    counted(9, 90, 80, 0);
    const struct {
        service::StartFacts facts;
        std::int64_t runMsecs;
        std::vector<std::uint8_t> silenced;
        std::string lines;
    } cases[] = {
        {{"COM1 (/dev/ttyUSB0)", "9600", true, 1, "kvt97.mdb"},
         999,
         {},
         "polling COM1 (/dev/ttyUSB0) at 9600 baud, stations 1 to 16 in turn; records go to "
         "kvt97.mdb\nended after 0:00:00: 280 requests, 218 valid replies, 7 records "
         "stored; no station went silent\n"},
        {{"/dev/ttyS1", "1200", false, 12, "table 数据监测 of database plant"},
         603500,
         {5, 9, 5},
         "polling /dev/ttyS1 at 1200 baud, station 12 alone; records go to table 数据监测 of "
         "database plant\nended after 0:10:03: 280 requests, 218 valid replies, 7 "
         "records stored; station 5 silent 2 times (still silent), station 9 silent once\n"},
        {{"COM2", "19200", false, 1, "kvt97.mdb"},
         (73 * 3600 + 4 * 60 + 5) * 1000LL,
         {9},
         "polling COM2 at 19200 baud, station 1 alone; records go to kvt97.mdb\nended "
         "after 73:04:05: 280 requests, 218 valid replies, 7 records stored; station 9 silent "
         "once\n"},
    };
    for (const auto& c : cases) {
        std::ostringstream out;
        fakes::FakeClock clock;
        ConsoleReport report(out, clock, ConsoleReport::Scope::Everything, "tuskocpd");
        report.started(c.facts);
        for (const std::uint8_t station : c.silenced) {
            report.stationSilent(station);
        }
        clock.msecs += c.runMsecs;
        report.ended(stations, 7);
        std::string silentLines;
        for (const std::uint8_t station : c.silenced) {
            silentLines += "tuskocpd: station " + std::to_string(station) + " does not answer\n";
        }
        const std::size_t firstEnd = c.lines.find('\n') + 1;
        EXPECT_EQ(out.str(), "tuskocpd: " + c.lines.substr(0, firstEnd) + silentLines +
                                 "tuskocpd: " + c.lines.substr(firstEnd));
    }
}

}  // namespace
}  // namespace servicetest
