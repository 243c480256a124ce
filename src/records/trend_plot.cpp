#include "records/trend_plot.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

#include "trend/hover.h"
#include "trend/ticks.h"
#include "trend_plot_parts.h"

namespace records {

namespace {

using plot::kMargin;
using plot::quantityName;
using plot::stationName;

constexpr int kPanelGap = 6;
constexpr int kTimeLabelSpacing = 100;  // pixels per time axis label at most
constexpr double kPointerReach = 10;    // pixels from the pointer to the line it reads
constexpr double kLongestView = 200 * 525960.0;

// Sixteen colours told apart on white: the first ten of a common plotting palette, then black,
// navy, gold, maroon, teal and magenta.
const std::array<QColor, 16> kColors = {
    QColor(0x1f, 0x77, 0xb4), QColor(0xd6, 0x27, 0x28), QColor(0x2c, 0xa0, 0x2c),
    QColor(0xff, 0x7f, 0x0e), QColor(0x94, 0x67, 0xbd), QColor(0x8c, 0x56, 0x4b),
    QColor(0xe3, 0x77, 0xc2), QColor(0x17, 0xbe, 0xcf), QColor(0xbc, 0xbd, 0x22),
    QColor(0x7f, 0x7f, 0x7f), QColor(0x00, 0x00, 0x00), QColor(0x1b, 0x1f, 0x8a),
    QColor(0xe6, 0xb8, 0x00), QColor(0x80, 0x00, 0x00), QColor(0x00, 0x79, 0x6b),
    QColor(0xb1, 0x0d, 0xc9)};

}  // namespace

TrendPlot::TrendPlot(QWidget* parent)
    : QWidget(parent), answer_(std::make_shared<const trend::TrendAnswer>()) {
    setMouseTracking(true);
    setMinimumSize(320, 240);
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
}

QColor TrendPlot::colorOf(std::int64_t station) {
    return kColors[static_cast<std::size_t>(((station - 1) % 16 + 16) % 16)];
}

void TrendPlot::setAnswer(std::shared_ptr<const trend::TrendAnswer> answer) {
    answer_ = answer ? std::move(answer) : std::make_shared<const trend::TrendAnswer>();
    if (!view_ && answer_->grid.to > answer_->grid.from) {
        view_ = std::make_pair(answer_->grid.from, answer_->grid.to);
    }
    if (pointer_) {
        point(*pointer_);
    }
    update();
}

void TrendPlot::setStatus(const QString& status) {
    if (status != status_) {
        status_ = status;
        update();
    }
}

void TrendPlot::showQuantities(bool flow, bool total) {
    shown_ = {flow, total};
    update();
}

void TrendPlot::setView(double from, double to) {
    view_ = std::make_pair(from, to);
    if (pointer_) {
        point(*pointer_);
    }
    update();
}

int TrendPlot::columns() const {
    const Layout l = layout();
    return l.panels.empty() ? std::max(width() - 2 * kMargin, 1) : l.panels.front().area.width();
}

std::optional<std::pair<double, double>> TrendPlot::valueRange(trend::Quantity q) const {
    if (!view_) {
        return std::nullopt;
    }
    std::optional<std::pair<double, double>> range;
    for (const trend::StationTrend& station : answer_->stations) {
        for (const trend::Extent& c : station.curves[q].columns) {
            if (!c.present || static_cast<double>(c.lastMinute) < view_->first ||
                static_cast<double>(c.firstMinute) >= view_->second) {
                continue;
            }
            range = range ? std::make_pair(std::min(range->first, c.low),
                                           std::max(range->second, c.high))
                          : std::make_pair(c.low, c.high);
        }
    }
    if (!range) {
        return std::nullopt;
    }
    const double span = range->second - range->first;
    const double pad = span > 0 ? span * 0.05 : std::max(std::abs(range->first) * 0.05, 1.0);
    return std::make_pair(range->first - pad, range->second + pad);
}

TrendPlot::Layout TrendPlot::layout() const {
    Layout l;
    const QFontMetrics metrics(font());
    const int line = metrics.height();
    const int inner = std::max(width() - 2 * kMargin, 1);
    const int entry = 30 + metrics.horizontalAdvance(stationName(88));
    const int perRow = std::max(inner / entry, 1);
    const auto stations = static_cast<int>(answer_->stations.size());
    const int rows = (stations + perRow - 1) / perRow;
    l.legend = QRect(kMargin, kMargin, inner, rows * line);

    int labelWidth = metrics.horizontalAdvance(QStringLiteral("0000"));
    for (const trend::Quantity q : {trend::kFlow, trend::kTotal}) {
        if (!shown_[q]) {
            continue;
        }
        Panel panel;
        panel.quantity = q;
        if (const auto range = valueRange(q)) {
            panel.valued = true;
            panel.low = range->first;
            panel.high = range->second;
            for (const trend::ValueTick& tick : trend::valueTicks(panel.low, panel.high, 8)) {
                labelWidth = std::max(
                    labelWidth, metrics.horizontalAdvance(QString::fromStdString(tick.label)));
            }
        }
        l.panels.push_back(panel);
    }
    const int left = kMargin + labelWidth + 8;
    const int right = width() - kMargin - metrics.horizontalAdvance(QStringLiteral("00")) / 2;
    const int axisHeight = 2 * line + 8;
    int top = l.legend.bottom() + 1 + (rows > 0 ? kPanelGap : 0);
    const auto count = static_cast<int>(l.panels.size());
    const int room = height() - top - kMargin - axisHeight - count * (line + kPanelGap);
    const int each = count > 0 ? std::max(room / count, 20) : 0;
    for (Panel& panel : l.panels) {
        top += line + 2;  // the panel's title
        panel.area = QRect(left, top, std::max(right - left, 1), each);
        top += each + kPanelGap;
    }
    l.axis = QRect(left, top - kPanelGap, std::max(right - left, 1), axisHeight);
    return l;
}

double TrendPlot::xOf(double minute, const QRect& area) const {
    return area.left() + (minute - view_->first) / (view_->second - view_->first) * area.width();
}

double TrendPlot::yOf(double value, const Panel& panel) const {
    return panel.area.bottom() -
           (value - panel.low) / (panel.high - panel.low) * panel.area.height();
}

std::vector<trend::TimeTick> TrendPlot::ticks(const QRect& area) const {
    if (!view_) {
        return {};
    }
    return trend::timeTicks(view_->first, view_->second,
                            std::max(area.width() / kTimeLabelSpacing, 2));
}

QStringList TrendPlot::timeLabels() const {
    const Layout l = layout();
    QStringList labels;
    for (const trend::TimeTick& tick : ticks(l.axis)) {
        labels << QString::fromStdString(tick.context.empty() ? tick.label
                                                              : tick.context + "|" + tick.label);
    }
    return labels;
}

std::optional<QPointF> TrendPlot::pointOf(trend::Quantity quantity, double minute,
                                          double value) const {
    for (const Panel& panel : layout().panels) {
        if (panel.quantity == quantity && panel.valued) {
            return QPointF(xOf(minute, panel.area), yOf(value, panel));
        }
    }
    return std::nullopt;
}

void TrendPlot::point(const QPointF& position) {
    pointer_ = position;
    marker_.reset();
    markerLow_.reset();
    readout_.clear();
    const Layout l = layout();
    const auto panel = std::find_if(l.panels.begin(), l.panels.end(), [&](const Panel& p) {
        return p.area.contains(position.toPoint());
    });
    if (!view_ || panel == l.panels.end()) {
        return;
    }
    const QRect& area = panel->area;
    const double minutesPerPixel = (view_->second - view_->first) / area.width();
    const double minute = view_->first + (position.x() - area.left()) * minutesPerPixel;
    const QString name = quantityName(panel->quantity);
    std::optional<trend::Hit> hit;
    if (panel->valued) {
        const double valuePerPixel = (panel->high - panel->low) / area.height();
        const double value = panel->low + (area.bottom() - position.y()) * valuePerPixel;
        hit = trend::nearestColumn(*answer_, panel->quantity, minute, value, minutesPerPixel,
                                   valuePerPixel, kPointerReach);
    }
    if (!hit) {
        const QString time = QString::fromStdString(
            trend::minuteText(static_cast<trend::Minute>(std::floor(minute))));
        // Far from every line: "no record" only where none of the lines has one.
        readout_ = trend::recordedAt(*answer_, panel->quantity, minute)
                       ? QStringLiteral("%1\n指向曲线看数值").arg(time)
                       : QStringLiteral("%1\n%2 无记录").arg(time, name);
        return;
    }
    QString unit;
    for (const trend::StationTrend& station : answer_->stations) {
        if (station.station == hit->station) {
            unit = QString::fromStdString(station.curves[panel->quantity].unit);
        }
    }
    const trend::Extent& c = hit->column;
    readout_ = QStringLiteral("%1  %2\n%3 %4 %5")
                   .arg(stationName(hit->station), QString::fromStdString(trend::timeText(c)), name,
                        QString::fromStdString(trend::valueText(c, answer_->exact)), unit)
                   .trimmed();
    const double middle =
        (static_cast<double>(c.firstMinute) + static_cast<double>(c.lastMinute)) / 2;
    marker_ = QPointF(xOf(middle, area), yOf(c.high, *panel));
    if (c.low != c.high) {
        markerLow_ = yOf(c.low, *panel);
    }
}

void TrendPlot::wheelEvent(QWheelEvent* event) {
    event->accept();
    const Layout l = layout();
    if (!view_ || l.panels.empty() || event->angleDelta().y() == 0) {
        return;
    }
    const QRect& area = l.panels.front().area;
    const double span = view_->second - view_->first;
    const double wanted = span * std::pow(0.8, event->angleDelta().y() / 120.0);
    const double next = std::clamp(wanted, kShortestView, kLongestView);
    const double at =
        std::clamp(view_->first + (event->position().x() - area.left()) / area.width() * span,
                   view_->first, view_->second);
    const double from = at - (at - view_->first) * next / span;
    setView(from, from + next);
    emit viewChanged(from, from + next);
}

void TrendPlot::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && view_) {
        dragFrom_ = event->position();
        dragView_ = *view_;
    }
    event->accept();
}

void TrendPlot::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    if (!dragFrom_ || !(event->buttons() & Qt::LeftButton)) {
        point(event->position());
        update();
        return;
    }
    const Layout l = layout();
    const int across = l.panels.empty() ? width() : l.panels.front().area.width();
    const double span = dragView_.second - dragView_.first;
    const double shift = -(event->position().x() - dragFrom_->x()) / across * span;
    pointer_.reset();
    readout_.clear();
    setView(dragView_.first + shift, dragView_.second + shift);
    emit viewChanged(view_->first, view_->second);
}

void TrendPlot::mouseReleaseEvent(QMouseEvent* event) {
    dragFrom_.reset();
    event->accept();
}

void TrendPlot::leaveEvent(QEvent* event) {
    pointer_.reset();
    readout_.clear();
    marker_.reset();
    update();
    QWidget::leaveEvent(event);
}

}  // namespace records
