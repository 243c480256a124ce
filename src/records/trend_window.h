#pragma once

#include <QTimer>
#include <QWidget>

#include <cstdint>

#include "platform/records_binding.h"

class QChart;
class QChartView;
class QDateTimeAxis;
class QLineSeries;
class QPushButton;
class QSpinBox;
class QValueAxis;

namespace records {

class TrendView;

// "历史趋势": one station's flow and forward total over time, from the records store. Records
// logged while the window is open join the curves within seconds. The wheel zooms the time axis
// around the pointer, dragging moves it, and "复位" shows everything again.
class TrendWindow : public QWidget {
    Q_OBJECT

  public:
    explicit TrendWindow(platform::RecordsBinding& binding, QWidget* parent = nullptr);

    // Shows `station` (1 to 16) from its first record on.
    void setStation(int station);
    // Adds the records stored since the last look.
    void addNewRecords();
    // Shows all points again.
    void resetView();

    [[nodiscard]] int pointCount() const;
    [[nodiscard]] QLineSeries* flowSeries() const { return flow_; }
    [[nodiscard]] QLineSeries* totalSeries() const { return total_; }

    QSpinBox* stationBox = nullptr;
    QPushButton* resetButton = nullptr;

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void fitAxes();

    platform::RecordsBinding& binding_;
    QChart* chart_ = nullptr;
    TrendView* view_ = nullptr;
    QLineSeries* flow_ = nullptr;
    QLineSeries* total_ = nullptr;
    QDateTimeAxis* timeAxis_ = nullptr;
    QValueAxis* flowAxis_ = nullptr;
    QValueAxis* totalAxis_ = nullptr;
    QTimer pollTimer_;
    int station_ = 1;
    std::int64_t lastKey_ = 0;
};

}  // namespace records
