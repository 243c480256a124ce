#include "records/sql/sqlite_dialect.h"

#include <sqlite3.h>
#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QUrl>
#include <algorithm>
#include <cerrno>
#include <limits>
#include <type_traits>
#include <utility>

#include "query_run.h"
#include "records/records_store.h"

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace records::sql {

namespace {

// A statement of the sqlite3 library, finalized with the object.
class Prepared {
  public:
    Prepared(sqlite3* db, const std::string& sql) : db_(db) {
        code_ =
            sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &statement_, nullptr);
    }
    ~Prepared() { sqlite3_finalize(statement_); }
    Prepared(const Prepared&) = delete;
    Prepared& operator=(const Prepared&) = delete;

    [[nodiscard]] bool ok() const { return code_ == SQLITE_OK; }
    sqlite3_stmt* get() const { return statement_; }

    void bind(const std::vector<SqlValue>& values) {
        sqlite3_reset(statement_);
        for (std::size_t i = 0; i < values.size(); ++i) {
            const int mark = static_cast<int>(i) + 1;
            if (const auto* number = std::get_if<std::int64_t>(&values[i])) {
                sqlite3_bind_int64(statement_, mark, *number);
            } else {
                const std::string& text = std::get<std::string>(values[i]);
                sqlite3_bind_text(statement_, mark, text.data(), static_cast<int>(text.size()),
                                  SQLITE_TRANSIENT);
            }
        }
    }

    Fault fault() const {
        return sqliteFault(sqlite3_extended_errcode(db_), sqlite3_system_errno(db_),
                           sqlite3_errmsg(db_));
    }

  private:
    sqlite3* db_;
    sqlite3_stmt* statement_ = nullptr;
    int code_ = SQLITE_ERROR;
};

std::string_view columnText(sqlite3_stmt* statement, int column) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    if (text == nullptr) {
        return {};
    }
    return std::string_view(text,
                            static_cast<std::size_t>(sqlite3_column_bytes(statement, column)));
}

// The first record at or after key `from` and before key `to` whose day is readable: its key
// and day; none when there is no such record.
struct Probe {
    std::int64_t key;
    std::string day;
};

class DayProbe {
  public:
    explicit DayProbe(sqlite3* db)
        : statement_(db, "SELECT rowid, " + quoted(kFieldNames[1]) + " FROM " + quoted(kTable) +
                             " WHERE rowid >= ? AND rowid < ? ORDER BY rowid") {}

    [[nodiscard]] bool ok() const { return statement_.ok(); }
    Fault fault() const { return statement_.fault(); }

    // False when the statement failed.
    bool first(std::int64_t from, std::int64_t to, std::optional<Probe>& found) {
        statement_.bind({from, to});
        found.reset();
        int step = SQLITE_ROW;
        while ((step = sqlite3_step(statement_.get())) == SQLITE_ROW) {
            if (const std::optional<std::string> day =
                    readableDay(columnText(statement_.get(), 1))) {
                found = Probe{sqlite3_column_int64(statement_.get(), 0), *day};
                break;
            }
        }
        return step == SQLITE_ROW || step == SQLITE_DONE;
    }

  private:
    Prepared statement_;
};

// The smallest key in [from, to] from which on the readable days are at least `day` (past
// `day` when `after`); to + 1 when there is none. Holds for records whose readable days do not
// go back in key order.
bool firstKeyFrom(DayProbe& probe, const std::string& day, bool after, std::int64_t from,
                  std::int64_t to, std::int64_t& found) {
    std::int64_t low = from;
    std::int64_t high = to + 1;
    while (low < high) {
        const std::int64_t middle = low + (high - low) / 2;
        std::optional<Probe> probed;
        if (!probe.first(middle, high, probed)) {
            return false;
        }
        if (!probed || (after ? probed->day > day : probed->day >= day)) {
            high = middle;
        } else {
            low = probed->key + 1;
        }
    }
    found = low;
    return true;
}

// Whether this process may write the file, as the system decides it for this process's user.
bool mayWrite(const QString& path) {
#ifdef Q_OS_UNIX
    return faccessat(AT_FDCWD, QFile::encodeName(path).constData(), W_OK, AT_EACCESS) == 0;
#else
    return QFileInfo(path).isWritable();
#endif
}

}  // namespace

sqlite3* sqliteHandle(const QSqlDatabase& db) {
    if (!db.isValid() || db.driver() == nullptr) {
        return nullptr;
    }
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0) {
        return nullptr;
    }
    return *static_cast<sqlite3* const*>(handle.constData());
}

SqliteDialect::SqliteDialect(QString path, Role role)
    : path_(QFileInfo(path).absoluteFilePath()), role_(role) {}

Fault SqliteDialect::open(QSqlDatabase& db) {
    // Taken before the open: a file swapped in meanwhile shows as a change and is opened next time.
    identity_ = fileIdentity(path_);
    // mode=rw opens an existing file only: a missing store stays missing.
    const QUrl url = QUrl::fromLocalFile(path_);
    db.setDatabaseName(url.toString(QUrl::FullyEncoded) + QStringLiteral("?mode=rw"));
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1")
                             .arg(role_ == Role::Logging ? kLoggingBusyMs : kReadingBusyMs));
    if (!db.open()) {
        const QSqlError error = db.lastError();
        return sqliteFault(error.nativeErrorCode().toInt(), identity_ ? 0 : ENOENT,
                           error.databaseText().toStdString());
    }
    sqlite3* handle = sqliteHandle(db);
    // SQLite opens a file it may not write read-only, and such a connection stays read-only.
    if (role_ == Role::Logging && handle != nullptr && sqlite3_db_readonly(handle, "main") == 1) {
        return sqliteFault(SQLITE_READONLY, 0, "attempt to write a readonly database");
    }
    const Fault layout = checkLayout(db);
    if (!layout.ok() || role_ != Role::Logging) {
        return layout;
    }
    QSqlQuery index(db);
    const Statement hasIndex{"SELECT count(*) FROM sqlite_master WHERE type = 'index' AND name = ?",
                             {std::string(kStationIndex)}};
    if (runStatement(index, hasIndex) && index.next() && index.value(0).toInt() == 0) {
        // Whatever keeps the index from being made keeps the next append from being stored too,
        // and is reported then.
        index.finish();
        (void)index.exec(QString::fromStdString(createStationIndexStatement()));
    }
    return {};
}

