// What the built program does with the files it reads and the file it exports to.
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <string>

#include "platform/qt/files/export_target.h"
#include "records/sqlite_direct.h"
#include "records/store_dir.h"
#include "shell/program_run.h"
#include "support/non_regular_files.h"

namespace shelltest {
namespace {

using testsupport::Made;

// A store of one record in a working directory of its own, with the port files beside it.
class ProgramDir : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.createStore());
        records_test::SqliteDirect db(dir_.path());
        ASSERT_TRUE(
            db.exec("INSERT INTO \"数据监测\" (\"仪表编号\",\"日期\",\"瞬时流量\") "
                    "VALUES (1,'2007-10-09/9:00','+1m3/h')"));
        std::ofstream(dir_.path("comports.conf")) << "COM1=/dev/tusko-absent\n";
        std::ofstream(dir_.path("config.dat")) << '\0';
    }

    QString here() const { return QString::fromStdString(dir_.path(".")); }
    std::string at(const char* name) const { return dir_.path(name); }
    long long records() {
        return records_test::SqliteDirect(dir_.path()).number("SELECT count(*) FROM \"数据监测\"");
    }

    records_test::StoreDir dir_;
};

TEST_F(ProgramDir, AnExportNeverReplacesTheStoreItsFilesOrAnythingButARegularFile) {
    const std::string dirName = QDir(QDir::cleanPath(here())).dirName().toStdString();
    ASSERT_EQ(::link(at("kvt97.mdb").c_str(), at("hard.csv").c_str()), 0);
    ASSERT_EQ(::symlink("kvt97.mdb", at("soft.csv").c_str()), 0);
    ASSERT_EQ(::symlink(".", at("alias").c_str()), 0);
    ASSERT_EQ(::symlink("records-spool.db", at("to-spool.csv").c_str()), 0);
    std::ofstream(at("records.conf")) << "database=d\nuser=u\npassword_file = secret.pw\n";
    std::ofstream(at("secret.pw")) << "s3cret\n";
    struct Case {
        std::string target;
        Made made;  // made at the target first
        std::string complaint;
    };
    const Case cases[] = {
        {"kvt97.mdb", Made::Nothing, "kvt97.mdb is the records store\n"},
        {"./kvt97.mdb", Made::Nothing, "./kvt97.mdb is the records store (kvt97.mdb)\n"},
        {"../" + dirName + "/kvt97.mdb", Made::Nothing, "is the records store (kvt97.mdb)\n"},
        {at("kvt97.mdb"), Made::Nothing, "is the records store (kvt97.mdb)\n"},
        {"alias/kvt97.mdb", Made::Nothing, "is the records store (kvt97.mdb)\n"},
        {"hard.csv", Made::Nothing, "hard.csv is the records store (kvt97.mdb)\n"},
        {"soft.csv", Made::Nothing, "soft.csv is the records store (kvt97.mdb)\n"},
        {"kvt97.mdb-journal", Made::Nothing, "is a journal of the records store\n"},
        // Not there yet: once written it would be taken for the spool.
        {"to-spool.csv", Made::Nothing, "is the spool of the records server (records-spool"},
        {"records.conf", Made::Nothing, "records.conf is the records server's settings\n"},
        {"secret.pw", Made::Nothing, "secret.pw is the records server's password file\n"},
        {"comports.conf", Made::Nothing, "comports.conf is the port numbering\n"},
        {"config.dat", Made::Nothing, "config.dat is the port choice\n"},
        {"null.csv", Made::Device, "a device, not a regular file\n"},
        {"fifo.csv", Made::Fifo, "fifo.csv is a FIFO, not a regular file\n"},
        {"socket.csv", Made::Socket, "socket.csv is a socket, not a regular file\n"},
        {"folder.csv", Made::Directory, "folder.csv is a directory, not a regular file\n"},
        {"to-fifo.csv", Made::LinkToFifo, "/to-fifo.csv.target, a FIFO, not a regular file\n"},
        {"to-device.csv", Made::LinkToDevice, "a device, not a regular file\n"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(testsupport::make(c.made, at(c.target.c_str()))) << c.target;
        const std::string before = testsupport::describe(at(c.target.c_str()));
        const QStringList entries = dir_.entries();
        const ProgramRun run = runProgram({"--export", QString::fromStdString(c.target)}, here());
        EXPECT_EQ(run.status, 3) << c.target << "\n" << run.err;
        EXPECT_EQ(run.err.rfind("tuskocp: not exported: ", 0), 0U) << run.err;
        EXPECT_TRUE(contains(run.err, c.complaint)) << run.err;
        EXPECT_EQ(testsupport::describe(at(c.target.c_str())), before) << c.target;
        EXPECT_EQ(dir_.entries(), entries) << c.target;
        EXPECT_EQ(records(), 1) << c.target;
    }
    // The data-query window shows the same refusal in Chinese.
    const auto refusal = platform::qt::exportRefusal("hard.csv");
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->chinese, "不能导出到 hard.csv：它是记录库（kvt97.mdb）");
    // Beside them, a file of its own is written.
    ASSERT_EQ(::unlink(at("records.conf").c_str()), 0);
    const ProgramRun fine = runProgram({"--export", "records.csv"}, here());
    EXPECT_EQ(fine.status, 0) << fine.err;
    EXPECT_TRUE(contains(testsupport::describe(at("records.csv")), ",1,m3/h,"));
}

