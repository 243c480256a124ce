// The drawing of the trend plot; its layout and the mouse are in trend_plot.cpp.
#include <QFontMetrics>
#include <QPainter>
#include <QPolygonF>

#include <algorithm>

#include "records/trend_plot.h"
#include "trend/ticks.h"
#include "trend_plot_parts.h"

namespace records {

namespace {

using plot::kMargin;
using plot::kValueLabelSpacing;
using plot::quantityName;
using plot::stationName;

}  // namespace

QString TrendPlot::title(trend::Quantity q) const {
    QStringList units;
    for (const trend::StationTrend& station : answer_->stations) {
        const QString unit = QString::fromStdString(station.curves[q].unit);
        if (!unit.isEmpty() && !units.contains(unit)) {
            units << unit;
        }
    }
    return units.isEmpty() ? quantityName(q)
                           : QStringLiteral("%1 (%2)").arg(quantityName(q), units.join(u'、'));
}

void TrendPlot::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const Layout l = layout();
    const bool drawn = view_ && std::any_of(l.panels.begin(), l.panels.end(),
                                            [](const Panel& p) { return p.valued; });
    drawLegend(painter, l.legend);
    if (view_) {
        for (const Panel& panel : l.panels) {
            drawPanel(painter, panel);
        }
        drawTimeAxis(painter, l);
        drawReadout(painter, l);
    }
    if (!status_.isEmpty()) {
        const QRect box =
            drawn && !l.panels.empty() ? l.panels.front().area.adjusted(4, 4, -4, -4) : rect();
        painter.setPen(palette().color(QPalette::Text));
        painter.drawText(box, drawn ? Qt::AlignTop | Qt::AlignRight : Qt::AlignCenter, status_);
    }
}

void TrendPlot::drawLegend(QPainter& painter, const QRect& area) const {
    const QFontMetrics metrics(font());
    const int entry = 30 + metrics.horizontalAdvance(stationName(88));
    int x = area.left();
    int y = area.top();
    for (const trend::StationTrend& station : answer_->stations) {
        if (x + entry > area.right() + 1 && x > area.left()) {
            x = area.left();
            y += metrics.height();
        }
        const int middle = y + metrics.height() / 2;
        painter.setPen(QPen(colorOf(station.station), 3));
        painter.drawLine(x + 2, middle, x + 20, middle);
        painter.setPen(palette().color(QPalette::Text));
        painter.drawText(QRect(x + 24, y, entry - 24, metrics.height()), Qt::AlignVCenter,
                         stationName(station.station));
        x += entry;
    }
}

void TrendPlot::drawPanel(QPainter& painter, const Panel& panel) const {
    const QFontMetrics metrics(font());
    const QRect& area = panel.area;
    const QColor text = palette().color(QPalette::Text);
    const QColor grid(0xe4, 0xe4, 0xe4);
    painter.setPen(text);
    painter.drawText(
        QRect(area.left(), area.top() - metrics.height() - 2, area.width(), metrics.height()),
        Qt::AlignLeft | Qt::AlignVCenter, title(panel.quantity));
    for (const trend::TimeTick& tick : ticks(area)) {
        const double x = xOf(static_cast<double>(tick.minute), area);
        painter.setPen(grid);
        painter.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
    }
    if (panel.valued) {
        const int most = std::max(area.height() / kValueLabelSpacing, 2);
        for (const trend::ValueTick& tick : trend::valueTicks(panel.low, panel.high, most)) {
            const double y = yOf(tick.value, panel);
            painter.setPen(grid);
            painter.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
            painter.setPen(text);
            painter.drawText(QRectF(kMargin, y - metrics.height() / 2.0, area.left() - kMargin - 6,
                                    metrics.height()),
                             Qt::AlignRight | Qt::AlignVCenter, QString::fromStdString(tick.label));
        }
    }
    painter.setPen(QColor(0xa0, 0xa0, 0xa0));
    painter.drawRect(area);
    if (!panel.valued) {
        return;
    }
    painter.save();
    painter.setClipRect(area.adjusted(1, 1, 0, 0));
    // Without smoothing: the lines run along pixel columns, where smoothing adds little and makes
    // the drawing of sixteen stations' year about a third slower.
    QPolygonF polygon;
    for (const trend::StationTrend& station : answer_->stations) {
        const QColor color = colorOf(station.station);
        QPen pen(color, 1);
        pen.setCosmetic(true);
        painter.setPen(pen);
        painter.setBrush(color);
        for (const std::vector<trend::Point>& piece : station.curves[panel.quantity].line) {
            // A view zoomed in before its records are read draws a small part of the line.
            const auto [begin, end] = trend::drawnPoints(piece, view_->first, view_->second);
            polygon.clear();
            for (std::size_t i = begin; i < end; ++i) {
                polygon << QPointF(xOf(piece[i].minute, area), yOf(piece[i].value, panel));
            }
            if (polygon.size() == 1) {
                painter.drawEllipse(polygon.front(), 1.6, 1.6);
            } else if (polygon.size() > 1) {
                painter.drawPolyline(polygon);
            }
        }
    }
    painter.restore();
}

void TrendPlot::drawTimeAxis(QPainter& painter, const Layout& l) const {
    const QFontMetrics metrics(font());
    const QRect& axis = l.axis;
    painter.setPen(palette().color(QPalette::Text));
    for (const trend::TimeTick& tick : ticks(axis)) {
        const double x = xOf(static_cast<double>(tick.minute), axis);
        painter.drawLine(QPointF(x, axis.top()), QPointF(x, axis.top() + 4));
        const QStringList lines = {QString::fromStdString(tick.label),
                                   QString::fromStdString(tick.context)};
        for (int i = 0; i < 2; ++i) {
            const int wide = metrics.horizontalAdvance(lines[i]) + 4;
            const double left = std::clamp(x - wide / 2.0, 0.0, double(width() - wide));
            painter.drawText(
                QRectF(left, axis.top() + 5 + i * metrics.height(), wide, metrics.height()),
                Qt::AlignCenter, lines[i]);
        }
    }
}

void TrendPlot::drawReadout(QPainter& painter, const Layout& l) const {
    if (!pointer_ || readout_.isEmpty() || l.panels.empty()) {
        return;
    }
    painter.save();
    painter.setPen(QPen(QColor(0x60, 0x60, 0x60), 1, Qt::DashLine));
    painter.drawLine(QPointF(pointer_->x(), l.panels.front().area.top()),
                     QPointF(pointer_->x(), l.panels.back().area.bottom()));
    if (marker_) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(Qt::black, 1.5));
        painter.setBrush(Qt::NoBrush);
        if (markerLow_) {
            painter.drawLine(QPointF(marker_->x(), *markerLow_), *marker_);
        }
        painter.drawEllipse(*marker_, 4, 4);
    }
    // Measured as drawn: Chinese characters may come from a taller font than the widget's.
    const QRectF text = painter.boundingRect(QRectF(0, 0, width(), height()),
                                             Qt::AlignLeft | Qt::AlignTop, readout_);
    QRectF box(pointer_->x() + 14, pointer_->y() + 14, text.width() + 12, text.height() + 8);
    if (box.right() > width() - 2) {
        box.moveRight(pointer_->x() - 14);
    }
    if (box.bottom() > height() - 2) {
        box.moveBottom(pointer_->y() - 14);
    }
    painter.setPen(QColor(0x80, 0x80, 0x80));
    painter.setBrush(QColor(255, 255, 255, 235));
    painter.drawRect(box);
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(box.adjusted(6, 4, -6, -4), Qt::AlignLeft | Qt::AlignTop, readout_);
    painter.restore();
}

}  // namespace records
