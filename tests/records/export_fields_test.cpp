// A shown value cut into number and unit, the stored time in ISO 8601, and the texts a
// spreadsheet would run as formulas.
#include <gtest/gtest.h>

#include <string>

#include "records/export.h"
#include "records/export_fields.h"

namespace {

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
        {"-1.5E-05", "-1.5E-05", ""},
        {"1e5t", "1e5", "t"},
        {".5m3", ".5", "m3"},
        {"+.5", ".5", ""},
        {"5.kg/d", "5.", "kg/d"},
        {"+45.6%", "45.6", "%"},
        {"", "", ""},
        {"m3/h", "", "m3/h"},
        {"+", "", "+"},
        {"--5", "", "--5"},
        {"=1+1", "", "=1+1"},
        {"-2+3", "-2", "+3"},
        // An E is the exponent's only with digits after it.
        {"1.5E", "1.5", "E"},
        {"1.5E+m3", "1.5", "E+m3"},
        // Beyond what a display shows (and what a double holds safely): no number.
        {"1E+123m3", "", "1E+123m3"},
        {"1234567890123456789012345678901", "", "1234567890123456789012345678901"},
    };
    for (const Case& c : cases) {
        const records::SplitValue split = records::splitValue(c.text);
        EXPECT_EQ(split.number, c.number) << c.text;
        EXPECT_EQ(split.unit, c.unit) << c.text;
    }
}

// The text a workbook holds for a split number; none (it is read and printed) when not plain.
TEST(ExportFields, APlainDecimalLosesNeedlessZerosOnly) {
    const std::pair<const char*, const char*> cases[] = {
        {"1234.56", "1234.56"}, {"-0012.50", "-12.5"}, {"00", "0"},     {"100.000", "100"},
        {".5", "0.5"},          {"-.50", "-0.5"},      {"5.", "5"},     {"1.5E+07", nullptr},
        {"-", nullptr},         {".", nullptr},        {"-.", nullptr}, {"1.2.3", nullptr},
        {"1 2", nullptr},       {"+1", nullptr},
    };
    for (const auto& [number, expected] : cases) {
        const auto plain = records::plainDecimal(number);
        ASSERT_EQ(plain.has_value(), expected != nullptr) << number;
        char text[64];
        EXPECT_EQ(plain ? std::string(text, plain->put(text)) : "", expected ? expected : "");
    }
}

TEST(ExportFields, TheStoredDateReadsAsAnIsoDateAndTimeOrNotAtAll) {
    const std::pair<const char*, const char*> cases[] = {
        {"2026-12-08/9:58", "2026-12-08 09:58"},
        {"2026-12-08/09:58", "2026-12-08 09:58"},
        {"2026-12-31/23:59", "2026-12-31 23:59"},
        {"2024-02-29/0:00", "2024-02-29 00:00"},
        {"2000-02-29/1:05", "2000-02-29 01:05"},
        {"1900-01-01/0:00", "1900-01-01 00:00"},
        // Not a real day or time, or not the stored form: no date at all.
        {"2026-02-29/12:00", ""},
        {"1900-02-29/12:00", ""},
        {"2026-04-31/12:00", ""},
        {"2026-13-01/1:00", ""},
        {"2026-12-00/1:00", ""},
        {"2026-12-08/24:00", ""},
        {"2026-12-08/9:60", ""},
        {"2026-12-08/9:5", ""},
        {"2026-12-08/123:45", ""},
        {"2026-12-08/+9:58", ""},
        {"2026-12-08 9:58", ""},
        {"2026-12-08/9:58:30", ""},
        {"2026-1-08/9:58", ""},
        {"1899-12-31/1:00", ""},
        {"08.12.2026/9:58", ""},
        {"", ""},
    };
    for (const auto& [stored, iso] : cases) {
        const auto time = records::readStoredDate(stored);
        EXPECT_EQ(time ? std::string(records::isoDateTime(*time).data(), 16) : "", iso) << stored;
    }
    // Each month's last day is a day and the day after it is none, its length counted in days.
    for (int month = 1; month <= 12; ++month) {
        const auto last = records::daysFromCivil(2026 + month / 12, month % 12 + 1, 1) -
                          records::daysFromCivil(2026, month, 1);
        for (const auto day : {last, last + 1}) {
            const std::string stored = "2026-" + std::string(month < 10 ? "0" : "") +
                                       std::to_string(month) + "-" + std::to_string(day) + "/9:58";
            EXPECT_EQ(records::readStoredDate(stored).has_value(), day == last) << stored;
        }
    }
}

TEST(ExportFields, TextsASpreadsheetWouldRunAsFormulas) {
    for (const char* text : {"=1+1", "+1234.56m3/h", "-2.5", "@SUM(A1)", "\t=1", "\r=1", "-"}) {
        EXPECT_TRUE(records::readAsFormula(text)) << text;
    }
    for (const char* text : {"", "1234.56", ".5", "1:4", "通讯正常", " =1", "'=1", "a=1"}) {
        EXPECT_FALSE(records::readAsFormula(text)) << text;
    }
}

TEST(ExportFields, AWorkbookIsWrittenForANameEndingInXlsxInAnyCase) {
    for (const char* name : {"a.xlsx", "dir.csv/B.XLSX", "c.Xlsx", ".xlsx"}) {
        EXPECT_TRUE(records::isWorkbookName(name)) << name;
    }
    for (const char* name : {"d.csv", "e.xlsx.csv", "xlsx", "f.xls", "g.xlsx "}) {
        EXPECT_FALSE(records::isWorkbookName(name)) << name;
    }
}

}  // namespace
