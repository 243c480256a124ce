#include "platform/qt/records/server_connection.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>

#include <string>
#include <string_view>

namespace platform::qt {

namespace {

constexpr qint64 kMaxSettingsBytes = 64 * 1024;

}  // namespace

records::Checked<records::ServerSettings> openOnServer(QSqlDatabase& db,
                                                       const QString& settingsFile,
                                                       ProtectedFileReader& passwords) {
    const std::string name = settingsFile.toStdString();
    QFile file(settingsFile);
    if (!file.open(QIODevice::ReadOnly)) {
        return {std::nullopt, name + " cannot be read"};
    }
    const QByteArray text = file.read(kMaxSettingsBytes);
    records::Checked<records::ServerSettings> parsed = records::parseServerSettings(
        std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
    if (!parsed.value) {
        return {std::nullopt, name + ": " + parsed.problem};
    }
    const records::ServerSettings& settings = *parsed.value;
    QString password;
    if (!settings.passwordFile.empty()) {
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
