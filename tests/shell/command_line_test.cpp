// The program's command line, on the built program.
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "records/sqlite_direct.h"
#include "records/store_dir.h"
#include "shell/program_run.h"

namespace shelltest {
namespace {

TEST(CommandLine, InformationOptionsPrintAndExit) {
    const ProgramRun version = runProgram({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "TuskoCP 4.2\n");

    for (const char* help : {"--help", "-h"}) {
        const ProgramRun run = runProgram({help});
        EXPECT_EQ(run.status, 0) << help;
        EXPECT_TRUE(contains(run.out, "Usage: tuskocp [OPTION]")) << help;
        EXPECT_TRUE(contains(run.out, "--list-ports")) << help;
        EXPECT_EQ(run.err, "") << help;
    }
}

TEST(CommandLine, AnythingElseIsRefusedWithTheUsage) {
    struct Case {
        QStringList arguments;
        std::string complaint;
    };
    const Case cases[] = {
        {{"--frobnicate"}, "unrecognized option '--frobnicate'"},
        {{"--help", "-x"}, "unrecognized option '-x'"},
        {{"--version=2"}, "unrecognized option '--version=2'"},
        {{"COM1"}, "unexpected argument 'COM1'"},
        // Days that are not in the calendar.
        {{"--export", "x", "--from", "2026-02-30"}, "date '2026-02-30' is not a day"},
        {{"--export", "x", "--from", "2025-02-29"}, "date '2025-02-29' is not a day"},
        {{"--export", "x", "--to", "1900-02-29"}, "date '1900-02-29' is not a day"},
        {{"--export", "x", "--from", "2026-13-01"}, "date '2026-13-01' is not a day"},
        {{"--export", "x", "--to", "2026-01-00"}, "date '2026-01-00' is not a day"},
        {{"--export", "x", "--to", "2026-04-31"}, "date '2026-04-31' is not a day"},
        {{"--export", "x", "--to", "0000-01-01"}, "date '0000-01-01' is not a day"},
        {{"--export", "x", "--from", "2026-03-01", "--to", "2026-02-01"},
         "--from 2026-03-01 is later than --to 2026-02-01"},
        // Two actions at once, or one twice.
        {{"--headless", "--export", "x"},
         "options '--headless' and '--export' do not go together: one action at a time"},
        {{"--export", "x", "--headless"}, "options '--export' and '--headless' do not go together"},
        {{"--list-ports", "--export", "x"}, "options '--list-ports' and '--export' do not go"},
        {{"--help", "--version"}, "options '--help' and '--version' do not go together"},
        {{"-h", "--headless"}, "options '-h' and '--headless' do not go together"},
        {{"--export", "a", "--export", "b"}, "option '--export' given twice"},
        {{"--headless", "--station", "1", "--station", "2"}, "option '--station' given twice"},
        {{"--export", "a", "--to", "2026-01-01", "--to=2026-01-02"}, "option '--to' given twice"},
        // Options where they mean nothing.
        {{"--list-ports", "--station", "3"}, "option '--station' does not go with '--list-ports'"},
        {{"--headless", "--from", "2026-01-01"}, "option '--from' does not go with '--headless'"},
        {{"--headless", "--multi", "--station", "2"},
         "options '--multi' and '--station' do not go together"},
        {{"--export", "x", "--multi"}, "option '--multi' does not go with '--export'"},
        {{"--station", "3"}, "option '--station' goes only with --headless or --export"},
        {{"--multi"}, "option '--multi' goes only with --headless"},
        {{"--to", "2026-01-01"}, "option '--to' goes only with --export"},
        {{"--port", "COM1"}, "option '--port' goes only with --headless"},
        {{"--export", "x", "--speed", "9600"}, "option '--speed' does not go with '--export'"},
        {{"--list-ports", "--check"}, "option '--check' does not go with '--list-ports'"},
        // The service's own refusals, under this program's name and with its usage.
        {{"--headless", "--speed", "38400"}, "speed '38400' is not one of 600, 1200, 2400"},
        {{"--headless", "--port", "ttyUSB0"}, "option '--port': \"ttyUSB0\" is neither"},
        {{"--export="}, "option '--export' needs a file name"},
        {{"--export"}, "option '--export' needs a value"},
    };
    for (const Case& c : cases) {
        const ProgramRun run = runProgram(c.arguments);
        const std::string line = c.arguments.join(' ').toStdString();
        EXPECT_EQ(run.status, 2) << line;
        EXPECT_EQ(run.out, "") << line;
        EXPECT_EQ(run.err.rfind("tuskocp: " + c.complaint, 0), 0U) << line << "\n" << run.err;
        EXPECT_TRUE(contains(run.err, "\nUsage: tuskocp")) << line;
    }
}

// The working directory's "comports.conf" names the devices; no display is needed.
TEST(CommandLine, ListPortsPrintsTheTableOfTheTenNumbers) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    std::ofstream(dir.filePath("comports.conf").toStdString()) << "COM1=/dev/tusko-absent\n";
    const ProgramRun run = runProgram({"--list-ports"}, dir.path());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.rfind("port   device", 0), 0U) << run.out;
    EXPECT_TRUE(contains(run.out, "\nCOM1   /dev/tusko-absent  no such device\n")) << run.out;
    EXPECT_TRUE(contains(run.out, "\nCOM10  ")) << run.out;
}

TEST(CommandLine, ExportWritesTheMatchingRecordsAsCsvOrWorkbook) {
    records_test::StoreDir dir;
    ASSERT_TRUE(dir.createStore());
    {
        records_test::SqliteDirect db(dir.path());
        for (const char* row :
             {"(1,'2007-10-09/9:00','+1m3/h')", "(1,'2007-10-10/9:00','+2m3/h')",
              "(2,'2007-10-10/9:01','+3m3/h')", "(1,'2007-10-11/9:00','+4m3/h')"}) {
            ASSERT_TRUE(db.exec(std::string("INSERT INTO \"数据监测\" (\"仪表编号\",\"日期\","
                                            "\"瞬时流量\") VALUES ") +
                                row));
        }
    }
    const QString here = QString::fromStdString(dir.path("."));
    const ProgramRun run = runProgram(
        {"--export", "out.csv", "--station", "1", "--from", "2007-10-10", "--to=2007-10-11"}, here);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(contains(run.err, "2 records written to out.csv")) << run.err;
    std::ifstream file(dir.path("out.csv"));
    const std::string text((std::istreambuf_iterator<char>(file)),
                           std::istreambuf_iterator<char>());
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3) << text;
    EXPECT_LT(text.find(",2,m3/h,"), text.find(",4,m3/h,")) << "oldest first";

