#include "server_table.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <cstdio>

#include "exit_codes.h"
#include "platform/qt/records/qt_protected_file_reader.h"
#include "platform/qt/records/server_connection.h"
#include "records/records_store.h"

namespace mkstore {

namespace {

constexpr const char* kConnection = "tuskocp-mkstore";
// PostgreSQL's error code for a table that exists already.
constexpr const char* kDuplicateTable = "42P07";

int createTable(QSqlDatabase& db, const char* settingsFile) {
    platform::qt::QtProtectedFileReader passwords;
    const records::Checked<records::ServerSettings> opened =
        platform::qt::openOnServer(db, QString::fromLocal8Bit(settingsFile), passwords);
    if (!opened.value) {
        std::fprintf(stderr, "tuskocp-mkstore: %s\n", opened.problem.c_str());
        return kExitFailed;
    }
    QSqlQuery query(db);
    const QString sql =
        QString::fromStdString(records::createTableStatement(records::SqlDialect::PostgreSql));
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
