#include "records/sql/dialect.h"

#include <QSqlError>
#include <QSqlQuery>
#include <array>

#include "query_run.h"

namespace records::sql {

Fault Dialect::narrowByDays(QSqlDatabase& /*db*/, Bounds& /*bounds*/) {
    return {};
}

RowsRead Dialect::select(QSqlDatabase& db, const Statement& statement, const RecordSink& sink) {
    RowsRead read;
    QSqlQuery query(db);
    if (!runStatement(query, statement)) {
        read.fault = fault(db, query.lastError());
        return read;
    }
    std::array<std::string, kFieldCount> texts;
    RecordView view;
    while (query.next()) {
        read.lastKey = query.value(0).toLongLong();
        for (std::size_t i = 0; i < kFieldCount; ++i) {
            texts[i] = textOf(query.value(static_cast<int>(i) + 1));
            view[i] = texts[i];
        }
        ++read.rows;
        if (!sink(read.lastKey, view)) {
            read.stopped = true;
            break;
        }
    }
    if (!read.stopped && query.lastError().isValid()) {
        read.fault = fault(db, query.lastError());
    }
    return read;
}

}  // namespace records::sql
