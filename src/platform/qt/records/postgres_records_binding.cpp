#include "platform/qt/records/postgres_records_binding.h"

#include <QDebug>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <algorithm>
#include <limits>
#include <type_traits>

#include "records/sql/server_connection.h"
#include "records/records_store.h"

namespace platform::qt {

namespace {

QVariant number(std::int64_t value) {
    return QVariant::fromValue<qlonglong>(value);
}

}  // namespace

PostgresRecordsBinding::PostgresRecordsBinding(QString settingsFile)
    : connectionName_(
          QStringLiteral("tusko_records_server_%1").arg(reinterpret_cast<quintptr>(this), 0, 16)),
      settingsFile_(std::move(settingsFile)) {
    QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connectionName_);
}

PostgresRecordsBinding::~PostgresRecordsBinding() {
    closeConnection();
    QSqlDatabase::removeDatabase(connectionName_);
}

bool PostgresRecordsBinding::setDatabaseName(const std::string& /*fileName*/) {
    recordSet_.forget();
    return connect();
}

bool PostgresRecordsBinding::setRecordSource(const std::string& table) {
    table_ = table;
    columns_.clear();
    recordSet_.forget();
    return ready();
}

bool PostgresRecordsBinding::refresh() {
    recordSet_.forget();
    columns_.clear();
    std::optional<std::int64_t> newest;
    if (!ready() || !findLastKey(std::nullopt, newest)) {
        return false;
    }
    recordSet_.refreshed(newest);
    return true;
}

std::optional<bool> PostgresRecordsBinding::beforeFirst() {
    if (!ready()) {
        return std::nullopt;
    }
    return recordSet_.beforeFirst();
}

bool PostgresRecordsBinding::moveLast() {
    if (!ready()) {
        return false;
    }
    return recordSet_.moveLast([this](std::int64_t bound, std::optional<std::int64_t>& found) {
        return findLastKey(bound, found);
    });
}

bool PostgresRecordsBinding::addNew() {
    recordSet_.dropRow();
    if (!ensureConnected() || !ready()) {
        return false;
    }
    recordSet_.beginRow();
    return !siteScoped() || recordSet_.setField(columns_, records::kSiteField, site_);
}

bool PostgresRecordsBinding::setField(const std::string& name, const FieldValue& value) {
    return recordSet_.setField(columns_, name, value);
}

bool PostgresRecordsBinding::update() {
    if (!recordSet_.adding()) {
        return false;
    }
    std::vector<std::string> names;
    QVariantList values;
    for (const auto& [column, value] : recordSet_.takeRow()) {
        names.push_back(column.toStdString());
        values << value;
    }
    if (!ready()) {
        return false;
    }
    // A single statement outside a transaction is committed as one transaction of its own.
    std::optional<QSqlQuery> query = run(statements().insert(names), values);
    if (!query || !query->next()) {
        return false;
    }
    recordSet_.appended(query->value(0).toLongLong());
    return true;
}

std::optional<std::vector<std::vector<std::string>>> PostgresRecordsBinding::newestRows(
    const std::vector<std::string>& fields, std::size_t limit) {
    if (!ensureConnected() || !ready()) {
        return std::nullopt;
    }
    if (!hasColumns(fields)) {
        return std::nullopt;
    }
    std::vector<std::vector<std::string>> rows;
    const std::optional<std::int64_t> newest = recordSet_.newestMember();
    if (!newest || limit == 0 || fields.empty()) {
        return rows;
    }
    const auto most = static_cast<std::size_t>(std::numeric_limits<qlonglong>::max());
    std::optional<QSqlQuery> query =
        run(statements().newestRows(fields),
            scoped({number(*newest), number(static_cast<std::int64_t>(std::min(limit, most)))}));
    if (!query) {
        return std::nullopt;
    }
    rows.reserve(std::min<std::size_t>(limit, 1024));
    while (query->next()) {
        std::vector<std::string>& row = rows.emplace_back();
        row.reserve(fields.size());
        for (int i = 0; i < static_cast<int>(fields.size()); ++i) {
            row.push_back(query->value(i).toString().toStdString());
        }
    }
    std::reverse(rows.begin(), rows.end());
    return rows;
}

bool PostgresRecordsBinding::deleteAll() {
    if (!ensureConnected() || !ready() || !run(statements().deleteAll(), scoped({}))) {
        return false;
    }
    recordSet_.forget();
    return true;
}

