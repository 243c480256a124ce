// The columns of an export: a shown value cut into number and unit, the stored time in ISO 8601,
// and which texts a spreadsheet would run as formulas.
#include <gtest/gtest.h>

#include <string>

#include "records/export_fields.h"
#include "records/records_store.h"

namespace {

using records::ColumnKind;

TEST(ExportFields, AShownValueSplitsIntoAPlainNumberAndItsUnit) {
    struct Case {
        const char* text;
        const char* number;
        const char* unit;
    };
    const Case cases[] = {
        {"+1234.56m3/h", "1234.56", "m3/h"},
        {"-0.5L/s", "-0.5", "L/s"},
        {"+00m3/h", "00", "m3/h"},
        {"1.5E+07m3", "1.5E+07", "m3"},
        {"+9.99999E+10m3/h", "9.99999E+10", "m3/h"},
        {"-1.5E-05", "-1.5E-05", ""},
        {"1e5t", "1e5", "t"},
        {"123456.78m3", "123456.78", "m3"},
        {".5m3", ".5", "m3"},
        {"+.5", ".5", ""},
        {"5.kg/d", "5.", "kg/d"},
        {"+45.6%", "45.6", "%"},
        {"-2.5", "-2.5", ""},
        {"12kg/d", "12", "kg/d"},
        {"", "", ""},
        {"m3/h", "", "m3/h"},
        {"+", "", "+"},
        {"-.", "", "-."},
        {"--5", "", "--5"},
        {"=1+1", "", "=1+1"},
        // A letter E is part of the number only with digits after it.
        {"1.5E", "1.5", "E"},
        {"1.5E+m3", "1.5", "E+m3"},
        // Something after a number stays with the unit, however it begins.
        {"-2+3", "-2", "+3"},
        {"1,5m3", "1", ",5m3"},
        // Beyond what any display shows: no number at all.
        {"1E+123m3", "", "1E+123m3"},
        {"1234567890123456789012345678901", "", "1234567890123456789012345678901"},
        {"123456789012345678901234567890", "123456789012345678901234567890", ""},
    };
    for (const Case& c : cases) {
        const records::SplitValue split = records::splitValue(c.text);
        EXPECT_EQ(split.number, c.number) << c.text;
        EXPECT_EQ(split.unit, c.unit) << c.text;
    }
}

TEST(ExportFields, AVelocityIsInMetresPerSecondWhereItHasANumber) {
    const records::Column& velocity = records::kExportColumns[16];
    const records::Column& flow = records::kExportColumns[12];
    ASSERT_EQ(velocity.kind, ColumnKind::Unit);
    ASSERT_EQ(velocity.field, records::kVelocityField);
    EXPECT_EQ(records::unitText(velocity, "-1.25"), "m/s");
    EXPECT_EQ(records::unitText(velocity, ""), "");
    EXPECT_EQ(records::unitText(velocity, "abc"), "abc");
    EXPECT_EQ(records::unitText(flow, "-1.25"), "");
    EXPECT_EQ(records::unitText(flow, "+1.25m3/h"), "m3/h");
}

TEST(ExportFields, TheStoredDateReadsAsAnIsoDateAndTimeOrNotAtAll) {
    struct Case {
        const char* stored;
        const char* iso;  // empty: not a date and time
    };
    const Case cases[] = {
        {"2026-12-08/9:58", "2026-12-08 09:58"},
        {"2026-12-08/09:58", "2026-12-08 09:58"},
        {"2026-12-08/0:00", "2026-12-08 00:00"},
        {"2026-12-31/23:59", "2026-12-31 23:59"},
        {"2024-02-29/12:00", "2024-02-29 12:00"},
        {"2000-02-29/1:05", "2000-02-29 01:05"},
        {"1900-01-01/0:00", "1900-01-01 00:00"},
        {"2026-02-29/12:00", ""},
        {"1900-02-29/12:00", ""},
        {"2026-04-31/12:00", ""},
        {"2026-13-01/1:00", ""},
        {"2026-00-10/1:00", ""},
        {"2026-12-00/1:00", ""},
        {"2026-12-08/24:00", ""},
        {"2026-12-08/9:60", ""},
        {"2026-12-08/9:5", ""},
        {"2026-12-08/123:45", ""},
        {"2026-12-08/+9:58", ""},
        {"2026-12-08 9:58", ""},
        {"2026-12-08/9:58:30", ""},
        {"2026-12-08/9:58 ", ""},
        {"2026-1-08/9:58", ""},
        {"1899-12-31/1:00", ""},
        {"08.12.2026/9:58", ""},
        {"2026-12-08", ""},
        {"", ""},
    };
    for (const Case& c : cases) {
        const auto time = records::readStoredDate(c.stored);
        const std::string iso =
            time ? std::string(records::isoDateTime(*time).data(), records::kIsoDateTimeSize) : "";
        EXPECT_EQ(iso, c.iso) << c.stored;
    }
}

TEST(ExportFields, TextsASpreadsheetWouldRunAsFormulas) {
    for (const char* text :
         {"=1+1", "+1234.56m3/h", "-2.5", "@SUM(A1)", "\t=1+1", "\r=1+1", "-", "+", "="}) {
        EXPECT_TRUE(records::readAsFormula(text)) << text;
    }
    for (const char* text : {"", "1234.56", ".5", "1:4", "通讯正常", " =1", "'=1", "a=1", "m3/h"}) {
        EXPECT_FALSE(records::readAsFormula(text)) << text;
    }
}

TEST(ExportFields, ColumnsAreTheTenStoredFieldsInTheirOrderWithTheTimeBesideTheDate) {
    std::vector<std::string> stored;
    for (std::size_t i = 0; i < records::kExportColumns.size(); ++i) {
        const records::Column& column = records::kExportColumns[i];
        if (column.kind == ColumnKind::Stored) {
            EXPECT_EQ(column.heading, records::kFieldNames[column.field]);
            stored.push_back(column.heading);
        }
        if (column.kind == ColumnKind::DateTime) {
            EXPECT_EQ(records::kExportColumns[i - 1].heading, std::string("日期"));
        }
        if (column.kind == ColumnKind::Unit) {
            ASSERT_EQ(records::kExportColumns[i - 1].kind, ColumnKind::Number);
            EXPECT_EQ(records::kExportColumns[i - 1].field, column.field);
        }
    }
    EXPECT_EQ(stored,
              std::vector<std::string>(records::kFieldNames.begin(), records::kFieldNames.end()));
}

}  // namespace
