// Number texts of arbitrary single and double values: the text must read back as the same value
// rounded to the significant digits, and stay short.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz_check.h"
#include "measurement/number_text.h"
#include "text/leading_number.h"

namespace {

template <typename Real>
void check(Real value, const std::string& written, double tolerance) {
    require(written.size() <= 24);
    // Beyond 1e300 the rounded text may exceed the largest double; no display comes near that.
    if (!std::isfinite(value) || std::abs(static_cast<double>(value)) > 1e300) {
        return;
    }
    const auto read = text::leadingNumber(written);
    require(read.has_value());
    const double expected = static_cast<double>(value);
    require(std::abs(*read - expected) <= tolerance * std::abs(expected) ||
            std::abs(expected) < 1e-300);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size >= sizeof(float)) {
        float single = 0;
        std::memcpy(&single, data, sizeof single);
        check(single, measurement::singleNumberText(single), 1e-6);
    }
    if (size >= sizeof(double)) {
        double value = 0;
        std::memcpy(&value, data, sizeof value);
        check(value, measurement::doubleNumberText(value), 1e-14);
        const int decimals = size > sizeof(double) ? data[sizeof(double)] % 6 : 3;
        if (std::isfinite(value) && std::abs(value) < 1e12) {
            const std::string fixed = measurement::fixedText(value, decimals);
            const auto read = text::leadingNumber(fixed);
            const double step = std::pow(10.0, -decimals);
            require(read.has_value() &&
                    std::abs(*read - value) <= 0.5 * step + 1e-12 * std::abs(value) + 1e-12);
        }
    }
    return 0;
}
