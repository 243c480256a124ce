// Controls and layout of the main window.
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

#include "shell/form1.h"
#include "shell/parent_copy.h"
#include "shell/value_display.h"

namespace shell {

namespace {

QString objectName(int number) {
    return QStringLiteral("Label%1").arg(number);
}

// A label with a fixed caption, named as on the window.
QLabel* caption(QWidget* parent, int number, const char* text) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->setObjectName(objectName(number));
    return label;
}

// A display: sunken, white, filled at run time. Its size is fixed, so that a new text repaints
// the display alone and asks the window for no new layout. What a meter sends is shown as it
// reads, never taken for markup, and a new text is not searched for any; only the text is
// painted anew.
QLabel* display(QWidget* parent, int number, int width, int height = 22) {
    auto* label = new ValueDisplay(parent);
    label->setObjectName(objectName(number));
    label->setTextFormat(Qt::PlainText);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setFixedSize(width, height);
    label->setAutoFillBackground(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::WindowText, QColor(0, 0, 160));
    label->setPalette(palette);
    return label;
}

// A caption whose text changes at run time, as wide as the wider of `texts`.
QLabel* changingCaption(QWidget* parent, int number, const char* text, const char* other) {
    auto* label = new ChangingCaption(QString::fromUtf8(text), parent);
    label->setObjectName(objectName(number));
    const QFontMetrics metrics = label->fontMetrics();
    const int width = std::max(metrics.horizontalAdvance(QString::fromUtf8(text)),
                               metrics.horizontalAdvance(QString::fromUtf8(other)));
    label->setFixedSize(width + 4, label->sizeHint().height());
    return label;
}

QComboBox* editableList(QWidget* parent, const char* name) {
    // An editable list that keeps its own entries: a typed text stays in the field only, and is
    // not completed to an entry.
    auto* box = new QComboBox(parent);
    box->setObjectName(QString::fromUtf8(name));
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setCompleter(nullptr);
    return box;
}

}  // namespace

