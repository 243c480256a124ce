#pragma once

#include <QColor>
#include <QPointF>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "trend/ticks.h"
#include "trend/trend_cache.h"

namespace records {

// The plot of "历史趋势": the flow above, the forward total below (either may be hidden), one line
// per station in its own colour with a legend above, a shared time axis whose marks follow the
// zoom, and under the mouse the time and the value of the nearest line. The wheel zooms around
// the pointer, dragging moves along the time axis; both redraw at once from what is at hand and
// say so through viewChanged, so that the window can ask for the records of the new view.
class TrendPlot final : public QWidget {
    Q_OBJECT

  public:
    // The shortest time the plot is zoomed to, in minutes.
    static constexpr double kShortestView = 5;

    explicit TrendPlot(QWidget* parent = nullptr);

    // What the reader answered; none draws nothing.
    void setAnswer(std::shared_ptr<const trend::TrendAnswer> answer);
    [[nodiscard]] const trend::TrendAnswer& answer() const { return *answer_; }
    // Shown over the plot: what is being read, or why nothing is drawn.
    void setStatus(const QString& status);
    [[nodiscard]] const QString& status() const { return status_; }
    void showQuantities(bool flow, bool total);
    // The time span shown, [from, to) in minutes; none before the first answer.
    void setView(double from, double to);
    [[nodiscard]] std::optional<std::pair<double, double>> view() const { return view_; }
    // The pixel columns of the plot: a view wants that many columns.
    [[nodiscard]] int columns() const;

    // What the plot shows now: the time axis labels ("context|label" where a context is given)
    // and the text under the mouse (empty when the mouse is elsewhere).
    [[nodiscard]] QStringList timeLabels() const;
    [[nodiscard]] QString readout() const { return readout_; }
    [[nodiscard]] static QColor colorOf(std::int64_t station);
    // Where a minute and a value of a quantity's plot are drawn; none when it is not shown.
    [[nodiscard]] std::optional<QPointF> pointOf(trend::Quantity quantity, double minute,
                                                 double value) const;

  signals:
    void viewChanged(double from, double to);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    struct Panel {
        trend::Quantity quantity = trend::kFlow;
        QRect area;
        double low = 0;  // the value range drawn, margins included
        double high = 1;
        bool valued = false;  // there are values in view
    };
    struct Layout {
        QRect legend;
        std::vector<Panel> panels;
        QRect axis;
    };

    [[nodiscard]] Layout layout() const;
    [[nodiscard]] std::optional<std::pair<double, double>> valueRange(trend::Quantity q) const;
    [[nodiscard]] double xOf(double minute, const QRect& area) const;
    [[nodiscard]] double yOf(double value, const Panel& panel) const;
    [[nodiscard]] std::vector<trend::TimeTick> ticks(const QRect& area) const;
    [[nodiscard]] QString title(trend::Quantity q) const;
    void drawLegend(QPainter& painter, const QRect& area) const;
    void drawPanel(QPainter& painter, const Panel& panel) const;
    void drawTimeAxis(QPainter& painter, const Layout& layout) const;
    void drawReadout(QPainter& painter, const Layout& layout) const;
    void point(const QPointF& position);

    std::shared_ptr<const trend::TrendAnswer> answer_;  // never null
    std::optional<std::pair<double, double>> view_;
    QString status_;
    std::array<bool, trend::kQuantities> shown_{{true, true}};
    std::optional<QPointF> dragFrom_;
    std::pair<double, double> dragView_;
    std::optional<QPointF> pointer_;
    std::optional<QPointF> marker_;    // the value the readout tells, where it is drawn
    std::optional<double> markerLow_;  // a column's range: from here to the marker
    QString readout_;
};

}  // namespace records
