// The program's command line, on the built program.
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

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

}  // namespace
}  // namespace shelltest
