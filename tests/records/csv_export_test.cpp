// Records as a CSV file: heading, quoting, formula protection, the time and number columns,
// filters, order, and failures that leave no file.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <string>
#include <tuple>
#include <vector>

#include "csv_cells.h"
#include "fakes/fake_file_writer.h"
#include "fakes/fake_records_binding.h"
#include "fakes/fake_store.h"
#include "records/csv_export.h"
#include "records/export_fields.h"
#include "sample_records.h"

namespace {

using fakes::FakeRecordsBinding;
using records_test::csvCells;

std::vector<std::string> headings() {
    std::vector<std::string> names;
    for (const records::Column& column : records::kExportColumns) {
        names.push_back(column.heading);
    }
    return names;
}

records::RecordView viewOf(const std::vector<std::string>& texts) {
    records::RecordView view;
    for (std::size_t i = 0; i < view.size(); ++i) {
        view[i] = texts[i];
    }
    return view;
}

// The cells of one record's line, by heading.
std::map<std::string, std::string> lineCells(const std::vector<std::string>& texts) {
    const std::vector<records_test::CsvLine> lines = csvCells(records::csvLine(viewOf(texts)));
    EXPECT_EQ(lines.size(), 1U);
    EXPECT_EQ(lines.at(0).size(), records::kExportColumns.size());
    return records_test::cellsByHeading(headings(), lines.at(0));
}

std::vector<std::string> typicalTexts() {
    return {"3",   "2026-12-08/9:58", "100",       "+1234.56m3/h", "+45.6%",
            "1:4", "-1.25",           "1.5E+07m3", ".5m3",         "通讯正常"};
}

TEST(CsvExport, TheHeadingNamesEveryColumnAfterAByteOrderMark) {
    const std::string heading = records::csvHeading();
    EXPECT_EQ(heading.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_EQ(heading.substr(heading.size() - 2), "\r\n");
    const std::vector<records_test::CsvLine> lines = csvCells(heading);
    ASSERT_EQ(lines.size(), 1U);
    EXPECT_EQ(lines[0], headings());
}

TEST(CsvExport, EachTextLandsInItsColumnsAsASpreadsheetShouldReadIt) {
    struct Case {
        std::size_t field;
        const char* stored;
        const char* heading;
        const char* cell;
    };
    const Case cases[] = {
        // Number columns: the number alone, no "+", the exponent whole, a "-" kept.
        {3, "+1234.56m3/h", "瞬时流量数值", "1234.56"},
        {3, "+1234.56m3/h", "瞬时流量单位", "m3/h"},
        {3, "1.5E+07m3/h", "瞬时流量数值", "1.5E+07"},
        {3, "1.5E+07m3/h", "瞬时流量单位", "m3/h"},
        {3, "-0.5L/s", "瞬时流量数值", "-0.5"},
        {3, "", "瞬时流量数值", ""},
        {3, "", "瞬时流量单位", ""},
        {4, "+45.6%", "百分比数值", "45.6"},
        {4, "+45.6%", "百分比单位", "%"},
        {6, "-2.5", "流速数值", "-2.5"},
        {6, "-2.5", "流速单位", "m/s"},
        {6, "+1.25", "流速数值", "1.25"},
        {7, "123456.78m3", "正向累计数值", "123456.78"},
        {8, "-1.5E-05t", "反向累计数值", "-1.5E-05"},
        {8, "-1.5E-05t", "反向累计单位", "t"},
        // Text columns that a spreadsheet would run get an apostrophe; others stay as stored.
        {3, "+1234.56m3/h", "瞬时流量", "'+1234.56m3/h"},
        {3, "-0.5L/s", "瞬时流量", "'-0.5L/s"},
        {3, "-1+2", "瞬时流量数值", "-1"},
        {3, "-1+2", "瞬时流量单位", "'+2"},
        {3, "=1+1", "瞬时流量数值", ""},
        {3, "=1+1", "瞬时流量单位", "'=1+1"},
        {4, "+45.6%", "百分比", "'+45.6%"},
        {6, "-2.5", "流速", "'-2.5"},
        {7, "123456.78m3", "正向累计", "123456.78m3"},
        {9, "=HYPERLINK(\"http://x\",\"y\")", "报警状态", "'=HYPERLINK(\"http://x\",\"y\")"},
        {9, "@SUM(1,2)", "报警状态", "'@SUM(1,2)"},
        {9, "\t=1+1", "报警状态", "'\t=1+1"},
        {9, "通讯正常 上限报警,", "报警状态", "通讯正常 上限报警,"},
        {9, "a\r\nb", "报警状态", "a\r\nb"},
        {5, "1:4", "量程比", "1:4"},
        {0, "3", "仪表编号", "3"},
        {2, "100", "管径", "100"},
        // The time beside the date, when the date has the stored form.
        {1, "2026-12-08/9:58", "日期", "2026-12-08/9:58"},
        {1, "2026-12-08/9:58", "日期时间", "2026-12-08 09:58"},
        {1, "2026-02-30/9:58", "日期时间", ""},
        {1, "=2026", "日期", "'=2026"},
        {1, "=2026", "日期时间", ""},
    };
    for (const Case& c : cases) {
        std::vector<std::string> texts = typicalTexts();
        texts[c.field] = c.stored;
        EXPECT_EQ(lineCells(texts)[c.heading], c.cell) << c.stored << " in " << c.heading;
    }
}

TEST(CsvExport, QuotingAndTheApostropheTogether) {
    std::vector<std::string> texts(10);
    texts[9] = "=SUM(1,2) \"x\"";
    const std::string line = records::csvLine(viewOf(texts));
    EXPECT_NE(line.find(",\"'=SUM(1,2) \"\"x\"\"\","), std::string::npos) << line;
    EXPECT_EQ(line.substr(line.size() - 2), "\r\n");
}

// Whatever the store holds, no text cell begins as a formula, every number cell is a plain
// number, and each stored text comes back whole once its apostrophe is taken off.
TEST(CsvExport, NoStoredTextBecomesAFormulaOrIsLost) {
    const std::regex plainNumber(R"(-?([0-9]+\.?[0-9]*|\.[0-9]+)([Ee][+-]?[0-9]+)?)");
    const char* const nasty[] = {"=cmd|' /C calc'!A0",
                                 "+1+1",
                                 "-2+3+cmd|'x'!A0",
                                 "@SUM(A1:A9)",
                                 "\t=1",
                                 "\r=1",
                                 "-",
                                 "+",
                                 "=",
                                 "\"=1\"",
                                 "1E+123=1",
                                 "-1.5E+07=x",
                                 "+00m3/h",
                                 "a,b\"c\"\r\nd",
                                 ""};
    std::vector<records_test::CsvLine> lines;
    for (const char* text : nasty) {
        const std::vector<std::string> texts(10, text);
        const std::vector<records_test::CsvLine> parsed = csvCells(records::csvLine(viewOf(texts)));
        ASSERT_EQ(parsed.size(), 1U) << text;
        ASSERT_EQ(parsed[0].size(), records::kExportColumns.size()) << text;
        for (std::size_t i = 0; i < parsed[0].size(); ++i) {
            const records::Column& column = records::kExportColumns[i];
            const std::string& cell = parsed[0][i];
            if (column.kind == records::ColumnKind::Number) {
                EXPECT_TRUE(cell.empty() || std::regex_match(cell, plainNumber))
                    << text << " gave " << cell << " in " << column.heading;
            } else {
                EXPECT_FALSE(records::readAsFormula(cell))
                    << text << " gave " << cell << " in " << column.heading;
            }
            if (column.kind == records::ColumnKind::Stored) {
                const bool guarded = records::readAsFormula(text);
                EXPECT_EQ(guarded ? "'" + std::string(text) : std::string(text), cell)
                    << column.heading;
            }
        }
    }
}

TEST(CsvExport, EveryMatchingRecordOldestFirstFromAStore) {
    fakes::FakeStore store;
    for (const auto& [station, date, flow] :
         std::vector<std::tuple<int, const char*, const char*>>{{1, "2007-10-09/23:59", "+1m3/h"},
                                                                {2, "2007-10-10/0:00", "+2m3/h"},
                                                                {1, "2007-10-10/9:13", "+3m3/h"},
                                                                {1, "2007-10-11/0:00", "+4m3/h"}}) {
        records::MeasurementRecord r = records_test::recordNumber(0);
        r.station = static_cast<std::uint8_t>(station);
        r.date = date;
        r.flow = flow;
        ASSERT_TRUE(store.append(r));
    }
    fakes::FakeFileWriter writer;
    records::RecordFilter filter;
    filter.station = 1;
    filter.fromDate = "2007-10-10";
    filter.toDate = "2007-10-11";
    const records::ExportResult result = records::exportRecords(store, filter, writer, "out.csv");
    EXPECT_TRUE(result.written);
    EXPECT_EQ(result.problem, records::ExportProblem::None);
    EXPECT_EQ(result.records, 2);
    const std::vector<records_test::CsvLine> lines = csvCells(writer.files["out.csv"]);
    ASSERT_EQ(lines.size(), 3U);
    EXPECT_EQ(lines[1][2], "2007-10-10 09:13");
    EXPECT_EQ(lines[1][11], "3");
    EXPECT_EQ(lines[2][2], "2007-10-11 00:00");
    EXPECT_EQ(lines[2][11], "4");
}

TEST(CsvExport, AFailureIsNamedAndLeavesNoFile) {
    fakes::FakeStore store;
    ASSERT_TRUE(store.append(records_test::recordNumber(1)));
    fakes::FakeFileWriter writer;

    store.health_.problem = records::StoreProblem::Locked;
    records::ExportResult result = records::exportRecords(store, {}, writer, "out.csv");
    EXPECT_FALSE(result.written);
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
    for (int n = 1; n <= kRecords; ++n) {
        const records_test::CsvLine& line = lines[static_cast<std::size_t>(n)];
        ASSERT_EQ(line.size(), records::kExportColumns.size()) << n;
        EXPECT_EQ(line[11], std::to_string(n) + ".5") << "flow of record " << n;
        EXPECT_EQ(line[10], store.records[static_cast<std::size_t>(n - 1)].fields[9]) << n;
    }
}

FakeRecordsBinding::Row bindingRow(int station, const std::string& date, const std::string& flow) {
    FakeRecordsBinding::Row row = FakeRecordsBinding::sampleRow(station);
    row["日期"] = date;
    row["瞬时流量"] = flow;
    row["报警状态"] = std::string("通讯正常 上限报警,\"高\"");
    return row;
}

TEST(CsvExport, EveryMatchingRecordOldestFirstThroughABinding) {
    FakeRecordsBinding binding;
    binding.rows = {
        bindingRow(1, "2007-10-09/23:59", "+1m3/h"), bindingRow(2, "2007-10-10/0:00", "+2m3/h"),
        bindingRow(1, "2007-10-10/9:13", "+3m3/h"), bindingRow(1, "2007-10-11/0:00", "+4m3/h")};
    fakes::FakeFileWriter writer;
    platform::RowFilter filter;
    filter.station = 1;
    filter.fromDate = "2007-10-10";
    filter.toDate = "2007-10-11";
    const records::ExportResult result = records::exportRecords(binding, filter, writer, "out.csv");
    EXPECT_TRUE(result.written);
    EXPECT_EQ(result.records, 2);
    const std::string file = writer.files["out.csv"];
    EXPECT_LT(file.find("'+3m3/h"), file.find("'+4m3/h"));
    EXPECT_EQ(file.find("+1m3/h"), std::string::npos);
    EXPECT_EQ(file.find("+2m3/h"), std::string::npos);
    EXPECT_NE(file.find("\"通讯正常 上限报警,\"\"高\"\"\""), std::string::npos);

    binding.failing = {"forEachRow"};
    writer.files.clear();
    EXPECT_FALSE(records::exportRecords(binding, {}, writer, "out.csv").written);
    EXPECT_TRUE(writer.files.empty()) << "a failed export leaves no file";
}

}  // namespace
