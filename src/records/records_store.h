#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace records {

// The records store: one file in the working directory with one table of measurement snapshots.
inline constexpr const char* kDatabaseFile = "kvt97.mdb";
inline constexpr const char* kTable = "数据监测";

// The ten fields of a record, in the order they are written and listed.
inline const std::array<std::string, 10> kFieldNames = {"仪表编号", "日期",    "管径", "瞬时流量",
                                                        "百分比",   "量程比",  "流速", "正向累计",
                                                        "反向累计", "报警状态"};

// The extra columns of the records table on a database server: the key that numbers the rows in
// the order they were appended, and the name of the site (bus) that logged the row.
inline constexpr const char* kKeyField = "序号";
inline constexpr const char* kSiteField = "站点";

enum class SqlDialect { Sqlite, PostgreSql };

// The statement that creates the records table: "仪表编号" holds a number, the other nine fields
// hold text. On PostgreSQL the table also has the key "序号" in front and "站点" at the end, and
// the unique key ("站点", "仪表编号", "日期"), so that a record sent twice is stored once. Records
// without a site count as one site there (NULLS NOT DISTINCT, PostgreSQL 15 and later);
// `sitelessShareKey` false leaves that out for older servers, which then cannot keep a record
// without a site from being stored twice.
std::string createTableStatement(SqlDialect dialect = SqlDialect::Sqlite,
                                 bool sitelessShareKey = true);

// The index on "仪表编号" of the records file, so that one station's records are found without
// reading the others'. It changes no table and is added to an existing store where it is missing.
inline constexpr const char* kStationIndex = "数据监测_仪表编号";
std::string createStationIndexStatement();

struct MeasurementRecord {
    std::uint8_t station = 0;  // "仪表编号", stored as a number
    std::string date;          // "日期", e.g. "2007-10-10/9:13"
    std::string diameter;      // "管径"
    std::string flow;          // "瞬时流量", value and unit as shown
    std::string percent;       // "百分比"
    std::string rangeRatio;    // "量程比"
    std::string velocity;      // "流速"
    std::string forwardTotal;  // "正向累计", value and unit as shown
    std::string reverseTotal;  // "反向累计", value and unit as shown
    std::string alarm;         // "报警状态"
};

}  // namespace records