bool PostgresRecordsBinding::forEachRow(const RowFilter& filter,
                                        const std::vector<std::string>& fields,
                                        const RowSink& sink) {
    if (!ensureConnected() || !ready() || !hasColumns(fields)) {
        return false;
    }
    const std::string sql = statements().walk(fields, filter);
    std::int64_t after = filter.afterKey;
    std::vector<std::string> texts(fields.size());
    for (;;) {
        QVariantList values = scoped({number(after)});
        if (filter.station) {
            values << number(*filter.station);
        }
        for (const std::optional<std::string>& day : {filter.fromDate, filter.toDate}) {
            if (day) {
                values << QString::fromStdString(*day);
            }
        }
        values << number(kWalkBatchRows);
        std::optional<QSqlQuery> query = run(sql, values);
        if (!query) {
            return false;
        }
        int rows = 0;
        while (query->next()) {
            ++rows;
            after = query->value(0).toLongLong();
            for (std::size_t i = 0; i < fields.size(); ++i) {
                texts[i] = query->value(static_cast<int>(i) + 1).toString().toStdString();
            }
            if (!sink(after, texts)) {
                return true;
            }
        }
        if (rows < kWalkBatchRows) {
            return true;
        }
    }
}

bool PostgresRecordsBinding::connect() {
    closeConnection();
    QSqlDatabase db = QSqlDatabase::database(connectionName_, false);
    const records::Checked<records::ServerSettings> opened =
        records::sql::openOnServer(db, settingsFile_, passwords_);
    if (!opened.value) {
        report(opened.problem);
        return false;
    }
    site_ = opened.value->site;
    return true;
}

bool PostgresRecordsBinding::ensureConnected() {
    if (QSqlDatabase::database(connectionName_, false).isOpen() && run("SELECT 1", {})) {
        return true;
    }
    return connect();
}

void PostgresRecordsBinding::closeConnection() {
    QSqlDatabase db = QSqlDatabase::database(connectionName_, false);
    if (db.isOpen()) {
        db.close();
    }
    // Keys stay valid across connections, so the record set is kept; the table may have changed.
    columns_.clear();
}

bool PostgresRecordsBinding::ready() {
    if (table_.empty() || !QSqlDatabase::database(connectionName_, false).isOpen()) {
        return false;
    }
    if (columns_.isEmpty()) {
        const std::optional<QSqlQuery> query = run(statements().columns(), {});
        if (!query) {
            return false;
        }
        const QSqlRecord record = query->record();
        QStringList columns;
        for (int i = 0; i < record.count(); ++i) {
            columns << record.fieldName(i);
        }
        if (!columns.contains(QString::fromUtf8(records::kKeyField))) {
            report("table " + table_ + " has no column " + records::kKeyField);
            return false;
        }
        columns_ = columns;
        reported_.clear();
    }
    return true;
}

bool PostgresRecordsBinding::hasColumns(const std::vector<std::string>& fields) const {
    return std::all_of(fields.begin(), fields.end(), [this](const std::string& field) {
        return columns_.contains(QString::fromStdString(field));
    });
}

bool PostgresRecordsBinding::siteScoped() const {
    return !site_.empty() && columns_.contains(QString::fromUtf8(records::kSiteField));
}

records::ServerStatements PostgresRecordsBinding::statements() const {
    return records::ServerStatements(table_, siteScoped());
}

QVariantList PostgresRecordsBinding::scoped(QVariantList values) const {
    if (siteScoped()) {
        values.prepend(QString::fromStdString(site_));
    }
    return values;
}

std::optional<QSqlQuery> PostgresRecordsBinding::run(const std::string& sql,
                                                     const QVariantList& values) {
    {
        QSqlQuery query(QSqlDatabase::database(connectionName_, false));
        query.setForwardOnly(true);
        const QString statement = QString::fromStdString(sql);
        bool done = false;
        if (values.isEmpty()) {
            done = query.exec(statement);
        } else if (query.prepare(statement)) {
            for (const QVariant& value : values) {
                query.addBindValue(value);
            }
            done = query.exec();
        }
        if (done) {
            return query;
        }
        report(query.lastError().text().trimmed().toStdString());
    }
    // Only once the query is gone, which still needs the connection to clean up.
    closeConnection();
    return std::nullopt;
}

bool PostgresRecordsBinding::findLastKey(std::optional<std::int64_t> bound,
                                         std::optional<std::int64_t>& found) {
    const records::ServerStatements sql = statements();
    std::optional<QSqlQuery> query =
        bound ? run(sql.lastKeyUpTo(), scoped({number(*bound)})) : run(sql.lastKey(), scoped({}));
    if (!query) {
        return false;
    }
    found.reset();
    if (query->next()) {
        found = query->value(0).toLongLong();
    }
    return true;
}

void PostgresRecordsBinding::report(const std::string& problem) {
    if (problem != reported_) {
        qWarning().noquote() << "records server:" << QString::fromStdString(problem);
        reported_ = problem;
    }
}

}  // namespace platform::qt
