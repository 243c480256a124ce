#pragma once

#include <QTimer>
#include <QWidget>

#include <functional>
#include <string>

#include "measurement/station_memory.h"

class QLabel;
class QTableWidget;

namespace commissioning {

// "站点总览": one row per station with its latest values, its own alarm status, the time of its
// last valid reply and how it has answered since the program started. It reads the main
// window's station memory twice a second while it is shown and changes nothing.
class StationOverview : public QWidget {
    Q_OBJECT

  public:
    // `gatewayState`, when given, says how the gateway is doing (Modbus clients, MQTT); it is
    // shown below the table.
    explicit StationOverview(const measurement::StationMemory& memory,
                             std::function<std::string()> gatewayState = {},
                             QWidget* parent = nullptr);

    // Writes the station memory into the table.
    void refresh();
    // The text of a cell, row 0 being station 1.
    [[nodiscard]] QString cellText(int row, int column) const;

    QTableWidget* table = nullptr;
    QLabel* gatewayLine = nullptr;  // null without a gateway

    enum Column {
        Station,
        Flow,
        Velocity,
        Percent,
        Forward,
        Reverse,
        Diameter,
        Alarm,
        LastReply,
        Requests,
        Valid,
        WrongStation,
        WrongCommand,
        WrongEndMarker,
        WrongCheckByte,
        Unanswered,
        State,
        ColumnCount
    };

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    const measurement::StationMemory& memory_;
    std::function<std::string()> gatewayState_;
    QTimer refreshTimer_;
};

}  // namespace commissioning
