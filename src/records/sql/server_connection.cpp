#include "records/sql/server_connection.h"

#include <QSqlDatabase>
#include <QSqlError>

#include <string>

#include "platform/qt/files/regular_file.h"

namespace records::sql {

namespace {

constexpr std::size_t kMaxSettingsBytes = 64 * 1024;

}  // namespace

Checked<ServerLogin> readServerLogin(const QString& settingsFile,
                                     platform::ProtectedFileReader& passwords) {
    const std::string name = settingsFile.toStdString();
    const platform::qt::FileRead text = platform::qt::readRegularFile(name, kMaxSettingsBytes);
    if (!text.bytes) {
        return {std::nullopt, text.refusal.empty() ? name + " cannot be read" : text.refusal};
    }
    Checked<ServerSettings> parsed = parseServerSettings(*text.bytes);
    if (!parsed.value) {
        return {std::nullopt, name + ": " + parsed.problem};
    }
    ServerLogin login{*parsed.value, {}};
    if (!login.settings.passwordFile.empty()) {
        // The reader refuses such a file too; this names why.
        if (const platform::qt::FileKind kind = platform::qt::fileKind(login.settings.passwordFile);
            kind != platform::qt::FileKind::Regular && kind != platform::qt::FileKind::Missing) {
            return {std::nullopt, "password file " + login.settings.passwordFile + " is " +
                                      platform::qt::kindName(kind) + ", not a regular file"};
        }
        const Checked<std::string> read = readPassword(passwords, login.settings.passwordFile);
        if (!read.value) {
            return {std::nullopt, read.problem};
        }
        login.password = QString::fromStdString(*read.value);
    }
    return {login, {}};
}

bool connectToServer(QSqlDatabase& db, const ServerLogin& login, const ServerTimeouts& timeouts) {
    const ServerSettings& settings = login.settings;
    db.setHostName(QString::fromStdString(settings.host));
    db.setPort(settings.port);
    db.setDatabaseName(QString::fromStdString(settings.database));
    db.setUserName(QString::fromStdString(settings.user));
    db.setPassword(login.password);
    QString options = QStringLiteral("-c statement_timeout=%1").arg(timeouts.statementMs);
    if (timeouts.lockMs > 0) {
        options += QStringLiteral(" -c lock_timeout=%1").arg(timeouts.lockMs);
    }
    if (!timeouts.durableCommit) {
        options += QStringLiteral(" -c synchronous_commit=off");
    }
    db.setConnectOptions(QStringLiteral("connect_timeout=%1;tcp_user_timeout=%2;options='%3'")
                             .arg(timeouts.connectS)
                             .arg(timeouts.tcpMs)
                             .arg(options));
    const bool opened = db.open();
    db.setPassword(QString());
    return opened;
}

Checked<ServerSettings> openOnServer(QSqlDatabase& db, const QString& settingsFile,
                                     platform::ProtectedFileReader& passwords,
                                     const ServerTimeouts& timeouts) {
    const Checked<ServerLogin> login = readServerLogin(settingsFile, passwords);
    if (!login.value) {
        return {std::nullopt, login.problem};
    }
    if (!connectToServer(db, *login.value, timeouts)) {
        return {std::nullopt, "cannot connect: " + db.lastError().text().trimmed().toStdString()};
    }
    return {login.value->settings, {}};
}

}  // namespace records::sql
