#pragma once

#include <QAbstractTableModel>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "measurement/station_condition.h"
#include "measurement/station_memory.h"

namespace commissioning {

// The columns of the station overview, the station's standing first.
enum OverviewColumn {
    Station,
    State,
    LastReply,
    Flow,
    Velocity,
    Percent,
    Forward,
    Reverse,
    Diameter,
    Alarm,
    Requests,
    Valid,
    WrongStation,
    WrongCommand,
    WrongEndMarker,
    WrongCheckByte,
    Unanswered,
    OverviewColumnCount
};

// One station's row as the overview shows it.
struct OverviewRow {
    std::array<QString, OverviewColumnCount> texts;
    QString replyTime;  // time of day of the last valid reply
    measurement::StationCondition condition = measurement::StationCondition::NotPolled;
    bool outdated = true;  // no valid reply within a round: the values are shown grey

    friend bool operator==(const OverviewRow& a, const OverviewRow& b) {
        return a.texts == b.texts && a.replyTime == b.replyTime && a.condition == b.condition &&
               a.outdated == b.outdated;
    }
};

// How long ago, in the largest whole unit: "35 秒前", "12 分钟前", "3 小时前", "2 天前".
[[nodiscard]] QString ageText(std::int64_t msecs);

// The row of `station` (1 to 16): `ageMsecs` since its last valid reply, `roundMsecs` the time
// of a round over the stations polled now.
[[nodiscard]] OverviewRow overviewRow(int station, const measurement::StationState& state,
                                      measurement::StationCondition condition,
                                      std::optional<std::int64_t> ageMsecs,
                                      std::int64_t roundMsecs);

// The overview's table: sixteen rows that change only through update(), which tells the views of
// the cells that changed and of no other.
class OverviewModel final : public QAbstractTableModel {
  public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent) const override;
    int columnCount(const QModelIndex& parent) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Takes the rows of a refresh, row 0 being station 1; the cells whose text changed, as
    // (row, column).
    std::vector<std::pair<int, int>> update(std::vector<OverviewRow> rows);

  private:
    std::vector<OverviewRow> rows_ =
        std::vector<OverviewRow>(measurement::StationMemory::kStations);
};

}  // namespace commissioning
