#pragma once

#include <QString>
#include <optional>

#include "records/sql/dialect.h"
#include "records/sql/file_identity.h"

struct sqlite3;

namespace records::sql {

// The records file: an SQLite database holding the table "数据监测" with the ten fields.
//
// The file is opened read-write and never created here. A store that logs waits for a lock
// kLoggingBusyMs at most, so the thread that polls the meters is never held up for long; it
// refuses a connection that SQLite could only open read-only (it would stay so), and it adds the
// station index when it is missing. A store that reads waits longer, and reads batch by batch so
// that an append waits for one batch at most.
//
// The connection is made anew when the file under the name is another one than it holds (a
// store moved into place, a backup restored, the file deleted).
class SqliteDialect final : public Dialect {
  public:
    enum class Role { Logging, Reading };
    static constexpr int kLoggingBusyMs = 50;
    static constexpr int kReadingBusyMs = 1000;

    SqliteDialect(QString path, Role role);

    [[nodiscard]] QString driver() const override { return QStringLiteral("QSQLITE"); }
    [[nodiscard]] Fault open(QSqlDatabase& db) override;
    [[nodiscard]] bool stale() const override;
    [[nodiscard]] const Statements& statements() const override { return statements_; }
    [[nodiscard]] Fault fault(QSqlDatabase& db, const QSqlError& error) const override;

    // Records are appended in time order, so the first record of a day and the last are found by
    // a binary search over the keys, probing "日期". Records whose day is not readable are
    // stepped over; they pass no day bound anyway.
    [[nodiscard]] Fault narrowByDays(QSqlDatabase& db, Bounds& bounds) override;
    [[nodiscard]] std::int64_t walkBatch() const override { return 4096; }
    [[nodiscard]] std::int64_t countSpan() const override { return 1 << 18; }
    // Straight from SQLite's rows: the texts handed over are SQLite's own column texts.
    [[nodiscard]] RowsRead select(QSqlDatabase& db, const Statement& statement,
                                  const RecordSink& sink) override;

  private:
    // Checks the table's fields; a fault when one is missing.
    Fault checkLayout(QSqlDatabase& db) const;

    QString path_;
    Role role_;
    std::optional<FileIdentity> identity_;  // of the file the connection was opened on
    SqliteStatements statements_;
};

// The SQLite connection under a QtSql connection of the QSQLITE driver; null when there is none.
[[nodiscard]] sqlite3* sqliteHandle(const QSqlDatabase& db);

}  // namespace records::sql