    const ProgramRun workbook = runProgram({"--export", "out.XLSX", "--station", "1"}, here);
    EXPECT_EQ(workbook.status, 0) << workbook.err;
    EXPECT_TRUE(contains(workbook.err, "3 records written to out.XLSX")) << workbook.err;
    std::ifstream book(dir.path("out.XLSX"), std::ios::binary);
    std::string start(2, '\0');
    book.read(start.data(), 2);
    EXPECT_EQ(start, "PK") << "a workbook, which is a zip file";

    for (const QStringList& wrong :
         {QStringList{"--export"}, QStringList{"--export", "a", "--from", "10.10.2007"},
          QStringList{"--export", "a", "--to", "2007-10-x1"},
          QStringList{"--export", "a", "--station", "17"},
          QStringList{"--export", "a", "--multi"}}) {
        EXPECT_EQ(runProgram(wrong, here).status, 2) << wrong.join(' ').toStdString();
    }
    EXPECT_EQ(runProgram({"--export", "two.csv", "--station", "16"}, here).status, 0)
        << "a station of two digits";
    EXPECT_EQ(
        runProgram({"--export", "leap.csv", "--from", "2024-02-29", "--to", "2024-02-29"}, here)
            .status,
        0)
        << "a leap day";
    EXPECT_EQ(
        runProgram({"--export", "day.csv", "--from", "2000-02-29", "--to", "2000-02-29"}, here)
            .status,
        0)
        << "a leap day of a year divisible by 400";
    std::remove(dir.path().c_str());
    EXPECT_EQ(runProgram({"--export", "out.csv"}, here).status, 3) << "no store, no export";
}

// Polls and logs without a display as the service does, and ends cleanly on SIGTERM.
TEST(CommandLine, HeadlessPollsTheStationAndLogsWithoutAWindow) {
    records_test::StoreDir dir;
    ASSERT_TRUE(dir.createStore());
    QProcess simulator;
    const QString link = QString::fromStdString(dir.path("ttyMETER"));
    simulator.start(QStringLiteral(TUSKO_METER_SIM_PATH), {"--link", link, "--stations", "1-4"});
    if (!simulator.waitForStarted(5000) || !simulator.waitForReadyRead(5000)) {
        GTEST_SKIP() << "the meter simulator could not open a pseudo-terminal";
    }
    std::ofstream(dir.path("comports.conf")) << "COM1=" << link.toStdString() << "\n";
    QProcess program;
    program.setWorkingDirectory(QString::fromStdString(dir.path(".")));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(TUSKOCP_PATH), {"--headless", "--station", "3"});
    ASSERT_TRUE(program.waitForStarted(5000));
    records_test::SqliteDirect db(dir.path());
    // A record is written at the first reply of a new minute; the clock may stand at minute 0,
    // which the program takes for the minute already logged.
    bool logged = false;
    for (int i = 0; i < 700 && !logged && program.state() == QProcess::Running; ++i) {
        logged = db.number("SELECT count(*) FROM \"数据监测\"") > 0;
        program.waitForFinished(100);
    }
    ASSERT_TRUE(logged) << program.readAllStandardError().toStdString();
    EXPECT_EQ(db.number("SELECT \"仪表编号\" FROM \"数据监测\""), 3);
    program.terminate();
    ASSERT_TRUE(program.waitForFinished(5000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    const std::string err = program.readAllStandardError().toStdString();
    EXPECT_TRUE(contains(err, "tuskocp: polling COM1 (" + link.toStdString() +
                                  ") at 14400 baud, station 3 alone; records go to kvt97.mdb\n"))
        << err;
    EXPECT_TRUE(contains(err, "tuskocp: ended after ")) << err;
    simulator.terminate();
    simulator.waitForFinished(3000);
}

}  // namespace
}  // namespace shelltest
