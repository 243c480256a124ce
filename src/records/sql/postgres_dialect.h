#pragma once

#include <QString>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "records/sql/dialect.h"
#include "records/sql/qt_protected_file_reader.h"
#include "records/sql/server_connection.h"

namespace platform {
template <typename Table>
class LibraryFunctions;
}  // namespace platform

namespace records::sql {

struct LibpqFunctions;

// Ends the wait of a connection whose server does not answer: shuts its socket down from another
// thread, so that the statement waiting on it fails at once. Once broken off, every connection
// made later is shut down as soon as it is made.
class ConnectionBreaker {
  public:
    void opened(int socket);
    void closing();
    void breakOff();

  private:
    std::mutex mutex_;
    int socket_ = -1;
    bool broken_ = false;
};

// The records table "数据监测" on the PostgreSQL server that a settings file ("records.conf")
// names, read again with its password file at every connection.
//
// The table needs the ten fields and the key "序号", numbered by the server as records arrive,
// which gives the records their order. When it has the column "站点" every record carries its
// site there, and when the settings name a site the store's records are that site's, so that
// several buses share one table and each lists and clears its own.
class PostgresDialect final : public Dialect {
  public:
    enum class Role { Reading, Sending };

    // `breaker`, when given, learns the socket of every connection made.
    PostgresDialect(QString settingsFile, Role role,
                    std::shared_ptr<ConnectionBreaker> breaker = nullptr);
    ~PostgresDialect() override;
    PostgresDialect(const PostgresDialect&) = delete;
    PostgresDialect& operator=(const PostgresDialect&) = delete;

    [[nodiscard]] QString driver() const override { return QStringLiteral("QPSQL"); }
    [[nodiscard]] Fault open(QSqlDatabase& db) override;
    void closing() override;
    [[nodiscard]] const Statements& statements() const override { return *statements_; }
    [[nodiscard]] Fault fault(QSqlDatabase& db, const QSqlError& error) const override;
    [[nodiscard]] std::string site() const override { return site_; }
    // Through libpq on QtSql's connection: one statement prepared per connection, then one round
    // trip per record, its values sent apart from the statement.
    [[nodiscard]] std::optional<Fault> appendDirectly(QSqlDatabase& db,
                                                      const MeasurementRecord& record,
                                                      const std::string& site) override;
    // Whether the table has the unique key that stores a record sent twice once (known once a
    // sending connection has been made).
    [[nodiscard]] bool keyed() const { return keyed_; }
    [[nodiscard]] std::int64_t walkBatch() const override { return 5000; }

  private:
    // Whether the table has the unique key ("站点", "仪表编号", "日期") that keeps a record sent
    // twice from being stored twice; said once on standard error when it has not.
    void checkUniqueKey(QSqlDatabase& db, bool hasSiteColumn);

    QString settingsFile_;
    Role role_;
    std::shared_ptr<ConnectionBreaker> breaker_;
    // libpq, loaded by the first connection; where it cannot be, no connection is made.
    std::unique_ptr<platform::LibraryFunctions<LibpqFunctions>> libpq_;
    const LibpqFunctions* pq_ = nullptr;
    QtProtectedFileReader passwords_;
    std::string site_;
    std::optional<PostgresStatements> statements_;
    bool keyChecked_ = false;
    bool keyed_ = false;
    const void* preparedOn_ = nullptr;  // the libpq connection the insert is prepared on
};

}  // namespace records::sql
