#include "postgres_server.h"

#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <cerrno>

#include <string>
#include <vector>

namespace records_test {

namespace {

constexpr int kProgramTimeoutMs = 60000;

// The directory of the newest installed server version's programs; empty when there is none.
QString serverPrograms() {
    QDir versions(QStringLiteral("/usr/lib/postgresql"));
    QStringList names = versions.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return a.toInt() > b.toInt(); });
    for (const QString& name : names) {
        const QString bin = versions.filePath(name + QStringLiteral("/bin"));
        if (QFile::exists(bin + QStringLiteral("/initdb")) &&
            QFile::exists(bin + QStringLiteral("/pg_ctl"))) {
            return bin;
        }
    }
    return {};
}

}  // namespace

PostgresServer::PostgresServer() : dir_(QDir::tempPath() + QStringLiteral("/tusko-pg-XXXXXX")) {
    programs_ = serverPrograms();
    if (programs_.isEmpty()) {
        problem_ = "no initdb and pg_ctl under /usr/lib/postgresql (Debian package postgresql)";
        return;
    }
    if (!dir_.isValid()) {
        problem_ = "no temporary directory";
        return;
    }
    const QString passwordFile = dir_.filePath(QStringLiteral("superuser.password"));
    QFile password(passwordFile);
    if (!password.open(QIODevice::WriteOnly) || password.write(kPassword) < 0) {
        problem_ = "cannot write the superuser's password file";
        return;
    }
    password.close();
    if (geteuid() == 0) {
        // The server's own user gets the directory; root can still reach everything in it.
        const passwd* user = getpwnam("postgres");
        if (user == nullptr ||
            QStandardPaths::findExecutable(QStringLiteral("runuser")).isEmpty()) {
            problem_ = "running as root, but there is no user postgres or no runuser";
            return;
        }
        serverUser_ = QStringLiteral("postgres");
        for (const QString& path : {dir_.path(), passwordFile}) {
            if (chown(path.toLocal8Bit().constData(), user->pw_uid, user->pw_gid) != 0) {
                problem_ = "cannot hand the directory to the user postgres";
                return;
            }
        }
    }
    if (!runServerProgram(
            QStringLiteral("initdb"),
            {QStringLiteral("-D"), dir_.filePath(QStringLiteral("data")), QStringLiteral("-U"),
             QString::fromUtf8(kUser), QStringLiteral("--auth=scram-sha-256"),
             QStringLiteral("--pwfile=") + passwordFile, QStringLiteral("-E"),
             QStringLiteral("UTF8"), QStringLiteral("--locale=C"), QStringLiteral("--no-sync")})) {
        return;
    }
    (void)start();
}

PostgresServer::~PostgresServer() {
    if (running_) {
        (void)stop();
    }
}

bool PostgresServer::start() {
    // Listens on no network address at all: only on the socket in the private directory.
    const QString options = QStringLiteral(
                                "-c listen_addresses='' -k %1 -p %2 -c fsync=off "
                                "-c full_page_writes=off")
                                .arg(dir_.path())
                                .arg(kPort);
    running_ = runServerProgram(
        QStringLiteral("pg_ctl"),
        {QStringLiteral("-D"), dir_.filePath(QStringLiteral("data")), QStringLiteral("-l"),
         dir_.filePath(QStringLiteral("server.log")), QStringLiteral("-o"), options,
         QStringLiteral("-w"), QStringLiteral("start")});
    return running_;
}

bool PostgresServer::stop() {
    const bool stopped = runServerProgram(
        QStringLiteral("pg_ctl"),
        {QStringLiteral("-D"), dir_.filePath(QStringLiteral("data")), QStringLiteral("-m"),
         QStringLiteral("fast"), QStringLiteral("-w"), QStringLiteral("stop")});
    running_ = running_ && !stopped;
    return stopped;
}

bool PostgresServer::signalAll(int signal) {
    QFile pidFile(dir_.filePath(QStringLiteral("data/postmaster.pid")));
    if (!pidFile.open(QIODevice::ReadOnly)) {
        problem_ = "no postmaster.pid";
        return false;
    }
    const pid_t server = pidFile.readLine().trimmed().toInt();
    std::vector<pid_t> processes = {server};
    // The processes whose parent is the server, from their /proc/PID/stat lines.
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!stat.open(QIODevice::ReadOnly)) {
            continue;
        }
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields[1].toInt() == server) {
            processes.push_back(entry.toInt());
        }
    }
    for (const pid_t process : processes) {
        // A process that ended meanwhile needs no signal.
        if (kill(process, signal) != 0 && errno != ESRCH) {
            problem_ = "cannot signal process " + std::to_string(process);
            return false;
        }
    }
    return true;
}

bool PostgresServer::pause() {
    paused_ = true;
    return signalAll(SIGSTOP);
}

bool PostgresServer::resume() {
    paused_ = !signalAll(SIGCONT);
    return !paused_;
}

std::string PostgresServer::settings(const std::string& passwordFile,
                                     const std::string& site) const {
    std::string text = "# the tests' own server\nhost=" + socketDirectory() +
                       "\nport=" + std::to_string(kPort) + "\ndatabase=" + kDatabase +
                       "\nuser=" + kUser + "\npassword_file=" + passwordFile + "\n";
    return site.empty() ? text : text + "site=" + site + "\n";
}

bool PostgresServer::runServerProgram(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setWorkingDirectory(dir_.path());
    const QString path = programs_ + QLatin1Char('/') + program;
    if (serverUser_.isEmpty()) {
        process.start(path, arguments);
    } else {
        process.start(
            QStringLiteral("runuser"),
            QStringList{QStringLiteral("-u"), serverUser_, QStringLiteral("--"), path} + arguments);
    }
    if (!process.waitForFinished(kProgramTimeoutMs) ||
        process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        problem_ = program.toStdString() + " failed: " + process.readAll().trimmed().toStdString();
        return false;
    }
    return true;
}

}  // namespace records_test
