#include "records/sql/store_fault.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cerrno>
#include <string>

namespace {

using records::StoreProblem;
using records::sql::serverFault;
using records::sql::sqliteFault;

struct SqliteCase {
    int code;
    int systemErrno;
    const char* message;
    StoreProblem problem;
};

TEST(StoreFault, SqliteCodesAndTheErrnoBehindThemGiveTheProblem) {
    const SqliteCase cases[] = {
        {SQLITE_BUSY, 0, "database is locked", StoreProblem::Locked},
        {SQLITE_BUSY_SNAPSHOT, 0, "database is locked", StoreProblem::Locked},
        {SQLITE_LOCKED, 0, "database table is locked", StoreProblem::Locked},
        {SQLITE_READONLY, 0, "attempt to write a readonly database", StoreProblem::ReadOnly},
        {SQLITE_READONLY_ROLLBACK, 0, "attempt to write a readonly database",
         StoreProblem::ReadOnly},
        {SQLITE_FULL, ENOSPC, "database or disk is full", StoreProblem::DiskFull},
        {SQLITE_NOTADB, 0, "file is not a database", StoreProblem::NotADatabase},
        {SQLITE_CANTOPEN, ENOENT, "unable to open database file", StoreProblem::Missing},
        {SQLITE_CANTOPEN, EACCES, "unable to open database file", StoreProblem::Other},
        {SQLITE_IOERR_WRITE, EPERM, "disk I/O error", StoreProblem::ReadOnly},
        {SQLITE_IOERR_WRITE, EROFS, "disk I/O error", StoreProblem::ReadOnly},
        {SQLITE_IOERR_WRITE, ENOSPC, "disk I/O error", StoreProblem::DiskFull},
        {SQLITE_IOERR_FSYNC, EDQUOT, "disk I/O error", StoreProblem::DiskFull},
        {SQLITE_IOERR_READ, EIO, "disk I/O error", StoreProblem::Other},
        {SQLITE_ERROR, 0, "no such table: 数据监测", StoreProblem::WrongLayout},
        {SQLITE_ERROR, 0, "table 数据监测 has no column named 报警状态", StoreProblem::WrongLayout},
        {SQLITE_ERROR, 0, "no such column: 日期", StoreProblem::WrongLayout},
        {SQLITE_ERROR, 0, "near \"x\": syntax error", StoreProblem::Other},
        {SQLITE_CORRUPT, 0, "database disk image is malformed", StoreProblem::Other},
    };
    for (const SqliteCase& c : cases) {
        const records::sql::Fault fault = sqliteFault(c.code, c.systemErrno, c.message);
        EXPECT_EQ(fault.problem, c.problem) << c.code << " errno " << c.systemErrno;
        EXPECT_EQ(fault.detail, c.message);
    }
}

struct ServerCase {
    const char* sqlState;
    const char* message;
    StoreProblem problem;
};

TEST(StoreFault, ServerStatesAndConnectionMessagesGiveTheProblem) {
    const ServerCase cases[] = {
        {"",
         "connection to server on socket \"/tmp/.s.PGSQL.5432\" failed: FATAL:  password "
         "authentication failed for user \"tusko\"",
         StoreProblem::ServerRefused},
        {"", "FATAL:  no pg_hba.conf entry for host \"10.0.0.7\"", StoreProblem::ServerRefused},
        {"", "FATAL:  database \"plant\" does not exist", StoreProblem::ServerRefused},
        {"", "connection to server at \"db\" (10.0.0.2), port 5432 failed: Connection refused",
         StoreProblem::ServerUnreachable},
        {"",
         "connection to server on socket \"/x/.s.PGSQL.5432\" failed: No such file or directory",
         StoreProblem::ServerUnreachable},
        {"", "timeout expired", StoreProblem::ServerUnreachable},
        {"", "FATAL:  the database system is starting up", StoreProblem::ServerUnreachable},
        {"", "server closed the connection unexpectedly", StoreProblem::ServerUnreachable},
        {"", "FATAL:  terminating connection due to administrator command",
         StoreProblem::ServerUnreachable},
        {"08006", "connection failure", StoreProblem::ServerUnreachable},
        {"57P01", "terminating connection due to administrator command",
         StoreProblem::ServerUnreachable},
        {"57014", "canceling statement due to statement timeout", StoreProblem::ServerUnreachable},
        {"28P01", "password authentication failed", StoreProblem::ServerRefused},
        {"42501", "permission denied for table 数据监测", StoreProblem::ServerRefused},
        {"42601", "syntax error", StoreProblem::ServerRefused},
        {"23502", "null value in column violates not-null constraint", StoreProblem::ServerRefused},
        {"22003", "smallint out of range", StoreProblem::ServerRefused},
        {"42P01", "relation \"数据监测\" does not exist", StoreProblem::WrongLayout},
        {"42703", "column \"站点\" does not exist", StoreProblem::WrongLayout},
        {"55P03", "canceling statement due to lock timeout", StoreProblem::Locked},
        {"40P01", "deadlock detected", StoreProblem::Locked},
        {"53100", "could not extend file: No space left on device", StoreProblem::DiskFull},
        {"25006", "cannot execute INSERT in a read-only transaction", StoreProblem::ReadOnly},
        {"XX000", "internal error", StoreProblem::Other},
    };
    for (const ServerCase& c : cases) {
        EXPECT_EQ(serverFault(c.sqlState, c.message).problem, c.problem)
            << c.sqlState << ": " << c.message;
    }
}

TEST(StoreFault, TheEnginesWordsComeOnOneLine) {
    EXPECT_EQ(serverFault("", "connection to server failed:\n\tFATAL:  password\n").detail,
              "connection to server failed: FATAL: password");
    EXPECT_EQ(sqliteFault(SQLITE_BUSY, 0, " database  is\nlocked ").detail, "database is locked");
}

}  // namespace
