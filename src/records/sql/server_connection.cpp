#include "records/sql/server_connection.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>

#include <string>
#include <string_view>

namespace records::sql {

namespace {

constexpr qint64 kMaxSettingsBytes = 64 * 1024;

}  // namespace

Checked<ServerLogin> readServerLogin(const QString& settingsFile,
                                     platform::ProtectedFileReader& passwords) {
    const std::string name = settingsFile.toStdString();
    // Anything but a regular file (a FIFO, a device) could keep the open waiting for ever.
    if (!QFileInfo(settingsFile).isFile()) {
        return {std::nullopt, name + " is not a regular file"};
    }
    QFile file(settingsFile);
    if (!file.open(QIODevice::ReadOnly)) {
        return {std::nullopt, name + " cannot be read"};
    }
    const QByteArray text = file.read(kMaxSettingsBytes);
    Checked<ServerSettings> parsed = parseServerSettings(
        std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
    if (!parsed.value) {
        return {std::nullopt, name + ": " + parsed.problem};
    }
    ServerLogin login{*parsed.value, {}};
    if (!login.settings.passwordFile.empty()) {
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
