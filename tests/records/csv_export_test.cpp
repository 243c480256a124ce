// Records as a spreadsheet file: heading, quoting, the number and unit columns, filters and order.
#include <gtest/gtest.h>

#include "fakes/fake_file_writer.h"
#include "fakes/fake_records_binding.h"
#include "records/csv_export.h"

namespace {

using fakes::FakeRecordsBinding;

FakeRecordsBinding::Row record(int station, const std::string& date, const std::string& flow) {
    FakeRecordsBinding::Row row = FakeRecordsBinding::sampleRow(station);
    row["日期"] = date;
    row["瞬时流量"] = flow;
    row["百分比"] = std::string("+45.6%");
    row["流速"] = std::string("-1.25");
    row["正向累计"] = std::string("123456.78m3");
    row["反向累计"] = std::string(".5m3");
    row["报警状态"] = std::string("通讯正常 上限报警,\"高\"");
    return row;
}

TEST(CsvExport, HeadingAndLinesAsASpreadsheetReadsThem) {
    const std::string heading = records::csvHeading();
    EXPECT_EQ(heading.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_EQ(heading.substr(3, 13), "仪表编号,");
    EXPECT_NE(heading.find(",瞬时流量数值,瞬时流量单位,"), std::string::npos);
    EXPECT_EQ(heading.substr(heading.size() - 2), "\r\n");

    const std::vector<std::string> texts = {
        "3",     "2007-10-10/9:13", "100", "+1234.56m3/h", "+45.6%", "1:2",
        "-1.25", "123456.78m3",     "",    "a,\"b\""};
    EXPECT_EQ(records::csvLine(texts),
              "3,2007-10-10/9:13,100,+1234.56m3/h,+45.6%,1:2,-1.25,123456.78m3,,\"a,\"\"b\"\"\","
              "+1234.56,m3/h,+45.6,%,-1.25,m/s,123456.78,m3,,\r\n");
    EXPECT_EQ(records::splitNumber(".5m3"), (std::pair<std::string, std::string>{".5", "m3"}));
}

TEST(CsvExport, EveryMatchingRecordOldestFirst) {
    FakeRecordsBinding binding;
    binding.rows = {record(1, "2007-10-09/23:59", "+1m3/h"), record(2, "2007-10-10/0:00", "+2m3/h"),
                    record(1, "2007-10-10/9:13", "+3m3/h"), record(1, "2007-10-11/0:00", "+4m3/h")};
    fakes::FakeFileWriter writer;
    platform::RowFilter filter;
    filter.station = 1;
    filter.fromDate = "2007-10-10";
    filter.toDate = "2007-10-11";
    const records::ExportResult result = records::exportRecords(binding, filter, writer, "out.csv");
    EXPECT_TRUE(result.written);
    EXPECT_EQ(result.records, 2);
    const std::string file = writer.files["out.csv"];
    EXPECT_LT(file.find("+3m3/h"), file.find("+4m3/h"));
    EXPECT_EQ(file.find("+1m3/h"), std::string::npos);
    EXPECT_EQ(file.find("+2m3/h"), std::string::npos);
    EXPECT_NE(file.find("\"通讯正常 上限报警,\"\"高\"\"\""), std::string::npos);

    binding.failing = {"forEachRow"};
    writer.files.clear();
    EXPECT_FALSE(records::exportRecords(binding, {}, writer, "out.csv").written);
    EXPECT_TRUE(writer.files.empty()) << "a failed export leaves no file";
}

TEST(CsvExport, ManyRecordsReachTheFileOnceEachInTheirOrder) {
    FakeRecordsBinding binding;
    constexpr int kRecords = 3000;  // several times what is written in one piece
    for (int n = 1; n <= kRecords; ++n) {
        binding.rows.push_back(record(1, "2007-10-10/9:13", "+" + std::to_string(n) + "m3/h"));
    }
    fakes::FakeFileWriter writer;
    const records::ExportResult result = records::exportRecords(binding, {}, writer, "out.csv");
    EXPECT_TRUE(result.written);
    EXPECT_EQ(result.records, kRecords);
    const std::string file = writer.files["out.csv"];
    std::size_t lines = 0;
    for (std::size_t at = file.find("\r\n"); at != std::string::npos;
         at = file.find("\r\n", at + 2)) {
        ++lines;
    }
    EXPECT_EQ(lines, std::size_t{kRecords} + 1) << "the heading and each record once";
    EXPECT_LT(file.find(",+1m3/h,"), file.find(",+2m3/h,"));
    EXPECT_LT(file.find(",+2999m3/h,"), file.find(",+3000m3/h,"));
}

}  // namespace
