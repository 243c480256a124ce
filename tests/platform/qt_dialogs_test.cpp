// The dialogs that return at once: application-modal, answered once closed, deleted after.
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

using testsupport::waitFor;

TEST(QtDialogs, TheDialogsThatReturnAtOnceAnswerOnceClosedAndAreGoneAfter) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString dir = folder.path();
    std::optional<std::string> got;
    const auto ask = [&got](platform::Dialogs& d) {
        d.openYesNo("确定要清除全部记录吗？", [&got](bool yes) { got = yes ? "yes" : "no"; });
    };
    const auto save = [&got](platform::Dialogs& d) {
        d.openSaveFileName("导出记录", "records", "CSV 文件 (*.csv);;Excel 工作簿 (*.xlsx)",
                           [&got](const std::string& path) { got = path; });
    };
    const auto press = [](QMessageBox::StandardButton which) {
        return
            [which](QWidget* shown) { qobject_cast<QMessageBox*>(shown)->button(which)->click(); };
    };
    struct Case {
        std::function<void(platform::Dialogs&)> open;
        std::function<void(QWidget*)> answer;
        std::optional<std::string> expected;  // none: a message, which answers nothing
    };
    const Case cases[] = {
        {[](platform::Dialogs& d) { d.showMessageBox("已导出 5 条记录。"); },
         press(QMessageBox::Ok), std::nullopt},
        {ask, press(QMessageBox::Yes), "yes"},
        {ask, [](QWidget* shown) { shown->close(); }, "no"},
        {save,
         [&dir](QWidget* shown) {
             qobject_cast<QFileDialog*>(shown)->selectFile(dir + "/out");
             QMetaObject::invokeMethod(shown, "accept");  // as the save button
         },
         (dir + "/out.csv").toStdString()},
        {save, [](QWidget* shown) { qobject_cast<QDialog*>(shown)->reject(); }, ""},
    };
    for (const Case& c : cases) {
        platform::qt::QtDialogs dialogs;
        got.reset();
        c.open(dialogs);
        EXPECT_FALSE(got.has_value()) << "returned before the operator answered";
        ASSERT_TRUE(waitFor([] { return QApplication::activeModalWidget() != nullptr; }));
        const QPointer<QWidget> shown = QApplication::activeModalWidget();
        EXPECT_EQ(shown->windowModality(), Qt::ApplicationModal);
        c.answer(shown);
        // Deletions wait for the event loop, run here by hand.
        ASSERT_TRUE(waitFor([&shown] {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return shown.isNull();
        }));
        EXPECT_EQ(got, c.expected);
    }
}

}  // namespace
