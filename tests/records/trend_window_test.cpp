// The trend window draws one station's records and takes new ones as they are logged.
#include <gtest/gtest.h>

#include <QLineSeries>
#include <QSpinBox>

#include "fakes/fake_records_binding.h"
#include "records/trend_window.h"

namespace {

using fakes::FakeRecordsBinding;

FakeRecordsBinding::Row record(int station, const std::string& date, const std::string& flow,
                               const std::string& total) {
    FakeRecordsBinding::Row row = FakeRecordsBinding::sampleRow(station);
    row["日期"] = date;
    row["瞬时流量"] = flow;
    row["正向累计"] = total;
    return row;
}

TEST(TrendWindow, DrawsOneStationAndTakesNewRecords) {
    FakeRecordsBinding binding;
    binding.rows = {record(2, "2007-10-10/9:13", "+12.5m3/h", "100.5m3"),
                    record(3, "2007-10-10/9:13", "+99m3/h", "1m3"),
                    record(2, "not a date", "+1m3/h", "1m3"),
                    record(2, "2007-10-10/9:14", "-2.25m3/h", "101m3")};
    records::TrendWindow window(binding);
    window.stationBox->setValue(2);
    ASSERT_EQ(window.pointCount(), 2);
    const QPointF first = window.flowSeries()->at(0);
    const QPointF second = window.flowSeries()->at(1);
    EXPECT_DOUBLE_EQ(first.y(), 12.5);
    EXPECT_DOUBLE_EQ(second.y(), -2.25);
    EXPECT_DOUBLE_EQ(second.x() - first.x(), 60000.0) << "one minute apart";
    EXPECT_DOUBLE_EQ(window.totalSeries()->at(1).y(), 101.0);

    binding.rows.push_back(record(2, "2007-10-10/9:15", "+3m3/h", "102m3"));
    binding.rows.push_back(record(4, "2007-10-10/9:15", "+4m3/h", "7m3"));
    window.addNewRecords();
    EXPECT_EQ(window.pointCount(), 3) << "only the new record of station 2";

    window.stationBox->setValue(3);
    EXPECT_EQ(window.pointCount(), 1);
    EXPECT_DOUBLE_EQ(window.flowSeries()->at(0).y(), 99.0);
}

}  // namespace
