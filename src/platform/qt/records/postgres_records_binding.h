#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "records/sql/qt_protected_file_reader.h"
#include "platform/qt/records/record_set_state.h"
#include "platform/records_binding.h"
#include "records/server_statements.h"

class QSqlQuery;

namespace platform::qt {

// The records binding over a table on a PostgreSQL server, through its own QtSql connection.
//
// The server comes from a settings file ("records.conf", see records::parseServerSettings),
// read again with its password file at every connection attempt; the store's file name given to
// setDatabaseName has no meaning here. The program never creates the table.
//
// The table needs the key column "序号", numbered by the server as rows are appended, which gives
// the record set its order. When the table has the column "站点" and the settings name a site,
// every row appended carries that site and the record set holds that site's rows only, so that
// several buses share one table and each lists and clears its own. Membership is fixed by
// refresh, as with the file.
//
// A failed statement closes the connection. A connection attempt is made by setDatabaseName and,
// when there is no working connection (a quick round trip tells), at the start of a new row, a
// read of the newest rows, a delete and a walk; so an append makes at most one. No attempt or
// statement waits longer than the timeouts in server_connection.h.
class PostgresRecordsBinding final : public RecordsBinding {
  public:
    // A walk reads this many rows per statement, so that no statement runs long.
    static constexpr int kWalkBatchRows = 5000;

    explicit PostgresRecordsBinding(QString settingsFile);
    ~PostgresRecordsBinding() override;
    PostgresRecordsBinding(const PostgresRecordsBinding&) = delete;
    PostgresRecordsBinding& operator=(const PostgresRecordsBinding&) = delete;

    [[nodiscard]] bool setDatabaseName(const std::string& fileName) override;
    [[nodiscard]] bool setRecordSource(const std::string& table) override;
    [[nodiscard]] bool refresh() override;

    [[nodiscard]] std::optional<bool> beforeFirst() override;
    [[nodiscard]] bool moveLast() override;

    [[nodiscard]] bool addNew() override;
    [[nodiscard]] bool setField(const std::string& name, const FieldValue& value) override;
    [[nodiscard]] bool update() override;

    [[nodiscard]] std::optional<std::vector<std::vector<std::string>>> newestRows(
        const std::vector<std::string>& fields, std::size_t limit) override;
    [[nodiscard]] bool deleteAll() override;
    // Walks the whole table (one site's rows when the record set is), in batches.
    [[nodiscard]] bool forEachRow(const RowFilter& filter, const std::vector<std::string>& fields,
                                  const RowSink& sink) override;

  private:
    bool connect();
    // Keeps a connection that answers, else connects again.
    bool ensureConnected();
    void closeConnection();
    // True when connected and the table's columns are known (read now when they are not).
    bool ready();
    bool hasColumns(const std::vector<std::string>& fields) const;
    bool siteScoped() const;
    records::ServerStatements statements() const;
    // The site as the first bound value when the record set is one site's rows.
    QVariantList scoped(QVariantList values) const;
    // Runs one statement; a failure closes the connection.
    std::optional<QSqlQuery> run(const std::string& sql, const QVariantList& values);
    // The newest key at most `bound` (none: no bound) in `found`; false when the query fails.
    bool findLastKey(std::optional<std::int64_t> bound, std::optional<std::int64_t>& found);
    // Says on standard error why the server cannot be used, once for each new reason.
    void report(const std::string& problem);

    const QString connectionName_;
    const QString settingsFile_;
    records::sql::QtProtectedFileReader passwords_;
    std::string table_;
    std::string site_;          // from the settings of the open connection
    QStringList columns_;       // empty until the table has been found
    RecordSetState recordSet_;  // keyed by "序号"
    std::string reported_;
};

}  // namespace platform::qt
