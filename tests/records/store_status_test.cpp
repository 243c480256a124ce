#include "records/store_status.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

namespace {

using records::StoreHealth;
using records::StoreProblem;

constexpr std::int64_t kNow = 1191978030000;
constexpr std::int64_t kMinute = 60 * 1000;

StoreHealth health(StoreProblem problem, std::string detail, std::optional<std::int64_t> minutesAgo,
                   std::int64_t waiting = 0) {
    StoreHealth h;
    h.problem = problem;
    h.detail = std::move(detail);
    if (minutesAgo) {
        h.lastStoredMsecs = kNow - *minutesAgo * kMinute;
    }
    h.waiting = waiting;
    return h;
}

struct StatusCase {
    StoreHealth health;
    const char* chinese;
    const char* english;
};

TEST(StoreStatus, EveryProblemHasItsReasonWithTheEnginesWords) {
    const StatusCase cases[] = {
        {health(StoreProblem::Missing, "unable to open database file", std::nullopt),
         "记录未保存：找不到记录文件（unable to open database file），本次运行尚未保存记录",
         "records not stored: the store is missing (unable to open database file); no record "
         "stored in this run"},
        {health(StoreProblem::NotADatabase, "file is not a database", 12),
         "记录未保存：记录文件不是数据库（file is not a database），上次保存于 12 分钟前",
         "records not stored: the store is not a database (file is not a database); last record "
         "stored 12 min ago"},
        {health(StoreProblem::WrongLayout, "no such table: 数据监测", 0),
         "记录未保存：记录表或字段缺失（no such table: 数据监测），上次保存于不到 1 分钟前",
         "records not stored: the records table or a field is missing (no such table: 数据监测); "
         "last record stored less than 1 min ago"},
        {health(StoreProblem::Locked, "database is locked", 119),
         "记录未保存：记录文件被其他程序锁定（database is locked），上次保存于 119 分钟前",
         "records not stored: the store is locked by another program (database is locked); last "
         "record stored 119 min ago"},
        {health(StoreProblem::ReadOnly, "attempt to write a readonly database", 120),
         "记录未保存：记录文件只读（attempt to write a readonly database），上次保存于 2 小时前",
         "records not stored: the store is read-only (attempt to write a readonly database); "
         "last record stored 2 h ago"},
        {health(StoreProblem::DiskFull, "database or disk is full", 47 * 60),
         "记录未保存：磁盘已满（database or disk is full），上次保存于 47 小时前",
         "records not stored: the disk is full (database or disk is full); last record stored 47 "
         "h ago"},
        {health(StoreProblem::ServerRefused, "password authentication failed", 48 * 60, 3),
         "记录未保存：服务器拒绝（password authentication failed），上次保存于 2 天前，3 "
         "条记录等待发送到服务器",
         "records not stored: the server refused (password authentication failed); last record "
         "stored 2 days ago; 3 records waiting for the server"},
        {health(StoreProblem::ServerUnreachable, "", std::nullopt, 1),
         "记录未保存：无法连接服务器，本次运行尚未保存记录，1 条记录等待发送到服务器",
         "records not stored: the server does not answer; no record stored in this run; 1 record "
         "waiting for the server"},
        {health(StoreProblem::Other, "disk I/O error", 5),
         "记录未保存：存储出错（disk I/O error），上次保存于 5 分钟前",
         "records not stored: the store failed (disk I/O error); last record stored 5 min ago"},
    };
    for (const StatusCase& c : cases) {
        EXPECT_EQ(records::statusLineText(c.health, kNow), c.chinese);
        const std::string line = c.chinese;
        EXPECT_EQ(line.substr(0, line.find("，")), "记录未保存：" + records::problemText(c.health));
        EXPECT_EQ(records::statusLineEnglish(c.health, kNow), c.english);
    }
}

TEST(StoreStatus, IsEmptyWhileRecordsAreStoredEvenWithRecordsOnTheirWay) {
    for (const StoreHealth& h : {StoreHealth{}, health(StoreProblem::None, "", 3, 2)}) {
        EXPECT_EQ(records::statusLineText(h, kNow), "");
        EXPECT_EQ(records::problemText(h), "");
        EXPECT_EQ(records::statusLineEnglish(h, kNow), "");
    }
}

TEST(StoreStatus, ALastRecordStampedAfterNowCountsAsJustStored) {
    const StoreHealth h = health(StoreProblem::Locked, "database is locked", -3);
    EXPECT_EQ(records::statusLineText(h, kNow),
              "记录未保存：记录文件被其他程序锁定（database is locked），上次保存于不到 1 分钟前");
}

TEST(StoreStatus, AReasonIsTheSameWhateverItsTimesAndWaitingRecords) {
    const StoreHealth locked = health(StoreProblem::Locked, "database is locked", 1);
    EXPECT_TRUE(records::sameReason(
        locked, health(StoreProblem::Locked, "database is locked", std::nullopt, 4)));
    EXPECT_FALSE(records::sameReason(locked, health(StoreProblem::Locked, "other words", 1)));
    EXPECT_FALSE(
        records::sameReason(locked, health(StoreProblem::ReadOnly, "database is locked", 1)));
}

}  // namespace
