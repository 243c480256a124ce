#include "gateway/station_json.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <variant>

namespace gateway {

namespace {

struct AlarmName {
    std::uint8_t mask;
    const char* text;
};

constexpr std::array<AlarmName, 5> kAlarmNames = {{{0x02, "励磁报警"},
                                                   {0x04, "电极报警"},
                                                   {0x08, "空管报警"},
                                                   {0x10, "上限报警"},
                                                   {0x20, "下限报警"}}};

// Builds one JSON object; fields follow one another with commas.
class JsonObject {
  public:
    JsonObject& key(const char* name) {
        text_ += first_ ? "{\"" : ",\"";
        text_ += name;
        text_ += "\":";
        first_ = false;
        return *this;
    }
    JsonObject& raw(const std::string& value) {
        text_ += value;
        return *this;
    }
    JsonObject& string(const std::string& value) {
        text_ += '"';
        for (const char c : value) {
            if (c == '"' || c == '\\') {
                text_ += '\\';
                text_ += c;
            } else if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                text_ += escaped;
            } else {
                text_ += c;
            }
        }
        text_ += '"';
        return *this;
    }
    template <typename Number>
    JsonObject& number(Number value) {
        char digits[32];
        const auto result = std::to_chars(digits, digits + sizeof digits, value);
        text_.append(digits, result.ptr);
        return *this;
    }
    // A number shown by a display, null while it shows nothing.
    JsonObject& shownNumber(const std::string& shown) {
        return shown.empty() ? raw("null") : number(shownInteger(shown));
    }
    std::string close() {
        text_ += first_ ? "{}" : "}";
        return std::move(text_);
    }

  private:
    std::string text_;
    bool first_ = true;
};

template <typename Reply>
Reply latest(const measurement::StationState& state, measurement::MeterCommand command) {
    const auto& reply = state.latest[static_cast<std::size_t>(command)];
    const Reply* value = reply ? std::get_if<Reply>(&*reply) : nullptr;
    return value ? *value : Reply{};
}

float signedValue(float value, bool negative) {
    return negative ? -value : value;
}

template <typename Number>
std::string valueAndUnit(Number value, const std::string& unit) {
    return JsonObject().key("value").number(value).key("unit").string(unit).close();
}

}  // namespace

const char* conditionName(StationCondition condition) {
    switch (condition) {
        case StationCondition::Answering:
            break;
        case StationCondition::Silent:
            return "silent";
        case StationCondition::NotPolled:
            return "not_polled";
    }
    return "answering";
}

std::string stationJson(std::uint8_t station, const measurement::StationState& state,
                        StationCondition condition, std::uint16_t ageSeconds,
                        const std::string& isoTime) {
    using measurement::MeterCommand;
    const auto flow = latest<measurement::FlowReply>(state, MeterCommand::Flow);
    const auto velocity = latest<measurement::VelocityReply>(state, MeterCommand::Velocity);
    const auto percent = latest<measurement::PercentReply>(state, MeterCommand::Percent);
    const auto resistance = latest<measurement::ResistanceReply>(state, MeterCommand::Resistance);
    const auto forward = latest<measurement::TotalReply>(state, MeterCommand::ForwardTotal);
    const auto reverse = latest<measurement::TotalReply>(state, MeterCommand::ReverseTotal);
    const auto alarm = latest<measurement::AlarmReply>(state, MeterCommand::AlarmState);
    const measurement::DisplayTexts& shown = state.texts;

    std::string alarms = "[";
    for (const AlarmName& name : kAlarmNames) {
        if ((alarm.bits & name.mask) != 0) {
            alarms += alarms.size() > 1 ? ",\"" : "\"";
            alarms += name.text;
            alarms += '"';
        }
    }
    alarms += ']';

    JsonObject json;
    json.key("station").number(int{station});
    json.key("time").string(isoTime);
    json.key("flow").raw(valueAndUnit(signedValue(flow.value, flow.negative), shown.flowUnit));
    json.key("velocity").number(signedValue(velocity.value, velocity.negative));
    json.key("percent").number(signedValue(percent.value, percent.negative));
    json.key("range_ratio");
    if (shown.rangeRatio.empty()) {
        json.raw("null");
    } else {
        json.string(shown.rangeRatio);
    }
    json.key("electrode_kohm").number(resistance.value);
    json.key("forward").raw(valueAndUnit(forward.value, shown.forwardUnit));
    json.key("reverse").raw(valueAndUnit(reverse.value, shown.reverseUnit));
    json.key("diameter_mm").shownNumber(shown.diameter);
    json.key("alarms").raw(alarms);
    json.key("alarm_bits").number(int{alarm.bits});
    json.key("power_failures")
        .raw(JsonObject()
                 .key("count")
                 .shownNumber(shown.failureCount)
                 .key("hours")
                 .shownNumber(shown.failureHours)
                 .key("minutes")
                 .shownNumber(shown.failureMinutes)
                 .close());
    json.key("state").string(conditionName(condition));
    json.key("age_s").number(int{ageSeconds});
    return json.close();
}

}  // namespace gateway
