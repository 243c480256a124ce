// Controls and layout of the parameter window.
#include <QComboBox>
#include <QFont>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <iterator>

#include "parameters/form3.h"

namespace parameters {

namespace {

QLabel* caption(QWidget* parent, const char* name, const char* text) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->setObjectName(QString::fromUtf8(name));
    label->setAccessibleName(label->text());
    return label;
}

// An editable list that keeps its fixed options: a typed text stays in the field only.
QComboBox* selection(QWidget* parent, const char* name, Param param, const QString& accessible) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QString::fromUtf8(name));
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    // No completion: what the operator types is what the field holds and what is checked.
    combo->setCompleter(nullptr);
    for (const std::string_view option : options(param)) {
        combo->addItem(QString::fromUtf8(option.data(), static_cast<int>(option.size())));
    }
    combo->setMaxVisibleItems(20);
    combo->setMinimumContentsLength(7);
    combo->setAccessibleName(accessible);
    return combo;
}

QLineEdit* numeric(QWidget* parent, const char* name, const QString& accessible) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromUtf8(name));
    edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("0000000000")));
    edit->setAccessibleName(accessible);
    return edit;
}

// A caption and its field in one row of a grid; the caption names the field for screen readers.
void addRow(QGridLayout* grid, int row, QLabel* label, QWidget* field, QWidget* after = nullptr) {
    label->setBuddy(field);
    grid->addWidget(label, row, 0, Qt::AlignRight);
    grid->addWidget(field, row, 1);
    if (after != nullptr) {
        grid->addWidget(after, row, 2);
    }
}

QPushButton* button(QWidget* parent, const char* name, const char* text) {
    auto* push = new QPushButton(QString::fromUtf8(text), parent);
    push->setObjectName(QString::fromUtf8(name));
    push->setAccessibleName(push->text());
    push->setFocusPolicy(Qt::StrongFocus);  // pressing it takes the focus from the field left last
    push->setMinimumWidth(push->fontMetrics().horizontalAdvance(push->text()) + 32);
    return push;
}

}  // namespace

