// The dialogs that return at once: each is shown modal to the whole application, its answer comes
// once the operator has closed it, and it is gone after.
#include "platform/qt/qt_dialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

#include "support/wait_for.h"

namespace {

using platform::qt::QtDialogs;
using testsupport::waitFor;

const char* const kFilters = "CSV 文件 (*.csv);;Excel 工作簿 (*.xlsx)";

struct Case {
    const char* what;
    // Opens the dialog; an answer goes into the optional given.
    std::function<void(QtDialogs&, std::optional<std::string>&)> open;
    // The operator's part, in the dialog shown, with a fresh folder to save into.
    std::function<void(QWidget*, const QString& folder)> answer;
    // What the answer was, with the folder written as "DIR"; none for a message.
    std::optional<std::string> expected;
};

void openYesNo(QtDialogs& dialogs, std::optional<std::string>& got) {
    dialogs.openYesNo("确定要清除全部记录吗？", [&got](bool yes) { got = yes ? "yes" : "no"; });
}

void openSave(QtDialogs& dialogs, std::optional<std::string>& got) {
    dialogs.openSaveFileName("导出记录", "records", kFilters,
                             [&got](const std::string& path) { got = path; });
}

void click(QWidget* shown, QMessageBox::StandardButton which) {
    auto* box = qobject_cast<QMessageBox*>(shown);
    ASSERT_NE(box, nullptr);
    box->button(which)->click();
}

void save(QWidget* shown, const QString& name, const QString& filter) {
    auto* dialog = qobject_cast<QFileDialog*>(shown);
    ASSERT_NE(dialog, nullptr);
    if (!filter.isEmpty()) {
        dialog->selectNameFilter(filter);
        emit dialog->filterSelected(filter);  // as the operator's choice in the list
    }
    dialog->selectFile(name);
    QMetaObject::invokeMethod(dialog, "accept");  // as the save button
}

TEST(QtDialogs, TheDialogsThatReturnAtOnceAnswerOnceClosedAndAreGoneAfter) {
    const Case cases[] = {
        {"message", [](QtDialogs& d, auto&) { d.showMessageBox("已导出 5 条记录。"); },
         [](QWidget* shown, const QString&) {
             auto* box = qobject_cast<QMessageBox*>(shown);
             ASSERT_NE(box, nullptr);
             EXPECT_EQ(box->text(), QStringLiteral("已导出 5 条记录。"));
             EXPECT_EQ(box->button(QMessageBox::Ok)->text(), QStringLiteral("确定"));
             box->button(QMessageBox::Ok)->click();
         },
         std::nullopt},
        {"question, Yes", openYesNo,
         [](QWidget* shown, const QString&) { click(shown, QMessageBox::Yes); }, "yes"},
        {"question, No", openYesNo,
         [](QWidget* shown, const QString&) { click(shown, QMessageBox::No); }, "no"},
        {"question, closed", openYesNo, [](QWidget* shown, const QString&) { shown->close(); },
         "no"},
        {"file, a name without a suffix", openSave,
         [](QWidget* shown, const QString& folder) { save(shown, folder + "/out", {}); },
         "DIR/out.csv"},
        {"file, the workbook chosen", openSave,
         [](QWidget* shown, const QString& folder) {
             save(shown, folder + "/out", QStringLiteral("Excel 工作簿 (*.xlsx)"));
         },
         "DIR/out.xlsx"},
        {"file, cancelled", openSave,
         [](QWidget* shown, const QString&) { qobject_cast<QDialog*>(shown)->reject(); }, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir folder;
        ASSERT_TRUE(folder.isValid());
        QtDialogs dialogs;
        std::optional<std::string> got;

        c.open(dialogs, got);

        EXPECT_FALSE(got.has_value()) << "returned before the operator answered";
        ASSERT_TRUE(waitFor([] { return QApplication::activeModalWidget() != nullptr; }));
        const QPointer<QWidget> shown = QApplication::activeModalWidget();
        EXPECT_EQ(shown->windowModality(), Qt::ApplicationModal);
        c.answer(shown, folder.path());
        // Deletions wait for the event loop, which is run here by hand.
        ASSERT_TRUE(waitFor([&shown] {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return shown.isNull();
        })) << "deleted once closed";
        if (c.expected) {
            ASSERT_TRUE(got.has_value());
            std::string expected = *c.expected;
            if (expected.rfind("DIR", 0) == 0) {
                expected.replace(0, 3, folder.path().toStdString());
            }
            EXPECT_EQ(*got, expected);
        } else {
            EXPECT_FALSE(got.has_value());
        }
    }
}

}  // namespace
