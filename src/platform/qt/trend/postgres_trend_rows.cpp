#include "platform/qt/trend/postgres_trend_rows.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <atomic>
#include <utility>

#include "records/records_store.h"
#include "records/sql/server_connection.h"
#include "records/sql/statements.h"

namespace platform::qt {

namespace {

QString nextConnectionName() {
    static std::atomic<unsigned> counter{0};
    return QStringLiteral("tusko_trend_server_%1").arg(++counter);
}

const std::string& table() {
    static const std::string quoted = records::sql::quoted(records::kTable);
    return quoted;
}

std::string column(const std::string& name) {
    return records::sql::quoted(name);
}

QVariant number(std::int64_t value) {
    return QVariant::fromValue<qlonglong>(value);
}

}  // namespace

PostgresTrendRows::PostgresTrendRows(QString settingsFile)
    : connectionName_(nextConnectionName()), settingsFile_(std::move(settingsFile)) {
    QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connectionName_);
}

PostgresTrendRows::~PostgresTrendRows() {
    close();
    QSqlDatabase::removeDatabase(connectionName_);
}

bool PostgresTrendRows::ready() {
    QSqlDatabase db = QSqlDatabase::database(connectionName_, false);
    if (db.isOpen()) {
        return true;
    }
    const auto opened =
        records::sql::openOnServer(db, settingsFile_, passwords_, records::sql::kReadingTimeouts);
    if (!opened.value) {
        return false;
    }
    site_.clear();
    QSqlQuery columns(db);
    if (!columns.exec(QString::fromStdString("SELECT * FROM " + table() + " WHERE false"))) {
        close();
        return false;
    }
    const QSqlRecord record = columns.record();
    if (!record.contains(QString::fromUtf8(records::kKeyField))) {
        close();
        return false;
    }
    if (record.contains(QString::fromUtf8(records::kSiteField))) {
        site_ = opened.value->site;
    }
    return true;
}

void PostgresTrendRows::close() {
    QSqlDatabase db = QSqlDatabase::database(connectionName_, false);
    if (db.isOpen()) {
        db.close();
    }
}

std::string PostgresTrendRows::where(const std::string& condition) const {
    std::string text = " WHERE ";
    if (!site_.empty()) {
        text += column(records::kSiteField) + " = ?";
        if (!condition.empty()) {
            text += " AND ";
        }
    }
    return condition.empty() && site_.empty() ? std::string() : text + condition;
}

QVariantList PostgresTrendRows::scoped(QVariantList values) const {
    if (!site_.empty()) {
        values.prepend(QString::fromStdString(site_));
    }
    return values;
}

std::optional<QSqlQuery> PostgresTrendRows::run(const std::string& sql,
                                                const QVariantList& values) {
    {
        QSqlQuery query(QSqlDatabase::database(connectionName_, false));
        query.setForwardOnly(true);
        if (query.prepare(QString::fromStdString(sql))) {
            for (const QVariant& value : values) {
                query.addBindValue(value);
            }
            if (query.exec()) {
                return query;
            }
        }
    }
    // Only once the query is gone, which still needs the connection to clean up.
    close();
    return std::nullopt;
}

std::optional<trend::KeyBounds> PostgresTrendRows::bounds() {
    if (!ready()) {
        return std::nullopt;
    }
    const std::string key = column(records::kKeyField);
    std::optional<QSqlQuery> query =
        run("SELECT min(" + key + "), max(" + key + ") FROM " + table() + where(""), scoped({}));
    if (!query || !query->next()) {
        return std::nullopt;
    }
    if (query->isNull(0)) {
        return trend::KeyBounds{};
    }
    return trend::KeyBounds{query->value(0).toLongLong(), query->value(1).toLongLong()};
}

std::optional<std::size_t> PostgresTrendRows::read(const trend::RowRange& range,
                                                   const trend::RowSink& sink) {
    if (!ready()) {
        return std::nullopt;
    }
    const std::string key = column(records::kKeyField);
    std::string condition = key + " > ? AND " + key + " <= ?";
    QVariantList values = scoped({number(range.after), number(range.upTo)});
    if (range.station) {
        condition += " AND " + column(records::kFieldNames[0]) + " = ?";
        values << number(*range.station);
    }
    values << number(static_cast<std::int64_t>(range.limit));
    std::optional<QSqlQuery> query =
        run("SELECT " + key + ", " + column(records::kFieldNames[0]) + ", " +
                column(records::kFieldNames[1]) + "::text, " + column(records::kFieldNames[3]) +
                "::text, " + column(records::kFieldNames[7]) + "::text FROM " + table() +
                where(condition) + " ORDER BY " + key + " LIMIT ?",
            values);
    if (!query) {
        return std::nullopt;
    }
    std::size_t count = 0;
    QByteArray texts[3];
    while (query->next()) {
        ++count;
        for (int i = 0; i < 3; ++i) {
            texts[i] = query->value(i + 2).toString().toUtf8();
        }
        const auto view = [](const QByteArray& bytes) {
            return std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        };
        sink({query->value(0).toLongLong(), query->value(1).toLongLong(), view(texts[0]),
              view(texts[1]), view(texts[2])});
    }
    return count;
}

}  // namespace platform::qt
