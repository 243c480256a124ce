// Field checks and write steps on arbitrary texts: an accepted text passes its own check again
// unchanged, and every step sends digit values 0 to 9 where it sends digits.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "parameters/field_checks.h"
#include "parameters/step_data.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const parameters::Param param =
        parameters::allParams()[data[0] % parameters::kParamCount];
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);

    const parameters::FieldCheck check = parameters::checkField(param, text);
    if (check.message) {
        require(check.text.empty());
    } else {
        const parameters::FieldCheck again = parameters::checkField(param, check.text);
        require(!again.message && again.text == check.text);
    }

    parameters::ParameterTexts texts = parameters::defaultTexts();
    texts[parameters::indexOf(param)] = text;
    for (std::uint8_t step = 1; step <= parameters::kClosingStep; ++step) {
        parameters::ParameterTexts prepared = texts;
        const parameters::StepPreparation preparation = parameters::prepareStep(step, prepared);
        require(preparation.refused.has_value() == preparation.message.has_value());
        if (preparation.refused || step == 14) {
            continue;
        }
        const parameters::StepData bytes = parameters::stepData(step, prepared);
        // Steps 2, 5, 7 and 9 to 13 begin with digits; 2 and 7 carry four or five.
        const std::size_t digits = step == 2 ? 5 : step == 7 ? 4 : step == 5 ? 3
                                   : step >= 9 && step <= 13  ? 4
                                                               : 0;
        for (std::size_t k = 0; k < digits; ++k) {
            require(bytes[k] <= 9);
        }
    }
    return 0;
}
