#include "commissioning/traffic_log.h"

#include <algorithm>

#include "measurement/reply_decoder.h"

namespace commissioning {

TrafficLog::TrafficLog(platform::Clock& clock) : clock_(clock), ring_(kCapacity) {}

void TrafficLog::record(Line line, bool sent, const std::uint8_t* bytes, std::size_t count,
                        Verdict verdict, std::uint8_t detail) {
    TrafficEntry& entry = ring_[(first_ + size_) % kCapacity];
    if (size_ == kCapacity) {
        first_ = (first_ + 1) % kCapacity;
    } else {
        ++size_;
    }
    ++recorded_;
    entry.msecs = clock_.msecsSinceEpoch();
    entry.line = line;
    entry.sent = sent;
    entry.verdict = verdict;
    entry.detail = detail;
    entry.length = static_cast<std::uint16_t>(std::min<std::size_t>(count, 0xFFFF));
    const std::size_t kept = std::min(count, TrafficEntry::kKeptBytes);
    std::copy_n(bytes, kept, entry.bytes.begin());
}

void TrafficLog::clear() {
    first_ = 0;
    size_ = 0;
}

const TrafficEntry& TrafficLog::at(std::size_t index) const {
    return ring_[(first_ + index) % kCapacity];
}

std::string hexText(const TrafficEntry& entry) {
    static const char* const kDigits = "0123456789ABCDEF";
    std::string text;
    const std::size_t kept = std::min<std::size_t>(entry.length, TrafficEntry::kKeptBytes);
    for (std::size_t i = 0; i < kept; ++i) {
        if (i > 0) {
            text += ' ';
        }
        text += kDigits[entry.bytes[i] >> 4];
        text += kDigits[entry.bytes[i] & 0x0F];
    }
    if (entry.length > kept) {
        text += " …(+" + std::to_string(entry.length - kept) + ")";
    }
    return text;
}

namespace {

std::string number(int value) {
    return std::to_string(value);
}

std::string errorText(std::uint8_t code) {
    switch (code) {
        case 0x80:
            return "错误0x80 密码输入错误";
        case 0x81:
            return "错误0x81 参数设置超过30秒";
        case 0x82:
            return "错误0x82 密码输入错误超过4次";
        default:
            return "错误代码 " + number(code);
    }
}

}  // namespace

std::string verdictText(const TrafficEntry& entry) {
    switch (entry.verdict) {
        case Verdict::Poll:
            return "轮询 站" + number(entry.bytes[1]) + " 命令" + number(entry.bytes[2]);
        case Verdict::StartCommand:
            return "启动参数设置 站" + number(entry.bytes[1]);
        case Verdict::ParameterFrame:
            if (entry.detail == 0) {
                return "密码帧";
            }
            return entry.detail == 15 ? "结束帧" : "参数帧 第" + number(entry.detail) + "步";
        case Verdict::ValidReply:
            return std::string("有效应答 ") + (entry.detail < measurement::kMeterCommandCount
                                                   ? measurement::meterCommands()[entry.detail].name
                                                   : "?");
        case Verdict::WrongStation:
            return "站号不符";
        case Verdict::WrongCommand:
            return "命令不符";
        case Verdict::WrongEndMarker:
            return "结束符错";
        case Verdict::WrongCheckByte:
            return "校验错";
        case Verdict::Acknowledgement:
            return entry.detail == 100 ? "启动应答" : "应答 第" + number(entry.detail) + "步";
        case Verdict::ErrorReply:
            return errorText(entry.detail);
        case Verdict::Rejected:
            return "应答不符 重发";
        case Verdict::ShortBlock:
            return "不足10字节 忽略";
    }
    return {};
}

}  // namespace commissioning
