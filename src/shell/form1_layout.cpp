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

#include "shell/form1.h"

namespace shell {

namespace {

QLabel* valueLabel(QWidget* parent, int minimumWidth) {
    auto* label = new QLabel(parent);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setMinimumWidth(minimumWidth);
    label->setMinimumHeight(22);
    label->setAutoFillBackground(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::WindowText, QColor(0, 0, 160));
    label->setPalette(palette);
    return label;
}

}  // namespace

void Form1::buildControls() {
    setWindowTitle(QStringLiteral("Tusko RS485/232 Communication Test Program"));
    setMinimumSize(720, 520);

    auto caption = [this](int number, const char* text) {
        auto* label = new QLabel(QString::fromUtf8(text), this);
        labels_[static_cast<std::size_t>(number)] = label;
        return label;
    };
    auto value = [this](int number, int width) {
        QLabel* label = valueLabel(this, width);
        labels_[static_cast<std::size_t>(number)] = label;
        return label;
    };

    // Banner, port and line speed.
    QLabel* banner = caption(1, "电磁流量计RS485/232通讯程序--TuskoCP V4.2");
    QFont bannerFont = banner->font();
    bannerFont.setPointSize(bannerFont.pointSize() + 5);
    bannerFont.setBold(true);
    banner->setFont(bannerFont);
    banner->setAlignment(Qt::AlignCenter);

    // Editable lists that keep their own entries: a typed text stays in the field only, and is
    // not completed to an entry.
    Combo1 = new QComboBox(this);
    Combo1->setEditable(true);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    Combo1->setCompleter(nullptr);
    Combo1->setEditText(QStringLiteral("COM1"));
    Combo2 = new QComboBox(this);
    Combo2->setEditable(true);
    Combo2->setInsertPolicy(QComboBox::NoInsert);
    Combo2->setCompleter(nullptr);
    Combo2->addItems({"600", "1200", "2400", "4800", "9600", "14400", "19200"});
    Combo2->setEditText(QStringLiteral("14400"));

    auto* lineRow = new QHBoxLayout;
    lineRow->addWidget(caption(2, "端口"));
    lineRow->addWidget(Combo1);
    lineRow->addSpacing(24);
    lineRow->addWidget(caption(3, "波特率"));
    lineRow->addWidget(Combo2);
    lineRow->addStretch();

    // Measurement display.
    Frame1 = new QGroupBox(QStringLiteral("流量数据"), this);
    auto* grid = new QGridLayout(Frame1);
    grid->setHorizontalSpacing(8);
    const char* const names[] = {"瞬时流量", "百分比%",  "电阻值   (kOhm)", "口径(mm)",
                                 "流速 m/s", "正向累积", "反向累积",        "报警状态"};
    for (int row = 0; row < 8; ++row) {
        grid->addWidget(caption(4 + row, names[row]), row, 0);
    }
    grid->addWidget(value(29, 110), 0, 1);
    grid->addWidget(value(30, 60), 0, 2);
    grid->addWidget(value(31, 110), 1, 1);
    grid->addWidget(value(32, 110), 2, 1);
    grid->addWidget(value(33, 110), 3, 1);
    grid->addWidget(value(34, 110), 4, 1);
    grid->addWidget(value(35, 110), 5, 1);
    grid->addWidget(value(36, 60), 5, 2);
    grid->addWidget(value(37, 110), 6, 1);
    grid->addWidget(value(38, 60), 6, 2);
    QLabel* status = value(39, 110);
    status->setWordWrap(true);
    status->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    status->setMinimumHeight(44);
    grid->addWidget(status, 7, 1, 1, 6);

    grid->setColumnMinimumWidth(3, 16);
    grid->addWidget(caption(41, "量程比"), 0, 4);
    grid->addWidget(value(40, 70), 0, 5);
    const int enableCaptions[] = {43, 45, 47, 48};
    const char* const enableNames[] = {"小信号切除", "上限报警", "下限报警", "空管报警"};
    const int enableValues[] = {42, 44, 46, 49};
    for (int i = 0; i < 4; ++i) {
        grid->addWidget(caption(enableCaptions[i], enableNames[i]), 1 + i, 4);
        QLabel* state = caption(enableValues[i], "禁止");
        grid->addWidget(state, 1 + i, 5);
    }
    grid->addWidget(caption(50, "累计差"), 5, 4);
    grid->addWidget(value(51, 110), 5, 5);
    grid->addWidget(value(52, 60), 5, 6);

    auto* failures = new QHBoxLayout;
    failures->addWidget(caption(53, "停电计时："));
    failures->addWidget(value(59, 40));
    failures->addWidget(caption(56, "次"));
    failures->addWidget(value(60, 40));
    failures->addWidget(caption(57, "时"));
    failures->addWidget(value(61, 40));
    failures->addWidget(caption(58, "分"));
    failures->addStretch();
    grid->addLayout(failures, 6, 4, 1, 3);

    // Station indicators.
    Frame2 = new QGroupBox(this);
    auto* indicators = new QGridLayout(Frame2);
    indicators->addWidget(caption(12, "多机通讯仪表站号指示"), 0, 0, 1, seriallink::kStationCount);
    const char* const stationNames[] = {" 1", " 2", " 3", " 4", " 5", " 6", "7",  "8",
                                        "9",  "10", "11", "12", "13", "14", "15", "16"};
    for (int i = 0; i < seriallink::kStationCount; ++i) {
        QLabel* number = caption(13 + i, stationNames[i]);
        number->setAlignment(Qt::AlignCenter);
        indicators->addWidget(number, 1, i);
        Check1[static_cast<std::size_t>(i)] = new QCheckBox(Frame2);
        indicators->addWidget(Check1[static_cast<std::size_t>(i)], 2, i, Qt::AlignCenter);
    }

    // Mode choice and buttons.
    Frame3 = new QGroupBox(QStringLiteral("通讯方式选择"), this);
    Option1 = new QRadioButton(QStringLiteral("单机通讯"), Frame3);
    Option2 = new QRadioButton(QStringLiteral("多机通讯"), Frame3);
    options_ = new QButtonGroup(this);
    options_->addButton(Option1);
    options_->addButton(Option2);
    auto* modes = new QGridLayout(Frame3);
    modes->addWidget(Option1, 0, 0);
    modes->addWidget(Option2, 1, 0);
    modes->addWidget(caption(55, "单机通讯站号"), 0, 1);
    QLabel* stationShown = value(54, 40);
    stationShown->setText(QStringLiteral("00"));
    modes->addWidget(stationShown, 1, 1);

    Command1 = new QPushButton(QStringLiteral("远程仪表参数设置"), this);
    Command3 = new QPushButton(QStringLiteral("数据查询"), this);
    Command2 = new QPushButton(QStringLiteral("退出"), this);
    stationOverviewButton = new QPushButton(QStringLiteral("站点总览"), this);
    trafficMonitorButton = new QPushButton(QStringLiteral("通讯监视"), this);
    trendButton = new QPushButton(QStringLiteral("历史趋势"), this);
    auto* buttons = new QGridLayout;
    buttons->addWidget(Command1, 0, 1);
    buttons->addWidget(Command3, 1, 1);
    buttons->addWidget(Command2, 2, 1);
    buttons->addWidget(stationOverviewButton, 0, 0);
    buttons->addWidget(trafficMonitorButton, 1, 0);
    buttons->addWidget(trendButton, 2, 0);
    buttons->setRowStretch(3, 1);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(Frame3);
    bottom->addStretch();
    bottom->addLayout(buttons);

    auto* page = new QVBoxLayout(this);
    page->addWidget(banner);
    page->addLayout(lineRow);
    page->addWidget(Frame1);
    page->addWidget(Frame2);
    page->addLayout(bottom);
}

}  // namespace shell
