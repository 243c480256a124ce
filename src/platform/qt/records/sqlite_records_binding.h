#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "records/sql/file_identity.h"
#include "platform/qt/records/record_set_state.h"
#include "platform/records_binding.h"

class QSqlQuery;

namespace platform::qt {

// The records binding over an SQLite file, through its own QtSql connection.
//
// The record set holds the table's rows in rowid order, which is the order they were appended
// (a new row always gets a rowid above every existing one). Its membership is fixed by refresh:
// rows appended later by another connection join it at the next refresh, rows appended through
// this binding join it at once, and rows deleted by anyone drop out of it.
//
// The file is opened read-write and never created; while it is missing every operation fails and
// the next one tries again. A lock held by another connection is waited on for kBusyTimeoutMs at
// most, so the window's thread is never held up for long.
//
// The connection is opened again when the file under the name is another one than the connection
// holds (a store moved into place, a backup restored, the file deleted): at refresh and at the
// start of a new row. After a row failed to be stored it is opened again at the start of the next
// row, so that a file opened read-only is written once it has become writable.
class SqliteRecordsBinding final : public RecordsBinding {
  public:
    static constexpr int kBusyTimeoutMs = 50;

    SqliteRecordsBinding();
    ~SqliteRecordsBinding() override;
    SqliteRecordsBinding(const SqliteRecordsBinding&) = delete;
    SqliteRecordsBinding& operator=(const SqliteRecordsBinding&) = delete;

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
    [[nodiscard]] bool forEachRow(const RowFilter& filter, const std::vector<std::string>& fields,
                                  const RowSink& sink) override;

  private:
    // Opens the connection and reads the table's columns when that has not been done yet.
    bool ready();
    bool openConnection();
    void closeConnection();
    // True when the name leads to another file than the one the connection was opened on.
    bool fileReplaced() const;
    // Runs one statement; the query is returned positioned before its first result row.
    std::optional<QSqlQuery> run(const QString& sql, const QVariantList& values);
    // Finds the highest rowid at most `bound`; `found` is none when there is no such row. False
    // when the query fails.
    bool findLastRowidUpTo(std::int64_t bound, std::optional<std::int64_t>& found);
    bool hasColumn(const QString& name) const { return columns_.contains(name); }
    QString quotedTable() const;

    const QString connectionName_;
    QString fileName_;
    QString table_;
    std::optional<records::sql::FileIdentity> openedIdentity_;  // of the file the connection was opened on
    bool reopenWanted_ = false;                   // a row failed to be stored on this connection
    QStringList columns_;                         // empty until the table has been found
    RecordSetState recordSet_;                    // keyed by rowid
};

}  // namespace platform::qt
