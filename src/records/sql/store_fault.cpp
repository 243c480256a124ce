#include "records/sql/store_fault.h"

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <string_view>

namespace records::sql {

namespace {

bool contains(const std::string& text, std::string_view part) {
    return text.find(part) != std::string::npos;
}

// The message on one line, blanks runs made one space: servers and drivers break their messages.
std::string oneLine(const std::string& message) {
    std::string line;
    bool blank = false;
    for (const char c : message) {
        if (c == ' ' || c == '\n' || c == '\r' || c == '\t') {
            blank = !line.empty();
            continue;
        }
        if (blank) {
            line += ' ';
            blank = false;
        }
        line += c;
    }
    return line;
}

StoreProblem sqliteProblem(int extendedCode, int systemErrno, const std::string& message) {
    switch (extendedCode & 0xff) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return StoreProblem::Locked;
        case SQLITE_READONLY:
        case SQLITE_PERM:
        case SQLITE_AUTH:
            return StoreProblem::ReadOnly;
        case SQLITE_FULL:
            return StoreProblem::DiskFull;
        case SQLITE_NOTADB:
            return StoreProblem::NotADatabase;
        case SQLITE_CANTOPEN:
            return systemErrno == ENOENT ? StoreProblem::Missing : StoreProblem::Other;
        case SQLITE_IOERR:
            if (systemErrno == ENOSPC || systemErrno == EDQUOT || systemErrno == EFBIG) {
                return StoreProblem::DiskFull;
            }
            if (systemErrno == EPERM || systemErrno == EACCES || systemErrno == EROFS) {
                return StoreProblem::ReadOnly;
            }
            return StoreProblem::Other;
        case SQLITE_ERROR:
            // The table or a field is missing: the statements name the ten fields.
            if (contains(message, "no such table") || contains(message, "no such column") ||
                contains(message, "has no column named")) {
                return StoreProblem::WrongLayout;
            }
            return StoreProblem::Other;
        default:
            return StoreProblem::Other;
    }
}

struct StateClass {
    std::string_view prefix;  // an SQLSTATE, or its class of two characters
    StoreProblem problem;
};

// Longer prefixes first: the first that fits decides.
constexpr std::array<StateClass, 17> kServerStates = {{
    {"42P01", StoreProblem::WrongLayout},        // undefined table
    {"42703", StoreProblem::WrongLayout},        // undefined column
    {"42501", StoreProblem::ServerRefused},      // insufficient privilege
    {"55P03", StoreProblem::Locked},             // lock not available
    {"40P01", StoreProblem::Locked},             // deadlock
    {"53100", StoreProblem::DiskFull},           // disk full
    {"25006", StoreProblem::ReadOnly},           // read-only transaction (a standby)
    {"57014", StoreProblem::ServerUnreachable},  // cancelled: no answer in time
    {"57P", StoreProblem::ServerUnreachable},    // shut down, starting, crashed
    {"08", StoreProblem::ServerUnreachable},     // connection exception
    {"28", StoreProblem::ServerRefused},         // authorization
    {"3D", StoreProblem::ServerRefused},         // no such database
    {"42", StoreProblem::ServerRefused},         // a statement refused
    {"22", StoreProblem::ServerRefused},         // a value refused
    {"23", StoreProblem::ServerRefused},         // a constraint refused the record
    {"53", StoreProblem::DiskFull},              // out of resources
    {"58", StoreProblem::Other},                 // the server's own system error
}};

// A connection that failed gives no SQLSTATE, only libpq's message: the server answered and
// refused when it said so ("FATAL: ..."), unless it said it cannot take connections now or is
// ending the connection (a server shutting down says "FATAL: terminating connection").
StoreProblem connectionProblem(const std::string& message) {
    const std::array<std::string_view, 6> notNow = {
        "starting up",      "shutting down",          "in recovery",
        "too many clients", "terminating connection", "server closed the connection"};
    if (std::any_of(notNow.begin(), notNow.end(),
                    [&](std::string_view part) { return contains(message, part); })) {
        return StoreProblem::ServerUnreachable;
    }
    const std::array<std::string_view, 5> refused = {"FATAL", "authentication failed",
                                                     "no pg_hba.conf entry", "does not exist",
                                                     "permission denied"};
    if (std::any_of(refused.begin(), refused.end(),
                    [&](std::string_view part) { return contains(message, part); })) {
        return StoreProblem::ServerRefused;
    }
    return StoreProblem::ServerUnreachable;
}

}  // namespace

Fault sqliteFault(int extendedCode, int systemErrno, const std::string& message) {
    return {sqliteProblem(extendedCode, systemErrno, message), oneLine(message)};
}

Fault serverFault(const std::string& sqlState, const std::string& message) {
    const std::string detail = oneLine(message);
    if (sqlState.empty()) {
        return {connectionProblem(detail), detail};
    }
    for (const StateClass& state : kServerStates) {
        if (sqlState.compare(0, state.prefix.size(), state.prefix) == 0) {
            return {state.problem, detail};
        }
    }
    return {StoreProblem::Other, detail};
}

}  // namespace records::sql
