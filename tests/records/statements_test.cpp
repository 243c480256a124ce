// The records stores' statements: names quoted whole, whatever characters they hold, and the
// insert of each dialect.
#include "records/sql/statements.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kTenFields =
    "\"仪表编号\", \"日期\", \"管径\", \"瞬时流量\", \"百分比\", \"量程比\", \"流速\", "
    "\"正向累计\", "
    "\"反向累计\", \"报警状态\"";
const std::string kTenMarks = "?, ?, ?, ?, ?, ?, ?, ?, ?, ?";

TEST(Statements, QuoteIdentifiersSoThatNoNameEndsTheQuote) {
    const struct {
        const char* name;
        const char* quoted;
    } cases[] = {
        {"数据监测", "\"数据监测\""},
        {"", "\"\""},
        {"a\"; DROP TABLE x; --", "\"a\"\"; DROP TABLE x; --\""},
        {"\"\"", "\"\"\"\"\"\""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(records::sql::quoted(c.name), c.quoted) << c.name;
    }
}

TEST(Statements, InsertTakesTheTenFieldsAndOnAServerTheSite) {
    const records::sql::SqliteStatements file;
    const records::sql::PostgresStatements withSite(true, "east");
    const records::sql::PostgresStatements withoutSite(false, "east");
    const struct {
        const char* what;
        const records::sql::Statements& statements;
        std::string insert;
    } cases[] = {
        {"file", file, "INSERT INTO \"数据监测\" (" + kTenFields + ") VALUES (" + kTenMarks + ")"},
        {"server table with sites", withSite,
         "INSERT INTO \"数据监测\" (" + kTenFields + ", \"站点\") VALUES (" + kTenMarks +
             ", ?) ON CONFLICT DO NOTHING RETURNING \"序号\""},
        {"server table without sites", withoutSite,
         "INSERT INTO \"数据监测\" (" + kTenFields + ") VALUES (" + kTenMarks +
             ") ON CONFLICT DO NOTHING RETURNING \"序号\""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.statements.insert(), c.insert) << c.what;
    }
}

}  // namespace
