#include "trend/record_value.h"

#include <array>
#include <cstdint>

#include "text/leading_number.h"

namespace trend {

namespace {

// Up to fifteen digits are an integer that a double holds exactly, and so is ten to the power of
// up to fifteen: their quotient is rounded once, as the decimal number itself is.
constexpr int kPlainDigits = 15;
constexpr std::array<double, kPlainDigits + 1> kPowersOfTen = {
    1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

}  // namespace

std::optional<double> recordValue(std::string_view text) {
    if (text.empty()) {
        return std::nullopt;
    }
    std::size_t i = 0;
    const bool negative = text[0] == '-';
    if (text[0] == '+' || text[0] == '-') {
        ++i;
    }
    std::uint64_t mantissa = 0;
    int digits = 0;
    int decimals = 0;
    bool point = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            if (digits == kPlainDigits) {
                return text::leadingNumber(text);
            }
            mantissa = mantissa * 10 + static_cast<std::uint64_t>(c - '0');
            ++digits;
            decimals += point ? 1 : 0;
        } else if (c == '.' && !point) {
            point = true;
        } else if (c == 'e' || c == 'E') {
            return text::leadingNumber(text);  // perhaps an exponent
        } else {
            break;
        }
    }
    if (digits == 0) {
        return text::leadingNumber(text);
    }
    const double value =
        static_cast<double>(mantissa) / kPowersOfTen[static_cast<std::size_t>(decimals)];
    return negative ? -value : value;
}

}  // namespace trend
