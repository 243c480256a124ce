#pragma once

#include <QSqlQuery>
#include <QVariant>
#include <string>

#include "records/sql/statements.h"

namespace records::sql {

// A value as QtSql binds it.
[[nodiscard]] QVariant boundValue(const SqlValue& value);

// Prepares `statement` on `query`, binds its values and runs it, forward only. False when that
// failed; query.lastError() says why.
[[nodiscard]] bool runStatement(QSqlQuery& query, const Statement& statement);

// A column read back as UTF-8 text; a null as an empty text.
[[nodiscard]] std::string textOf(const QVariant& value);

}  // namespace records::sql