Fault SqliteDialect::checkLayout(QSqlDatabase& db) const {
    QSqlQuery query(db);
    if (!query.exec(
            QStringLiteral("PRAGMA table_info(%1)").arg(QString::fromStdString(quoted(kTable))))) {
        return fault(db, query.lastError());
    }
    QStringList columns;
    while (query.next()) {
        columns << query.value(1).toString();
    }
    if (query.lastError().isValid()) {
        return fault(db, query.lastError());
    }
    if (columns.isEmpty()) {
        return {StoreProblem::WrongLayout, std::string("no such table: ") + kTable};
    }
    for (const std::string& field : kFieldNames) {
        if (!columns.contains(QString::fromStdString(field))) {
            return {StoreProblem::WrongLayout,
                    std::string("table ") + kTable + " has no column named " + field};
        }
    }
    return {};
}

bool SqliteDialect::stale() const {
    return fileIdentity(path_) != identity_;
}

Fault SqliteDialect::fault(QSqlDatabase& db, const QSqlError& error) const {
    const int code = error.nativeErrorCode().toInt();
    sqlite3* handle = sqliteHandle(db);
    Fault found;
    // The handle's extended code and errno belong to this error when its primary code is the
    // error's; an error QtSql raised itself has none.
    if (handle != nullptr && (sqlite3_extended_errcode(handle) & 0xff) == code && code != 0) {
        found = sqliteFault(sqlite3_extended_errcode(handle), sqlite3_system_errno(handle),
                            error.databaseText().toStdString());
    } else {
        found = sqliteFault(code == 0 ? SQLITE_ERROR : code, 0,
                            error.databaseText().isEmpty() ? error.text().toStdString()
                                                           : error.databaseText().toStdString());
    }
    // SQLite has lost the errno of a write the system refused by the time it reports; a file that
    // may not be written (its mode, an immutable file, a read-only mount) tells why.
    if ((code & 0xff) == SQLITE_IOERR && found.problem == StoreProblem::Other && !mayWrite(path_)) {
        found.problem = StoreProblem::ReadOnly;
    }
    return found;
}

Fault SqliteDialect::narrowByDays(QSqlDatabase& db, Bounds& bounds) {
    if (!bounds.fromDay && !bounds.toDay) {
        return {};
    }
    sqlite3* handle = sqliteHandle(db);
    if (handle == nullptr) {
        return {StoreProblem::Other, "no SQLite connection"};
    }
    // Each in a query of its own, so that SQLite reads it from the end of the table's tree.
    const std::string table = quoted(kTable);
    Prepared ends(handle, "SELECT (SELECT min(rowid) FROM " + table +
                              "), (SELECT max(rowid) FROM " + table + ")");
    if (!ends.ok()) {
        return ends.fault();
    }
    const int step = sqlite3_step(ends.get());
    if (step != SQLITE_ROW) {
        return ends.fault();
    }
    if (sqlite3_column_type(ends.get(), 0) == SQLITE_NULL) {
        return {};  // an empty table: the statements find nothing anyway
    }
    const std::int64_t lowest = sqlite3_column_int64(ends.get(), 0);
    const std::int64_t highest = sqlite3_column_int64(ends.get(), 1);
    const std::int64_t from = std::max(lowest, bounds.afterKey + 1);
    const std::int64_t to =
        std::min(highest, bounds.upToKey.value_or(std::numeric_limits<std::int64_t>::max()));
    if (from > to) {
        return {};
    }
    DayProbe probe(handle);
    if (!probe.ok()) {
        return probe.fault();
    }
    std::int64_t first = from;
    if (bounds.fromDay && !firstKeyFrom(probe, *bounds.fromDay, false, from, to, first)) {
        return probe.fault();
    }
    std::int64_t past = to + 1;
    if (bounds.toDay && !firstKeyFrom(probe, *bounds.toDay, true, first, to, past)) {
        return probe.fault();
    }
    bounds.afterKey = first - 1;
    bounds.upToKey = past - 1;
    return {};
}

RowsRead SqliteDialect::select(QSqlDatabase& db, const Statement& statement,
                               const RecordSink& sink) {
    sqlite3* handle = sqliteHandle(db);
    if (handle == nullptr) {
        return Dialect::select(db, statement, sink);
    }
    RowsRead read;
    Prepared prepared(handle, statement.sql);
    if (!prepared.ok()) {
        read.fault = prepared.fault();
        return read;
    }
    prepared.bind(statement.values);
    sqlite3_stmt* rows = prepared.get();
    RecordView view;
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(rows)) == SQLITE_ROW) {
        read.lastKey = sqlite3_column_int64(rows, 0);
        for (std::size_t i = 0; i < kFieldCount; ++i) {
            view[i] = columnText(rows, static_cast<int>(i) + 1);
        }
        ++read.rows;
        if (!sink(read.lastKey, view)) {
            read.stopped = true;
            return read;
        }
    }
    if (step != SQLITE_DONE) {
        read.fault = prepared.fault();
    }
    return read;
}

}  // namespace records::sql
