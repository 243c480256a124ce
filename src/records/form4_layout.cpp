// The controls of the data-query window and their places.
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <array>

#include "records/form4.h"
#include "records/record_grid_model.h"

namespace records {

namespace {

// Sizes are given in twips; 15 twips make one pixel at 96 dpi.
int twipsToPixels(int twips) {
    return (twips + 7) / 15;
}

constexpr int kClientWidthTwips = 12330;
constexpr int kClientHeightTwips = 9120;

// Headings of columns 2 to 11; the leading blanks centre them over their columns.
std::array<QString, Form4::kGridColumns> headings() {
    return {QString(),
            QString(),
            QStringLiteral(" 仪表编号"),
            QStringLiteral("        日期"),
            QStringLiteral("管径"),
            QStringLiteral("    瞬时流量"),
            QStringLiteral("  百分比"),
            QStringLiteral("  量程比"),
            QStringLiteral("   流速"),
            QStringLiteral("   正向累计"),
            QStringLiteral("   反向累计"),
            QStringLiteral("   报警状态")};
}

// The clock's day; the system's where the clock gives none.
QDate today(platform::Clock& clock) {
    const QDate day = QDate::fromString(QString::fromStdString(clock.dateText()), Qt::ISODate);
    return day.isValid() ? day : QDate::currentDate();
}

QDateEdit* dateBox(QWidget* parent, const QDate& date) {
    auto* box = new QDateEdit(date, parent);
    box->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    box->setCalendarPopup(true);
    box->setEnabled(false);
    // Room for the whole date beside the calendar's arrow, whatever the style's own guess.
    box->setMinimumWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("0000-00-00")) +
                         box->fontMetrics().height() * 3);
    return box;
}

}  // namespace

Form4::Form4(QueryWindowServices services, QWidget* parent)
    : QWidget(parent),
      Label1(new QLabel(QStringLiteral("数  据  备  份"), this)),
      faultLabel(new QLabel(this)),
      MSFlexGrid1(new QTableView(this)),
      Command1(new QPushButton(QStringLiteral("记录清除"), this)),
      Command2(new QPushButton(QStringLiteral("返回"), this)),
      exportButton(new QPushButton(QStringLiteral("导出..."), this)),
      Timer1(new QTimer(this)),
      services_(std::move(services)),
      model_(new RecordGridModel(headings(), palette().button(), this)),
      firstDrawWait_(new QTimer(this)) {
    // The store is read on a thread of the window's own; the first fill is under way while the
    // controls are built and shown.
    startReading();
    // A window of its own even when given a parent, which then only bounds its lifetime.
    setWindowFlag(Qt::Window);
    setWindowTitle(QStringLiteral("数据查询"));
    restoreSize();

    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAlignment(Qt::AlignCenter);
    QFont titleFont = Label1->font();
    titleFont.setPointSize(titleFont.pointSize() + 6);
    Label1->setFont(titleFont);

    faultLabel->setObjectName(QStringLiteral("faultLabel"));
    faultLabel->setWordWrap(true);
    QPalette faultColours = faultLabel->palette();
    faultColours.setColor(QPalette::WindowText, QColor(0xb0, 0x00, 0x00));
    faultLabel->setPalette(faultColours);
    QFont faultFont = faultLabel->font();
    faultFont.setBold(true);
    faultLabel->setFont(faultFont);
    faultLabel->hide();

    // The header is the grid's fixed heading row: it stays in sight while the records scroll.
    // Rows have one fixed height, so that filling the grid measures nothing.
    MSFlexGrid1->setObjectName(QStringLiteral("MSFlexGrid1"));
    MSFlexGrid1->setModel(model_);
    MSFlexGrid1->verticalHeader()->hide();
    MSFlexGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    MSFlexGrid1->verticalHeader()->setDefaultSectionSize(MSFlexGrid1->fontMetrics().height() + 6);
    MSFlexGrid1->horizontalHeader()->setMinimumSectionSize(1);
    MSFlexGrid1->horizontalHeader()->setHighlightSections(false);
    MSFlexGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    MSFlexGrid1->setWordWrap(false);
    firstDrawWait_->setSingleShot(true);
    firstDrawWait_->setInterval(kFirstDrawWaitMs);
    connect(firstDrawWait_, &QTimer::timeout, this,
            [this] { MSFlexGrid1->setUpdatesEnabled(true); });

    Command1->setObjectName(QStringLiteral("Command1"));
    Command2->setObjectName(QStringLiteral("Command2"));
    exportButton->setObjectName(QStringLiteral("exportButton"));
    auto& gate = services_.gate;
    connect(Command1, &QPushButton::clicked, this,
            [this, &gate] { gate.run([this] { Command1_Click(); }); });
    connect(Command2, &QPushButton::clicked, this,
            [this, &gate] { gate.run([this] { Command2_Click(); }); });
    connect(exportButton, &QPushButton::clicked, this,
            [this, &gate] { gate.run([this] { exportButton_Click(); }); });
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kLookIntervalMs);
    connect(Timer1, &QTimer::timeout, this,
            [this, &gate] { gate.run([this] { Timer1_Timer(); }); });

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
    layout->addWidget(buildFilterRow());
    layout->addWidget(faultLabel);
    layout->addWidget(MSFlexGrid1, 1);
    layout->addLayout(buttons);
    // A window made ahead of its opening (not shown by the handler that made it) is polished,
    // laid out and given its native window meanwhile, so that its first show only draws.
    QTimer::singleShot(0, this, [this] {
        if (!isVisible()) {
            ensurePolished();
            this->layout()->activate();
            create();
        }
    });
    // Form_Load runs at the first show, which begins the first opening.
}

