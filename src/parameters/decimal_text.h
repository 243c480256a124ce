#pragma once

#include <string>
#include <string_view>

namespace parameters {

// The number a field's text spells from its start: blanks skipped, an optional sign, digits, an
// optional point followed by digits; reading stops at the first character that does not fit. A
// text that starts with no number reads as 0 ("12a" is 12, "abc" and "" are 0, ".5" is 0.5).
// The digits are kept as written, so that formatting rounds the decimal text itself, not a
// binary approximation of it.
class DecimalText {
  public:
    explicit DecimalText(std::u32string_view text);

    // The value as a double; infinite for a number beyond a double's range.
    [[nodiscard]] double value() const;

    // The value with `decimals` decimals, rounded half away from zero, and at least
    // `integerDigits` digits before the point, padded with leading zeros: (2, 1) gives "05.0" for
    // 5, (1, 4) gives "1.5000" for 1.5. A negative value keeps its "-" unless it rounds to zero.
    [[nodiscard]] std::string formatted(int integerDigits, int decimals) const;

  private:
    bool negative_ = false;
    std::string integerDigits_;
    std::string fractionDigits_;
};

}  // namespace parameters
