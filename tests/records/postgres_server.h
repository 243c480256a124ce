#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <string>

namespace records_test {

// A PostgreSQL server of the tests' own: a cluster in a private temporary directory, reachable
// only through the Unix socket in that directory, with one user who logs in with a password.
// The server refuses to run as root, so a test run as root starts it as the user "postgres".
class PostgresServer {
  public:
    static constexpr const char* kUser = "tusko";
    static constexpr const char* kPassword = "plant-wide store";
    static constexpr const char* kDatabase = "postgres";
    static constexpr int kPort = 5432;

    // Creates the cluster and starts the server; problem() says why when that fails.
    PostgresServer();
    // Stops the server; the directory goes with the object.
    ~PostgresServer();
    PostgresServer(const PostgresServer&) = delete;
    PostgresServer& operator=(const PostgresServer&) = delete;

    // Empty once the server has been started.
    const std::string& problem() const { return problem_; }
    [[nodiscard]] bool start();
    [[nodiscard]] bool stop();
    // Stops every process of the running server with SIGSTOP, so that it takes connections and
    // data but answers nothing, and lets them go on with SIGCONT.
    [[nodiscard]] bool pause();
    [[nodiscard]] bool resume();
    bool running() const { return running_; }
    bool paused() const { return paused_; }

    std::string socketDirectory() const { return dir_.path().toStdString(); }
    // The text of a "records.conf" naming this server.
    std::string settings(const std::string& passwordFile, const std::string& site) const;

  private:
    // Runs one of the server's programs as the server's user; false (and problem_) on failure.
    bool runServerProgram(const QString& program, const QStringList& arguments);
    // Sends `signal` to the server's main process and every process it started.
    bool signalAll(int signal);

    QTemporaryDir dir_;
    QString programs_;    // the directory of initdb and pg_ctl
    QString serverUser_;  // empty: this process's own user
    std::string problem_;
    bool running_ = false;
    bool paused_ = false;
};

}  // namespace records_test
