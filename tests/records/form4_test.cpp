// The data-query window over a records store read on a thread of the window's own: the grid's
// layout and fills, new records taken as they are logged, the export of what is listed, a store
// that fails and heals, a store that does not answer, and the clear.
#include "records/form4.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "fakes/fake_store.h"
#include "form4_fixture.h"
#include "sample_records.h"
#include "support/wait_for.h"

namespace {

using records_test::Form4Test;
using records_test::recordNumber;
using records_test::textsOf;
using testsupport::waitFor;
using State = fakes::SharedFakeStore::State;

TEST_F(Form4Test, LoadBuildsTheWindowAndReadsItsOwnStore) {
    records::Form4& f = open();

    EXPECT_EQ(f.windowTitle(), QStringLiteral("数据查询"));
    EXPECT_EQ(f.Label1->text(), QStringLiteral("数  据  备  份"));
    EXPECT_EQ(f.Command1->text(), QStringLiteral("记录清除"));
    EXPECT_EQ(f.Command2->text(), QStringLiteral("返回"));
    EXPECT_EQ(f.MSFlexGrid1->model()->rowCount() + 1, 1001) << "the heading row and 1000 rows";
    EXPECT_EQ(f.MSFlexGrid1->model()->columnCount(), 12);
    EXPECT_FALSE(f.MSFlexGrid1->horizontalHeader()->isHidden()) << "the fixed heading row";
    EXPECT_TRUE(f.MSFlexGrid1->verticalHeader()->isHidden());
    EXPECT_TRUE(f.faultLabel->isHidden());
    EXPECT_TRUE(f.MSFlexGrid1->updatesEnabled()) << "drawn once its records are in";

    const std::vector<int> widths = {1, 1, 67, 120, 33, 100, 67, 67, 67, 100, 100, 257};
    const std::vector<std::string> headings = {
        "",         "",         " 仪表编号", "        日期", "管径",        "    瞬时流量",
        "  百分比", "  量程比", "   流速",   "   正向累计",  "   反向累计", "   报警状态"};
    for (int column = 0; column < 12; ++column) {
        EXPECT_EQ(f.MSFlexGrid1->columnWidth(column), widths[column]) << column;
        EXPECT_EQ(f.TextMatrix(0, column).toStdString(), headings[column]) << column;
        EXPECT_EQ(f.MSFlexGrid1->model()->headerData(column, Qt::Horizontal).toString(),
                  f.TextMatrix(0, column));
    }
    EXPECT_EQ(shared.with([](State& s) { return s.made; }), 1);
    EXPECT_EQ(shared.calls("newest"), 1) << "showing the window reads once";
    EXPECT_EQ(f.Timer1->interval(), 5000);
    f.hide();
    f.show();
    EXPECT_TRUE(f.Timer1->isActive()) << "looking while shown";
    f.hide();
    EXPECT_FALSE(f.Timer1->isActive()) << "no looking while hidden";
}

TEST_F(Form4Test, ListsTheNewestThousandOldestFirstAndRecordsLoggedAfterOpeningJoin) {
    struct Case {
        int before;
        int firstFilled;  // the record in row 1 after the fill
        int after;
        int firstListed;  // the record in row 1 after the look
    };
    for (const Case c : {Case{0, 0, 2, 1}, Case{3, 1, 1, 1}, Case{999, 1, 3, 3},
                         Case{1000, 1, 5, 6}, Case{1500, 501, 0, 501}, Case{10, 1, 1500, 511}}) {
        SCOPED_TRACE(c.before);
        restart();
        log(c.before);
        records::Form4& f = open();
        expectRows(1, std::min(c.before, 1000), c.firstFilled);
        EXPECT_TRUE(c.before >= 1000 || rowEmpty(c.before + 1));
        EXPECT_TRUE(f.TextMatrix(1, 0).isEmpty() && f.TextMatrix(1, 1).isEmpty());
        const std::int64_t newestShown = shared.with([](State& s) {
            return s.store.records.empty() ? std::int64_t{0} : s.store.records.back().key;
        });
        log(c.after);
        look();
        EXPECT_EQ(lastFilter().afterKey, newestShown)
            << "a look reads only records newer than the newest listed";
        expectRows(1, std::min(c.before + c.after, 1000), c.firstListed);
    }
    // The window's own timer looks too, without waiting its seconds here.
    log(1);
    form->Timer1->start(1);
    EXPECT_TRUE(waitFor([this] { return recordRow(1000) == textsOf(recordNumber(1511)); }));
}

TEST_F(Form4Test, ExportTakesWhatTheWindowLists) {
    struct Case {
        int station;  // 0 for every station
        int stored;
        int exported;
    };
    // Record n is of station n % 16 + 1; one more record is logged after each fill and not yet
    // listed, so it is not exported.
    for (const Case c : {Case{0, 5, 5}, Case{0, 1500, 1500}, Case{4, 40, 3}, Case{0, 0, 0}}) {
        SCOPED_TRACE(std::to_string(c.station) + "/" + std::to_string(c.stored));
        restart();
        dialogs.messages.clear();
        log(c.stored);
        records::Form4& f = open();
        f.stationBox->setCurrentIndex(c.station);
        settle();
        const std::int64_t newestListed = shared.with([&f](State& s) {
            std::int64_t key = 0;
            for (const records::StoredRecord& r : s.store.records) {
                key = fakes::FakeStore::passes(f.filter(), r) ? r.key : key;
            }
            return key;
        });
        log(1);
        dialogs.saveAnswers = {"/tmp/records.csv"};

        f.exportButton->click();
        ASSERT_TRUE(waitFor([&] { return !dialogs.messages.empty(); }));

        EXPECT_EQ(dialogs.saveFilters.back(), "CSV 文件 (*.csv);;Excel 工作簿 (*.xlsx)");
        EXPECT_EQ(dialogs.messages.back(), "已导出 " + std::to_string(c.exported) + " 条记录。");
        const std::string file = writer.files["/tmp/records.csv"];
        EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), c.exported + 1) << "and a heading";
        EXPECT_EQ(lastFilter().upToKey, newestListed) << "up to the newest listed, no further";
        EXPECT_EQ(lastFilter().station.value_or(0), c.station);
    }
    // A refused target is said at once, and neither read nor written.
    const int walks = shared.calls("walk");
    dialogs.saveAnswers = {"kvt97.mdb"};
    form->exportButton->click();
    EXPECT_EQ(dialogs.messages.back(), "不能导出到 kvt97.mdb");
    EXPECT_EQ(shared.calls("walk"), walks);
    EXPECT_EQ(writer.files.count("kvt97.mdb"), 0u);

    // A failed export says why: the file, the store, or a workbook too small for the records.
    struct Failure {
        std::function<void()> cause;
        const char* path;
        std::string said;
    };
    for (const Failure& c : std::vector<Failure>{
             {[this] { writer.failing = true; }, "/tmp/records.csv", "导出失败：/tmp/records.csv"},
             {[this] { setProblem(records::StoreProblem::Locked, "database is locked"); },
              "/tmp/records.csv",
              "导出失败：无法读取记录：记录文件被其他程序锁定（database is locked）"},
             {[this] { shared.with([](State& s) { s.store.countAnswer = 2000000; }); },
              "/tmp/records.xlsx", "导出失败：2000000 条记录超出 Excel 工作表的行数"}}) {
        c.cause();
        dialogs.saveAnswers = {c.path};
        const std::size_t said = dialogs.messages.size();
        form->exportButton->click();
        ASSERT_TRUE(waitFor([&] { return dialogs.messages.size() == said + 1; }));
        EXPECT_EQ(dialogs.messages.back().rfind(c.said, 0), 0u) << dialogs.messages.back();
        writer.failing = false;
        setProblem(records::StoreProblem::None);
        EXPECT_TRUE(form->exportButton->isEnabled());
    }
}

