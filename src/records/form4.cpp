#include "records/form4.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <array>

#include "records/csv_export.h"
#include "records/records_query.h"
#include "records/records_store.h"

namespace records {

namespace {

// Sizes are given in twips; 15 twips make one pixel at 96 dpi.
int twipsToPixels(int twips) {
    return (twips + 7) / 15;
}

constexpr int kClientWidthTwips = 12330;
constexpr int kClientHeightTwips = 9120;

constexpr std::array<int, Form4::kGridColumns> kColumnWidthsTwips = {
    10, 10, 1000, 1800, 500, 1500, 1000, 1000, 1000, 1500, 1500, 3850};

// Headings of columns 2 to 11; the leading blanks centre them over their columns.
const std::array<const char*, 10> kHeadings = {
    " 仪表编号", "        日期", "管径",        "    瞬时流量", "  百分比",
    "  量程比",  "   流速",      "   正向累计", "   反向累计",  "   报警状态"};

constexpr int kFirstFieldColumn = 2;

}  // namespace

Form4::Form4(platform::RecordsBinding& data2, platform::Dialogs& dialogs, platform::EventGate& gate,
             platform::FileWriter& files, QWidget* parent)
    : QWidget(parent),
      Label1(new QLabel(QStringLiteral("数  据  备  份"), this)),
      MSFlexGrid1(new QTableWidget(kGridRows, kGridColumns, this)),
      Command1(new QPushButton(QStringLiteral("记录清除"), this)),
      Command2(new QPushButton(QStringLiteral("返回"), this)),
      exportButton(new QPushButton(QStringLiteral("导出..."), this)),
      Data2(data2),
      dialogs_(dialogs),
      files_(files),
      gate_(gate) {
    // A window of its own even when given a parent, which then only bounds its lifetime.
    setWindowFlag(Qt::Window);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("数据查询"));
    resize(twipsToPixels(kClientWidthTwips), twipsToPixels(kClientHeightTwips));

    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAlignment(Qt::AlignCenter);
    QFont titleFont = Label1->font();
    titleFont.setPointSize(titleFont.pointSize() + 6);
    Label1->setFont(titleFont);

    // Row 0 and column 0 are the grid's fixed parts; they are cells of the table, styled as
    // headings, and the table's own header sections stay hidden.
    MSFlexGrid1->setObjectName(QStringLiteral("MSFlexGrid1"));
    MSFlexGrid1->horizontalHeader()->hide();
    MSFlexGrid1->verticalHeader()->hide();
    MSFlexGrid1->horizontalHeader()->setMinimumSectionSize(1);
    MSFlexGrid1->verticalHeader()->setDefaultSectionSize(MSFlexGrid1->fontMetrics().height() + 6);
    MSFlexGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (int row = 0; row < kGridRows; ++row) {
        auto* fixed = new QTableWidgetItem;
        fixed->setFlags(Qt::ItemIsEnabled);
        fixed->setBackground(palette().button());
        MSFlexGrid1->setItem(row, 0, fixed);
    }
    for (int column = 1; column < kGridColumns; ++column) {
        auto* heading = new QTableWidgetItem;
        heading->setFlags(Qt::ItemIsEnabled);
        heading->setBackground(palette().button());
        MSFlexGrid1->setItem(0, column, heading);
    }

    Command1->setObjectName(QStringLiteral("Command1"));
    Command2->setObjectName(QStringLiteral("Command2"));
    connect(Command1, &QPushButton::clicked, this,
            [this] { gate_.run([this] { Command1_Click(); }); });
    connect(Command2, &QPushButton::clicked, this,
            [this] { gate_.run([this] { Command2_Click(); }); });
    exportButton->setObjectName(QStringLiteral("exportButton"));
    connect(exportButton, &QPushButton::clicked, this,
            [this] { gate_.run([this] { exportButton_Click(); }); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command1);
    buttons->addSpacing(twipsToPixels(1500));
    buttons->addWidget(Command2);
    buttons->addSpacing(twipsToPixels(1500));
    buttons->addWidget(exportButton);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(MSFlexGrid1, 1);
    layout->addLayout(buttons);

    // The window is created inside the opener's handler, so its load runs directly.
    Form_Load();
}

void Form4::Form_Load() {
    for (int column = 0; column < kGridColumns; ++column) {
        MSFlexGrid1->setColumnWidth(column, twipsToPixels(kColumnWidthsTwips[column]));
    }
    for (std::size_t i = 0; i < kHeadings.size(); ++i) {
        setCellText(0, kFirstFieldColumn + static_cast<int>(i), QString::fromUtf8(kHeadings[i]));
    }
    // A store that cannot be opened leaves the grid empty; the window opens all the same.
    (void)openStore(Data2);
}

void Form4::Form_Activate() {
    // Rows are overwritten, not cleared: the fill writes the same rows again each time.
    const std::vector<std::vector<std::string>> rows = newestRecords(Data2);
    MSFlexGrid1->setUpdatesEnabled(false);
    for (std::size_t i = 0; i < rows.size() && i + 1 < static_cast<std::size_t>(kGridRows); ++i) {
        const std::vector<std::string>& fields = rows[i];
        for (std::size_t f = 0; f < fields.size() && f < kFieldNames.size(); ++f) {
            setCellText(static_cast<int>(i) + 1, kFirstFieldColumn + static_cast<int>(f),
                        QString::fromStdString(fields[f]));
        }
    }
    MSFlexGrid1->setUpdatesEnabled(true);
}

void Form4::Command1_Click() {
    // The clear destroys the whole history, so it is asked for first.
    if (!dialogs_.askYesNo("确定要清除全部记录吗？")) {
        return;
    }
    clearRecords(Data2);
    close();
}

void Form4::Command2_Click() {
    close();
}

void Form4::exportButton_Click() {
    const std::string path = dialogs_.saveFileName("导出记录", "records.csv");
    if (path.empty()) {
        return;
    }
    const ExportResult result = exportRecords(Data2, {}, files_, path);
    dialogs_.messageBox(result.written ? "已导出 " + std::to_string(result.records) + " 条记录。"
                                       : "导出失败：" + path);
}

QString Form4::TextMatrix(int row, int column) const {
    const QTableWidgetItem* cell = MSFlexGrid1->item(row, column);
    return cell ? cell->text() : QString();
}

bool Form4::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::Show:
            // Showing the window counts as its activation, also where no window manager
            // activates windows; the activation that usually follows is then not filled again.
            fillShownWithoutActivation_ = true;
            requestFill();
            break;
        case QEvent::WindowActivate:
            if (fillShownWithoutActivation_) {
                fillShownWithoutActivation_ = false;
            } else {
                requestFill();
            }
            break;
        case QEvent::WindowDeactivate:
            fillShownWithoutActivation_ = false;
            break;
        default:
            break;
    }
    return QWidget::event(event);
}

void Form4::requestFill() {
    // Deferred, so that an activation during another handler is run after it, not lost; the
    // window may be gone by then.
    gate_.runDeferred(this, [self = QPointer<Form4>(this)] {
        if (self) {
            self->Form_Activate();
        }
    });
}

void Form4::setCellText(int row, int column, const QString& text) {
    if (QTableWidgetItem* cell = MSFlexGrid1->item(row, column)) {
        cell->setText(text);
    } else {
        MSFlexGrid1->setItem(row, column, new QTableWidgetItem(text));
    }
}

}  // namespace records
