#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

#include "text/leading_number.h"
#include "trend/decimation.h"
#include "trend/record_time.h"
#include "trend/trend_cache.h"

namespace trend_test {

using trend::Extent;
using trend::Minute;
using trend::TimeGrid;

inline const Minute kStart = *trend::recordMinute("2026-03-01/0:00");

// A record as the trend reads it; an empty text stands for a field without a value.
struct SampleRecord {
    std::int64_t station = 0;
    std::string date;
    std::string flow;
    std::string total;
};

inline std::string dateOf(Minute minute) {
    const trend::CivilTime t = trend::civilOf(minute);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d/%d:%02d", t.year, t.month, t.day, t.hour,
                  t.minute);
    return text;
}

// A flow and a total that a float holds exactly, different for every station and minute.
inline std::string flowText(std::int64_t station, Minute m) {
    return "+" + std::to_string(station * 100 + (m * 37) % 101) + ".25m3/h";
}
inline std::string totalText(std::int64_t station, Minute m) {
    return std::to_string(station * 1000 + m - kStart) + ".5m3";
}

// `stations` stations logging each minute for `minutes` minutes from kStart, with what a store
// holds beside: station 2 silent for 4 minutes and for 5 hours; and at the last minute of a
// ten-minute bucket (where the last of records of one minute counts) a record without a date, a
// record written with a clock set back by an hour, empty values, a value that is no number.
inline std::vector<SampleRecord> sampleRecords(int stations, Minute minutes) {
    std::vector<SampleRecord> records;
    for (Minute m = kStart; m < kStart + minutes; ++m) {
        for (int s = 1; s <= stations; ++s) {
            const Minute offset = m - kStart;
            if (s == 2 && ((offset >= 100 && offset < 104) || (offset >= 900 && offset < 1200))) {
                continue;
            }
            records.push_back({s, dateOf(m), flowText(s, m), totalText(s, m)});
        }
        if (m == kStart + 59) {
            records.push_back({1, "not a date", "+99999m3/h", "1m3"});
            records.push_back({1, dateOf(m - 60), "+77777.75m3/h", "5m3"});
            records.push_back({1, dateOf(m), "", ""});
            records.push_back({1, dateOf(m), "通讯错误", ""});
        }
    }
    return records;
}

// A station's records of one quantity in the grid's columns, straight from the records.
inline std::vector<Extent> expectedColumns(const std::vector<SampleRecord>& records,
                                           std::int64_t station, trend::Quantity q,
                                           const TimeGrid& grid) {
    std::vector<trend::Point> points;
    for (const SampleRecord& r : records) {
        const auto minute = trend::recordMinute(r.date);
        const std::string& text = q == trend::kFlow ? r.flow : r.total;
        if (r.station == station && minute && !text.empty()) {
            points.push_back({static_cast<double>(*minute), *text::leadingNumber(text)});
        }
    }
    return trend::columnize(points, grid);
}

// Everything a column holds, to compare columns at once.
inline auto fieldsOf(const Extent& e) {
    return std::make_tuple(e.present, e.low, e.high, e.first, e.last, e.firstMinute, e.lastMinute);
}

inline void expectSameColumns(const std::vector<Extent>& got, const std::vector<Extent>& want,
                              const std::string& what) {
    ASSERT_EQ(got.size(), want.size()) << what;
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(fieldsOf(got[i]), fieldsOf(want[i])) << what << ", column " << i;
    }
}

// Every curve of the answer against the records.
inline void expectAnswerMatches(const std::vector<SampleRecord>& records,
                                const trend::TrendAnswer& answer, const std::string& what) {
    for (const trend::StationTrend& s : answer.stations) {
        for (const trend::Quantity q : {trend::kFlow, trend::kTotal}) {
            expectSameColumns(s.curves[q].columns,
                              expectedColumns(records, s.station, q, answer.grid),
                              what + ", station " + std::to_string(s.station) + ", quantity " +
                                  std::to_string(q));
        }
    }
}

inline bool keepReading(double /*done*/) {
    return true;
}

inline trend::TrendRequest request(std::vector<std::int64_t> stations, double from, double to,
                                   int columns) {
    return {std::move(stations), std::make_pair(from, to), columns};
}

// An SQL literal of a text; an empty text is NULL.
inline std::string literal(const std::string& text) {
    if (text.empty()) {
        return "NULL";
    }
    std::string quoted = "'";
    for (const char c : text) {
        quoted += c == '\'' ? std::string("''") : std::string(1, c);
    }
    return quoted + "'";
}

// One statement that appends the records, oldest first, with the other six fields empty.
inline std::string insertStatement(const std::vector<SampleRecord>& records,
                                   const std::string& extraColumn = {},
                                   const std::string& extraValue = {}) {
    std::string sql =
        "INSERT INTO \"数据监测\" (\"仪表编号\", \"日期\", \"瞬时流量\", \"正向累计\"" +
        (extraColumn.empty() ? "" : ", \"" + extraColumn + "\"") + ") VALUES ";
    for (std::size_t i = 0; i < records.size(); ++i) {
        const SampleRecord& r = records[i];
        sql += (i ? ", (" : "(") + std::to_string(r.station) + ", " + literal(r.date) + ", " +
               literal(r.flow) + ", " + literal(r.total) +
               (extraColumn.empty() ? "" : ", " + literal(extraValue)) + ")";
    }
    return sql;
}

}  // namespace trend_test