void Form1::buildControls() {
    setWindowTitle(QStringLiteral("Tusko RS485/232 Communication Test Program"));
    setMinimumSize(720, 520);

    // Banner, port and line speed.
    QLabel* banner = caption(this, 1, "电磁流量计RS485/232通讯程序--TuskoCP V4.2");
    QFont bannerFont = banner->font();
    bannerFont.setPointSize(bannerFont.pointSize() + 5);
    bannerFont.setBold(true);
    banner->setFont(bannerFont);
    banner->setAlignment(Qt::AlignCenter);

    Combo1 = editableList(this, "Combo1");
    Combo1->setEditText(QStringLiteral("COM1"));
    Combo2 = editableList(this, "Combo2");
    Combo2->addItems({"600", "1200", "2400", "4800", "9600", "14400", "19200"});
    Combo2->setEditText(QStringLiteral("14400"));

    auto* lineRow = new QHBoxLayout;
    lineRow->addWidget(caption(this, 2, "端口"));
    lineRow->addWidget(Combo1);
    lineRow->addSpacing(24);
    lineRow->addWidget(caption(this, 3, "波特率"));
    lineRow->addWidget(Combo2);
    lineRow->addStretch();

    // Measurement display.
    Frame1 = new QGroupBox(QStringLiteral("流量数据"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    auto* grid = new QGridLayout(Frame1);
    grid->setHorizontalSpacing(8);
    const char* const names[] = {"瞬时流量", "百分比%",  "电阻值   (kOhm)", "口径(mm)",
                                 "流速 m/s", "正向累积", "反向累积",        "报警状态"};
    for (int row = 0; row < 8; ++row) {
        grid->addWidget(caption(Frame1, 4 + row, names[row]), row, 0);
    }
    grid->addWidget(flowValue = display(Frame1, 29, 110), 0, 1);
    grid->addWidget(flowUnit = display(Frame1, 30, 60), 0, 2);
    grid->addWidget(percentValue = display(Frame1, 31, 110), 1, 1);
    grid->addWidget(resistanceValue = display(Frame1, 32, 110), 2, 1);
    grid->addWidget(diameterValue = display(Frame1, 33, 110), 3, 1);
    grid->addWidget(velocityValue = display(Frame1, 34, 110), 4, 1);
    grid->addWidget(forwardTotal = display(Frame1, 35, 110), 5, 1);
    grid->addWidget(forwardUnit = display(Frame1, 36, 60), 5, 2);
    grid->addWidget(reverseTotal = display(Frame1, 37, 110), 6, 1);
    grid->addWidget(reverseUnit = display(Frame1, 38, 60), 6, 2);
    // Room for the longest status the alarms give on one line, and for a second line.
    const QString longestStatus = QStringLiteral("通讯正常 电极报警, 空管报警, 上限报警, 下限报警");
    statusText =
        display(Frame1, 39, Frame1->fontMetrics().horizontalAdvance(longestStatus) + 12, 44);
    statusText->setWordWrap(true);
    statusText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    grid->addWidget(statusText, 7, 1, 1, 6);

    grid->setColumnMinimumWidth(3, 16);
    grid->addWidget(caption(Frame1, 41, "量程比"), 0, 4);
    grid->addWidget(rangeRatio = display(Frame1, 40, 70), 0, 5);
    const struct {
        int captionNumber;
        const char* name;
        int stateNumber;
        QLabel* Form1::*state;
    } enables[] = {
        {43, "小信号切除", 42, &Form1::cutoffEnable},
        {45, "上限报警", 44, &Form1::upperEnable},
        {47, "下限报警", 46, &Form1::lowerEnable},
        {48, "空管报警", 49, &Form1::emptyPipeEnable},
    };
    for (int i = 0; i < 4; ++i) {
        grid->addWidget(caption(Frame1, enables[i].captionNumber, enables[i].name), 1 + i, 4);
        this->*enables[i].state = changingCaption(Frame1, enables[i].stateNumber, "禁止", "允许");
        grid->addWidget(this->*enables[i].state, 1 + i, 5);
    }
    grid->addWidget(caption(Frame1, 50, "累计差"), 5, 4);
    grid->addWidget(totalDifference = display(Frame1, 51, 110), 5, 5);
    grid->addWidget(differenceUnit = display(Frame1, 52, 60), 5, 6);

    auto* failures = new QHBoxLayout;
    failures->addWidget(caption(Frame1, 53, "停电计时："));
    failures->addWidget(failureCount = display(Frame1, 59, 40));
    failures->addWidget(caption(Frame1, 56, "次"));
    failures->addWidget(failureHours = display(Frame1, 60, 40));
    failures->addWidget(caption(Frame1, 57, "时"));
    failures->addWidget(failureMinutes = display(Frame1, 61, 40));
    failures->addWidget(caption(Frame1, 58, "分"));
    failures->addStretch();
    grid->addLayout(failures, 6, 4, 1, 3);

    // Station indicators.
    Frame2 = new QGroupBox(this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    auto* indicators = new QGridLayout(Frame2);
    indicators->addWidget(caption(Frame2, 12, "多机通讯仪表站号指示"), 0, 0, 1,
                          seriallink::kStationCount);
    const char* const stationNames[] = {" 1", " 2", " 3", " 4", " 5", " 6", "7",  "8",
                                        "9",  "10", "11", "12", "13", "14", "15", "16"};
    for (int i = 0; i < seriallink::kStationCount; ++i) {
        QLabel* number = caption(Frame2, 13 + i, stationNames[i]);
        number->setAlignment(Qt::AlignCenter);
        indicators->addWidget(number, 1, i);
        QCheckBox*& indicator = Check1[static_cast<std::size_t>(i)];
        indicator = new StationIndicator(Frame2);
        indicator->setObjectName(QStringLiteral("Check1_%1").arg(i));
        indicator->setEnabled(false);
        indicators->addWidget(indicator, 2, i, Qt::AlignCenter);
    }

    // Mode choice.
    Frame3 = new QGroupBox(QStringLiteral("通讯方式选择"), this);
    Frame3->setObjectName(QStringLiteral("Frame3"));
    Option1 = new QRadioButton(QStringLiteral("单机通讯"), Frame3);
    Option1->setObjectName(QStringLiteral("Option1"));
    Option2 = new QRadioButton(QStringLiteral("多机通讯"), Frame3);
    Option2->setObjectName(QStringLiteral("Option2"));
    options_ = new QButtonGroup(this);
    options_->addButton(Option1);
    options_->addButton(Option2);
    auto* modes = new QGridLayout(Frame3);
    modes->addWidget(Option1, 0, 0);
    modes->addWidget(Option2, 1, 0);
    modes->addWidget(caption(Frame3, 55, "单机通讯站号"), 0, 1);
    singleStationText = display(Frame3, 54, 40);
    singleStationText->setText(QStringLiteral("00"));
    modes->addWidget(singleStationText, 1, 1);

    // Buttons: the window's own three in one column, "数据查询" being the first window of the
    // list; the list's other windows in the column beside them.
    Command1 = new QPushButton(QStringLiteral("远程仪表参数设置"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command2 = new QPushButton(QStringLiteral("退出"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    auto* buttons = new QGridLayout;
    buttons->addWidget(Command1, 0, 1);
    for (std::size_t i = 0; i < services_.windows.size(); ++i) {
        const WindowEntry& entry = services_.windows[i];
        auto* button = new QPushButton(QString::fromStdString(entry.caption), this);
        button->setObjectName(QString::fromStdString(entry.objectName));
        windowButtons.push_back(button);
        if (i == 0) {
            buttons->addWidget(button, 1, 1);
        } else {
            buttons->addWidget(button, static_cast<int>(i) - 1, 0);
        }
    }
    Command3 = windowButtons.empty() ? nullptr : windowButtons.front();
    buttons->addWidget(Command2, 2, 1);
    buttons->setRowStretch(std::max(3, static_cast<int>(services_.windows.size())), 1);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(Frame3);
    bottom->addStretch();
    bottom->addLayout(buttons);

    statusLine = new StatusLine(this);

    auto* page = new QVBoxLayout(this);
    page->addWidget(banner);
    page->addLayout(lineRow);
    page->addWidget(Frame1);
    page->addWidget(Frame2);
    page->addLayout(bottom);
    page->addWidget(statusLine);
}

}  // namespace shell