QWidget* Form4::buildFilterRow() {
    auto* row = new QWidget(this);
    stationBox = new QComboBox(row);
    stationBox->setObjectName(QStringLiteral("stationBox"));
    stationBox->addItem(QStringLiteral("全部"));
    for (int station = 1; station <= 16; ++station) {
        stationBox->addItem(QStringLiteral("%1").arg(station, 2, 10, QLatin1Char('0')), station);
    }
    const QDate shownDate = today(services_.clock);
    fromCheck = new QCheckBox(QStringLiteral("起始日期"), row);
    fromDate = dateBox(row, shownDate);
    toCheck = new QCheckBox(QStringLiteral("截止日期"), row);
    toDate = dateBox(row, shownDate);

    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addStretch();
    layout->addWidget(new QLabel(QStringLiteral("仪表编号"), row));
    layout->addWidget(stationBox);
    layout->addSpacing(twipsToPixels(400));
    layout->addWidget(fromCheck);
    layout->addWidget(fromDate);
    layout->addSpacing(twipsToPixels(400));
    layout->addWidget(toCheck);
    layout->addWidget(toDate);
    layout->addStretch();

    auto& gate = services_.gate;
    const auto changed = [this, &gate] { gate.run([this] { filterChanged(); }); };
    connect(stationBox, qOverload<int>(&QComboBox::currentIndexChanged), this, changed);
    connect(fromCheck, &QCheckBox::toggled, this, changed);
    connect(toCheck, &QCheckBox::toggled, this, changed);
    connect(fromDate, &QDateEdit::dateChanged, this, changed);
    connect(toDate, &QDateEdit::dateChanged, this, changed);
    return row;
}

void Form4::Form_Load() {
    constexpr std::array<int, kGridColumns> widthsTwips = {10,   10,   1000, 1800, 500,  1500,
                                                           1000, 1000, 1000, 1500, 1500, 3850};
    for (int column = 0; column < kGridColumns; ++column) {
        MSFlexGrid1->setColumnWidth(column,
                                    twipsToPixels(widthsTwips[static_cast<std::size_t>(column)]));
    }
    // Every station and no dates, as the filter starts; the signals are held back so that the
    // filter is taken once, below, and only read anew when it was another.
    {
        const QSignalBlocker station(stationBox);
        const QSignalBlocker from(fromCheck);
        const QSignalBlocker to(toCheck);
        const QSignalBlocker fromDay(fromDate);
        const QSignalBlocker toDay(toDate);
        stationBox->setCurrentIndex(0);
        fromCheck->setChecked(false);
        toCheck->setChecked(false);
        const QDate shownDate = today(services_.clock);
        fromDate->setDate(shownDate);
        toDate->setDate(shownDate);
    }
    filterChanged();
}

void Form4::restoreSize() {
    setWindowState(Qt::WindowNoState);
    resize(twipsToPixels(kClientWidthTwips), twipsToPixels(kClientHeightTwips));
}

void Form4::beginOpening() {
    opened_ = true;
    Form_Load();
    MSFlexGrid1->clearSelection();
    MSFlexGrid1->setCurrentIndex(QModelIndex());
    MSFlexGrid1->scrollToTop();
    MSFlexGrid1->horizontalScrollBar()->setValue(0);
    // The grid is first drawn with its records, not empty and then again; a store slow to
    // answer gets the empty grid drawn after a moment.
    MSFlexGrid1->setUpdatesEnabled(false);
    firstDrawWait_->start();
}

void Form4::startReading() {
    reader_ = std::make_unique<BackgroundReader>(
        services_.makeStore, [this](BackgroundReader::Delivery delivery) {
            QMetaObject::invokeMethod(
                this,
                [this, delivery = std::move(delivery)]() mutable { receive(std::move(delivery)); },
                Qt::QueuedConnection);
        });
    askForFill();
}

}  // namespace records
