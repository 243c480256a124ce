#include "records/store_status.h"

#include <algorithm>
#include <array>
#include <utility>

namespace records {

namespace {

struct Reason {
    StoreProblem problem;
    const char* chinese;
    const char* english;
};

constexpr std::array<Reason, 10> kReasons = {{
    {StoreProblem::None, "", ""},
    {StoreProblem::Missing, "找不到记录文件", "the store is missing"},
    {StoreProblem::NotADatabase, "记录文件不是数据库", "the store is not a database"},
    {StoreProblem::WrongLayout, "记录表或字段缺失", "the records table or a field is missing"},
    {StoreProblem::Locked, "记录文件被其他程序锁定", "the store is locked by another program"},
    {StoreProblem::ReadOnly, "记录文件只读", "the store is read-only"},
    {StoreProblem::DiskFull, "磁盘已满", "the disk is full"},
    {StoreProblem::ServerRefused, "服务器拒绝", "the server refused"},
    {StoreProblem::ServerUnreachable, "无法连接服务器", "the server does not answer"},
    {StoreProblem::Other, "存储出错", "the store failed"},
}};

const Reason& reasonOf(StoreProblem problem) {
    for (const Reason& reason : kReasons) {
        if (reason.problem == problem) {
            return reason;
        }
    }
    return kReasons.back();
}

constexpr std::int64_t kMinute = 60 * 1000;
constexpr std::int64_t kHour = 60 * kMinute;
constexpr std::int64_t kDay = 24 * kHour;

// How long ago, in the largest unit that fits twice (119 minutes, then 47 hours, then days).
std::pair<std::int64_t, int> ago(std::int64_t msecs) {
    if (msecs < 2 * kHour) {
        return {msecs / kMinute, 0};
    }
    if (msecs < 2 * kDay) {
        return {msecs / kHour, 1};
    }
    return {msecs / kDay, 2};
}

std::string chineseAgo(std::int64_t msecs) {
    const auto [count, unit] = ago(msecs);
    if (unit == 0 && count < 1) {
        return "不到 1 分钟前";
    }
    static constexpr std::array<const char*, 3> kUnits = {" 分钟前", " 小时前", " 天前"};
    return " " + std::to_string(count) + kUnits[static_cast<std::size_t>(unit)];
}

std::string englishAgo(std::int64_t msecs) {
    const auto [count, unit] = ago(msecs);
    if (unit == 0 && count < 1) {
        return "less than 1 min ago";
    }
    static constexpr std::array<const char*, 3> kUnits = {" min ago", " h ago", " days ago"};
    return std::to_string(count) + kUnits[static_cast<std::size_t>(unit)];
}

}  // namespace

std::string problemText(const StoreHealth& health) {
    if (health.ok()) {
        return {};
    }
    std::string text = reasonOf(health.problem).chinese;
    if (!health.detail.empty()) {
        text += "（" + health.detail + "）";
    }
    return text;
}

std::string statusLineText(const StoreHealth& health, std::int64_t nowMsecs) {
    if (health.ok()) {
        return {};
    }
    std::string line = "记录未保存：" + problemText(health);
    if (health.lastStoredMsecs) {
        line += "，上次保存于" +
                chineseAgo(std::max<std::int64_t>(0, nowMsecs - *health.lastStoredMsecs));
    } else {
        line += "，本次运行尚未保存记录";
    }
    if (health.waiting > 0) {
        line += "，" + std::to_string(health.waiting) + " 条记录等待发送到服务器";
    }
    return line;
}

std::string statusLineEnglish(const StoreHealth& health, std::int64_t nowMsecs) {
    if (health.ok()) {
        return {};
    }
    std::string line = "records not stored: " + reasonEnglish(health);
    if (health.lastStoredMsecs) {
        line += "; last record stored " +
                englishAgo(std::max<std::int64_t>(0, nowMsecs - *health.lastStoredMsecs));
    } else {
        line += "; no record stored in this run";
    }
    if (health.waiting > 0) {
        line += "; " + std::to_string(health.waiting) +
                (health.waiting == 1 ? " record" : " records") + " waiting for the server";
    }
    return line;
}

std::string reasonEnglish(const StoreHealth& health) {
    if (health.ok()) {
        return {};
    }
    std::string reason = reasonOf(health.problem).english;
    if (!health.detail.empty()) {
        reason += " (" + health.detail + ")";
    }
    return reason;
}

bool sameReason(const StoreHealth& a, const StoreHealth& b) {
    return a.problem == b.problem && a.detail == b.detail;
}

}  // namespace records
