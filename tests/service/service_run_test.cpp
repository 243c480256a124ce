// tuskocpd itself against the meter simulator, and its check of a working directory.
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "records/sqlite_direct.h"
#include "records/store_dir.h"

namespace servicetest {
namespace {

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The service with neither a display nor a platform plugin named.
void startService(QProcess& service, const records_test::StoreDir& dir, const QStringList& args) {
    service.setWorkingDirectory(QString::fromStdString(dir.path(".")));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    service.setProcessEnvironment(environment);
    service.start(QStringLiteral(TUSKOCPD_PATH), args);
}

struct Finished {
    int status = -1;  // -1: not ended within the deadline
    std::string out;
    std::string err;
};

Finished runService(const records_test::StoreDir& dir, const QStringList& args) {
    QProcess service;
    startService(service, dir, args);
    const bool ended =
        service.waitForFinished(60000) && service.exitStatus() == QProcess::NormalExit;
    if (!ended) {
        service.kill();
        service.waitForFinished();
    }
    return {ended ? service.exitCode() : -1, service.readAllStandardOutput().toStdString(),
            service.readAllStandardError().toStdString()};
}

// A store directory with the simulator on a pseudo-terminal in it, meters 1 to 4.
class ServiceRunTest : public ::testing::Test {
  protected:
    void SetUp() override {
        simulator.start(QStringLiteral(TUSKO_METER_SIM_PATH),
                        {"--link", QString::fromStdString(link), "--stations", "1-4"});
        if (!simulator.waitForStarted(5000) || !simulator.waitForReadyRead(5000)) {
            GTEST_SKIP() << "the meter simulator could not open a pseudo-terminal";
        }
    }
    void TearDown() override {
        simulator.terminate();
        simulator.waitForFinished(3000);
    }

    records_test::StoreDir dir;
    const std::string link = dir.path("ttyMETER");
    QProcess simulator;
};

// Polls every station, logs into the store it makes, and on SIGTERM says what it did and ends
// with status 0: the records it counts are the ones in the store.
TEST_F(ServiceRunTest, PollsLogsAndSummarisesOnSigterm) {
    QProcess service;
    startService(service, dir, {"--port", QString::fromStdString(link), "--multi", "--speed=9600"});
    ASSERT_TRUE(service.waitForStarted(5000));
    std::string err;
    // Each meter's set of values is complete after nine requests, and logged at once.
    QElapsedTimer waited;
    waited.start();
    std::int64_t stations = 0;
    while (stations < 2 && service.state() == QProcess::Running && waited.elapsed() < 120000) {
        service.waitForReadyRead(200);
        err += service.readAllStandardError().toStdString();
        records_test::SqliteDirect db(dir.path());
        stations = db.number("SELECT count(DISTINCT \"仪表编号\") FROM \"数据监测\"");
    }
    ASSERT_GE(stations, 2) << err;
    service.terminate();
    ASSERT_TRUE(service.waitForFinished(30000)) << err;
    err += service.readAllStandardError().toStdString();
    EXPECT_EQ(service.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(service.exitCode(), 0);

    EXPECT_TRUE(contains(err, "tuskocpd: polling " + link +
                                  " at 9600 baud, stations 1 to 16 in turn; records go to "
                                  "kvt97.mdb\n"))
        << err;
    EXPECT_TRUE(contains(err, "tuskocpd: created the records store kvt97.mdb\n")) << err;
    records_test::SqliteDirect db(dir.path());
    const std::int64_t stored = db.number("SELECT count(*) FROM \"数据监测\"");
    const std::size_t summary = err.rfind("tuskocpd: ended after ");
    ASSERT_NE(summary, std::string::npos) << err;
    EXPECT_TRUE(contains(err.substr(summary), " " + std::to_string(stored) + " records stored"))
        << err;
    EXPECT_EQ(err.back(), '\n');
}

TEST_F(ServiceRunTest, CheckSaysWhatItFoundAndWhetherTheServiceCanRun) {
    std::ofstream(dir.path("comports.conf")) << "COM2=" << link << "\nCOM3=/dev/tusko-absent\n"
                                             << "garbage\n";
    const struct {
        QStringList arguments;
        const char* store;  // what kvt97.mdb holds; nullptr: no file
        int status;
        std::string found;
    } cases[] = {
        {{"--check", "--port", "COM2", "--station", "4"},
         nullptr,
         0,
         "note     comports.conf line 3: \"garbage\" not understood: not COMn=device\n"
         "ok       port COM2 (" +
             link +
             "): usable; polled at 14400 baud, station 4 alone\n"
             "ok       records store kvt97.mdb: missing; made at start\n"
             "tuskocpd: the configuration is usable\n"},
        {{"--check", "--port", "COM3"},
         nullptr,
         1,
         "problem  port COM3 (/dev/tusko-absent): no such device\nproblem  no usable port\n"},
        {{"--check", "--port", "COM5"}, nullptr, 1, "problem  port COM5: no such device\n"},
        {{"--check", "--port=" + QString::fromStdString(link), "--multi"},
         "no database",
         1,
         "ok       port " + link +
             ": usable; polled at 14400 baud, stations 1 to 16 in turn\n"
             "problem  records store kvt97.mdb: the store is not a database"},
        {{"--check", "--port", QString::fromStdString(link)},
         "",
         0,
         "ok       records store kvt97.mdb: 0 records\n"},
    };
    for (const auto& c : cases) {
        const std::string line = c.arguments.join(' ').toStdString();
        std::remove(dir.path().c_str());
        if (c.store && *c.store) {
            std::ofstream(dir.path()) << c.store;
        } else if (c.store) {
            ASSERT_TRUE(dir.createStore());
        }
        const Finished run = runService(dir, c.arguments);
        EXPECT_EQ(run.status, c.status) << line << "\n" << run.out << run.err;
        EXPECT_TRUE(contains(run.out, c.found)) << line << "\n" << run.out;
        EXPECT_EQ(run.err, "") << line;
    }
    // The check makes nothing.
    std::remove(dir.path().c_str());
    EXPECT_EQ(runService(dir, {"--check"}).status, 0);
    EXPECT_FALSE(std::ifstream(dir.path()).good());
}

TEST(ServiceRun, WithoutAUsablePortItSaysWhyAndEndsWithStatus1) {
    records_test::StoreDir dir;
    std::ofstream(dir.path("comports.conf")) << "COM1=/dev/tusko-absent\n";
    const Finished run = runService(dir, {"--port", "COM1"});
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_TRUE(contains(run.err, "tuskocpd: no usable serial port\nport   device")) << run.err;
    EXPECT_TRUE(contains(run.err, "\nCOM1   /dev/tusko-absent  no such device\n")) << run.err;
    EXPECT_FALSE(contains(run.err, "COM2")) << run.err;
}

}  // namespace
}  // namespace servicetest
