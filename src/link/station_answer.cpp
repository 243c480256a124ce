#include "link/station_answer.h"

#include <cmath>

#include "text/leading_number.h"

namespace seriallink {

std::uint8_t stationFromAnswer(std::string_view answer) {
    const double rounded = std::round(text::leadingNumber(answer).value_or(0.0));
    if (!(rounded >= 0.0 && rounded <= 255.0)) {
        return 0;
    }
    return static_cast<std::uint8_t>(rounded);
}

}  // namespace seriallink
