#include "records/sql/spool.h"

#include <sqlite3.h>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <atomic>

#include "query_run.h"
#include "records/sql/sqlite_dialect.h"
#include "records/sql/statements.h"

namespace records::sql {

namespace {

// A lock on the spool is held by the other thread for one small statement at a time.
constexpr int kBusyMs = 1000;
constexpr const char* kTableName = "waiting";

QString nextConnectionName() {
    static std::atomic<unsigned> counter{0};
    return QStringLiteral("tusko_spool_%1").arg(++counter);
}

std::string columns() {
    std::string text;
    for (const std::string& field : kFieldNames) {
        text += quoted(field) + ", ";
    }
    return text + quoted(kSiteField) + ", logged_msecs";
}

}  // namespace

Spool::Spool(QString path, Use use) : path_(QFileInfo(path).absoluteFilePath()), use_(use) {}

Spool::~Spool() {
    close();
}

void Spool::close() {
    if (db_.isValid()) {
        db_.close();
    }
    db_ = QSqlDatabase();
    if (!connectionName_.isEmpty()) {
        QSqlDatabase::removeDatabase(connectionName_);
        connectionName_.clear();
    }
}

Fault Spool::failed(const QSqlError& error) {
    sqlite3* handle = sqliteHandle(db_);
    const int code = error.nativeErrorCode().toInt();
    Fault fault =
        handle != nullptr && (sqlite3_extended_errcode(handle) & 0xff) == code && code != 0
            ? sqliteFault(sqlite3_extended_errcode(handle), sqlite3_system_errno(handle),
                          error.databaseText().toStdString())
            : sqliteFault(code == 0 ? SQLITE_ERROR : code, 0, error.text().toStdString());
    fault.detail = "records-spool: " + fault.detail;
    close();
    return fault;
}

Fault Spool::ready() {
    if (db_.isOpen()) {
        return {};
    }
    close();
    connectionName_ = nextConnectionName();
    db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName_);
    db_.setDatabaseName(path_);
    db_.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyMs));
    if (!db_.open()) {
        return failed(db_.lastError());
    }
    QSqlQuery query(db_);
    // The write-ahead log lets the sender read while a record is added; a full sync at each
    // commit puts a record kept on the disk before add() returns.
    const std::string schema = "CREATE TABLE IF NOT EXISTS " + std::string(kTableName) +
                               " (id INTEGER PRIMARY KEY AUTOINCREMENT, " + quoted(kFieldNames[0]) +
                               " INTEGER";
    std::string create = schema;
    for (std::size_t i = 1; i < kFieldNames.size(); ++i) {
        create += ", " + quoted(kFieldNames[i]) + " TEXT";
    }
    create += ", " + quoted(kSiteField) + " TEXT, logged_msecs INTEGER)";
    for (const std::string& sql :
         {std::string("PRAGMA journal_mode=WAL"),
          std::string(use_ == Use::Keep ? "PRAGMA synchronous=FULL" : "PRAGMA synchronous=NORMAL"),
          create}) {
        if (!query.exec(QString::fromStdString(sql))) {
            return failed(query.lastError());
        }
    }
    return {};
}

Fault Spool::add(const MeasurementRecord& record, const std::string& site,
                 std::int64_t loggedMsecs) {
    return addAll({record}, site, loggedMsecs);
}

Fault Spool::addAll(const std::vector<MeasurementRecord>& records, const std::string& site,
                    std::int64_t loggedMsecs) {
    if (Fault fault = ready(); !fault.ok()) {
        return fault;
    }
    if (!db_.transaction()) {
        return failed(db_.lastError());
    }
    QSqlQuery query(db_);
    for (const MeasurementRecord& record : records) {
        const Statement insert{
            "INSERT INTO " + std::string(kTableName) + " (" + columns() +
                ") VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
            {std::int64_t{record.station}, record.date, record.diameter, record.flow,
             record.percent, record.rangeRatio, record.velocity, record.forwardTotal,
             record.reverseTotal, record.alarm, site, loggedMsecs}};
        // failed() closes the connection, which ends the transaction without keeping any of it.
        if (!runStatement(query, insert)) {
            return failed(query.lastError());
        }
    }
    query.finish();
    if (!db_.commit()) {
        return failed(db_.lastError());
    }
    return {};
}

Fault Spool::oldest(std::size_t limit, std::vector<Waiting>& found) {
    found.clear();
    if (Fault fault = ready(); !fault.ok()) {
        return fault;
    }
    QSqlQuery query(db_);
    const Statement select{
        "SELECT id, " + columns() + " FROM " + kTableName + " ORDER BY id LIMIT ?",
        {static_cast<std::int64_t>(limit)}};
    if (!runStatement(query, select)) {
        return failed(query.lastError());
    }
    while (query.next()) {
        Waiting& w = found.emplace_back();
        w.id = query.value(0).toLongLong();
        w.record.station = static_cast<std::uint8_t>(query.value(1).toInt());
        std::string* texts[] = {&w.record.date,         &w.record.diameter,
                                &w.record.flow,         &w.record.percent,
                                &w.record.rangeRatio,   &w.record.velocity,
                                &w.record.forwardTotal, &w.record.reverseTotal,
                                &w.record.alarm,        &w.site};
        for (int i = 0; i < 10; ++i) {
            *texts[i] = textOf(query.value(i + 2));
        }
        w.loggedMsecs = query.value(12).toLongLong();
    }
    return {};
}

Fault Spool::remove(std::int64_t id) {
    return removeWhere("id = ?", id);
}

Fault Spool::removeUpTo(std::int64_t id) {
    return removeWhere("id <= ?", id);
}

Fault Spool::removeWhere(const char* condition, std::int64_t id) {
    if (Fault fault = ready(); !fault.ok()) {
        return fault;
    }
    QSqlQuery query(db_);
    if (!runStatement(query,
                      {"DELETE FROM " + std::string(kTableName) + " WHERE " + condition, {id}})) {
        return failed(query.lastError());
    }
    return {};
}

Fault Spool::count(std::int64_t& waiting) {
    if (Fault fault = ready(); !fault.ok()) {
        return fault;
    }
    QSqlQuery query(db_);
    if (!query.exec(QStringLiteral("SELECT count(*) FROM %1").arg(QLatin1String(kTableName))) ||
        !query.next()) {
        return failed(query.lastError());
    }
    waiting = query.value(0).toLongLong();
    return {};
}

}  // namespace records::sql
