#include "measurement/number_text.h"

#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <system_error>

namespace measurement {

namespace {

// Room for any double in scientific or fixed notation with the precisions used here.
constexpr std::size_t kBufferSize = 400;

template <typename Real>
std::string generalText(Real value, int significantDigits) {
    if (value == 0) {
        return "0";
    }
    if (!std::isfinite(value)) {
        return std::isnan(value) ? "NaN" : (value < 0 ? "-Inf" : "Inf");
    }
    // Scientific text "d.dddddde+XX" rounded to the significant digits.
    char buffer[kBufferSize];
    const auto result = std::to_chars(buffer, buffer + kBufferSize, std::abs(value),
                                      std::chars_format::scientific, significantDigits - 1);
    const std::string scientific(buffer, result.ptr);
    const std::size_t ePosition = scientific.find('e');
    std::string digits;
    for (std::size_t i = 0; i < ePosition; ++i) {
        if (scientific[i] != '.') {
            digits += scientific[i];
        }
    }
    const int exponent = std::atoi(scientific.c_str() + ePosition + 1);
    while (digits.size() > 1 && digits.back() == '0') {
        digits.pop_back();
    }
    const int digitCount = static_cast<int>(digits.size());

    std::string text = value < 0 ? "-" : "";
    if (exponent >= 0 && exponent < significantDigits) {
        const std::size_t wholeDigits = static_cast<std::size_t>(exponent) + 1;
        if (digits.size() <= wholeDigits) {
            text += digits + std::string(wholeDigits - digits.size(), '0');
        } else {
            text += digits.substr(0, wholeDigits) + "." + digits.substr(wholeDigits);
        }
    } else if (exponent < 0 && -exponent - 1 + digitCount <= significantDigits) {
        text += "." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
    } else {
        text += digits.substr(0, 1);
        if (digits.size() > 1) {
            text += "." + digits.substr(1);
        }
        const int magnitude = std::abs(exponent);
        text += exponent < 0 ? "E-" : "E+";
        if (magnitude < 10) {
            text += '0';
        }
        text += std::to_string(magnitude);
    }
    return text;
}

template <typename Real>
Real roundThroughText(Real value, int decimals) {
    char buffer[kBufferSize];
    const auto written = std::to_chars(buffer, buffer + kBufferSize, static_cast<double>(value),
                                       std::chars_format::fixed, decimals);
    Real rounded = value;
    const auto read = std::from_chars(buffer, written.ptr, rounded);
    return read.ec == std::errc() ? rounded : value;
}

}  // namespace

std::string singleNumberText(float value) {
    return generalText(value, 7);
}

std::string doubleNumberText(double value) {
    return generalText(value, 15);
}

float roundSingle(float value, int decimals) {
    return roundThroughText(value, decimals);
}

double roundDouble(double value, int decimals) {
    return roundThroughText(value, decimals);
}

std::string fixedText(double value, int decimals) {
    char buffer[kBufferSize];
    // Adding 0.0 turns a negative zero into zero, which has no sign.
    const auto result = std::to_chars(buffer, buffer + kBufferSize, value + 0.0,
                                      std::chars_format::fixed, decimals);
    return std::string(buffer, result.ptr);
}

}  // namespace measurement
