// Records as an Excel workbook, read back by openpyxl: numbers are numbers, the time is a date,
// texts stay text, the heading row is frozen; a workbook that cannot hold the records is refused
// before anything is written, and a failed export leaves what was there.
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "fakes/fake_file_writer.h"
#include "fakes/fake_records_binding.h"
#include "fakes/fake_store.h"
#include "platform/qt/qt_file_writer.h"
#include "records/export_fields.h"
#include "records/xlsx_export.h"
#include "sample_records.h"

namespace {

constexpr int kNoReader = 77;

std::string contents(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// What openpyxl reads from a workbook; `skip` says why it could not be read at all.
struct Reading {
    QJsonObject book;
    std::string skip;
};

Reading readWorkbook(const std::string& path) {
    QProcess reader;
    reader.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral(TUSKO_READ_WORKBOOK_PATH), QString::fromStdString(path)});
    Reading reading;
    if (!reader.waitForStarted(30000)) {
        reading.skip = "/usr/bin/python3 is not installed";
        return reading;
    }
    reader.waitForFinished(120000);
    const QByteArray out = reader.readAllStandardOutput();
    if (reader.exitCode() == kNoReader) {
        reading.skip = out.toStdString();
        return reading;
    }
    EXPECT_EQ(reader.exitCode(), 0) << reader.readAllStandardError().toStdString();
    reading.book = QJsonDocument::fromJson(out).object();
    return reading;
}

// The cell of a data row under a heading: [type, value, number format].
QJsonArray cellOf(const QJsonObject& book, int row, const std::string& heading) {
    const QJsonArray rows = book["rows"].toArray();
    const QJsonArray headings = rows.at(0).toArray();
    for (int i = 0; i < headings.size(); ++i) {
        if (headings.at(i).toArray().at(1).toString().toStdString() == heading) {
            return rows.at(row).toArray().at(i).toArray();
        }
    }
    ADD_FAILURE() << "no column " << heading;
    return {};
}

records::MeasurementRecord typicalRecord() {
    records::MeasurementRecord r = records_test::recordNumber(2);
    r.date = "2026-12-08/9:58";
    r.flow = "+1234.56m3/h";
    r.rangeRatio = "1:4";
    r.velocity = "-1.25";
    r.forwardTotal = "1.5E+07m3";
    r.alarm = "通讯正常 上限报警,";
    return r;
}

records::MeasurementRecord oddRecord() {
    records::MeasurementRecord r;
    r.station = 16;
    r.date = "2026-02-30/9:58";
    r.diameter = "DN100";
    r.flow = "=1+1";
    r.percent = "";
    r.velocity = "+00";
    r.forwardTotal = "1E+123m3";
    r.alarm = "bad\xff byte, a\x01 control";
    return r;
}

class WorkbookExport : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
    std::string path(const char* name) const { return dir_.filePath(name).toStdString(); }
    QStringList entries() const { return QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden); }

    QTemporaryDir dir_;
    platform::qt::QtFileWriter writer_;
};

