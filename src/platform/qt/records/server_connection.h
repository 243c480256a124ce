#pragma once

#include <QString>

#include "platform/protected_file_reader.h"
#include "records/server_settings.h"

class QSqlDatabase;

namespace platform::qt {

// How long a connection to the records server may keep the window's thread waiting. libpq waits
// at least two seconds for a connection; statements and unacknowledged TCP data are cut shorter.
// A commit is not waited for until the server has written it to its disk (synchronous_commit is
// off): a slow disk on the server cannot hold the window up, and a crash of the server loses at
// most the records of its last second.
inline constexpr int kConnectTimeoutS = 2;
inline constexpr int kStatementTimeoutMs = 1000;
inline constexpr int kTcpTimeoutMs = 1000;

// Opens `db`, a connection of QtSql's QPSQL driver, on the server that the settings file names
// (read now, see records::parseServerSettings), with the password from the password file it
// names. The settings when the connection is open; otherwise why not. The password is not kept
// in `db` once it is open.
[[nodiscard]] records::Checked<records::ServerSettings> openOnServer(
    QSqlDatabase& db, const QString& settingsFile, ProtectedFileReader& passwords);

}  // namespace platform::qt
