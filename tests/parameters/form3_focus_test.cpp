// A field is checked when the operator leaves it for another control of the window, and only
// then: a combo's own list, another window or a message box taking the focus is not leaving it.
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

#include "form3_fixture.h"

namespace paramtest {
namespace {

using parameters::Param;

const char* const kDiameterMessage = "口径：请选择正确口径！不能错误输入";

class Form3FocusTest : public Form3Test {
  protected:
    void SetUp() override {
        Form3Test::SetUp();
        open();
        gate.run([] {});
        activate(form.get());
    }
    static void activate(QWidget* window) {
        window->show();
        QApplication::setActiveWindow(window);
        QApplication::processEvents();
    }
    void focus(QWidget* control) {
        control->setFocus(Qt::OtherFocusReason);
        QApplication::processEvents();
    }
};

TEST_F(Form3FocusTest, LeavingAFieldByMouseOrTabChecksIt) {
    focus(form->Combo8);
    form->Combo8->setEditText("3");
    focus(form->Text2);
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{kDiameterMessage});
    EXPECT_EQ(text(Param::Diameter), "");

    form->Text2->setText("05");
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
    QApplication::sendEvent(form->Text2, &tab);
    ASSERT_EQ(dialogs.messages.size(), 2U);
    EXPECT_EQ(dialogs.messages[1], "量程值：输入数值不对，或者是带有小数点，请重新输入！");
    EXPECT_EQ(text(Param::RangeValue), "");

    focus(form->Text5);
    form->Text5->setText("5");
    focus(form->Command3);  // pressing a button takes the focus too
    EXPECT_EQ(text(Param::CutoffValue), "05.0");
}

TEST_F(Form3FocusTest, ListPopupOrAnotherWindowTakingTheFocusRunsNoCheck) {
    focus(form->Combo8);
    form->Combo8->setEditText("3");
    form->Combo8->showPopup();
    QApplication::processEvents();
    form->Combo8->hidePopup();
    QApplication::processEvents();

    QLineEdit elsewhere;
    activate(&elsewhere);
    focus(&elsewhere);
    activate(form.get());
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(text(Param::Diameter), "3");
}

TEST_F(Form3FocusTest, ACheckMessageNeverSetsOffAnotherCheck) {
    QLineEdit box;  // stands for the message box, which takes the focus while it is open
    dialogs.whileOpen = [&box] {
        activate(&box);
        box.setFocus();
        QApplication::processEvents();
    };
    focus(form->Combo8);
    form->Combo8->setEditText("3");
    form->Combo3->setEditText("M3/h");
    focus(form->Combo3);
    activate(form.get());
    focus(form->Combo3);
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{kDiameterMessage});
    EXPECT_EQ(text(Param::RangeUnit), "M3/h");
}

TEST_F(Form3FocusTest, TypedTextNeverJoinsTheList) {
    focus(form->Combo9);
    const int entries = form->Combo9->count();
    form->Combo9->setEditText("3L/P");
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(form->Combo9, &enter);
    EXPECT_EQ(form->Combo9->count(), entries);
    EXPECT_EQ(form->Combo9->findText("3L/P"), -1);
}

}  // namespace
}  // namespace paramtest