TEST_F(WorkbookExport, ASpreadsheetReadsNumbersDatesAndTextsAsTheyAre) {
    fakes::FakeStore store;
    ASSERT_TRUE(store.append(typicalRecord()));
    ASSERT_TRUE(store.append(oddRecord()));
    const std::string file = path("records.xlsx");
    const records::ExportResult result = records::exportRecords(store, {}, writer_, file);
    ASSERT_TRUE(result.written);
    EXPECT_EQ(result.records, 2);

    const Reading reading = readWorkbook(file);
    if (!reading.skip.empty()) {
        GTEST_SKIP() << "no reader for the workbook: " << reading.skip;
    }
    const QJsonObject& book = reading.book;
    EXPECT_EQ(book["sheets"].toArray().size(), 1);
    EXPECT_EQ(book["freeze"].toString(), "A2") << "the heading row stays in view";
    const QJsonArray rows = book["rows"].toArray();
    ASSERT_EQ(rows.size(), 3);
    const QJsonArray widths = book["widths"].toArray();
    ASSERT_EQ(widths.size(), static_cast<int>(records::kExportColumns.size()));
    for (int i = 0; i < widths.size(); ++i) {
        EXPECT_EQ(rows.at(0).toArray().at(i).toArray().at(1).toString().toStdString(),
                  records::kExportColumns[static_cast<std::size_t>(i)].heading);
        EXPECT_GE(widths.at(i).toDouble(), 5.0) << "column " << i << " is sized";
    }
    EXPECT_GT(widths.at(10).toDouble(), 30.0) << "the alarms have room";

    struct Case {
        int row;
        const char* heading;
        const char* type;  // openpyxl's: n number, s text, d date
        QJsonValue value;
    };
    const Case cases[] = {
        {1, "仪表编号", "n", 3},
        {1, "日期", "s", "2026-12-08/9:58"},
        {1, "日期时间", "d", "2026-12-08T09:58:00"},
        {1, "管径", "n", 100},
        {1, "瞬时流量", "s", "+1234.56m3/h"},
        {1, "量程比", "s", "1:4"},
        {1, "流速", "s", "-1.25"},
        {1, "报警状态", "s", "通讯正常 上限报警,"},
        {1, "瞬时流量数值", "n", 1234.56},
        {1, "瞬时流量单位", "s", "m3/h"},
        {1, "百分比数值", "n", 45.6},
        {1, "百分比单位", "s", "%"},
        {1, "流速数值", "n", -1.25},
        {1, "流速单位", "s", "m/s"},
        {1, "正向累计数值", "n", 1.5e7},
        {1, "反向累计数值", "n", 0.5},
        {2, "仪表编号", "n", 16},
        {2, "日期时间", "n", QJsonValue()},
        {2, "管径", "s", "DN100"},
        {2, "瞬时流量", "s", "=1+1"},
        {2, "瞬时流量数值", "n", QJsonValue()},
        {2, "瞬时流量单位", "s", "=1+1"},
        {2, "百分比", "n", QJsonValue()},
        {2, "流速数值", "n", 0},
        {2, "正向累计数值", "n", QJsonValue()},
        {2, "正向累计单位", "s", "1E+123m3"},
        // A byte that starts no character becomes U+FFFD; a control character is kept in the
        // format's escape, which Excel turns back and openpyxl leaves as it is.
        {2, "报警状态", "s", "bad\uFFFD byte, a_x0001_ control"},
    };
    for (const Case& c : cases) {
        const QJsonArray cell = cellOf(book, c.row, c.heading);
        EXPECT_EQ(cell.at(0).toString().toStdString(), c.type) << c.heading << " row " << c.row;
        const std::string shown = QJsonDocument(cell).toJson(QJsonDocument::Compact).toStdString();
        if (c.value.isDouble()) {
            EXPECT_DOUBLE_EQ(cell.at(1).toDouble(-1e300), c.value.toDouble())
                << c.heading << " row " << c.row << ": " << shown;
        } else {
            EXPECT_EQ(cell.at(1), c.value) << c.heading << " row " << c.row << ": " << shown;
        }
    }
    EXPECT_EQ(cellOf(book, 1, "日期时间").at(2).toString(), "yyyy-mm-dd hh:mm");
}

TEST_F(WorkbookExport, TheNameDecidesTheFormatInAnyCase) {
    fakes::FakeStore store;
    ASSERT_TRUE(store.append(typicalRecord()));
    for (const auto& [name, workbook] : std::map<std::string, bool>{{"a.xlsx", true},
                                                                    {"B.XLSX", true},
                                                                    {"c.Xlsx", true},
                                                                    {"d.csv", false},
                                                                    {"e.xlsx.csv", false},
                                                                    {"f", false},
                                                                    {"xlsx", false}}) {
        ASSERT_TRUE(records::exportRecords(store, {}, writer_, path(name.c_str())).written) << name;
        const std::string start = contents(path(name.c_str())).substr(0, 3);
        EXPECT_EQ(start, workbook ? std::string("PK\x03", 3) : std::string("\xEF\xBB\xBF")) << name;
    }
}

