#pragma once

#include <QTimer>
#include <QWidget>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "commissioning/overview_model.h"
#include "platform/clock.h"
#include "session/polling_session.h"

class QHBoxLayout;
class QLabel;
class QTableView;

namespace commissioning {

class OverviewCells;
class OverviewTable;

// "站点总览": one row per station with whether it answers, how long ago its last valid reply came,
// its latest values (grey once they are older than a round over the stations polled now), its own
// alarm status and how it has answered since the program started. It reads the polling session
// once a second while it is shown and changes nothing.
class StationOverview : public QWidget {
    Q_OBJECT

  public:
    // `gatewayState`, when given, says how the gateway is doing (Modbus clients, MQTT); it is
    // shown at the end of the line under the table.
    StationOverview(const session::PollingSession& session, platform::Clock& clock,
                    std::function<std::string()> gatewayState = {}, QWidget* parent = nullptr);

    // Writes the session's stations into the table.
    void refresh();
    // The text of a cell, row 0 being station 1.
    [[nodiscard]] QString cellText(int row, int column) const;
    [[nodiscard]] const OverviewModel& model() const { return *model_; }
    // How the table draws and measures its cells.
    [[nodiscard]] const OverviewCells& cells() const;

    QTableView* table = nullptr;
    // What is polled now and how long a round takes.
    QLabel* summary = nullptr;
    // The line under the table, the summary at its start.
    QHBoxLayout* footer = nullptr;
    QLabel* gatewayLine = nullptr;  // null without a gateway

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    // Columns grow to the cells whose text changed; they never shrink while the window is open.
    void widenColumns(const std::vector<std::pair<int, int>>& cells);
    // As large as the table, or as the screen allows.
    void fitScreen();
    [[nodiscard]] QString summaryText() const;

    const session::PollingSession& session_;
    platform::Clock& clock_;
    std::function<std::string()> gatewayState_;
    OverviewModel* model_ = nullptr;
    OverviewTable* table_ = nullptr;
    QTimer refreshTimer_;
};

}  // namespace commissioning