TEST_F(Form4Test, FiltersListOnlyTheirRecords) {
    const std::vector<std::string> dates = {"2007-10-09/23:59", "2007-10-10/0:00",
                                            "2007-10-10/9:13", "2007-10-11/8:00",
                                            "2007-10-12/0:01"};
    shared.with([&](State& s) {
        for (std::size_t i = 0; i < dates.size(); ++i) {
            records::MeasurementRecord record = recordNumber(1);
            record.station = static_cast<std::uint8_t>(i % 2 + 1);  // stations 1, 2, 1, 2, 1
            record.date = dates[i];
            EXPECT_TRUE(s.store.append(record));
        }
    });
    struct Case {
        int station;
        QString from;  // empty: no bound
        QString to;
        std::vector<std::size_t> listed;  // indexes into `dates`
    };
    records::Form4& f = open();
    for (const Case& c : std::vector<Case>{{1, {}, {}, {0, 2, 4}},
                                           {0, "2007-10-10", "2007-10-11", {1, 2, 3}},
                                           {2, "2007-10-11", {}, {3}},
                                           {1, "2007-10-13", {}, {}},
                                           {0, {}, {}, {0, 1, 2, 3, 4}}}) {
        SCOPED_TRACE(c.station);
        f.MSFlexGrid1->scrollToBottom();
        f.stationBox->setCurrentIndex(c.station);
        f.fromCheck->setChecked(!c.from.isEmpty());
        f.toCheck->setChecked(!c.to.isEmpty());
        f.fromDate->setDate(c.from.isEmpty() ? f.fromDate->date()
                                             : QDate::fromString(c.from, Qt::ISODate));
        f.toDate->setDate(c.to.isEmpty() ? f.toDate->date() : QDate::fromString(c.to, Qt::ISODate));
        settle();
        for (std::size_t i = 0; i < c.listed.size(); ++i) {
            EXPECT_EQ(f.TextMatrix(int(i) + 1, 3).toStdString(), dates[c.listed[i]]) << i;
        }
        EXPECT_TRUE(rowEmpty(int(c.listed.size()) + 1)) << "no rows of another filter";
        EXPECT_EQ(f.MSFlexGrid1->verticalScrollBar()->value(), 0) << "its records in sight";
    }
}

