#include "server_table.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <cstdio>

#include "exit_codes.h"
#include "records/records_store.h"
#include "records/sql/qt_protected_file_reader.h"
#include "records/sql/server_connection.h"

namespace mkstore {

namespace {

constexpr const char* kConnection = "tuskocp-mkstore";
// PostgreSQL's error code for a table that exists already.
constexpr const char* kDuplicateTable = "42P07";
constexpr int kNullsNotDistinctSince = 150000;

int createTable(QSqlDatabase& db, const char* settingsFile) {
    records::sql::QtProtectedFileReader passwords;
    const records::Checked<records::ServerSettings> opened =
        records::sql::openOnServer(db, QString::fromLocal8Bit(settingsFile), passwords);
    if (!opened.value) {
        std::fprintf(stderr, "tuskocp-mkstore: %s\n", opened.problem.c_str());
        return kExitFailed;
    }
    QSqlQuery query(db);
    // Servers before PostgreSQL 15 cannot take records without a site as one site in the key.
    const bool sitelessShareKey = !query.exec(QStringLiteral("SHOW server_version_num")) ||
                                  !query.next() || query.value(0).toInt() >= kNullsNotDistinctSince;
    if (!sitelessShareKey) {
        std::fprintf(stderr,
                     "tuskocp-mkstore: this server (before PostgreSQL 15) cannot keep records of "
                     "a bus without a site from being stored twice; name a site in records.conf\n");
    }
    const QString sql = QString::fromStdString(
        records::createTableStatement(records::SqlDialect::PostgreSql, sitelessShareKey));
    if (query.exec(sql)) {
        std::printf("created table %s in database %s\n", records::kTable,
                    opened.value->database.c_str());
        return kExitCreated;
    }
    const QSqlError error = query.lastError();
    if (error.nativeErrorCode() == QLatin1String(kDuplicateTable)) {
        std::fprintf(stderr, "tuskocp-mkstore: table %s exists in database %s, not touched\n",
                     records::kTable, opened.value->database.c_str());
        return kExitRefused;
    }
    std::fprintf(stderr, "tuskocp-mkstore: %s\n", error.text().trimmed().toLocal8Bit().constData());
    return kExitFailed;
}

}  // namespace

int createTableOnServer(int argc, char** argv, const char* settingsFile) {
    // The database drivers are plug-ins, which only an application object finds.
    QCoreApplication application(argc, argv);
    int result = kExitFailed;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QLatin1String(kConnection));
        result = createTable(db, settingsFile);
        db.close();
    }
    QSqlDatabase::removeDatabase(QLatin1String(kConnection));
    return result;
}

}  // namespace mkstore
