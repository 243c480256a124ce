#include "records/sql/store_factory.h"

#include <sqlite3.h>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include "records/records_store.h"
#include "records/server_settings.h"
#include "records/sql/postgres_dialect.h"
#include "records/sql/server_store.h"
#include "records/sql/sql_store.h"
#include "records/sql/sqlite_dialect.h"

namespace records::sql {

namespace {

bool serverNamed() {
    return QFileInfo::exists(QString::fromUtf8(kServerSettingsFile));
}

QString storePath() {
    return QFileInfo(QString::fromUtf8(kDatabaseFile)).absoluteFilePath();
}

// The table and its index, in a new file of SQLite's own.
Fault makeSchema(const QString& path) {
    sqlite3* db = nullptr;
    const QByteArray name = QFile::encodeName(path);
    int code = sqlite3_open_v2(name.constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    if (code == SQLITE_OK) {
        const std::string sql =
            "BEGIN; " + createTableStatement() + "; " + createStationIndexStatement() + "; COMMIT;";
        code = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
    }
    const Fault fault = code == SQLITE_OK
                            ? Fault{}
                            : sqliteFault(sqlite3_extended_errcode(db), sqlite3_system_errno(db),
                                          db ? sqlite3_errmsg(db) : "out of memory");
    if (sqlite3_close(db) != SQLITE_OK && fault.ok()) {
        return {StoreProblem::Other, "cannot close the new store"};
    }
    return fault;
}

}  // namespace

Fault createStoreFile(const QString& path) {
    // Made under a name of its own and then given the store's name, which fails when a file has
    // that name by then: nobody ever sees a store without its table, and none is replaced. The
    // file gets the permissions any new file of this user gets, as with the store tool.
    const QString made =
        QStringLiteral("%1.new-%2")
            .arg(path)
            .arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0'));
    QFile file(made);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        return {StoreProblem::Missing,
                "cannot create " + made.toStdString() + ": " + file.errorString().toStdString()};
    }
    file.close();
    Fault fault = makeSchema(made);
    if (fault.ok() && !QFile::rename(made, path)) {
        fault = {StoreProblem::Other, "cannot name the new store " + path.toStdString()};
    }
    if (!fault.ok()) {
        QFile::remove(made);
    }
    return fault;
}

LoggingStore openLoggingStore(platform::Clock& clock) {
    LoggingStore opened;
    if (serverNamed()) {
        opened.store = std::make_unique<ServerStore>(QString::fromUtf8(kServerSettingsFile),
                                                     QString::fromUtf8(kSpoolFile), clock);
        return opened;
    }
    const QString path = storePath();
    if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink() && createStoreFile(path).ok()) {
        opened.notice = std::string("已创建记录文件 ") + kDatabaseFile;
        opened.noticeEnglish = std::string("created the records store ") + kDatabaseFile;
    }
    auto store = std::make_unique<SqlStore>(
        std::make_unique<SqliteDialect>(path, SqliteDialect::Role::Logging), clock);
    (void)store->open();
    opened.store = std::move(store);
    return opened;
}

StoreMaker readingStores(platform::Clock& clock) {
    if (serverNamed()) {
        return [&clock]() -> std::unique_ptr<Store> {
            return std::make_unique<SqlStore>(
                std::make_unique<PostgresDialect>(QString::fromUtf8(kServerSettingsFile),
                                                  PostgresDialect::Role::Reading),
                clock);
        };
    }
    const QString path = storePath();
    return [&clock, path]() -> std::unique_ptr<Store> {
        return std::make_unique<SqlStore>(
            std::make_unique<SqliteDialect>(path, SqliteDialect::Role::Reading), clock);
    };
}

}  // namespace records::sql
