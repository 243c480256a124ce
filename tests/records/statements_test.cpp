// Names in the records stores' statements: each is quoted whole, whatever characters it holds.
#include "records/sql/statements.h"

#include <gtest/gtest.h>

namespace {

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

}  // namespace
