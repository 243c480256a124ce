#include "records/form4.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>

#include <string>
#include <vector>

#include "fakes/fake_dialogs.h"
#include "fakes/fake_file_writer.h"
#include "fakes/fake_records_binding.h"
#include "platform/event_gate.h"

namespace {

using fakes::FakeRecordsBinding;

class Form4Test : public ::testing::Test {
  protected:
    ~Form4Test() override { delete form; }

    records::Form4& open() {
        form = new records::Form4(binding, dialogs, gate, writer);
        form->show();
        return *form;
    }
    static void processDeferredDeletes() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // The ten cells of a record row, columns 2 to 11.
    std::vector<std::string> recordRow(int row) const {
        std::vector<std::string> cells;
        for (int column = 2; column < 12; ++column) {
            cells.push_back(form->TextMatrix(row, column).toStdString());
        }
        return cells;
    }
    static std::vector<std::string> sampleTexts(int tag) {
        std::vector<std::string> texts;
        const FakeRecordsBinding::Row row = FakeRecordsBinding::sampleRow(tag);
        for (const std::string& name : records::kFieldNames) {
            texts.push_back(FakeRecordsBinding::textOf(row, name));
        }
        return texts;
    }
    bool rowEmpty(int row) const { return recordRow(row) == std::vector<std::string>(10); }

