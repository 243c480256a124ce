#include "platform/qt/records/server_connection.h"

#include <QSqlDatabase>
#include <QSqlError>

#include <string>

#include "platform/qt/files/regular_file.h"

namespace platform::qt {

namespace {

constexpr std::size_t kMaxSettingsBytes = 64 * 1024;

}  // namespace

records::Checked<records::ServerSettings> openOnServer(QSqlDatabase& db,
                                                       const QString& settingsFile,
                                                       ProtectedFileReader& passwords) {
    const std::string name = settingsFile.toStdString();
    const FileRead text = readRegularFile(name, kMaxSettingsBytes);
    if (!text.bytes) {
        return {std::nullopt, text.refusal.empty() ? name + " cannot be read" : text.refusal};
    }
    records::Checked<records::ServerSettings> parsed = records::parseServerSettings(*text.bytes);
    if (!parsed.value) {
        return {std::nullopt, name + ": " + parsed.problem};
    }
    const records::ServerSettings& settings = *parsed.value;
    QString password;
    if (!settings.passwordFile.empty()) {
        // The reader refuses such a file too; this names why.
        if (const FileKind kind = fileKind(settings.passwordFile);
            kind != FileKind::Regular && kind != FileKind::Missing) {
            return {std::nullopt, "password file " + settings.passwordFile + " is " +
                                      kindName(kind) + ", not a regular file"};
        }
        const records::Checked<std::string> read =
            records::readPassword(passwords, settings.passwordFile);
        if (!read.value) {
            return {std::nullopt, read.problem};
        }
        password = QString::fromStdString(*read.value);
    }
    db.setHostName(QString::fromStdString(settings.host));
    db.setPort(settings.port);
    db.setDatabaseName(QString::fromStdString(settings.database));
    db.setUserName(QString::fromStdString(settings.user));
    db.setPassword(password);
    db.setConnectOptions(
        QStringLiteral("connect_timeout=%1;tcp_user_timeout=%2;"
                       "options='-c statement_timeout=%3 -c synchronous_commit=off'")
            .arg(kConnectTimeoutS)
            .arg(kTcpTimeoutMs)
            .arg(kStatementTimeoutMs));
    const bool opened = db.open();
    db.setPassword(QString());
    if (!opened) {
        return {std::nullopt, "cannot connect: " + db.lastError().text().trimmed().toStdString()};
    }
    return parsed;
}

}  // namespace platform::qt
