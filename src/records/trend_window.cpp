#include "records/trend_window.h"

#include <QChart>
#include <QChartView>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QMouseEvent>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <QValueAxis>
#include <QWheelEvent>

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

#include "records/csv_export.h"
#include "records/records_store.h"
#include "text/leading_number.h"

namespace records {

namespace {

constexpr int kPollMs = 5000;
const char* const kDateFormat = "yyyy-MM-dd/H:mm";

// The unit after the number of a shown value: "+1234.56m3/h" gives "m3/h".
QString unitOf(const std::string& text) {
    return QString::fromStdString(splitNumber(text).second);
}

}  // namespace

// The chart, zoomed by the wheel and moved by dragging, along the time axis only.
class TrendView final : public QChartView {
  public:
    explicit TrendView(QChart* chart, QWidget* parent) : QChartView(chart, parent) {
        setRenderHint(QPainter::Antialiasing);
    }

  protected:
    void wheelEvent(QWheelEvent* event) override {
        const qreal factor = event->angleDelta().y() > 0 ? 1.25 : 0.8;
        const QRectF area = chart()->plotArea();
        const qreal x = event->position().x();
        QRectF zoomed = area;
        zoomed.setWidth(area.width() / factor);
        zoomed.moveLeft(x - (x - area.left()) / factor);
        chart()->zoomIn(zoomed);
        event->accept();
    }
    void mousePressEvent(QMouseEvent* event) override {
        dragFrom_ = event->position();
        event->accept();
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        if (event->buttons() & Qt::LeftButton) {
            chart()->scroll(dragFrom_.x() - event->position().x(), 0);
            dragFrom_ = event->position();
        }
        event->accept();
    }

  private:
    QPointF dragFrom_;
};

TrendWindow::TrendWindow(platform::RecordsBinding& binding, QWidget* parent)
    : QWidget(parent), binding_(binding) {
    setWindowFlag(Qt::Window);
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowTitle(QStringLiteral("历史趋势"));

    flow_ = new QLineSeries;
    flow_->setName(QStringLiteral("瞬时流量"));
    total_ = new QLineSeries;
    total_->setName(QStringLiteral("正向累计"));
    chart_ = new QChart;
    chart_->addSeries(flow_);
    chart_->addSeries(total_);
    timeAxis_ = new QDateTimeAxis;
    timeAxis_->setFormat(QStringLiteral("MM-dd HH:mm"));
    timeAxis_->setTitleText(QStringLiteral("时间"));
    flowAxis_ = new QValueAxis;
    flowAxis_->setTitleText(QStringLiteral("瞬时流量"));
    totalAxis_ = new QValueAxis;
    totalAxis_->setTitleText(QStringLiteral("正向累计"));
    chart_->addAxis(timeAxis_, Qt::AlignBottom);
    chart_->addAxis(flowAxis_, Qt::AlignLeft);
    chart_->addAxis(totalAxis_, Qt::AlignRight);
    flow_->attachAxis(timeAxis_);
    flow_->attachAxis(flowAxis_);
    total_->attachAxis(timeAxis_);
    total_->attachAxis(totalAxis_);
    view_ = new TrendView(chart_, this);

    stationBox = new QSpinBox(this);
    stationBox->setRange(1, 16);
    stationBox->setAccessibleName(QStringLiteral("仪表编号"));
    resetButton = new QPushButton(QStringLiteral("复位"), this);
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("仪表编号"), this));
    top->addWidget(stationBox);
    top->addStretch();
    top->addWidget(new QLabel(QStringLiteral("滚轮缩放，拖动平移"), this));
    top->addWidget(resetButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(view_, 1);

    connect(stationBox, qOverload<int>(&QSpinBox::valueChanged), this, &TrendWindow::setStation);
    connect(resetButton, &QPushButton::clicked, this, &TrendWindow::resetView);
    connect(&pollTimer_, &QTimer::timeout, this, &TrendWindow::addNewRecords);
    pollTimer_.setInterval(kPollMs);
    resize(900, 520);
}

void TrendWindow::setStation(int station) {
    station_ = station;
    lastKey_ = 0;
    flow_->clear();
    total_->clear();
    addNewRecords();
    resetView();
}

void TrendWindow::addNewRecords() {
    QList<QPointF> flows;
    QList<QPointF> totals;
    QString flowUnit;
    QString totalUnit;
    platform::RowFilter filter;
    filter.station = station_;
    filter.afterKey = lastKey_;
    const std::vector<std::string> fields = {"日期", "瞬时流量", "正向累计"};
    // A failed walk adds nothing; the next look tries again.
    (void)binding_.forEachRow(
        filter, fields, [&](std::int64_t key, const std::vector<std::string>& texts) {
            lastKey_ = key;
            const QDateTime time = QDateTime::fromString(QString::fromStdString(texts[0]),
                                                         QString::fromLatin1(kDateFormat));
            if (!time.isValid()) {
                return true;
            }
            const auto x = static_cast<qreal>(time.toMSecsSinceEpoch());
            if (!texts[1].empty()) {
                flows.append({x, text::leadingNumber(texts[1]).value_or(0.0)});
                flowUnit = unitOf(texts[1]);
            }
            if (!texts[2].empty()) {
                totals.append({x, text::leadingNumber(texts[2]).value_or(0.0)});
                totalUnit = unitOf(texts[2]);
            }
            return true;
        });
    if (flows.isEmpty() && totals.isEmpty()) {
        return;
    }
    const bool following = !chart_->isZoomed();
    flow_->append(flows);
    total_->append(totals);
    if (!flowUnit.isEmpty()) {
        flowAxis_->setTitleText(QStringLiteral("瞬时流量 (%1)").arg(flowUnit));
    }
    if (!totalUnit.isEmpty()) {
        totalAxis_->setTitleText(QStringLiteral("正向累计 (%1)").arg(totalUnit));
    }
    if (following) {
        fitAxes();
    }
}

void TrendWindow::resetView() {
    chart_->zoomReset();
    fitAxes();
}

void TrendWindow::fitAxes() {
    const auto fit = [](const QLineSeries* series, QValueAxis* axis, qreal& first, qreal& last) {
        const QList<QPointF> points = series->points();
        if (points.isEmpty()) {
            return;
        }
        qreal low = points.front().y();
        qreal high = low;
        for (const QPointF& p : points) {
            low = std::min(low, p.y());
            high = std::max(high, p.y());
            first = std::min(first, p.x());
            last = std::max(last, p.x());
        }
        const qreal margin = std::max((high - low) * 0.05, 1.0);
        axis->setRange(low - margin, high + margin);
    };
    qreal first = std::numeric_limits<qreal>::max();
    qreal last = std::numeric_limits<qreal>::lowest();
    fit(flow_, flowAxis_, first, last);
    fit(total_, totalAxis_, first, last);
    if (first <= last) {
        const qint64 pad = first == last ? 60000 : 0;
        timeAxis_->setRange(QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(first) - pad),
                            QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(last) + pad));
    }
}

int TrendWindow::pointCount() const {
    return static_cast<int>(flow_->count());
}

void TrendWindow::showEvent(QShowEvent* event) {
    if (lastKey_ == 0) {
        setStation(stationBox->value());
    } else {
        addNewRecords();
    }
    pollTimer_.start();
    QWidget::showEvent(event);
}

void TrendWindow::hideEvent(QHideEvent* event) {
    pollTimer_.stop();
    QWidget::hideEvent(event);
}

}  // namespace records
