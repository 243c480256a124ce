#pragma once

#include <QSqlDatabase>
#include <QString>
#include <cstdint>
#include <optional>
#include <string>

#include "records/sql/statements.h"
#include "records/sql/store_fault.h"
#include "records/store.h"

class QSqlError;

namespace records::sql {

// What one pass over rows came to.
struct RowsRead {
    Fault fault;               // set when the statement failed
    std::int64_t rows = 0;     // rows handed to the sink
    std::int64_t lastKey = 0;  // the key of the last of them
    bool stopped = false;      // the sink asked to stop
};

// How a records store reaches one database engine: the connection, the statements, what its
// errors mean, and the engine's quick ways of reading. One object serves one SqlStore.
class Dialect {
  public:
    virtual ~Dialect() = default;

    // The QtSql driver ("QSQLITE", "QPSQL").
    [[nodiscard]] virtual QString driver() const = 0;
    // Points `db`, a new connection of driver() in the calling thread, at the store, opens it and
    // checks the records table. A fault when the store cannot be used.
    [[nodiscard]] virtual Fault open(QSqlDatabase& db) = 0;
    // Called before the connection is closed.
    virtual void closing() {}
    // True when the connection must be made anew before the next operation.
    [[nodiscard]] virtual bool stale() const { return false; }
    // The statements for the open connection.
    [[nodiscard]] virtual const Statements& statements() const = 0;
    // Why a statement on `db` failed.
    [[nodiscard]] virtual Fault fault(QSqlDatabase& db, const QSqlError& error) const = 0;
    // The site every record appended without one carries (empty: none).
    [[nodiscard]] virtual std::string site() const { return {}; }
    // Appends one record through the engine's own interface where it is quicker than QtSql's
    // prepared statement: what came of it. None: the store appends through QtSql.
    [[nodiscard]] virtual std::optional<Fault> appendDirectly(QSqlDatabase& /*db*/,
                                                              const MeasurementRecord& /*record*/,
                                                              const std::string& /*site*/) {
        return std::nullopt;
    }

    // Narrows the key bounds to the records the day bounds can take, found by row order; the day
    // conditions stay. The default leaves the days to the statements.
    [[nodiscard]] virtual Fault narrowByDays(QSqlDatabase& db, Bounds& bounds);
    // Rows per statement of a walk.
    [[nodiscard]] virtual std::int64_t walkBatch() const = 0;
    // Keys counted per statement (0: one statement counts them all), so that no statement holds
    // the store long while a record waits to be appended.
    [[nodiscard]] virtual std::int64_t countSpan() const { return 0; }
    // Runs a statement that selects the key and the ten fields as text, and hands each row to
    // `sink` until it returns false. The default reads through QtSql.
    [[nodiscard]] virtual RowsRead select(QSqlDatabase& db, const Statement& statement,
                                          const RecordSink& sink);
};

}  // namespace records::sql
