#include "records/sql/postgres_dialect.h"

#include <libpq-fe.h>
#include <sys/socket.h>
#include <QDebug>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <algorithm>
#include <array>
#include <utility>

#include "platform/qt/shared_library.h"
#include "records/records_store.h"

namespace records::sql {

// The functions of libpq used on QtSql's connection.
struct LibpqFunctions {
    decltype(&::PQsocket) PQsocket;
    decltype(&::PQresultStatus) PQresultStatus;
    decltype(&::PQresultErrorField) PQresultErrorField;
    decltype(&::PQresultErrorMessage) PQresultErrorMessage;
    decltype(&::PQerrorMessage) PQerrorMessage;
    decltype(&::PQprepare) PQprepare;
    decltype(&::PQclear) PQclear;
    decltype(&::PQexecPrepared) PQexecPrepared;
};

namespace {

// libpq.so.5; the QPSQL driver has loaded it already when a connection is made.
constexpr int kLibpqMajorVersion = 5;

bool bindLibpq(platform::SharedLibrary& library, LibpqFunctions& f) {
    return library.find("PQsocket", f.PQsocket) &&
           library.find("PQresultStatus", f.PQresultStatus) &&
           library.find("PQresultErrorField", f.PQresultErrorField) &&
           library.find("PQresultErrorMessage", f.PQresultErrorMessage) &&
           library.find("PQerrorMessage", f.PQerrorMessage) &&
           library.find("PQprepare", f.PQprepare) && library.find("PQclear", f.PQclear) &&
           library.find("PQexecPrepared", f.PQexecPrepared);
}

constexpr const char* kInsertName = "tusko_insert";

PGconn* libpqConnection(const QSqlDatabase& db) {
    const QVariant handle = db.driver() != nullptr ? db.driver()->handle() : QVariant();
    // QtSql names libpq's connection by its struct's name.
    if (!handle.isValid() || (qstrcmp(handle.typeName(), "pg_conn*") != 0 &&
                              qstrcmp(handle.typeName(), "PGconn*") != 0)) {
        return nullptr;
    }
    return *static_cast<PGconn* const*>(handle.constData());
}

// What a result of libpq came to: nothing wrong when it has the status expected.
Fault resultFault(const LibpqFunctions& libpq, PGconn* connection, const PGresult* result,
                  ExecStatusType expected) {
    if (result != nullptr && libpq.PQresultStatus(result) == expected) {
        return {};
    }
    const char* state =
        result != nullptr ? libpq.PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    const char* message = result != nullptr ? libpq.PQresultErrorMessage(result) : "";
    if (message == nullptr || *message == '\0') {
        message = libpq.PQerrorMessage(connection);
    }
    return serverFault(state != nullptr ? state : "", message);
}

}  // namespace

void ConnectionBreaker::opened(int socket) {
    const std::lock_guard<std::mutex> lock(mutex_);
    socket_ = socket;
    if (broken_ && socket_ >= 0) {
        ::shutdown(socket_, SHUT_RDWR);
    }
}

void ConnectionBreaker::closing() {
    const std::lock_guard<std::mutex> lock(mutex_);
    socket_ = -1;
}

void ConnectionBreaker::breakOff() {
    const std::lock_guard<std::mutex> lock(mutex_);
    broken_ = true;
    if (socket_ >= 0) {
        ::shutdown(socket_, SHUT_RDWR);
    }
}

PostgresDialect::PostgresDialect(QString settingsFile, Role role,
                                 std::shared_ptr<ConnectionBreaker> breaker)
    : settingsFile_(std::move(settingsFile)),
      role_(role),
      breaker_(std::move(breaker)),
      libpq_(std::make_unique<platform::LibraryFunctions<LibpqFunctions>>("pq", kLibpqMajorVersion,
                                                                          &bindLibpq)) {}

PostgresDialect::~PostgresDialect() = default;

Fault PostgresDialect::open(QSqlDatabase& db) {
    const Checked<ServerLogin> login = readServerLogin(settingsFile_, passwords_);
    if (!login.value) {
        return {StoreProblem::Other, login.problem};
    }
    pq_ = libpq_->get();
    if (pq_ == nullptr) {
        return serverFault({}, libpq_->problem());
    }
    if (!connectToServer(db, *login.value,
                         role_ == Role::Sending ? kSendingTimeouts : kReadingTimeouts)) {
        return serverFault({}, db.lastError().databaseText().toStdString());
    }
    site_ = login.value->settings.site;
    if (PGconn* connection = libpqConnection(db); breaker_ && connection != nullptr) {
        breaker_->opened(pq_->PQsocket(connection));
    }

    QSqlQuery query(db);
    if (!query.exec(QString::fromStdString("SELECT * FROM " + quoted(kTable) + " WHERE false"))) {
        return fault(db, query.lastError());
    }
    const QSqlRecord record = query.record();
    QStringList columns;
    for (int i = 0; i < record.count(); ++i) {
        columns << record.fieldName(i);
    }
    std::vector<std::string> needed(kFieldNames.begin(), kFieldNames.end());
    needed.emplace_back(kKeyField);
    for (const std::string& field : needed) {
        if (!columns.contains(QString::fromStdString(field))) {
            return {StoreProblem::WrongLayout,
                    std::string("table ") + kTable + " has no column " + field};
        }
    }
    const bool hasSiteColumn = columns.contains(QString::fromUtf8(kSiteField));
    statements_.emplace(hasSiteColumn, site_);
    if (role_ == Role::Sending && !keyChecked_) {
        checkUniqueKey(db, hasSiteColumn);
    }
    return {};
}

void PostgresDialect::checkUniqueKey(QSqlDatabase& db, bool hasSiteColumn) {
    // The columns of each unique index, and whether it takes nulls as equal (PostgreSQL 15 and
    // later; null before).
    QSqlQuery query(db);
    const std::string sql =
        "SELECT to_jsonb(i) ->> 'indnullsnotdistinct', array_to_string(ARRAY(SELECT "
        "a.attname::text "
        "FROM pg_attribute a WHERE a.attrelid = i.indrelid AND a.attnum = ANY(i.indkey)), ',') "
        "FROM pg_index i WHERE i.indisunique AND i.indrelid = '" +
        quoted(kTable) + "'::regclass";
    if (!query.exec(QString::fromStdString(sql))) {
        return;  // asked again with the next connection
    }
    QStringList wanted = {QString::fromStdString(kFieldNames[0]),
                          QString::fromStdString(kFieldNames[1])};
    if (hasSiteColumn) {
        wanted << QString::fromUtf8(kSiteField);
    }
    wanted.sort();
    bool keyed = false;
    while (query.next()) {
        QStringList columns = query.value(1).toString().split(QLatin1Char(','));
        columns.sort();
        const bool nullsEqual = query.value(0).toString() == QLatin1String("true");
        keyed = keyed || (columns == wanted && (nullsEqual || !hasSiteColumn || !site_.empty()));
    }
    keyChecked_ = true;
    keyed_ = keyed;
    if (!keyed) {
        qWarning().noquote() << "records server: table" << kTable
                             << "has no unique key (站点, 仪表编号, 日期) for these records; a "
                                "record sent again after the program was stopped short may be "
                                "stored twice";
    }
}

void PostgresDialect::closing() {
    preparedOn_ = nullptr;
    if (breaker_) {
        breaker_->closing();
    }
}

std::optional<Fault> PostgresDialect::appendDirectly(QSqlDatabase& db,
                                                     const MeasurementRecord& record,
                                                     const std::string& site) {
    PGconn* connection = libpqConnection(db);
    if (connection == nullptr || pq_ == nullptr) {
        return std::nullopt;
    }
    const bool withSite = statements_->siteColumn();
    const int count = withSite ? 11 : 10;
    if (preparedOn_ != connection) {
        // libpq numbers its marks: the first "?" is $1.
        std::string sql;
        int mark = 0;
        for (const char c : statements_->insert()) {
            sql += c == '?' ? "$" + std::to_string(++mark) : std::string(1, c);
        }
        PGresult* prepared = pq_->PQprepare(connection, kInsertName, sql.c_str(), count, nullptr);
        const Fault fault = resultFault(*pq_, connection, prepared, PGRES_COMMAND_OK);
        pq_->PQclear(prepared);
        if (!fault.ok()) {
            return fault;
        }
        preparedOn_ = connection;
    }
    const std::string station = std::to_string(record.station);
    const std::array<const char*, 11> values = {station.c_str(),
                                                record.date.c_str(),
                                                record.diameter.c_str(),
                                                record.flow.c_str(),
                                                record.percent.c_str(),
                                                record.rangeRatio.c_str(),
                                                record.velocity.c_str(),
                                                record.forwardTotal.c_str(),
                                                record.reverseTotal.c_str(),
                                                record.alarm.c_str(),
                                                site.empty() ? nullptr : site.c_str()};
    PGresult* result =
        pq_->PQexecPrepared(connection, kInsertName, count, values.data(), nullptr, nullptr, 0);
    const Fault fault = resultFault(*pq_, connection, result, PGRES_TUPLES_OK);
    pq_->PQclear(result);
    return fault;
}

Fault PostgresDialect::fault(QSqlDatabase& /*db*/, const QSqlError& error) const {
    const QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    return serverFault(error.nativeErrorCode().toStdString(), text.toStdString());
}

}  // namespace records::sql
