#include "records/trend_window.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

#include "records/records_store.h"

namespace records {

namespace {

QIcon swatch(const QColor& color) {
    QPixmap pixmap(12, 12);
    pixmap.fill(color);
    return QIcon(pixmap);
}

}  // namespace

TrendWindow::TrendWindow(trend::TrendRowsMaker rows, std::unique_ptr<trend::SummaryShelf> shelf,
                         QWidget* parent)
    : QWidget(parent), reader_(std::move(rows), std::move(shelf)) {
    setWindowFlag(Qt::Window);
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowTitle(QStringLiteral("历史趋势"));

    // Two rows of eight stations, the quantities and the buttons beside them: narrow enough for a
    // screen 1024 pixels wide.
    auto* top = new QGridLayout;
    top->setHorizontalSpacing(6);
    top->addWidget(new QLabel(QStringLiteral("仪表"), this), 0, 0, 2, 1);
    for (int i = 0; i < kStations; ++i) {
        QCheckBox* box =
            new QCheckBox(QStringLiteral("%1").arg(i + 1, 2, 10, QLatin1Char('0')), this);
        box->setIcon(swatch(TrendPlot::colorOf(i + 1)));
        box->setChecked(i == 0);
        connect(box, &QCheckBox::toggled, this, &TrendWindow::refresh);
        stationBoxes[static_cast<std::size_t>(i)] = box;
        top->addWidget(box, i / 8, 1 + i % 8);
    }
    top->setColumnStretch(9, 1);

    flowBox = new QCheckBox(QString::fromStdString(kFieldNames[3]), this);
    totalBox = new QCheckBox(QString::fromStdString(kFieldNames[7]), this);
    for (QCheckBox* box : {flowBox, totalBox}) {
        box->setChecked(true);
        connect(box, &QCheckBox::toggled, this,
                [this] { plot->showQuantities(flowBox->isChecked(), totalBox->isChecked()); });
    }
    allButton = new QPushButton(QStringLiteral("全选"), this);
    noneButton = new QPushButton(QStringLiteral("全不选"), this);
    resetButton = new QPushButton(QStringLiteral("复位"), this);
    connect(allButton, &QPushButton::clicked, this, [this] { pickAll(true); });
    connect(noneButton, &QPushButton::clicked, this, [this] { pickAll(false); });
    connect(resetButton, &QPushButton::clicked, this, &TrendWindow::resetView);
    auto* quantities = new QHBoxLayout;
    quantities->addWidget(flowBox);
    quantities->addWidget(totalBox);
    quantities->addWidget(new QLabel(QStringLiteral("滚轮缩放，拖动平移，指向曲线看数值"), this));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(allButton);
    buttons->addWidget(noneButton);
    buttons->addWidget(resetButton);
    top->addLayout(quantities, 0, 10);
    top->addLayout(buttons, 1, 10);

    plot = new TrendPlot(this);
    plot->installEventFilter(this);
    connect(plot, &TrendPlot::viewChanged, this, [this] {
        following_ = false;
        refresh();
    });
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(plot, 1);

    connect(&reader_, &TrendReader::answered, this, &TrendWindow::answered);
    connect(&reader_, &TrendReader::failed, this,
            [this] { plot->setStatus(QStringLiteral("记录库无法读取")); });
    connect(&reader_, &TrendReader::progressed, this, [this](int percent) {
        plot->setStatus(QStringLiteral("正在读取记录 %1%").arg(percent));
    });
    connect(&refreshTimer_, &QTimer::timeout, this, &TrendWindow::refresh);
    refreshTimer_.setInterval(kRefreshMs);

    QSize size(980, 640);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        size = size.boundedTo(screen->availableSize());
    }
    resize(size);
}

std::vector<std::int64_t> TrendWindow::stations() const {
    std::vector<std::int64_t> picked;
    for (int i = 0; i < kStations; ++i) {
        if (stationBoxes[static_cast<std::size_t>(i)]->isChecked()) {
            picked.push_back(i + 1);
        }
    }
    return picked;
}

void TrendWindow::refresh() {
    trend::TrendRequest request;
    request.stations = stations();
    if (request.stations.empty()) {
        plot->setAnswer(nullptr);
        plot->setStatus(QStringLiteral("请选择仪表"));
        return;
    }
    if (!following_) {
        request.range = plot->view();
    }
    request.columns = plot->columns();
    reader_.request(request);
}

void TrendWindow::pickAll(bool picked) {
    for (QCheckBox* box : stationBoxes) {
        const QSignalBlocker quiet(box);
        box->setChecked(picked);
    }
    refresh();
}

void TrendWindow::resetView() {
    following_ = true;
    refresh();
}

void TrendWindow::answered(const std::shared_ptr<const trend::TrendAnswer>& shared) {
    plot->setAnswer(shared);
    const trend::TrendAnswer& answer = *shared;
    if (following_ && !answer.request.range && answer.span) {
        plot->setView(answer.grid.from, answer.grid.to);
    }
    if (answer.stations.empty()) {
        plot->setStatus(QStringLiteral("请选择仪表"));
    } else if (!answer.span) {
        plot->setStatus(QStringLiteral("没有记录"));
    } else {
        plot->setStatus({});
    }
}

void TrendWindow::showEvent(QShowEvent* event) {
    refresh();
    refreshTimer_.start();
    QWidget::showEvent(event);
}

void TrendWindow::hideEvent(QHideEvent* event) {
    refreshTimer_.stop();
    // A window closed lets go of what it read; opening it again reads the store anew.
    reader_.forget();
    QWidget::hideEvent(event);
}

bool TrendWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == plot && event->type() == QEvent::Resize && isVisible()) {
        refresh();
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace records
