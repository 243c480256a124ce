#include "parameters/decimal_text.h"

#include <charconv>
#include <cmath>
#include <cstddef>
#include <system_error>

#include "text/characters.h"

namespace parameters {

DecimalText::DecimalText(std::u32string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == U' ' || text[i] == U'\t')) {
        ++i;
    }
    if (i < text.size() && (text[i] == U'+' || text[i] == U'-')) {
        negative_ = text[i] == U'-';
        ++i;
    }
    while (i < text.size() && text::isDigit(text[i])) {
        integerDigits_.push_back(static_cast<char>(text[i]));
        ++i;
    }
    if (i < text.size() && text[i] == U'.') {
        ++i;
        while (i < text.size() && text::isDigit(text[i])) {
            fractionDigits_.push_back(static_cast<char>(text[i]));
            ++i;
        }
    }
}

double DecimalText::value() const {
    if (integerDigits_.empty() && fractionDigits_.empty()) {
        return 0.0;
    }
    const std::string spelled = (negative_ ? "-" : "") +
                                (integerDigits_.empty() ? "0" : integerDigits_) + "." +
                                fractionDigits_ + "0";
    double number = 0.0;
    const auto read = std::from_chars(spelled.data(), spelled.data() + spelled.size(), number);
    if (read.ec == std::errc::result_out_of_range) {
        // Too small to tell from 0, or too large for a double.
        if (integerDigits_.find_first_not_of('0') == std::string::npos) {
            return 0.0;
        }
        return negative_ ? -HUGE_VAL : HUGE_VAL;
    }
    return number;
}

std::string DecimalText::formatted(int integerDigits, int decimals) const {
    // All digits of the rounded number, the last `decimals` of them after the point.
    std::string digits = integerDigits_;
    const auto wanted = static_cast<std::size_t>(decimals);
    std::string fraction = fractionDigits_;
    const bool roundUp = fraction.size() > wanted && fraction[wanted] >= '5';
    fraction.resize(wanted, '0');
    digits += fraction;
    if (roundUp) {
        std::size_t i = digits.size();
        while (i > 0 && digits[i - 1] == '9') {
            digits[i - 1] = '0';
            --i;
        }
        if (i == 0) {
            digits.insert(digits.begin(), '1');
        } else {
            ++digits[i - 1];
        }
    }
    std::string integer = digits.substr(0, digits.size() - wanted);
    const std::string decimalsText = digits.substr(digits.size() - wanted);
    const std::size_t firstNonZero = integer.find_first_not_of('0');
    integer = firstNonZero == std::string::npos ? std::string() : integer.substr(firstNonZero);
    if (integer.size() < static_cast<std::size_t>(integerDigits)) {
        integer.insert(0, static_cast<std::size_t>(integerDigits) - integer.size(), '0');
    }
    const bool zero = digits.find_first_not_of('0') == std::string::npos;
    std::string result = negative_ && !zero ? "-" : "";
    result += integer;
    if (decimals > 0) {
        result += "." + decimalsText;
    }
    return result;
}

}  // namespace parameters
