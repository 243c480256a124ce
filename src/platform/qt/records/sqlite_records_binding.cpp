#include "platform/qt/records/sqlite_records_binding.h"

#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QUrl>
#include <algorithm>
#include <atomic>
#include <limits>
#include <type_traits>

namespace platform::qt {

namespace {

QString nextConnectionName() {
    static std::atomic<unsigned> counter{0};
    return QStringLiteral("tusko_records_%1").arg(++counter);
}

QString quoted(const QString& identifier) {
    QString escaped = identifier;
    escaped.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

// A column read back as the UTF-8 bytes of its text form. SQLite does the conversion for every
// kind of value (a number another tool stored shows as SQLite writes it), and no text is
// converted to UTF-16 and back on the way.
QString asText(const QString& column) {
    return QStringLiteral("CAST(%1 AS BLOB)").arg(quoted(column));
}

std::string toText(const QVariant& value) {
    if (value.typeId() != QMetaType::QByteArray) {
        return value.isNull() ? std::string() : value.toString().toStdString();
    }
    const auto* bytes = static_cast<const QByteArray*>(value.constData());
    return std::string(bytes->constData(), static_cast<std::size_t>(bytes->size()));
}

}  // namespace

SqliteRecordsBinding::SqliteRecordsBinding() : connectionName_(nextConnectionName()) {
    QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName_);
}

SqliteRecordsBinding::~SqliteRecordsBinding() {
    closeConnection();
    QSqlDatabase::removeDatabase(connectionName_);
}

bool SqliteRecordsBinding::setDatabaseName(const std::string& fileName) {
    closeConnection();
    fileName_ = QString::fromStdString(fileName);
    return openConnection();
}

bool SqliteRecordsBinding::setRecordSource(const std::string& table) {
    table_ = QString::fromStdString(table);
    columns_.clear();
    recordSet_.forget();
    return ready();
}

bool SqliteRecordsBinding::refresh() {
    recordSet_.forget();
    columns_.clear();
    if (fileReplaced()) {
        closeConnection();
    }
    if (!ready()) {
        return false;
    }
    std::optional<QSqlQuery> query = run(
        QStringLiteral("SELECT rowid FROM %1 ORDER BY rowid DESC LIMIT 1").arg(quotedTable()), {});
    if (!query) {
        return false;
    }
    if (query->next()) {
        recordSet_.refreshed(query->value(0).toLongLong());
    }
    return true;
}

std::optional<bool> SqliteRecordsBinding::beforeFirst() {
    if (!ready()) {
        return std::nullopt;
    }
    return recordSet_.beforeFirst();
}

bool SqliteRecordsBinding::moveLast() {
    if (!ready()) {
        return false;
    }
    return recordSet_.moveLast([this](std::int64_t bound, std::optional<std::int64_t>& found) {
        return findLastRowidUpTo(bound, found);
    });
}

bool SqliteRecordsBinding::addNew() {
    if (reopenWanted_ || fileReplaced()) {
        closeConnection();
    }
    if (!ready()) {
        return false;
    }
    recordSet_.beginRow();
    return true;
}

bool SqliteRecordsBinding::setField(const std::string& name, const FieldValue& value) {
    return recordSet_.setField(columns_, name, value);
}

bool SqliteRecordsBinding::update() {
    if (!recordSet_.adding()) {
        return false;
    }
    const RecordSetState::Row newRow = recordSet_.takeRow();
    if (!ready()) {
        return false;
    }
    QString sql;
    QVariantList values;
    if (newRow.empty()) {
        sql = QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(quotedTable());
    } else {
        QStringList names;
        QStringList marks;
        for (const auto& [column, value] : newRow) {
            names << quoted(column);
            marks << QStringLiteral("?");
            values << value;
        }
        sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                  .arg(quotedTable(), names.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
    }
    // A single statement outside a transaction is committed as one transaction of its own.
    std::optional<QSqlQuery> query = run(sql, values);
    if (!query) {
        reopenWanted_ = true;
        return false;
    }
    recordSet_.appended(query->lastInsertId().toLongLong());
    return true;
}

std::optional<std::vector<std::vector<std::string>>> SqliteRecordsBinding::newestRows(
    const std::vector<std::string>& fields, std::size_t limit) {
    if (!ready()) {
        return std::nullopt;
    }
    QStringList names;
    for (const std::string& field : fields) {
        const QString column = QString::fromStdString(field);
        if (!hasColumn(column)) {
            return std::nullopt;
        }
        names << asText(column);
    }
    std::vector<std::vector<std::string>> rows;
    const std::optional<std::int64_t> newest = recordSet_.newestMember();
    if (!newest || limit == 0 || fields.empty()) {
        return rows;
    }
    // Walks the rowid index backwards from the newest member; never touches older rows.
    std::optional<QSqlQuery> query =
        run(QStringLiteral("SELECT %1 FROM %2 WHERE rowid <= ? ORDER BY rowid DESC LIMIT ?")
                .arg(names.join(QLatin1Char(',')), quotedTable()),
            {QVariant::fromValue<qlonglong>(*newest),
             QVariant::fromValue<qlonglong>(static_cast<qlonglong>(std::min<std::size_t>(
                 limit, static_cast<std::size_t>(std::numeric_limits<qlonglong>::max()))))});
    if (!query) {
        return std::nullopt;
    }
    rows.reserve(std::min<std::size_t>(limit, 1024));
    while (query->next()) {
        std::vector<std::string>& row = rows.emplace_back();
        row.reserve(fields.size());
        for (int i = 0; i < static_cast<int>(fields.size()); ++i) {
            row.push_back(toText(query->value(i)));
        }
    }
    std::reverse(rows.begin(), rows.end());
    return rows;
}

bool SqliteRecordsBinding::deleteAll() {
    if (!ready()) {
        return false;
    }
    QSqlDatabase db = QSqlDatabase::database(connectionName_, false);
    if (!db.transaction()) {
        return false;
    }
    if (!run(QStringLiteral("DELETE FROM %1").arg(quotedTable()), {}) || !db.commit()) {
        db.rollback();
        return false;
    }
    recordSet_.forget();
    return true;
}

bool SqliteRecordsBinding::ready() {
    if (table_.isEmpty() || !openConnection()) {
        return false;
    }
    if (columns_.isEmpty()) {
        std::optional<QSqlQuery> query =
            run(QStringLiteral("PRAGMA table_info(%1)").arg(quotedTable()), {});
        while (query && query->next()) {
            columns_ << query->value(1).toString();
        }
    }
    return !columns_.isEmpty();
}

bool SqliteRecordsBinding::openConnection() {
    QSqlDatabase db = QSqlDatabase::database(connectionName_, false);
    if (db.isOpen()) {
        return true;
    }
    if (fileName_.isEmpty() || !db.isValid()) {
        return false;
    }
    // Taken before the open: a file swapped in meanwhile shows as a change and is opened next time.
    openedIdentity_ = records::sql::fileIdentity(fileName_);
    // mode=rw opens an existing file only: a missing store stays missing.
    const QUrl url = QUrl::fromLocalFile(QFileInfo(fileName_).absoluteFilePath());
    db.setDatabaseName(url.toString(QUrl::FullyEncoded) + QStringLiteral("?mode=rw"));
    db.setConnectOptions(
        QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
    return db.open();
}

void SqliteRecordsBinding::closeConnection() {
    QSqlDatabase db = QSqlDatabase::database(connectionName_, false);
    if (db.isOpen()) {
        db.close();
    }
    reopenWanted_ = false;
    columns_.clear();
    recordSet_.forget();
}

bool SqliteRecordsBinding::fileReplaced() const {
    return records::sql::fileIdentity(fileName_) != openedIdentity_;
}

bool SqliteRecordsBinding::forEachRow(const RowFilter& filter,
                                      const std::vector<std::string>& fields, const RowSink& sink) {
    if (!ready()) {
        return false;
    }
    QStringList names = {QStringLiteral("rowid")};
    for (const std::string& field : fields) {
        const QString column = QString::fromStdString(field);
        if (!hasColumn(column)) {
            return false;
        }
        names << asText(column);
    }
    QStringList conditions = {QStringLiteral("rowid > ?")};
    QVariantList values = {QVariant::fromValue<qlonglong>(filter.afterKey)};
    if (filter.station) {
        conditions << quoted(QStringLiteral("仪表编号")) + QStringLiteral(" = ?");
        values << QVariant::fromValue<qlonglong>(*filter.station);
    }
    const QString day = QStringLiteral("substr(%1, 1, 10)").arg(quoted(QStringLiteral("日期")));
    if (filter.fromDate) {
        conditions << day + QStringLiteral(" >= ?");
        values << QString::fromStdString(*filter.fromDate);
    }
    if (filter.toDate) {
        conditions << day + QStringLiteral(" <= ?");
        values << QString::fromStdString(*filter.toDate);
    }
    std::optional<QSqlQuery> query = run(QStringLiteral("SELECT %1 FROM %2 WHERE %3 ORDER BY rowid")
                                             .arg(names.join(QLatin1Char(',')), quotedTable(),
                                                  conditions.join(QStringLiteral(" AND "))),
                                         values);
    if (!query) {
        return false;
    }
    std::vector<std::string> texts(fields.size());
    while (query->next()) {
        for (std::size_t i = 0; i < fields.size(); ++i) {
            texts[i] = toText(query->value(static_cast<int>(i) + 1));
        }
        if (!sink(query->value(0).toLongLong(), texts)) {
            break;
        }
    }
    return true;
}

std::optional<QSqlQuery> SqliteRecordsBinding::run(const QString& sql, const QVariantList& values) {
    QSqlQuery query(QSqlDatabase::database(connectionName_, false));
    query.setForwardOnly(true);
    if (!query.prepare(sql)) {
        return std::nullopt;
    }
    for (const QVariant& value : values) {
        query.addBindValue(value);
    }
    if (!query.exec()) {
        return std::nullopt;
    }
    return query;
}

bool SqliteRecordsBinding::findLastRowidUpTo(std::int64_t bound,
                                             std::optional<std::int64_t>& found) {
    std::optional<QSqlQuery> query =
        run(QStringLiteral("SELECT rowid FROM %1 WHERE rowid <= ? ORDER BY rowid DESC LIMIT 1")
                .arg(quotedTable()),
            {QVariant::fromValue<qlonglong>(bound)});
    if (!query) {
        return false;
    }
    found.reset();
    if (query->next()) {
        found = query->value(0).toLongLong();
    }
    return true;
}

QString SqliteRecordsBinding::quotedTable() const {
    return quoted(table_);
}

}  // namespace platform::qt
