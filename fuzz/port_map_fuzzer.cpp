// "comports.conf" of arbitrary content beside arbitrary device lists: every number maps to at
// most one non-empty device of one line, and numbers outside COM1 to COM10 map to nothing.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "link/port_map.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    // The part after the first NUL lists system devices, one per line; a line "path\tname" is an
    // adapter with a stable name.
    const std::size_t split = input.find('\0');
    const std::string_view conf = input.substr(0, split);
    std::vector<seriallink::SystemDevice> devices;
    if (split != std::string_view::npos) {
        std::string_view rest = input.substr(split + 1);
        while (!rest.empty()) {
            const std::size_t end = rest.find('\n');
            const std::string_view line = rest.substr(0, end);
            const std::size_t tab = line.find('\t');
            devices.push_back(
                {std::string(line.substr(0, tab)),
                 tab == std::string_view::npos ? std::string() : std::string(line.substr(tab + 1)),
                 tab != std::string_view::npos});
            rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        }
    }
    const seriallink::PortMap map = seriallink::PortMap::fromConfig(conf, devices);
    require(!map.device(0) && !map.device(11) && !map.device(-1));
    for (int n = seriallink::PortMap::kFirstPort; n <= seriallink::PortMap::kLastPort; ++n) {
        if (const auto device = map.device(n)) {
            require(device->find('\n') == std::string::npos);
        }
    }
    return 0;
}
