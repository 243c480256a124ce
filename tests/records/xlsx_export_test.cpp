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
#include <optional>
#include <string>

#include "fakes/fake_file_writer.h"
#include "fakes/fake_store.h"
#include "platform/qt/qt_file_writer.h"
#include "records/export_fields.h"
#include "records/workbook_parts.h"
#include "records/xlsx_export.h"
#include "sample_records.h"

namespace {

std::string contents(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// What openpyxl reads from a workbook, or why it could not be asked (`skip`).
QJsonObject readWorkbook(const std::string& path, std::string& skip) {
    QProcess reader;
    reader.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral(TUSKO_READ_WORKBOOK_PATH), QString::fromStdString(path)});
    if (!reader.waitForStarted(30000)) {
        skip = "/usr/bin/python3 is not installed";
        return {};
    }
    reader.waitForFinished(120000);
    if (reader.exitCode() == 77) {
        skip = reader.readAllStandardOutput().toStdString();
        return {};
    }
    EXPECT_EQ(reader.exitCode(), 0) << reader.readAllStandardError().toStdString();
    return QJsonDocument::fromJson(reader.readAllStandardOutput()).object();
}

records::MeasurementRecord oddRecord() {
    records::MeasurementRecord r;
    r.station = 16;
    r.date = "2026-02-30/9:58";
    r.diameter = "DN100";
    r.flow = "=1+1";
    r.velocity = "+00";
    r.forwardTotal = "1E+123m3";
    r.alarm = "bad\xff byte, a\x01 control\xEF\xBF\xBF end";
    return r;
}

class WorkbookExport : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
    std::string path(const std::string& name) const {
        return dir_.filePath(QString::fromStdString(name)).toStdString();
    }

    QTemporaryDir dir_;
    platform::qt::QtFileWriter writer_;
};

