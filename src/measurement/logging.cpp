#include "measurement/logging.h"

#include "text/characters.h"

namespace measurement {

std::optional<std::int16_t> minuteOfHour(const std::string& timeText) {
    const std::size_t firstColon = timeText.find(':');
    const std::string rest =
        firstColon == std::string::npos ? timeText : timeText.substr(firstColon + 1);
    const std::size_t lastColon = rest.rfind(':');
    // q is the 1-based position of the last ":"; with two-digit minutes and seconds the kept
    // length - q characters are the minutes.
    const std::size_t keep =
        lastColon == std::string::npos ? rest.size() : rest.size() - (lastColon + 1);
    const std::string minuteText = rest.substr(0, keep);

    int minute = 0;
    for (const char c : minuteText) {
        if (!text::isDigit(c)) {
            break;
        }
        minute = minute * 10 + (c - '0');
        if (minute > INT16_MAX) {
            return std::nullopt;
        }
    }
    return static_cast<std::int16_t>(minute);
}

std::string hoursAndMinutes(const std::string& timeText) {
    const std::size_t lastColon = timeText.rfind(':');
    return lastColon == std::string::npos ? timeText : timeText.substr(0, lastColon);
}

records::MeasurementRecord composeRecord(const DisplayTexts& texts, std::uint8_t station,
                                         const std::string& alarmText, const std::string& date,
                                         const std::string& time) {
    records::MeasurementRecord record;
    record.station = station;
    record.date = date + "/" + time;
    record.diameter = texts.diameter;
    record.flow = texts.flow + texts.flowUnit;
    record.percent = texts.percent;
    record.rangeRatio = texts.rangeRatio;
    record.velocity = texts.velocity;
    record.forwardTotal = texts.forwardTotal + texts.forwardUnit;
    record.reverseTotal = texts.reverseTotal + texts.reverseUnit;
    record.alarm = alarmText;
    return record;
}

}  // namespace measurement
