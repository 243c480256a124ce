#pragma once

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>

#include <chrono>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace gatewaytest {

constexpr int kDeadlineMs = 90000;  // a sweep of sixteen stations takes some 16 s

inline std::int64_t monotonicUs() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// A loopback port nobody listens on now.
inline int freePort() {
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

inline bool installed(const char* program) {
    return !QStandardPaths::findExecutable(QString::fromUtf8(program)).isEmpty();
}

// A reply the simulator sent: when (monotonic microseconds) and its bytes.
using Reply = std::pair<std::int64_t, std::vector<std::uint8_t>>;

// The simulator on sixteen stations' line and the service polling it, every station in turn, in a
// directory of their own with the gateway.conf the test writes.
class PeerRun {
  public:
    PeerRun() { simulator_.setWorkingDirectory(dir_.path()); }
    ~PeerRun() {
        stop(program_);
        stop(simulator_);
    }

    std::string path(const std::string& name) const {
        return dir_.filePath(QString::fromStdString(name)).toStdString();
    }
    void write(const std::string& name, const std::string& text) const {
        std::ofstream(path(name)) << text;
    }

    // Starts the simulator with the stations present; true once its line is there.
    bool startSimulator(const std::string& stations) {
        simulator_.start(QStringLiteral(TUSKO_METER_SIM_PATH),
                         {"--link", QString::fromStdString(path("ttyMETER")), "--log",
                          QString::fromStdString(path("sim.log")), "--stations",
                          QString::fromStdString(stations)});
        write("comports.conf", "COM1=" + path("ttyMETER") + "\n");
        return simulator_.waitForStarted(10000) && simulator_.waitForReadyRead(10000);
    }

    void startProgram() {
        err_.clear();
        program_.setWorkingDirectory(dir_.path());
        program_.start(QStringLiteral(TUSKOCPD_PATH), {"--multi"});
        ASSERT_TRUE(program_.waitForStarted(10000));
    }
    // What `tuskocpd --check --multi` says in the directory.
    std::string check() const {
        return run(QStringLiteral(TUSKOCPD_PATH), {"--check", "--multi"}, dir_.path());
    }
    void stopProgram() { stop(program_); }

    // Waits until the program's standard error holds `text` `times` times; what it said.
    bool waitForSaid(const std::string& text, int times = 1) {
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < kDeadlineMs) {
            err_ += program_.readAllStandardError().toStdString();
            int found = 0;
            for (std::size_t at = err_.find(text); at != std::string::npos;
                 at = err_.find(text, at + 1)) {
                ++found;
            }
            if (found >= times) {
                return true;
            }
            if (program_.state() == QProcess::NotRunning) {
                return false;
            }
            program_.waitForReadyRead(200);
        }
        return false;
    }
    const std::string& said() const { return err_; }

    // Runs a tool to its end, in `directory` if one is named; what it wrote.
    static std::string run(const QString& tool, const QStringList& arguments,
                           const QString& directory = {}) {
        QProcess process;
        process.setWorkingDirectory(directory);
        process.start(tool, arguments);
        if (!process.waitForFinished(kDeadlineMs)) {
            process.kill();
            process.waitForFinished();
        }
        return process.readAllStandardOutput().toStdString() +
               process.readAllStandardError().toStdString();
    }

    // The simulator's replies to `station` and `command` as (time, bytes), oldest first.
    std::vector<Reply> replies(int station, int command) const {
        std::vector<Reply> found;
        std::ifstream log(path("sim.log"));
        const std::string label =
            "| reply station " + std::to_string(station) + " command " + std::to_string(command);
        for (std::string line; std::getline(log, line);) {
            if (line.find(" tx ") == std::string::npos || line.find(label) == std::string::npos) {
                continue;
            }
            std::istringstream fields(line.substr(0, line.find('|')));
            std::int64_t us = 0;
            std::string tx;
            fields >> us >> tx;
            std::vector<std::uint8_t> bytes;
            for (unsigned byte = 0; fields >> std::hex >> byte;) {
                bytes.push_back(static_cast<std::uint8_t>(byte));
            }
            found.emplace_back(us, bytes);
        }
        return found;
    }

    // The times of the requests the simulator heard, oldest first.
    std::vector<std::int64_t> requestTimes() const {
        std::vector<std::int64_t> times;
        std::ifstream log(path("sim.log"));
        for (std::string line; std::getline(log, line);) {
            if (line.find(" heard poll ") != std::string::npos) {
                times.push_back(std::stoll(line));
            }
        }
        return times;
    }

  private:
    static void stop(QProcess& process) {
        if (process.state() != QProcess::NotRunning) {
            process.terminate();
            process.waitForFinished(10000);
        }
    }

    QTemporaryDir dir_;
    QProcess simulator_;
    QProcess program_;
    std::string err_;
};

}  // namespace gatewaytest
