// Records as a CSV file: heading, quoting, formula protection, the time and number columns,
// order, and failures that leave no file.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "csv_cells.h"
#include "fakes/fake_file_writer.h"
#include "fakes/fake_store.h"
#include "records/csv_export.h"
#include "records/export_fields.h"
#include "sample_records.h"

namespace {

using records_test::csvCells;

const std::vector<std::string> kHeadings = {
    "仪表编号",     "日期",         "日期时间",    "管径",     "瞬时流量", "百分比",
    "量程比",       "流速",         "正向累计",    "反向累计", "报警状态", "瞬时流量数值",
    "瞬时流量单位", "百分比数值",   "百分比单位",  "流速数值", "流速单位", "正向累计数值",
    "正向累计单位", "反向累计数值", "反向累计单位"};

// The cells of one record's line.
records_test::CsvLine lineOf(const std::vector<std::string>& texts) {
    records::RecordView view;
    std::copy(texts.begin(), texts.end(), view.begin());
    const std::vector<records_test::CsvLine> lines = csvCells(records::csvLine(view));
    EXPECT_EQ(lines.size(), 1U);
    EXPECT_EQ(lines.at(0).size(), kHeadings.size());
    return lines.at(0);
}

TEST(CsvExport, TheHeadingNamesEveryColumnAfterAByteOrderMark) {
    const std::string heading = records::csvHeading();
    EXPECT_EQ(heading.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_EQ(csvCells(heading), std::vector<records_test::CsvLine>{kHeadings});
}

TEST(CsvExport, EachTextLandsInItsColumnsAsASpreadsheetShouldReadIt) {
    struct Case {
        std::size_t field;
        const char* stored;
        std::vector<std::pair<std::size_t, const char*>> cells;  // column, cell
    };
    const Case cases[] = {
        // Number columns: the number alone; text columns that a spreadsheet would run get an
        // apostrophe; the velocity's unit is m/s.
        {3, "+1234.56m3/h", {{4, "'+1234.56m3/h"}, {11, "1234.56"}, {12, "m3/h"}}},
        {3, "1.5E+07m3/h", {{11, "1.5E+07"}}},
        {3, "-1+2", {{11, "-1"}, {12, "'+2"}}},
        {3, "=1+1", {{11, ""}, {12, "'=1+1"}}},
        {4, "+45.6%", {{5, "'+45.6%"}, {13, "45.6"}, {14, "%"}}},
        {6, "-2.5", {{7, "'-2.5"}, {15, "-2.5"}, {16, "m/s"}}},
        {7, "123456.78m3", {{8, "123456.78m3"}}},
        {8, "-1.5E-05t", {{19, "-1.5E-05"}}},
        {9, "@SUM(1,2)", {{10, "'@SUM(1,2)"}}},
        {9, "通讯正常 上限报警,", {{10, "通讯正常 上限报警,"}}},
        {5, "1:4", {{6, "1:4"}}},
        {2, "100", {{3, "100"}}},
        // The time beside the date, when the date has the stored form.
        {1, "2026-12-08/9:58", {{1, "2026-12-08/9:58"}, {2, "2026-12-08 09:58"}}},
        {1, "=2026", {{1, "'=2026"}, {2, ""}}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> texts(10);
        texts[c.field] = c.stored;
        const records_test::CsvLine line = lineOf(texts);
        for (const auto& [column, cell] : c.cells) {
            EXPECT_EQ(line[column], cell) << c.stored << " in " << kHeadings[column];
        }
    }
}

// Whatever the store holds, no text cell begins as a formula, every number cell is a plain
// number, and each stored text comes back whole once its apostrophe is taken off.
TEST(CsvExport, NoStoredTextBecomesAFormulaOrIsLost) {
    for (const char* text : {"=cmd|' /C calc'!A0", "-2+3+cmd|'x'!A0", "@SUM(A1:A9)", "\t=1", "\r=1",
                             "+", "\"=1\"", "1E+123=1", "-1.5E+07=x", "a,b\"c\"\r\nd"}) {
        const records_test::CsvLine line = lineOf(std::vector<std::string>(10, text));
        for (std::size_t i = 0; i < line.size(); ++i) {
            const records::ColumnKind kind = records::kExportColumns[i].kind;
            if (kind == records::ColumnKind::Number) {
                EXPECT_EQ(records::splitValue(line[i]).number, line[i]) << text << kHeadings[i];
            } else {
                EXPECT_FALSE(records::readAsFormula(line[i])) << text << " in " << kHeadings[i];
            }
            if (kind == records::ColumnKind::Stored) {
                EXPECT_EQ(line[i], (records::readAsFormula(text) ? "'" : "") + std::string(text));
            }
        }
    }
    const std::string line = records::csvLine({"", "", "", "", "", "", "", "", "", "=A(1,\"x\")"});
    EXPECT_NE(line.find(",\"'=A(1,\"\"x\"\")\","), std::string::npos) << "quoted with the mark";
}

TEST(CsvExport, AFailureIsNamedAndLeavesNoFile) {
    fakes::FakeStore store;
    ASSERT_TRUE(store.append(records_test::recordNumber(1)));
    fakes::FakeFileWriter writer;
    store.health_.problem = records::StoreProblem::Locked;
    records::ExportResult result = records::exportRecords(store, {}, writer, "out.csv");
    EXPECT_EQ(result.problem, records::ExportProblem::Store);
    EXPECT_EQ(writer.abandoned, 1) << "the file begun is dropped";

    store.health_.problem = records::StoreProblem::None;
    writer.failing = true;
    result = records::exportRecords(store, {}, writer, "out.csv");
    EXPECT_FALSE(result.written);
    EXPECT_EQ(result.problem, records::ExportProblem::Destination);
    EXPECT_TRUE(writer.files.empty());
}

// Lines far longer than one piece of the file, and many short ones, each once and in order.
TEST(CsvExport, ManyAndLongRecordsReachTheFileOnceEachInTheirOrder) {
    fakes::FakeStore store;
    constexpr int kRecords = 3000;
    for (int n = 1; n <= kRecords; ++n) {
        records::MeasurementRecord r = records_test::recordNumber(n);
        if (n % 1000 == 0) {
            r.alarm = std::string(700000, n % 2000 ? ',' : '"');  // bigger than one write
        }
        ASSERT_TRUE(store.append(r));
    }
    fakes::FakeFileWriter writer;
    const records::ExportResult result = records::exportRecords(store, {}, writer, "out.csv");
    EXPECT_TRUE(result.written);
    EXPECT_EQ(result.records, kRecords);
    const std::vector<records_test::CsvLine> lines = csvCells(writer.files["out.csv"]);
    ASSERT_EQ(lines.size(), std::size_t{kRecords} + 1) << "the heading and each record once";
    for (std::size_t n = 1; n <= kRecords; ++n) {
        EXPECT_EQ(lines[n].at(11), std::to_string(n) + ".5") << "flow of record " << n;
        EXPECT_EQ(lines[n].at(10), store.records[n - 1].fields[9]) << n;
    }
}

TEST(CsvExport, EveryMatchingRecordOldestFirst) {
    fakes::FakeStore store;
    const struct {
        std::uint8_t station;
        const char* date;
        const char* flow;
    } logged[] = {{1, "2007-10-09/23:59", "+1m3/h"},
                  {2, "2007-10-10/0:00", "+2m3/h"},
                  {1, "2007-10-10/9:13", "+3m3/h"},
                  {1, "2007-10-11/0:00", "+4m3/h"}};
    for (const auto& l : logged) {
        records::MeasurementRecord record = records_test::recordNumber(1);
        record.station = l.station;
        record.date = l.date;
        record.flow = l.flow;
        record.alarm = "通讯正常 上限报警,\"高\"";
        ASSERT_TRUE(store.append(record));
    }
    fakes::FakeFileWriter writer;
    records::RecordFilter filter;
    filter.station = 1;
    filter.fromDate = "2007-10-10";
    filter.toDate = "2007-10-11";
    const records::ExportResult result = records::exportRecords(store, filter, writer, "out.csv");
    EXPECT_TRUE(result.written);
    EXPECT_EQ(result.records, 2);
    const std::string file = writer.files["out.csv"];
    EXPECT_LT(file.find("'+3m3/h"), file.find("'+4m3/h"));
    EXPECT_EQ(file.find("+1m3/h"), std::string::npos);
    EXPECT_EQ(file.find("+2m3/h"), std::string::npos);
    EXPECT_NE(file.find("\"通讯正常 上限报警,\"\"高\"\"\""), std::string::npos);
}

}  // namespace
