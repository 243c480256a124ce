#include "platform/qt/trend/sqlite_trend_rows.h"

#include <sqlite3.h>

#include <QFileInfo>
#include <string>
#include <string_view>

#include "platform/qt/trend/block_reading_vfs.h"
#include "records/records_store.h"
#include "records/sql/statements.h"

namespace platform::qt {

namespace {

using records::sql::quoted;

std::string_view textOf(sqlite3_stmt* statement, int column) {
    const unsigned char* text = sqlite3_column_text(statement, column);
    if (!text) {
        return {};
    }
    return {reinterpret_cast<const char*>(text),
            static_cast<std::size_t>(sqlite3_column_bytes(statement, column))};
}

// A value's text, up to its end or to a zero byte in it (a display shows none): cheaper than
// asking SQLite for its length as well, and values are read for every record.
std::string_view valueOf(sqlite3_stmt* statement, int column) {
    const unsigned char* text = sqlite3_column_text(statement, column);
    return text ? std::string_view(reinterpret_cast<const char*>(text)) : std::string_view();
}

// Ends a statement's use, so that it holds the file no longer.
void release(sqlite3_stmt* statement) {
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
}

}  // namespace

SqliteTrendRows::SqliteTrendRows(const QString& fileName)
    : fileName_(QFileInfo(fileName).absoluteFilePath()),
      vfs_(std::make_unique<BlockReadingVfs>()) {}

SqliteTrendRows::~SqliteTrendRows() {
    close();
}

bool SqliteTrendRows::open() {
    if (db_ && records::sql::fileIdentity(fileName_) == openedIdentity_) {
        return true;
    }
    close();
    openedIdentity_ = records::sql::fileIdentity(fileName_);
    if (!openedIdentity_) {
        return false;
    }
    // The connection is used by one thread only: it needs no lock of its own.
    if (sqlite3_open_v2(fileName_.toUtf8().constData(), &db_,
                        SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, vfs_->name()) != SQLITE_OK) {
        close();
        return false;
    }
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
    const std::string table = quoted(records::kTable);
    const std::string columns = "SELECT rowid, " + quoted(records::kFieldNames[0]) + ", " +
                                quoted(records::kFieldNames[1]) + ", " +
                                quoted(records::kFieldNames[3]) + ", " +
                                quoted(records::kFieldNames[7]) + " FROM " + table;
    const std::string range = " WHERE rowid > ?1 AND rowid <= ?2";
    const std::string statements[] = {
        "SELECT (SELECT min(rowid) FROM " + table + "), (SELECT max(rowid) FROM " + table + ")",
        columns + range + " ORDER BY rowid LIMIT ?3",
        columns + range + " AND " + quoted(records::kFieldNames[0]) +
            " = ?4 ORDER BY rowid LIMIT ?3"};
    sqlite3_stmt** prepared[] = {&bounds_, &all_, &station_};
    for (int i = 0; i < 3; ++i) {
        if (sqlite3_prepare_v3(db_, statements[i].c_str(), -1, SQLITE_PREPARE_PERSISTENT,
                               prepared[i], nullptr) != SQLITE_OK) {
            close();
            return false;
        }
    }
    ++generation_;
    return true;
}

void SqliteTrendRows::close() {
    for (sqlite3_stmt** statement : {&bounds_, &all_, &station_}) {
        sqlite3_finalize(*statement);
        *statement = nullptr;
    }
    sqlite3_close(db_);
    db_ = nullptr;
}

std::optional<trend::KeyBounds> SqliteTrendRows::bounds() {
    if (!open()) {
        return std::nullopt;
    }
    std::optional<trend::KeyBounds> found;
    if (sqlite3_step(bounds_) == SQLITE_ROW) {
        found = trend::KeyBounds{};
        if (sqlite3_column_type(bounds_, 0) != SQLITE_NULL) {
            found = trend::KeyBounds{sqlite3_column_int64(bounds_, 0),
                                     sqlite3_column_int64(bounds_, 1)};
        }
    }
    release(bounds_);
    return found;
}

std::optional<std::size_t> SqliteTrendRows::read(const trend::RowRange& range,
                                                 const trend::RowSink& sink) {
    if (!open()) {
        return std::nullopt;
    }
    sqlite3_stmt* statement = range.station ? station_ : all_;
    sqlite3_bind_int64(statement, 1, range.after);
    sqlite3_bind_int64(statement, 2, range.upTo);
    sqlite3_bind_int64(statement, 3, static_cast<sqlite3_int64>(range.limit));
    if (range.station) {
        sqlite3_bind_int64(statement, 4, *range.station);
    }
    std::size_t count = 0;
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(statement)) == SQLITE_ROW) {
        ++count;
        sink({sqlite3_column_int64(statement, 0), sqlite3_column_int64(statement, 1),
              textOf(statement, 2), valueOf(statement, 3), valueOf(statement, 4)});
    }
    release(statement);
    if (step != SQLITE_DONE) {
        return std::nullopt;
    }
    return count;
}

}  // namespace platform::qt