TEST_F(Form4Test, AFailingStoreSaysWhyAndRecovers) {
    struct Case {
        records::StoreProblem problem;  // None: the maker makes no store
        std::string detail;
        std::string said;
    };
    for (const Case& c : std::vector<Case>{
             {records::StoreProblem::Locked, "database is locked", "database is locked"},
             {records::StoreProblem::ServerUnreachable, "", "无法连接服务器"},
             {records::StoreProblem::None, "", "找不到记录文件"}}) {
        SCOPED_TRACE(c.said);
        restart();
        log(2);
        // Failing from the first read: nothing listed, the reason in its place.
        setProblem(c.problem, c.detail);
        shared.with([&](State& s) { s.making = c.problem != records::StoreProblem::None; });
        records::Form4& f = open();
        EXPECT_FALSE(f.faultLabel->isHidden());
        EXPECT_NE(f.faultLabel->text().toStdString().find(c.said), std::string::npos);
        EXPECT_TRUE(rowEmpty(1));

        // Readable again: the next look lists the records and the reason goes.
        setProblem(records::StoreProblem::None);
        shared.with([](State& s) { s.making = true; });
        look();
        EXPECT_TRUE(f.faultLabel->isHidden());
        expectRows(1, 2, 1);

        // Failing after records were listed: they stay, the reason above them.
        setProblem(records::StoreProblem::Locked);
        f.Form_Activate();
        settle();
        EXPECT_FALSE(f.faultLabel->isHidden());
        expectRows(1, 2, 1);
        setProblem(records::StoreProblem::None);
    }
}

TEST_F(Form4Test, AStoreThatDoesNotAnswerHoldsNothingUp) {
    log(3);
    shared.with([](State& s) { s.held = true; });
    form = new records::Form4({shared.maker(), nullptr, nullptr, dialogs, gate, clock});
    form->show();
    ASSERT_TRUE(waitFor([this] { return shared.with([](State& s) { return s.waiting > 0; }); }));
    EXPECT_TRUE(form->reading());
    EXPECT_TRUE(rowEmpty(1));
    EXPECT_TRUE(waitFor([this] { return form->MSFlexGrid1->updatesEnabled(); }))
        << "the empty grid is drawn after a moment";

    // The window answers meanwhile: a changed filter, a tick, and "返回" closes it.
    form->stationBox->setCurrentIndex(2);
    gate.run([this] { form->Timer1_Timer(); });
    form->Command2->click();
    EXPECT_TRUE(form->isHidden());
    shared.release();
    EXPECT_TRUE(waitFor([this] { return shared.with([](State& s) { return s.waiting == 0; }); }));
    settle();
    EXPECT_TRUE(rowEmpty(1)) << "what was read for a closed window is not listed";
}

