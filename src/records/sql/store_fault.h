#pragma once

#include <string>

#include "records/store.h"

namespace records::sql {

// Why an operation on a store failed, as the store's users are told.
struct Fault {
    StoreProblem problem = StoreProblem::None;
    std::string detail;  // the engine's or the server's own words

    [[nodiscard]] bool ok() const { return problem == StoreProblem::None; }
};

// A failure of SQLite: the extended result code of the call that failed, the operating system's
// error number behind it (0 when none) and SQLite's message.
[[nodiscard]] Fault sqliteFault(int extendedCode, int systemErrno, const std::string& message);

// A failure of a PostgreSQL server or of the way to it: the SQLSTATE of a statement's error, empty
// when there is none (a connection that could not be made or broke off), and the message.
[[nodiscard]] Fault serverFault(const std::string& sqlState, const std::string& message);

}  // namespace records::sql