// A FIFO waits for a writer when it is opened to be read: each file must be refused instead, in
// the time a program takes to start (the run is killed after a generous deadline).
TEST_F(ProgramDir, FilesTheProgramReadsAreRefusedWhenNotRegularNeverWaitedOn) {
    struct Case {
        const char* file;
        Made made;
        bool settings;          // records.conf names the password file pw
        const char* arguments;  // separated by spaces
        int status;
        std::string complaint;
    };
    const Case cases[] = {
        {"comports.conf", Made::Fifo, false, "--list-ports", 0,
         "comports.conf is a FIFO, not a regular file; no port is pinned\n"},
        {"comports.conf", Made::Directory, false, "--list-ports", 0,
         "comports.conf is a directory, not a regular file; no port is pinned\n"},
        {"config.dat", Made::Fifo, false, "--headless", 1,
         "tuskocp: config.dat is a FIFO, not a regular file; not read\n"},
        {"config.dat", Made::Device, false, "--headless", 1,
         "tuskocp: config.dat is a device, not a regular file; not read\n"},
        {"records.conf", Made::Fifo, false, "--export out.csv", 3,
         "records.conf is a FIFO, not a regular file\n"},
        {"pw", Made::Fifo, true, "--export out.csv", 3,
         "password file pw is a FIFO, not a regular file\n"},
        {"pw", Made::Socket, true, "--export out.csv", 3,
         "password file pw is a socket, not a regular file\n"},
    };
    for (const Case& c : cases) {
        // No usable port: --headless reads config.dat, then ends.
        std::ofstream conf(at("comports.conf"));
        for (int n = 1; n <= 10; ++n) {
            conf << "COM" << n << "=/dev/tusko-absent" << n << "\n";
        }
        conf.close();
        if (c.settings) {
            std::ofstream(at("records.conf")) << "database=plant\nuser=tusko\npassword_file=pw\n";
        }
        ::unlink(at(c.file).c_str());  // the regular one made above, if any
        ASSERT_TRUE(testsupport::make(c.made, at(c.file)));
        const ProgramRun run =
            runProgram(QString::fromLatin1(c.arguments).split(QLatin1Char(' ')), here());
        const std::string what = c.file + std::string(" as ") + madeName(c.made);
        EXPECT_EQ(run.status, c.status) << what << " (-1: the program waited)\n" << run.err;
        EXPECT_TRUE(contains(run.out + run.err, c.complaint)) << what << "\n" << run.out << run.err;
        ASSERT_EQ(
            c.made == Made::Directory ? ::rmdir(at(c.file).c_str()) : ::unlink(at(c.file).c_str()),
            0);
        ::unlink(at("records.conf").c_str());
    }
}

TEST_F(ProgramDir, ListPortsNamesTheLinesOfComportsConfNotUnderstoodBelowTheTable) {
    std::ofstream(at("comports.conf")) << "\xEF\xBB\xBF"
                                          "COM1=/dev/tusko-bom\r\n"
                                          "# adapters\r\n"
                                          "COM0=/dev/ttyUSB0\r\n"
                                          "COM11=/dev/ttyUSB1\r\n"
                                          "garbage\r\n"
                                          "COM2=/dev/tusko-good\r\n";
    const ProgramRun run = runProgram({"--list-ports"}, here());
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(contains(run.out, "\nCOM1   /dev/tusko-bom   no such device\n")) << run.out;
    EXPECT_TRUE(contains(run.out, "\nCOM2   /dev/tusko-good  no such device\n")) << run.out;
    const std::string below = run.out.substr(run.out.find("\nCOM10 "));
    EXPECT_EQ(
        below.substr(below.find('\n', 1) + 1),
        "comports.conf line 3: \"COM0=/dev/ttyUSB0\" not understood: \"COM0\" is not a port "
        "name COM1 to COM10\n"
        "comports.conf line 4: \"COM11=/dev/ttyUSB1\" not understood: \"COM11\" is not a port "
        "name COM1 to COM10\n"
        "comports.conf line 5: \"garbage\" not understood: not COMn=device\n");
}

// The adapter pinned to COM1 is unplugged: the next port is polled, and the start says so, and
// names the line of comports.conf not understood.
TEST_F(ProgramDir, AStartSaysWhichPortItPollsWhenThePinnedOneIsMissing) {
    QProcess simulator;
    const std::string link = at("ttyMETER");
    simulator.start(QStringLiteral(TUSKO_METER_SIM_PATH),
                    {"--link", QString::fromStdString(link), "--stations", "1"});
    if (!simulator.waitForStarted(5000) || !simulator.waitForReadyRead(5000)) {
        GTEST_SKIP() << "the meter simulator could not open a pseudo-terminal";
    }
    std::ofstream(at("comports.conf")) << "COM1=/dev/tusko-usb\nCOM2=" << link << "\nCOM12=x\n";
    QProcess program;
    program.setWorkingDirectory(here());
    program.start(QStringLiteral(TUSKOCP_PATH), {"--headless"});
    const std::string said =
        "tuskocp: comports.conf line 3: \"COM12=x\" not understood: \"COM12\" is not a port name "
        "COM1 to COM10\ntuskocp: COM1 (/dev/tusko-usb) not found; polling COM2 (" +
        link + ") instead\n";
    std::string err;
    QElapsedTimer waited;
    waited.start();
    while (!contains(err, said) && program.state() != QProcess::NotRunning &&
           waited.elapsed() < 30000) {
        program.waitForReadyRead(1000);
        err += program.readAllStandardError().toStdString();
    }
    EXPECT_TRUE(contains(err, said)) << err;
    program.terminate();
    EXPECT_TRUE(program.waitForFinished(10000));
    simulator.terminate();
    simulator.waitForFinished(3000);
}

}  // namespace
}  // namespace shelltest