TEST_F(WorkbookExport, ASpreadsheetReadsNumbersDatesAndTextsAsTheyAre) {
    fakes::FakeStore store;
    records::MeasurementRecord typical = records_test::recordNumber(2);
    typical.date = "2026-12-08/9:58";
    typical.rangeRatio = "1:4";
    typical.velocity = "-1.25";
    typical.forwardTotal = "1.5E+07m3";
    typical.alarm = "通讯正常 上限报警,";
    ASSERT_TRUE(store.append(typical));
    ASSERT_TRUE(store.append(oddRecord()));
    // Days before March 1900 count one less: the spreadsheet's calendar has a 29 February 1900.
    records::MeasurementRecord early = records_test::recordNumber(5);
    early.date = "1900-02-28/23:59";
    early.alarm = " <b> & _x0041_";
    ASSERT_TRUE(store.append(early));
    early.date = "1900-03-01/0:00";
    ASSERT_TRUE(store.append(early));
    ASSERT_TRUE(records::exportRecords(store, {}, writer_, path("records.xlsx")).written);

    std::string skip;
    const QJsonObject book = readWorkbook(path("records.xlsx"), skip);
    if (!skip.empty()) {
        GTEST_SKIP() << "no reader for the workbook: " << skip;
    }
    EXPECT_EQ(book["sheets"].toArray().size(), 1);
    EXPECT_EQ(book["freeze"].toString(), "A2") << "the heading row stays in view";
    const QJsonArray rows = book["rows"].toArray();
    ASSERT_EQ(rows.size(), 5);
    const QJsonArray widths = book["widths"].toArray();
    ASSERT_EQ(widths.size(), 21);
    for (int i = 0; i < widths.size(); ++i) {
        EXPECT_EQ(rows[0][i][1].toString().toStdString(), records::kExportColumns[i].heading);
        EXPECT_GE(widths[i].toDouble(), 6.0) << "column " << i << " is sized";
    }
    // Stored with Excel's padding, in 1/256 of a digit's width: 9 characters, and 36.
    EXPECT_EQ(widths[0].toDouble(), 9.7109375);
    EXPECT_EQ(widths[10].toDouble(), 36.7109375);

    struct Case {
        int row;
        int column;
        const char* type;  // openpyxl's: n number, s text, d date
        QJsonValue value;
    };
    // clang-format off
    const Case cases[] = {
        {1, 0, "n", 3},              {1, 1, "s", "2026-12-08/9:58"},
        {1, 2, "d", "2026-12-08T09:58:00"},
        {1, 3, "n", 100},            {1, 4, "s", "+2.5m3/h"},         {1, 6, "s", "1:4"},
        {1, 7, "s", "-1.25"},        {1, 10, "s", "通讯正常 上限报警,"}, {1, 11, "n", 2.5},
        {1, 12, "s", "m3/h"},        {1, 13, "n", 45.6},              {1, 15, "n", -1.25},
        {1, 16, "s", "m/s"},         {1, 17, "n", 1.5e7},             {2, 0, "n", 16},
        {2, 2, "n", QJsonValue()},   {2, 3, "s", "DN100"},            {2, 4, "s", "=1+1"},
        {2, 11, "n", QJsonValue()},  {2, 12, "s", "=1+1"},            {2, 15, "n", 0},
        {2, 17, "n", QJsonValue()},  {2, 18, "s", "1E+123m3"},
        // A byte that starts no character becomes U+FFFD; a control character stays in the
        // format's escape, which Excel turns back and openpyxl shows as it is.
        {2, 10, "s", "bad\uFFFD byte, a_x0001_ control_xFFFF_ end"},
        {3, 2, "d", "1900-02-28T23:59:00"},  {4, 2, "d", "1900-03-01T00:00:00"},
        // Markup stays text; an underscore that would start an escape is escaped itself, so
        // that a reader of the shared texts shows "_x0041_" as it was stored.
        {3, 10, "s", " <b> & _x0041_"},
    };
    // clang-format on
    for (const Case& c : cases) {
        const QJsonValue cell = rows[c.row][c.column];
        const std::string shown = QJsonDocument(cell.toArray()).toJson().toStdString();
        EXPECT_EQ(cell[0].toString().toStdString(), c.type) << shown;
        if (c.value.isDouble()) {
            EXPECT_DOUBLE_EQ(cell[1].toDouble(-1e300), c.value.toDouble()) << shown;
        } else {
            EXPECT_EQ(cell[1], c.value) << shown;
        }
    }
    EXPECT_EQ(rows[1][2][2].toString(), "yyyy-mm-dd hh:mm");
    EXPECT_EQ(book["preserved"].toInt(), 1) << "the text with a space at an end (an alarm state "
                                               "of two rows, kept once) keeps it";
    // A cell names its place only after an empty one, which is left out; the cells read back in
    // their columns either way.
    int afterEmpty = 0;
    for (const QJsonValue row : rows) {
        for (int column = 1; column < 21; ++column) {
            afterEmpty += row[column][1].isNull() ? 0 : row[column - 1][1].isNull() ? 1 : 0;
        }
    }
    EXPECT_GT(afterEmpty, 0);
    EXPECT_EQ(book["placed"].toInt(), afterEmpty);
}

// A cell holds at most 32767 characters: a longer text fails the export rather than the
// workbook's opening.
TEST_F(WorkbookExport, ATextLongerThanACellHoldsFailsTheExport) {
    const struct {
        std::string alarm;
        bool written;
    } cases[] = {
        {std::string(32767, 'x'), true},
        {std::string(32768, 'x'), false},
        {[] {
             std::string chinese;
             for (int i = 0; i < 32767; ++i) {
                 chinese += "通";
             }
             return chinese;
         }(),
         true},
    };
    for (const auto& c : cases) {
        fakes::FakeStore store;
        records::MeasurementRecord record = records_test::recordNumber(1);
        record.alarm = c.alarm;
        ASSERT_TRUE(store.append(record));
        fakes::FakeFileWriter writer;
        EXPECT_EQ(records::exportRecords(store, {}, writer, "long.xlsx").written, c.written)
            << c.alarm.size() << " bytes";
    }
}

