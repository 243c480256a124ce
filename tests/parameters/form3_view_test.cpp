// What only the parameter window does: it shows the saved set on each opening and what the write
// session says, passes the operator's presses and clicks on, hands back when closed, and names
// every field with its caption.
#include <QApplication>
#include <QMouseEvent>
#include <QScreen>

#include "form3_fixture.h"
#include "parameters/param_names.h"

namespace paramtest {
namespace {

using parameters::Param;

std::string toolTip(const QWidget* widget) {
    return widget->toolTip().toStdString();
}

TEST_F(Form3Test, EachOpeningShowsTheSavedSetAndDropsEditsNeitherWrittenNorSaved) {
    open();
    gate.run([] {});
    for (const Param param : parameters::allParams()) {
        EXPECT_EQ(text(param), parameters::defaultTexts()[parameters::indexOf(param)]);
    }
    form->Text2->setText("100");
    form->Text4->setText("");
    form->Command4->click();
    EXPECT_EQ(saved.text(Param::RangeValue), "100");
    EXPECT_EQ(saved.text(Param::FrequencyRange), "");
    form->Text2->setText("555");
    form->hide();
    open();
    gate.run([] {});
    EXPECT_EQ(text(Param::RangeValue), "100");
    EXPECT_EQ(text(Param::FrequencyRange), "");
    EXPECT_EQ(text(Param::Diameter), "100");
}

TEST_F(Form3Test, ShowsWhatTheSessionSaysDuringAWrite) {
    open();
    form->Text2->setText("100");
    dialogs.answers = {"1234"};
    form->Command3->click();
    EXPECT_FALSE(form->Command3->isEnabled());
    EXPECT_EQ(toolTip(form->Command3), "写入进行中");
    EXPECT_EQ(form->progressLabel->text().toStdString(), "等待仪表应答");
    deliver();
    timer.tick();  // the password box, then the password frame
    EXPECT_EQ(form->Label24->text().toStdString(), "03");
    EXPECT_EQ(dialogs.prompts.size(), 1U);
    EXPECT_TRUE(dialogs.prompts[0].masked);
    EXPECT_EQ(form->progressLabel->text().toStdString(), "第 1 步，共 15 步");
    EXPECT_EQ(form->secondsLeftLabel->text().toStdString(), "设置时限剩余 30 秒");
    deliver();
    ASSERT_TRUE(tickUntilMessage("数据传递成功！"));
    EXPECT_EQ(text(Param::RangeValue), "00100") << "the text that was sent";
    EXPECT_EQ(form->progressLabel->text().toStdString(), "第 15 步，共 15 步：完成");
    EXPECT_EQ(form->secondsLeftLabel->text().toStdString(), "");
    EXPECT_TRUE(form->Command3->isEnabled());
    EXPECT_EQ(toolTip(form->Command3), "");
    EXPECT_EQ(saved.text(Param::RangeValue), "00100");
}

TEST_F(Form3Test, MousePressEmptiesANumericFieldOnly) {
    open();
    gate.run([] {});
    const auto press = [](QWidget* control) {
        QMouseEvent event(QEvent::MouseButtonPress, QPointF(2, 2), QPointF(2, 2), Qt::RightButton,
                          Qt::RightButton, Qt::NoModifier);
        QApplication::sendEvent(control, &event);
    };
    for (const Param param : parameters::allParams()) {
        const std::string before = text(param);
        press(form->field(param));
        EXPECT_EQ(text(param), parameters::isSelection(param) ? before : "")
            << parameters::nameOf(param);
    }
}

TEST_F(Form3Test, ReturningOrClosingHandsBackUnlessTheProgramIsEnding) {
    open();
    form->Command2->click();
    EXPECT_EQ(mainWindow.takeBacks, 1);
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(port.isOpen());

    open();
    form->close();
    EXPECT_EQ(mainWindow.takeBacks, 2);
    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(timer.isEnabled());

    open();
    programEnd.endProgram();
    form->close();
    EXPECT_EQ(mainWindow.takeBacks, 2);
    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(timer.isEnabled());
}

TEST_F(Form3Test, EveryFieldIsNamedByItsCaptionAndTheWindowFitsASmallScreen) {
    for (const Param param : parameters::allParams()) {
        QLabel* caption = nullptr;
        for (QLabel* label : form->findChildren<QLabel*>()) {
            if (label->buddy() == form->field(param)) {
                caption = label;
            }
        }
        if (param == Param::RangeUnit) {
            EXPECT_EQ(caption, nullptr) << "the range unit stands beside the range value";
            continue;
        }
        ASSERT_NE(caption, nullptr) << parameters::nameOf(param);
        EXPECT_EQ(caption->text().toStdString(), std::string(parameters::fieldName(param)) + "：");
    }
    form->show();
    form->progressLabel->setText(QStringLiteral("第 15 步，共 15 步：未完成"));
    form->secondsLeftLabel->setText(QStringLiteral("设置时限剩余 30 秒"));
    QApplication::processEvents();
    const QSize size = form->sizeHint();
    EXPECT_LE(size.width(), 1024);
    EXPECT_LE(size.height(), 740);
    for (const QLabel* label : {form->progressLabel, form->secondsLeftLabel}) {
        EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text()))
            << label->text().toStdString();
    }
}

}  // namespace
}  // namespace paramtest
