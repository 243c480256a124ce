#include "parameters/step_data.h"

#include <array>
#include <initializer_list>
#include <string_view>
#include <vector>

#include "parameters/decimal_text.h"
#include "parameters/field_checks.h"
#include "text/characters.h"

namespace parameters {

namespace {

constexpr std::size_t kRangeDigits = 5;
constexpr std::size_t kFrequencyDigits = 4;

std::string& textOf(ParameterTexts& texts, Param param) {
    return texts[indexOf(param)];
}

const std::string& textOf(const ParameterTexts& texts, Param param) {
    return texts[indexOf(param)];
}

// Puts "0" in front of a shorter text, cuts a longer one to its first `width` characters.
std::string padOrCut(const std::string& text, std::size_t width) {
    std::u32string chars = text::characters(text);
    if (chars.size() < width) {
        chars.insert(0, width - chars.size(), U'0');
    }
    chars.resize(width);
    return text::utf8(chars);
}

// The value of the character at a position counted from 1; 0 for anything but a digit.
std::uint8_t digitAt(const std::string& text, std::size_t position) {
    const std::u32string chars = text::characters(text);
    if (position == 0 || position > chars.size() || !text::isDigit(chars[position - 1])) {
        return 0;
    }
    return static_cast<std::uint8_t>(chars[position - 1] - U'0');
}

std::uint8_t codeOf(const ParameterTexts& texts, Param param) {
    return wireCode(param, textOf(texts, param)).value_or(0);
}

// The numeric field a step reads and the selections it reads, in the order of their bytes.
struct StepFields {
    std::optional<Param> number;
    std::vector<Param> selections;
};

StepFields fieldsOfStep(std::uint8_t step) {
    switch (step) {
        case 1:
            return {std::nullopt, {Param::Diameter}};
        case 2:
            return {Param::RangeValue, {Param::RangeExponent, Param::RangeUnit}};
        case 3:
            return {std::nullopt, {Param::Damping}};
        case 4:
            return {std::nullopt, {Param::FlowDirection}};
        case 5:
            return {Param::CutoffValue, {Param::CutoffEnable}};
        case 6:
            return {std::nullopt, {Param::TotalizerUnit}};
        case 7:
            return {Param::FrequencyRange, {Param::OutputMode}};
        case 8:
            return {std::nullopt, {Param::PulseEquivalent}};
        case 9:
            return {Param::UpperAlarmValue, {Param::UpperAlarmEnable}};
        case 10:
            return {Param::LowerAlarmValue, {Param::LowerAlarmEnable}};
        case 11:
            return {Param::ZeroCorrection, {}};
        case 12:
            return {Param::SensorCoefficient, {}};
        case 13:
            return {Param::FlowMultiplier, {}};
        default:
            return {std::nullopt, {}};
    }
}

StepPreparation refuse(ParameterTexts& texts, Param param, const FieldCheck& check) {
    textOf(texts, param).clear();
    StepPreparation refused{param, check.message, check.fieldValid, std::nullopt};
    if (check.fieldValid) {
        refused.checked = param;
    }
    return refused;
}

}  // namespace

StepPreparation prepareStep(std::uint8_t step, ParameterTexts& texts) {
    const StepFields fields = fieldsOfStep(step);
    StepPreparation result;
    if (fields.number == Param::RangeValue) {
        std::string& range = textOf(texts, Param::RangeValue);
        range = padOrCut(range.empty() ? "1" : range, kRangeDigits);
    } else if (fields.number == Param::FrequencyRange) {
        std::string& frequency = textOf(texts, Param::FrequencyRange);
        frequency = padOrCut(frequency, kFrequencyDigits);
    } else if (fields.number) {
        std::string& text = textOf(texts, *fields.number);
        const FieldCheck check = checkField(*fields.number, text.empty() ? "0" : text);
        if (check.message) {
            return refuse(texts, *fields.number, check);
        }
        text = check.text;
        result.fieldValid = check.fieldValid;
        result.checked = *fields.number;
        if (*fields.number == Param::ZeroCorrection &&
            DecimalText(text::characters(text)).value() >= 0.0 && text.rfind('+', 0) != 0) {
            text.insert(0, "+");
        }
    }
    for (const Param selection : fields.selections) {
        const FieldCheck check = checkField(selection, textOf(texts, selection));
        if (check.message) {
            StepPreparation refused = refuse(texts, selection, check);
            refused.fieldValid = result.fieldValid;
            refused.checked = result.checked;
            return refused;
        }
    }
    return result;
}

StepData stepData(std::uint8_t step, const ParameterTexts& texts) {
    const auto digits = [&texts](Param param, std::initializer_list<std::size_t> positions) {
        StepData data{};
        std::size_t i = 0;
        for (const std::size_t position : positions) {
            data[i++] = digitAt(textOf(texts, param), position);
        }
        return data;
    };
    StepData data{};
    switch (step) {
        case 1:
            data[0] = codeOf(texts, Param::Diameter);
            break;
        case 2:
            data = digits(Param::RangeValue, {1, 2, 3, 4, 5});
            data[5] = static_cast<std::uint8_t>(codeOf(texts, Param::RangeExponent) * 16 +
                                                codeOf(texts, Param::RangeUnit));
            break;
        case 3:
            data[0] = codeOf(texts, Param::Damping);
            break;
        case 4:
            data[0] = codeOf(texts, Param::FlowDirection);
            break;
        case 5:
            data = digits(Param::CutoffValue, {1, 2, 4});
            data[3] = codeOf(texts, Param::CutoffEnable);
            break;
        case 6:
            data[0] = codeOf(texts, Param::TotalizerUnit);
            break;
        case 7:
            data = digits(Param::FrequencyRange, {1, 2, 3, 4});
            data[4] = codeOf(texts, Param::OutputMode);
            break;
        case 8:
            data[4] = codeOf(texts, Param::PulseEquivalent);
            break;
        case 9:
            data = digits(Param::UpperAlarmValue, {1, 2, 3, 5});
            data[4] = codeOf(texts, Param::UpperAlarmEnable);
            break;
        case 10:
            data = digits(Param::LowerAlarmValue, {1, 2, 3, 5});
            data[4] = codeOf(texts, Param::LowerAlarmEnable);
            break;
        case 11:
            data = digits(Param::ZeroCorrection, {2, 4, 5, 6});
            data[4] = textOf(texts, Param::ZeroCorrection).rfind('-', 0) == 0 ? 1 : 0;
            break;
        case 12:
            data = digits(Param::SensorCoefficient, {1, 3, 4, 5, 6});
            break;
        case 13:
            data = digits(Param::FlowMultiplier, {1, 3, 4, 5, 6});
            break;
        case kClosingStep:
            data[0] = kAckMarker;
            break;
        default:
            break;
    }
    return data;
}

const WriteLineSpeed& writeLineSpeed(const std::string& speedText) {
    struct Row {
        std::string_view text;
        WriteLineSpeed speed;
    };
    static const std::array<Row, 7> kTable = {{
        {"600", {"600,n,8,1", 1000, 900000}},
        {"1200", {"1200,n,8,1", 260, 600000}},
        {"2400", {"2400,n,8,1", 200, 300000}},
        {"4800", {"4800,n,8,1", 200, 300000}},
        {"9600", {"9600,n,8,1", 200, 300000}},
        {"14400", {"14400,n,8,1", 200, 300000}},
        {"19200", {"19200,n,8,1", 200, 300000}},
    }};
    static const WriteLineSpeed kOther = {"14400,n,8,1", 200, 300000};
    for (const Row& row : kTable) {
        if (row.text == speedText) {
            return row.speed;
        }
    }
    return kOther;
}

}  // namespace parameters
