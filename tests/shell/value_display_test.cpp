// A measurement display looks, pixel for pixel, as the plain label it stands for.
#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QPalette>

#include <string>

#include "shell/value_display.h"

namespace shelltest {
namespace {

// The display as a plain label, and the same on the display.
void makeDisplay(QLabel& label, QSize size, bool wrap, Qt::Alignment align) {
    label.setTextFormat(Qt::PlainText);
    label.setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label.setFixedSize(size);
    label.setAutoFillBackground(true);
    QPalette palette = label.palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::WindowText, QColor(0, 0, 160));
    label.setPalette(palette);
    label.setWordWrap(wrap);
    label.setAlignment(align);
}

TEST(ValueDisplayTest, PaintsAsThePlainLabelForEveryKindOfText) {
    const Qt::Alignment leftMiddle = Qt::AlignLeft | Qt::AlignVCenter;
    const struct {
        const char* text;
        QSize size;
        bool wrap;
        Qt::Alignment align;
        bool enabled;
    } cases[] = {
        {"", {110, 22}, false, leftMiddle, true},
        {"123.456", {110, 22}, false, leftMiddle, true},
        {"-12.5%", {110, 22}, false, leftMiddle, true},
        {"m3/h", {60, 22}, false, leftMiddle, true},
        {"99999999.999", {40, 22}, false, leftMiddle, true},  // wider than the box
        {"禁止", {40, 22}, false, leftMiddle, true},
        {"通讯错误", {110, 22}, false, leftMiddle, false},
        {"通讯正常 电极报警, 空管报警, 上限报警, 下限报警",
         {160, 44},
         true,
         Qt::AlignLeft | Qt::AlignTop,
         true},
        {"00", {40, 22}, false, Qt::AlignRight | Qt::AlignBottom, true},
        {"a\tb", {110, 22}, false, Qt::AlignCenter, true},
        {"+1.25", {75, 23}, false, Qt::AlignCenter, true},
        {"12345.6", {91, 25}, true, Qt::AlignRight | Qt::AlignVCenter, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        QLabel plain;
        shell::ValueDisplay display;
        for (QLabel* label : {&plain, static_cast<QLabel*>(&display)}) {
            makeDisplay(*label, c.size, c.wrap, c.align);
            label->setEnabled(c.enabled);
            label->setText(QString::fromUtf8(c.text));
            label->ensurePolished();
        }
        EXPECT_EQ(display.grab().toImage(), plain.grab().toImage());
        // Painted again from the copy of its box, with another text and then after a resize.
        plain.setText(QStringLiteral("7.5"));
        display.setText(QStringLiteral("7.5"));
        EXPECT_EQ(display.grab().toImage(), plain.grab().toImage());
        plain.setFixedSize(c.size + QSize(10, 4));
        display.setFixedSize(c.size + QSize(10, 4));
        EXPECT_EQ(display.grab().toImage(), plain.grab().toImage());
    }
}

}  // namespace
}  // namespace shelltest