void Form3::buildControls() {
    setWindowTitle(QStringLiteral("参数设置"));

    // Top: the station being configured.
    Label1 = caption(this, "Label1", "仪表地址：");
    Label24 = caption(this, "Label24", "");
    Label24->setAccessibleName(QStringLiteral("仪表地址"));
    Label24->setMinimumWidth(Label24->fontMetrics().horizontalAdvance(QStringLiteral("000")));
    QFont stationFont = Label24->font();
    stationFont.setBold(true);
    stationFont.setPointSize(stationFont.pointSize() + 3);
    Label24->setFont(stationFont);
    Label1->setFont(stationFont);
    auto* top = new QHBoxLayout;
    top->addWidget(Label1);
    top->addWidget(Label24);
    top->addStretch();

    // Left frame: diameter, range, damping, outputs, totalizer.
    Frame1 = new QGroupBox(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    auto* left = new QGridLayout(Frame1);
    QLabel* label25 = caption(Frame1, "Label25", "口径：");
    Combo8 = selection(Frame1, "Combo8", Param::Diameter, label25->text());
    addRow(left, 0, label25, Combo8, caption(Frame1, "Label27", "mm"));
    QLabel* label2 = caption(Frame1, "Label2", "量程值：");
    Text2 = numeric(Frame1, "Text2", label2->text());
    Combo3 = selection(Frame1, "Combo3", Param::RangeUnit, QStringLiteral("量程单位"));
    addRow(left, 1, label2, Text2, Combo3);
    QLabel* label13 = caption(Frame1, "Label13", "量程冥指数：");
    Combo11 = selection(Frame1, "Combo11", Param::RangeExponent, label13->text());
    addRow(left, 2, label13, Combo11);
    QLabel* label7 = caption(Frame1, "Label7", "阻尼时间：");
    Combo10 = selection(Frame1, "Combo10", Param::Damping, label7->text());
    addRow(left, 3, label7, Combo10);
    QLabel* label22 = caption(Frame1, "Label22", "输出方式选择：");
    Combo7 = selection(Frame1, "Combo7", Param::OutputMode, label22->text());
    addRow(left, 4, label22, Combo7);
    QLabel* label5 = caption(Frame1, "Label5", "脉冲当量：");
    Combo9 = selection(Frame1, "Combo9", Param::PulseEquivalent, label5->text());
    addRow(left, 5, label5, Combo9);
    QLabel* label4 = caption(Frame1, "Label4", "频率输出范围：");
    Text4 = numeric(Frame1, "Text4", label4->text());
    addRow(left, 6, label4, Text4, caption(Frame1, "Label15", "Hz"));
    QLabel* label8 = caption(Frame1, "Label8", "流量积算单位：");
    Combo2 = selection(Frame1, "Combo2", Param::TotalizerUnit, label8->text());
    addRow(left, 7, label8, Combo2);
    left->setColumnStretch(3, 1);

    // Right frame: coefficients and zero correction.
    Frame2 = new QGroupBox(this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    auto* right = new QGridLayout(Frame2);
    QLabel* label6 = caption(Frame2, "Label6", "传感器系数：");
    Text10 = numeric(Frame2, "Text10", label6->text());
    addRow(right, 0, label6, Text10);
    QLabel* label26 = caption(Frame2, "Label26", "流量倍乘系数：");
    Text1 = numeric(Frame2, "Text1", label26->text());
    addRow(right, 1, label26, Text1);
    QLabel* label12 = caption(Frame2, "Label12", "零点修正：");
    Text9 = numeric(Frame2, "Text9", label12->text());
    addRow(right, 2, label12, Text9);
    right->setRowStretch(3, 1);

    // Bottom frame: flow direction, cut-off and alarms.
    Frame3 = new QGroupBox(this);
    Frame3->setObjectName(QStringLiteral("Frame3"));
    auto* bottom = new QGridLayout(Frame3);
    QLabel* label3 = caption(Frame3, "Label3", "流向选择：");
    Combo1 = selection(Frame3, "Combo1", Param::FlowDirection, label3->text());
    addRow(bottom, 0, label3, Combo1);
    struct EnableRow {
        const char* enableName;
        const char* enableCaption;
        QComboBox** combo;
        const char* comboName;
        Param enable;
        const char* valueName;
        const char* valueCaption;
        QLineEdit** edit;
        const char* editName;
        const char* unitName;
        const char* unit;
    };
    const EnableRow rows[] = {
        {"Label19", "小信号切除允许：", &Combo4, "Combo4", Param::CutoffEnable, "Label9",
         "小信号切除值：", &Text5, "Text5", "Label23", "%"},
        {"Label20", "上限报警允许：", &Combo5, "Combo5", Param::UpperAlarmEnable, "Label10",
         "上限报警值：", &Text7, "Text7", "Label16", "‰"},
        {"Label21", "下限报警允许：", &Combo6, "Combo6", Param::LowerAlarmEnable, "Label11",
         "下限报警值：", &Text8, "Text8", "Label17", "‰"},
    };
    int row = 1;
    for (const EnableRow& r : rows) {
        QLabel* enableLabel = caption(Frame3, r.enableName, r.enableCaption);
        *r.combo = selection(Frame3, r.comboName, r.enable, enableLabel->text());
        addRow(bottom, row, enableLabel, *r.combo);
        QLabel* valueLabel = caption(Frame3, r.valueName, r.valueCaption);
        *r.edit = numeric(Frame3, r.editName, valueLabel->text());
        valueLabel->setBuddy(*r.edit);
        bottom->addWidget(valueLabel, row, 3, Qt::AlignRight);
        bottom->addWidget(*r.edit, row, 4);
        bottom->addWidget(caption(Frame3, r.unitName, r.unit), row, 5);
        ++row;
    }
    bottom->setColumnMinimumWidth(2, 24);
    bottom->setColumnStretch(6, 1);

    // Buttons.
    Command3 = button(this, "Command3", "远程设置");
    Command4 = button(this, "Command4", "保存本次设置");
    Command2 = button(this, "Command2", "返回主菜单");
    // Under the buttons: how far a write has come and how long the meter still waits for it.
    progressLabel = caption(this, "progressLabel", "");
    progressLabel->setAccessibleName(QStringLiteral("写入进度"));
    secondsLeftLabel = caption(this, "secondsLeftLabel", "");
    secondsLeftLabel->setAccessibleName(QStringLiteral("设置时限"));
    for (QLabel* label : {progressLabel, secondsLeftLabel}) {
        label->setWordWrap(true);
        // Room for one line even while empty, so that the window keeps its size.
        label->setMinimumHeight(label->fontMetrics().height());
        label->setMinimumWidth(
            label->fontMetrics().horizontalAdvance(QStringLiteral("第 15 步，共 15 步：未完成")));
    }
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(Command3);
    buttons->addWidget(Command4);
    buttons->addWidget(Command2);
    buttons->addWidget(progressLabel);
    buttons->addWidget(secondsLeftLabel);
    buttons->addStretch();

    auto* rightColumn = new QVBoxLayout;
    rightColumn->addWidget(Frame2);
    rightColumn->addLayout(buttons);
    auto* middle = new QHBoxLayout;
    middle->addWidget(Frame1, 3);
    middle->addLayout(rightColumn, 2);

    auto* page = new QVBoxLayout(this);
    page->addLayout(top);
    page->addLayout(middle);
    page->addWidget(Frame3);
    QWidget* const tabOrder[] = {Combo8, Text2,    Combo3,   Combo11, Combo10, Combo7,
                                 Combo9, Text4,    Combo2,   Text10,  Text1,   Text9,
                                 Combo1, Combo4,   Text5,    Combo5,  Text7,   Combo6,
                                 Text8,  Command3, Command4, Command2};
    for (std::size_t i = 1; i < std::size(tabOrder); ++i) {
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    }
}

}  // namespace parameters
