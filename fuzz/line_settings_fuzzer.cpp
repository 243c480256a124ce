// The line-settings parser on arbitrary texts: whatever it accepts is a framing a serial port
// can be given.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_check.h"
#include "link/line_settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (const auto settings = seriallink::parseLineSettings(text)) {
        require(settings->baud > 0);
        require(settings->dataBits >= 5 && settings->dataBits <= 8);
        require(text.find(' ') == std::string_view::npos);
    }
    return 0;
}