// Rows beyond the first piece of the sheet, compressed apart from it, read on in their order.
TEST_F(WorkbookExport, ASheetOfManyPiecesReadsBackInOrder) {
    fakes::FakeStore store;
    constexpr int kRecords = 3000;  // about 3 MB of the sheet's XML
    // Each record's own range ratio and alarm state: more texts than the shared table takes, so
    // the later ones stay in their cells.
    for (int n = 0; n < kRecords; ++n) {
        records::MeasurementRecord record = records_test::recordNumber(n);
        record.rangeRatio = "1:" + std::to_string(n);
        record.alarm = "报警 " + std::to_string(n);
        ASSERT_TRUE(store.append(record));
    }
    ASSERT_TRUE(records::exportRecords(store, {}, writer_, path("many.xlsx")).written);
    std::string skip;
    const QJsonObject book = readWorkbook(path("many.xlsx"), skip);
    if (!skip.empty()) {
        GTEST_SKIP() << "no reader for the workbook: " << skip;
    }
    const QJsonArray rows = book["rows"].toArray();
    ASSERT_EQ(rows.size(), kRecords + 1);
    for (const int n : {0, 1000, 1999, kRecords - 1}) {
        EXPECT_EQ(rows[n + 1][4][1].toString().toStdString(), "+" + std::to_string(n) + ".5m3/h");
        EXPECT_EQ(rows[n + 1][17][1].toDouble(), n) << "row " << n + 1;
        EXPECT_EQ(rows[n + 1][10][1].toString().toStdString(), "报警 " + std::to_string(n));
        EXPECT_EQ(rows[n + 1][12][1].toString(), "m3/h");
    }
    EXPECT_EQ(book["shared"].toInt(), 4096) << "the table of shared texts is full";
}

// A longer text stays in its cell, so that the table's memory stays small.
TEST(WorkbookSharedTexts, OnlyTextsOfAtMost64BytesAreShared) {
    records::workbook::SharedTexts table;
    EXPECT_EQ(table.place(std::string(65, 'x')), std::nullopt);
    EXPECT_EQ(table.place(std::string(64, 'x')), 0U);
}

TEST_F(WorkbookExport, MoreRecordsThanASheetHoldsAreRefusedBeforeAnythingIsWritten) {
    fakes::FakeStore store;
    fakes::FakeFileWriter writer;
    store.countAnswer = records::kWorkbookRecordLimit + 1;
    const records::ExportResult refused = records::exportRecords(store, {}, writer, "all.xlsx");
    EXPECT_EQ(refused.problem, records::ExportProblem::TooManyRecords);
    EXPECT_EQ(refused.records, 1048576);
    EXPECT_TRUE(writer.files.empty());
    EXPECT_EQ(writer.abandoned, 0) << "no write was begun";

    store.countAnswer = records::kWorkbookRecordLimit;
    EXPECT_TRUE(records::exportRecords(store, {}, writer, "all.xlsx").written) << "a full sheet";
}

// More records than counted (logged meanwhile) beyond the sheet, or a walk that breaks off.
TEST_F(WorkbookExport, AFailedExportLeavesWhatWasThere) {
    const records::RecordView fields = {"1", "2026-12-08/9:58", "100", "+1m3/h"};
    const auto openFiles = [] { return QDir(QStringLiteral("/proc/self/fd")).count(); };
    const auto openBefore = openFiles();
    for (const bool breaksOff : {false, true}) {
        std::ofstream(path("records.xlsx")) << "old";
        records::WorkbookFile workbook(writer_);
        const auto walk = [&](const records::RecordSink& sink) {
            return sink(1, fields) && sink(2, fields) && !breaksOff && sink(3, fields);
        };
        const records::ExportResult result =
            records::writeRecords(workbook, path("records.xlsx"), walk, 2);
        EXPECT_EQ(result.problem, breaksOff ? records::ExportProblem::Store
                                            : records::ExportProblem::TooManyRecords);
        EXPECT_EQ(contents(path("records.xlsx")), "old");
        EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden),
                  QStringList{"records.xlsx"});
    }
    EXPECT_EQ(openFiles(), openBefore) << "a dropped workbook keeps no temporary file open";
}

}  // namespace
