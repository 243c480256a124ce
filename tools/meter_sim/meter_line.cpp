#include "meter_line.h"

#include <cstdio>
#include <sstream>

#include "reply_encoder.h"

namespace meter_sim {
namespace {

std::optional<int> parseStation(const std::string& text) {
    if (text.empty() || text.size() > 2 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    const int station = std::stoi(text);
    if (station < 1 || station > 16) {
        return std::nullopt;
    }
    return station;
}

}  // namespace

std::optional<StationSet> parseStations(const std::string& text) {
    StationSet stations;
    std::stringstream items(text);
    std::string item;
    while (std::getline(items, item, ',')) {
        const auto dash = item.find('-');
        const auto first = parseStation(item.substr(0, dash));
        const auto last = dash == std::string::npos ? first : parseStation(item.substr(dash + 1));
        if (!first || !last || *last < *first) {
            return std::nullopt;
        }
        for (int s = *first; s <= *last; ++s) {
            stations.set(static_cast<std::size_t>(s));
        }
    }
    if (stations.none() || (!text.empty() && text.back() == ',')) {
        return std::nullopt;
    }
    return stations;
}

std::optional<Password> parsePassword(const std::string& text) {
    if (text.empty() || text.size() > 4 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    const std::string padded = std::string(4 - text.size(), '0') + text;
    Password password{};
    for (std::size_t i = 0; i < password.size(); ++i) {
        password[i] = static_cast<std::uint8_t>(padded[i] - '0');
    }
    return password;
}

std::string hexBytes(const std::uint8_t* bytes, std::size_t count) {
    std::string text;
    char digits[4];
    for (std::size_t i = 0; i < count; ++i) {
        std::snprintf(digits, sizeof digits, i == 0 ? "%02X" : " %02X", bytes[i]);
        text += digits;
    }
    return text;
}

MeterLine::MeterLine(const StationSet& stations, const Password& password, std::int64_t startUs)
    : startUs_(startUs) {
    for (std::uint8_t s = 1; s <= 16; ++s) {
        if (stations.test(s)) {
            meters_[s - 1] =
                std::make_unique<Meter>(Meter{MeterModel(s), WriteSession(s, password)});
        }
    }
}

bool MeterLine::present(std::uint8_t station) const {
    return station >= 1 && station <= 16 && meters_[station - 1] != nullptr;
}

MeterModel* MeterLine::meter(std::uint8_t station) {
    return present(station) ? &meters_[station - 1]->model : nullptr;
}

double MeterLine::secondsAt(std::int64_t nowUs) const {
    return static_cast<double>(nowUs - startUs_) / 1e6;
}

StationMask MeterLine::listeningStations() const {
    StationMask mask = 0;
    for (std::uint8_t s = 1; s <= 16; ++s) {
        if (meters_[s - 1] && meters_[s - 1]->session.expectsFrames()) {
            mask |= StationMask{1} << s;
        }
    }
    return mask;
}

LineOutput MeterLine::receive(std::uint8_t byte, std::int64_t nowUs) {
    const auto assembled = assembler_.push(byte, nowUs, listeningStations());
    LineOutput output;
    output.requestStarted = assembled.requestStarted;
    for (const auto& request : assembled.requests) {
        output.heard.push_back(request.kind == Request::Kind::Poll
                                   ? poll(request, nowUs)
                                   : parameterFrame(request, nowUs));
    }
    return output;
}

Heard MeterLine::poll(const Request& request, std::int64_t nowUs) {
    const std::string station = std::to_string(request.station);
    Heard heard;
    if (request.command == kStartWriteCommand) {
        heard.request = "start write, station " + station;
    } else {
        heard.request = "poll station " + station + " command " + std::to_string(request.command);
    }
    if (!present(request.station)) {
        heard.request += ": station absent";
        return heard;
    }
    Meter& meter = *meters_[request.station - 1];
    if (request.command == kStartWriteCommand) {
        heard.answer = Answer{meter.session.start(nowUs), false, "start acknowledgement"};
        return heard;
    }
    if (request.command >= kCommandCount) {
        heard.request += ": unknown command";
        return heard;
    }
    meter.model.advanceTo(secondsAt(nowUs));
    heard.answer =
        Answer{meter.model.reply(static_cast<Command>(request.command)), true,
               "reply station " + station + " command " + std::to_string(request.command)};
    return heard;
}

Heard MeterLine::parameterFrame(const Request& request, std::int64_t nowUs) {
    Meter& meter = *meters_[request.station - 1];
    meter.model.advanceTo(secondsAt(nowUs));
    MeterSettings settings = meter.model.settings();
    auto outcome = meter.session.frame(request.frame, nowUs, settings);
    meter.model.setSettings(settings);
    Heard heard;
    heard.request = "frame station " + std::to_string(request.station) + " step " +
                    std::to_string(request.frame[1]) + ": " + outcome.note;
    if (outcome.reply) {
        heard.answer =
            Answer{*outcome.reply, false, "write reply station " + std::to_string(request.station)};
    }
    return heard;
}

}  // namespace meter_sim