TEST_F(WorkbookExport, ThroughABindingToo) {
    fakes::FakeRecordsBinding binding;
    binding.addSampleRows(3);
    const std::string file = path("records.xlsx");
    const records::ExportResult result = records::exportRecords(binding, {}, writer_, file);
    ASSERT_TRUE(result.written);
    EXPECT_EQ(result.records, 3);
    const Reading reading = readWorkbook(file);
    if (!reading.skip.empty()) {
        GTEST_SKIP() << "no reader for the workbook: " << reading.skip;
    }
    EXPECT_EQ(reading.book["rows"].toArray().size(), 4);
    EXPECT_EQ(cellOf(reading.book, 3, "仪表编号").at(1).toInt(), 3);
    EXPECT_EQ(cellOf(reading.book, 3, "报警状态").at(1), QStringLiteral("报警状态3"));
}

// A store whose count may be told to differ from what its walk hands over, as when records
// are logged between the two.
class MiscountingStore final : public records::Store {
  public:
    fakes::FakeStore store;
    std::optional<std::int64_t> counted;
    std::optional<std::int64_t> failAfter;  // the walk breaks off after this many records

    bool append(const records::MeasurementRecord& r) override { return store.append(r); }
    std::optional<std::vector<records::StoredRecord>> newest(const records::RecordFilter& f,
                                                             std::size_t limit) override {
        return store.newest(f, limit);
    }
    std::optional<std::int64_t> count(const records::RecordFilter& f) override {
        return counted ? counted : store.count(f);
    }
    bool walk(const records::RecordFilter& f, const records::RecordSink& sink) override {
        std::int64_t handed = 0;
        bool stopped = false;
        const bool walked = store.walk(f, [&](std::int64_t key, const records::RecordView& v) {
            stopped = failAfter && handed == *failAfter;
            return !stopped && (++handed, sink(key, v));
        });
        return walked && !stopped;
    }
    bool clear() override { return store.clear(); }
    records::StoreHealth health() const override { return store.health(); }
};

TEST_F(WorkbookExport, MoreRecordsThanASheetHoldsAreRefusedBeforeAnythingIsWritten) {
    MiscountingStore store;
    fakes::FakeFileWriter writer;
    store.counted = records::kWorkbookRecordLimit + 1;
    records::ExportResult result = records::exportRecords(store, {}, writer, "all.xlsx");
    EXPECT_FALSE(result.written);
    EXPECT_EQ(result.problem, records::ExportProblem::TooManyRecords);
    EXPECT_EQ(result.records, records::kWorkbookRecordLimit + 1);
    EXPECT_TRUE(writer.files.empty());
    EXPECT_EQ(writer.abandoned, 0) << "no write was begun";

    store.counted = records::kWorkbookRecordLimit;
    writer.namedFile = path("scratch");
    result = records::exportRecords(store, {}, writer, "all.xlsx");
    EXPECT_TRUE(result.written) << "a full sheet is not too full";
    EXPECT_EQ(writer.files.count("all.xlsx"), 1U);
}

TEST_F(WorkbookExport, AFailedOrRefusedExportLeavesWhatWasThere) {
    struct Case {
        const char* label;
        std::int64_t limit;
        std::optional<std::int64_t> counted;
        std::optional<std::int64_t> failAfter;
        records::ExportProblem problem;
    };
    const Case cases[] = {
        {"counted too many", 2, std::nullopt, std::nullopt, records::ExportProblem::TooManyRecords},
        {"more came after the count", 2, 2, std::nullopt, records::ExportProblem::TooManyRecords},
        {"the walk broke off", 10, std::nullopt, 1, records::ExportProblem::Store},
    };
    const auto openFiles = [] { return QDir(QStringLiteral("/proc/self/fd")).count(); };
    const auto openBefore = openFiles();
    for (const Case& c : cases) {
        MiscountingStore store;
        for (int n = 1; n <= 3; ++n) {
            ASSERT_TRUE(store.append(records_test::recordNumber(n)));
        }
        store.counted = c.counted;
        store.failAfter = c.failAfter;
        const std::string file = path("records.xlsx");
        std::ofstream(file) << "old";
        const records::ExportResult result =
            records::exportWorkbook(store, {}, writer_, file, c.limit);
        EXPECT_FALSE(result.written) << c.label;
        EXPECT_EQ(result.problem, c.problem) << c.label;
        EXPECT_EQ(contents(file), "old") << c.label;
        EXPECT_EQ(entries(), QStringList{"records.xlsx"}) << c.label;
    }
    EXPECT_EQ(openFiles(), openBefore) << "a dropped workbook keeps no temporary file open";
}

}  // namespace