    FakeRecordsBinding binding;
    fakes::FakeDialogs dialogs;
    fakes::FakeFileWriter writer;
    platform::EventGate gate;
    QPointer<records::Form4> form;
};

TEST_F(Form4Test, LoadBuildsTheWindowAndOpensTheStore) {
    records::Form4& f = open();

    EXPECT_EQ(f.windowTitle(), QStringLiteral("数据查询"));
    EXPECT_EQ(f.Label1->text(), QStringLiteral("数  据  备  份"));
    EXPECT_EQ(f.Command1->text(), QStringLiteral("记录清除"));
    EXPECT_EQ(f.Command2->text(), QStringLiteral("返回"));
    EXPECT_EQ(f.MSFlexGrid1->rowCount(), 1001);
    EXPECT_EQ(f.MSFlexGrid1->columnCount(), 12);
    EXPECT_TRUE(f.MSFlexGrid1->horizontalHeader()->isHidden());
    EXPECT_TRUE(f.MSFlexGrid1->verticalHeader()->isHidden());

    const std::vector<int> widths = {1, 1, 67, 120, 33, 100, 67, 67, 67, 100, 100, 257};
    const std::vector<std::string> headings = {
        "",         "",         " 仪表编号", "        日期", "管径",        "    瞬时流量",
        "  百分比", "  量程比", "   流速",   "   正向累计",  "   反向累计", "   报警状态"};
    for (int column = 0; column < 12; ++column) {
        EXPECT_EQ(f.MSFlexGrid1->columnWidth(column), widths[column]) << column;
        EXPECT_EQ(f.TextMatrix(0, column).toStdString(), headings[column]) << column;
    }
    EXPECT_EQ(binding.databaseName, "kvt97.mdb");
    EXPECT_EQ(binding.recordSource, "数据监测");
    EXPECT_EQ(binding.calls("refresh"), 1u);
}

TEST_F(Form4Test, EmptyTableLeavesOnlyTheHeadings) {
    records::Form4& f = open();
    f.Form_Activate();

    for (int row = 1; row <= 1000; ++row) {
        ASSERT_TRUE(rowEmpty(row)) << row;
    }
    EXPECT_EQ(f.TextMatrix(0, 2), QStringLiteral(" 仪表编号"));
}

TEST_F(Form4Test, ThreeRecordsFillRowsOneToThreeOldestFirst) {
    binding.addSampleRows(3);
    records::Form4& f = open();
    f.Form_Activate();

    EXPECT_EQ(recordRow(1), sampleTexts(1));
    EXPECT_EQ(recordRow(2), sampleTexts(2));
    EXPECT_EQ(recordRow(3), sampleTexts(3));
    EXPECT_TRUE(rowEmpty(4));
    EXPECT_TRUE(f.TextMatrix(1, 0).isEmpty());
    EXPECT_TRUE(f.TextMatrix(1, 1).isEmpty());
}

TEST_F(Form4Test, FifteenHundredRecordsShowTheNewestThousand) {
    binding.addSampleRows(1500);
    records::Form4& f = open();
    binding.log.clear();
    f.Form_Activate();

    EXPECT_EQ(recordRow(1), sampleTexts(501));
    EXPECT_EQ(recordRow(500), sampleTexts(1000));
    EXPECT_EQ(recordRow(1000), sampleTexts(1500));
    EXPECT_EQ(binding.log, std::vector<std::string>{"newestRows"})
        << "the fill reads only the newest records, in one call";
}

TEST_F(Form4Test, WindowActivationRunsTheFillThroughTheGate) {
    open();  // shown on an empty table
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(form, &deactivate);
    binding.addSampleRows(2);

    // An activation while another handler runs is kept and filled once that handler returns.
    gate.run([this] {
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(form, &activate);
        EXPECT_TRUE(rowEmpty(1));
    });

    EXPECT_EQ(recordRow(2), sampleTexts(2));
}

TEST_F(Form4Test, ShowingFillsOnceAndLaterActivationsRefill) {
    binding.addSampleRows(2);
    open();  // shown: filled even where no window manager activates the window
    EXPECT_EQ(recordRow(2), sampleTexts(2));
    const std::size_t fills = binding.calls("newestRows");
    QEvent activate(QEvent::WindowActivate);
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(form, &activate);  // the activation that follows the showing
    EXPECT_EQ(binding.calls("newestRows"), fills);
    QApplication::sendEvent(form, &deactivate);
    binding.addSampleRows(1);
    QApplication::sendEvent(form, &activate);
    EXPECT_EQ(binding.calls("newestRows"), fills + 1);
    EXPECT_EQ(recordRow(3), sampleTexts(1));
}

TEST_F(Form4Test, ReactivationRewritesRowsWithoutClearingOthers) {
    binding.addSampleRows(3);
    records::Form4& f = open();
    f.Form_Activate();

    binding.rows.erase(binding.rows.begin());
    binding.rows.front() = FakeRecordsBinding::sampleRow(7);
    f.Form_Activate();

    EXPECT_EQ(recordRow(1), sampleTexts(7));
    EXPECT_EQ(recordRow(2), sampleTexts(3));
    EXPECT_EQ(recordRow(3), sampleTexts(3)) << "a row beyond the new fill keeps its old text";
}

TEST_F(Form4Test, ClearAnsweredNoChangesNothing) {
    binding.addSampleRows(3);
    records::Form4& f = open();
    f.Form_Activate();
    binding.log.clear();
    dialogs.yesNoAnswers = {false};

    f.Command1->click();
    processDeferredDeletes();

    EXPECT_EQ(dialogs.questions, (std::vector<std::string>{"确定要清除全部记录吗？"}));
    EXPECT_EQ(binding.rows.size(), 3u);
    EXPECT_TRUE(binding.log.empty());
    ASSERT_FALSE(form.isNull());
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(recordRow(3), sampleTexts(3));
}

TEST_F(Form4Test, ClearAnsweredYesDeletesAllRefreshesAndCloses) {
    for (const int count : {0, 3}) {
        binding.rows.clear();
        binding.addSampleRows(count);
        records::Form4& f = open();
        binding.log.clear();
        dialogs.yesNoAnswers = {true};

        f.Command1->click();
        processDeferredDeletes();

        EXPECT_TRUE(binding.rows.empty()) << count;
        EXPECT_EQ(binding.log, (std::vector<std::string>{"deleteAll", "refresh"})) << count;
        EXPECT_TRUE(form.isNull()) << "the window is closed and destroyed";
    }
}

TEST_F(Form4Test, ReturnClosesTheWindowAndLeavesTheRecords) {
    binding.addSampleRows(3);
    records::Form4& f = open();
    binding.log.clear();

    f.Command2->click();
    processDeferredDeletes();

    EXPECT_TRUE(form.isNull());
    EXPECT_EQ(binding.rows.size(), 3u);
    EXPECT_TRUE(binding.log.empty());
}

TEST_F(Form4Test, ClickDuringAnotherHandlerIsDropped) {
    open();
    gate.run([this] { form->Command2->click(); });
    processDeferredDeletes();
    EXPECT_FALSE(form.isNull());
}

TEST_F(Form4Test, ReopeningCreatesAFreshWindowThatRefills) {
    binding.addSampleRows(2);
    open().Form_Activate();
    form->Command2->click();
    processDeferredDeletes();
    ASSERT_TRUE(form.isNull());

    binding.addSampleRows(3);  // three more records: 1, 2, 1, 2, 3
    records::Form4& again = open();
    again.Form_Activate();

    EXPECT_EQ(binding.calls("setDatabaseName"), 2u);
    EXPECT_EQ(recordRow(5), sampleTexts(3));
    EXPECT_EQ(recordRow(2), sampleTexts(2));
    EXPECT_TRUE(rowEmpty(6));
}

}  // namespace
