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
    const char* at = text.data();
    const char* const end = at + text.size();
    const bool negative = *at == '-';
    at += *at == '+' || *at == '-' ? 1 : 0;
    std::uint64_t mantissa = 0;
    int digits = 0;
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    for (; at != end && isDigit(*at); ++at, ++digits) {
        mantissa = mantissa * 10 + static_cast<std::uint64_t>(*at - '0');
    }
    int decimals = 0;
    if (at != end && *at == '.') {
        for (++at; at != end && isDigit(*at); ++at, ++decimals) {
            mantissa = mantissa * 10 + static_cast<std::uint64_t>(*at - '0');
        }
    }
    digits += decimals;
    // No digit (perhaps blanks first), perhaps an exponent, or more digits than a double holds
    // exactly: the general reading.
    if (digits == 0 || digits > kPlainDigits || (at != end && (*at == 'e' || *at == 'E'))) {
        return text::leadingNumber(text);
    }
    const double value =
        static_cast<double>(mantissa) / kPowersOfTen[static_cast<std::size_t>(decimals)];
    return negative ? -value : value;
}

}  // namespace trend
