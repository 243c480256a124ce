#pragma once

#include <QString>

#include "platform/protected_file_reader.h"
#include "records/server_settings.h"

class QSqlDatabase;

namespace records::sql {

// How long a connection to the records server may wait. libpq waits at least two seconds for a
// connection; the statement and lock timeouts are the server's, the TCP timeout drops a
// connection whose data the peer does not acknowledge.
struct ServerTimeouts {
    int connectS;
    int statementMs;
    int lockMs;  // 0: the server's own
    int tcpMs;
    // Whether a commit waits until the server has written it to its disk.
    bool durableCommit;
};

// For a thread that an operator waits on: short, and a commit is not waited for until the server
// has written it (a slow disk on the server cannot hold the thread up; a crash of the server
// loses at most the records of its last second).
inline constexpr ServerTimeouts kWindowTimeouts = {2, 1000, 0, 1000, false};
// For reads on a thread of their own, which may take longer on a big table.
inline constexpr ServerTimeouts kReadingTimeouts = {2, 30000, 5000, 5000, true};
// For sending records that wait on this PC: a record leaves it only once the server has it on
// its disk.
inline constexpr ServerTimeouts kSendingTimeouts = {5, 15000, 2000, 10000, true};

// What a connection needs: the settings, read now (see records::parseServerSettings), and the
// password from the password file they name.
struct ServerLogin {
    ServerSettings settings;
    QString password;
};
[[nodiscard]] Checked<ServerLogin> readServerLogin(const QString& settingsFile,
                                                   platform::ProtectedFileReader& passwords);

// Points `db`, a connection of QtSql's QPSQL driver, at the server and opens it. The password is
// not kept in `db` once it is open. False when it cannot be opened (db.lastError() says why).
[[nodiscard]] bool connectToServer(QSqlDatabase& db, const ServerLogin& login,
                                   const ServerTimeouts& timeouts);

// Both of the above in one: the settings when the connection is open; otherwise why not.
[[nodiscard]] Checked<ServerSettings> openOnServer(
    QSqlDatabase& db, const QString& settingsFile, platform::ProtectedFileReader& passwords,
    const ServerTimeouts& timeouts = kWindowTimeouts);

}  // namespace records::sql
