#pragma once

#include <QString>
#include <memory>
#include <string>

#include "platform/clock.h"
#include "records/sql/sql_store.h"
#include "records/sql/sqlite_dialect.h"

namespace records_test {

// A store over the records file `path` of the working directory, logging into it or only reading.
inline std::unique_ptr<records::sql::SqlStore> fileStore(platform::Clock& clock,
                                                         records::sql::SqliteDialect::Role role,
                                                         const std::string& path = "kvt97.mdb") {
    return std::make_unique<records::sql::SqlStore>(
        std::make_unique<records::sql::SqliteDialect>(QString::fromStdString(path), role), clock);
}

}  // namespace records_test
