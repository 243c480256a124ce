// Each opening of the kept data-query window starts anew; nothing of an ended opening reaches the
// next.
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDateEdit>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "form4_fixture.h"

namespace {

using records_test::Form4Test;
using testsupport::waitFor;
using State = fakes::SharedFakeStore::State;

TEST_F(Form4Test, EachOpeningStartsAsANewWindow) {
    struct Case {
        const char* name;
        std::function<void(records::Form4&)> change;  // what the operator did before closing
    };
    const std::vector<Case> cases = {
        {"filter, grid, focus and size",
         [](records::Form4& f) {
             f.stationBox->setCurrentIndex(3);
             f.fromCheck->setChecked(true);
             f.fromDate->setDate(QDate(2007, 10, 11));
             f.toCheck->setChecked(true);
             f.toDate->setDate(QDate(2007, 10, 1));
             f.MSFlexGrid1->scrollToBottom();
             f.MSFlexGrid1->setCurrentIndex(f.MSFlexGrid1->model()->index(900, 3));
             f.toCheck->setFocus();
             f.MSFlexGrid1->setColumnWidth(3, 300);
             f.resize(400, 300);
         }},
        {"a fault shown",
         [this](records::Form4& f) {
             setProblem(records::StoreProblem::Locked, "database is locked");
             f.Form_Activate();
             settle();
             ASSERT_FALSE(f.faultLabel->isHidden());
             setProblem(records::StoreProblem::None);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        restart();
        clock.date = "2007-10-10";
        log(1200);
        records::Form4& f = open();
        const QSize madeSize = f.size();
        const int madeWidth = f.MSFlexGrid1->columnWidth(3);
        c.change(f);
        settle();

        f.Command2->click();
        ASSERT_TRUE(f.isHidden());
        EXPECT_TRUE(rowEmpty(1)) << "nothing of the closed opening is kept";
        EXPECT_TRUE(f.faultLabel->isHidden()) << "not even its fault, before the next fill";
        clock.date = "2007-10-12";
        log(3);
        show();

        EXPECT_EQ(f.stationBox->currentIndex(), 0);
        for (const auto& [check, box] :
             {std::pair{f.fromCheck, f.fromDate}, {f.toCheck, f.toDate}}) {
            EXPECT_FALSE(check->isChecked());
            EXPECT_EQ(box->date(), QDate(2007, 10, 12)) << "today at the opening";
            EXPECT_FALSE(box->isEnabled());
        }
        EXPECT_FALSE(lastFilter().station || lastFilter().fromDate || lastFilter().toDate);
        EXPECT_NE(f.focusWidget(), f.toCheck);
        EXPECT_EQ(f.MSFlexGrid1->columnWidth(3), madeWidth);
        EXPECT_EQ(f.size(), madeSize);
        EXPECT_EQ(f.MSFlexGrid1->verticalScrollBar()->value(), 0);
        EXPECT_FALSE(f.MSFlexGrid1->currentIndex().isValid());
        expectRows(1, 1000, 204);  // the newest 1000 of 1203, those logged while closed too
    }
}

TEST_F(Form4Test, WhatWasUnderWayAtTheCloseStaysWithItsOpening) {
    struct Case {
        std::string name;
        std::function<void(records::Form4&)> start;  // a read, held by the store, then the close
        std::function<void(records::Form4&)> check;  // once the store answered, reopened
    };
    // An export to `path` (CSV, or a workbook compressed on helper threads).
    const auto exportCase = [this](const std::string& path) {
        return Case{"export to " + path,
                    [this, path](records::Form4& f) {
                        dialogs.saveAnswers = {path};
                        f.exportButton->click();
                    },
                    [this, path](records::Form4& f) {
                        EXPECT_TRUE(dialogs.messages.empty())
                            << "the export ended with its opening";
                        EXPECT_EQ(writer.files.count(path), 0u);
                        ASSERT_TRUE(f.exportButton->isEnabled());
                        dialogs.saveAnswers = {path};
                        f.exportButton->click();
                        ASSERT_TRUE(waitFor([&] { return !dialogs.messages.empty(); }));
                        EXPECT_EQ(dialogs.messages.back(), "已导出 5 条记录。");
                        EXPECT_EQ(writer.files.count(path), 1u);
                    }};
    };
    const std::vector<Case> cases = {
        {"fill", [](records::Form4& f) { f.Form_Activate(); },
         [this](records::Form4&) {
             expectRows(1, 5, 1);
             EXPECT_TRUE(rowEmpty(6));
         }},
        {"fill for a station", [](records::Form4& f) { f.stationBox->setCurrentIndex(3); },
         [this](records::Form4&) {
             EXPECT_FALSE(lastFilter().station) << "the new opening reads every station";
             expectRows(1, 5, 1);  // not station 3's record 2 alone
             EXPECT_TRUE(rowEmpty(6));
         }},
        exportCase("/tmp/records.csv"),
        exportCase("/tmp/records.xlsx"),
        {"clear",
         [this](records::Form4& f) {
             dialogs.yesNoAnswers = {true};
             f.Command1->click();
         },
         [this](records::Form4& f) {
             EXPECT_FALSE(f.isHidden()) << "the clear of the closed opening closes no other";
             EXPECT_EQ(shared.with([](State& s) { return s.store.records.size(); }), 0u);
             EXPECT_TRUE(rowEmpty(1)) << "the opening lists what the clear left";
             EXPECT_TRUE(f.Command1->isEnabled());
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        restart();
        log(3);
        records::Form4& f = open();
        shared.with([](State& s) { s.held = true; });
        c.start(f);
        ASSERT_TRUE(
            waitFor([this] { return shared.with([](State& s) { return s.waiting > 0; }); }));

        f.Command2->click();
        log(2);
        f.show();  // opened again while the store still holds the read
        f.Timer1->stop();
        shared.release();
        settle();
        c.check(f);
    }
}

TEST_F(Form4Test, AWindowMadeAheadListsWhatItReadsWhenOpened) {
    log(3);
    records::Form4& f = make();
    // Its store is made and read at once; nothing read is listed while hidden.
    ASSERT_TRUE(waitFor([&] { return shared.calls("newest") == 1 && !f.reading(); }));
    EXPECT_TRUE(rowEmpty(1));
    // Laid out meanwhile, with a native window of its own.
    ASSERT_TRUE(waitFor([&] { return f.testAttribute(Qt::WA_WState_Created); }));
    EXPECT_GT(f.MSFlexGrid1->height(), 100);

    log(2);
    show();
    expectRows(1, 5, 1);
    EXPECT_EQ(shared.calls("newest"), 2) << "read anew at the opening";
    EXPECT_EQ(shared.with([](State& s) { return s.made; }), 1);
    EXPECT_TRUE(f.MSFlexGrid1->updatesEnabled());
}

}  // namespace
