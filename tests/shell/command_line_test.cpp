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

namespace shelltest {
namespace {

struct ProgramRun {
    int status = -1;
    std::string out;
    std::string err;
};

ProgramRun runProgram(const QStringList& arguments, const QString& workingDirectory = {}) {
    QProcess program;
    program.setWorkingDirectory(workingDirectory);
    program.start(QStringLiteral(TUSKOCP_PATH), arguments);
    ProgramRun run;
    if (!program.waitForFinished(30000) || program.exitStatus() != QProcess::NormalExit) {
        program.kill();
        program.waitForFinished();
        return run;
    }
    run.status = program.exitCode();
    run.out = program.readAllStandardOutput().toStdString();
    run.err = program.readAllStandardError().toStdString();
    return run;
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(CommandLine, InformationOptionsPrintAndExit) {
    const ProgramRun version = runProgram({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "TuskoCP 4.2\n");

    for (const char* help : {"--help", "-h"}) {
        const ProgramRun run = runProgram({help, "--version"});
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
        {{"--frobnicate"}, "tuskocp: unrecognized option '--frobnicate'\nUsage: tuskocp"},
        {{"--help", "-x"}, "tuskocp: unrecognized option '-x'\nUsage: tuskocp"},
        {{"--version=2"}, "tuskocp: unrecognized option '--version=2'\nUsage: tuskocp"},
        {{"COM1"}, "tuskocp: unexpected argument 'COM1'\nUsage: tuskocp"},
    };
    for (const Case& c : cases) {
        const ProgramRun run = runProgram(c.arguments);
        EXPECT_EQ(run.status, 2) << c.complaint;
        EXPECT_EQ(run.out, "") << c.complaint;
        EXPECT_TRUE(contains(run.err, c.complaint)) << run.err;
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
    std::remove(dir.path().c_str());
    EXPECT_EQ(runProgram({"--export", "out.csv"}, here).status, 3) << "no store, no export";
}

// Polls and logs without a display, and ends cleanly on SIGTERM.
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
    simulator.terminate();
    simulator.waitForFinished(3000);
}

}  // namespace
}  // namespace shelltest
