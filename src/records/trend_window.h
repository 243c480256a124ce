#pragma once

#include <QTimer>
#include <QWidget>

#include <array>
#include <cstdint>
#include <vector>

#include "records/trend_plot.h"
#include "records/trend_reader.h"
#include "trend/trend_rows.h"

class QCheckBox;
class QPushButton;

namespace records {

// "历史趋势": the flow and the forward total of the stations picked (1 to 16), over time, from the
// records store. The store is read on a thread of its own; this window only draws. A view shows
// per pixel column what its records reach, read again for every zoom and move, so that a year of
// sixteen stations draws as quickly as an hour. Records logged while the window is shown join
// the curves within kRefreshMs; "复位" shows every record of the stations again.
class TrendWindow : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kRefreshMs = 5000;
    static constexpr int kStations = 16;

    explicit TrendWindow(trend::TrendRowsMaker rows,
                         std::unique_ptr<trend::SummaryShelf> shelf = nullptr,
                         QWidget* parent = nullptr);

    // Asks for the records of the view shown: of every record of the stations picked until the
    // operator zooms or moves, of the view shown after that.
    void refresh();
    // The stations picked, in order.
    [[nodiscard]] std::vector<std::int64_t> stations() const;

    std::array<QCheckBox*, kStations> stationBoxes{};
    QCheckBox* flowBox = nullptr;
    QCheckBox* totalBox = nullptr;
    QPushButton* allButton = nullptr;
    QPushButton* noneButton = nullptr;
    QPushButton* resetButton = nullptr;
    TrendPlot* plot = nullptr;

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void pickAll(bool picked);
    void resetView();
    void answered(const std::shared_ptr<const trend::TrendAnswer>& shared);

    TrendReader reader_;
    QTimer refreshTimer_;
    // The view follows the records (shows them all, the newest included) until the operator
    // zooms or moves it.
    bool following_ = true;
};

}  // namespace records