TEST_F(Form4Test, ActivationRereadsThroughTheGateAndEmptiesRowsBeyondTheFill) {
    open();
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(form, &deactivate);
    log(3);
    // An activation while another handler runs is filled once that handler has returned.
    gate.run([this] {
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(form, &activate);
        EXPECT_FALSE(form->reading()) << "not asked yet";
    });
    settle();
    expectRows(1, 3, 1);

    shared.with([](State& s) { s.store.records.erase(s.store.records.begin()); });
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(form, &activate);
    settle();
    EXPECT_EQ(shared.calls("newest"), 3);
    expectRows(1, 2, 2);
    EXPECT_TRUE(rowEmpty(3)) << "a record no longer stored is no longer listed";
}

TEST_F(Form4Test, ClearAsksThenEmptiesTheStoreAndCloses) {
    struct Case {
        int stored;
        bool yes;
        bool failing;
        int left;
        bool closed;
    };
    for (const Case c : {Case{3, false, false, 3, false}, Case{0, true, false, 0, true},
                         Case{3, true, false, 0, true}, Case{3, true, true, 3, false}}) {
        SCOPED_TRACE(std::to_string(c.stored) + (c.yes ? " yes" : " no"));
        restart();
        log(c.stored);
        records::Form4& f = open();
        dialogs.questions.clear();
        dialogs.yesNoAnswers = {c.yes};
        const int clears = shared.calls("clear");
        setProblem(c.failing ? records::StoreProblem::ReadOnly : records::StoreProblem::None);

        f.Command1->click();
        settle();

        EXPECT_EQ(dialogs.questions, (std::vector<std::string>{"确定要清除全部记录吗？"}));
        EXPECT_EQ(shared.calls("clear"), clears + (c.yes ? 1 : 0));
        EXPECT_EQ(shared.with([](State& s) { return s.store.records.size(); }),
                  static_cast<std::size_t>(c.left));
        ASSERT_EQ(form->isHidden(), c.closed);
        if (!c.closed) {
            expectRows(1, 3, 1);
            EXPECT_EQ(form->faultLabel->text().startsWith(QStringLiteral("记录未清除")), c.failing);
            EXPECT_TRUE(form->Command1->isEnabled());
        }
        setProblem(records::StoreProblem::None);
    }
}

TEST_F(Form4Test, TicksGoOnWhileItsDialogsWaitAndAnAnswerCountsForItsOpeningOnly) {
    // The answer to a clear (Yes) or an export (a path) comes through the gate after the handler
    // running then, and counts only for the opening it was asked in.
    for (const bool clear : {false, true}) {
        for (const bool reopened : {false, true}) {
            SCOPED_TRACE(std::string(clear ? "clear" : "export") + (reopened ? ", reopened" : ""));
            restart();
            log(5);
            records::Form4& f = open();
            dialogs.holdOpen = true;
            dialogs.saveAnswers = {"/tmp/held.csv"};
            dialogs.yesNoAnswers = {true};
            const int clears = shared.calls("clear");
            (clear ? f.Command1 : f.exportButton)->click();
            int ticks = 0;
            gate.run([&ticks] { ++ticks; });
            EXPECT_EQ(ticks, 1) << "a tick while the dialog waits";
            if (reopened) {
                f.Command2->click();
                show();
            }
            gate.run([&] {
                dialogs.answerHeld();
                EXPECT_TRUE(f.Command1->isEnabled() && f.exportButton->isEnabled());
            });
            EXPECT_EQ((clear ? f.Command1 : f.exportButton)->isEnabled(), reopened)
                << "greyed while under way";
            settle();
            const bool done = !reopened;
            EXPECT_EQ(shared.calls("clear") - clears, clear && done ? 1 : 0);
            EXPECT_EQ(f.isHidden(), clear && done);
            EXPECT_EQ(writer.files.count("/tmp/held.csv"), !clear && done ? 1u : 0u);
            EXPECT_EQ(dialogs.messages.size(), !clear && done ? 1u : 0u);
            dialogs.holdOpen = false;
        }
    }
}

TEST_F(Form4Test, ReturnClosesAndAClickDuringAnotherHandlerIsDropped) {
    log(3);
    open();
    gate.run([this] { form->Command2->click(); });
    ASSERT_FALSE(form->isHidden());

    form->Command2->click();
    EXPECT_TRUE(form->isHidden());

    log(2);
    form->show();  // the same window and store, reading anew
    settle();
    expectRows(1, 5, 1);
    EXPECT_EQ(shared.with([](State& s) { return s.made; }), 1);
}

}  // namespace
