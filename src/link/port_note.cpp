#include "link/port_note.h"

namespace seriallink {
namespace {

std::string portAndDevice(const PortMap& map, int number) {
    return "COM" + std::to_string(number) + " (" + map.device(number).value_or("-") + ")";
}

}  // namespace

std::optional<PortNote> missingPinnedPortNote(
    const PortMap& map, int usedNumber,
    const std::function<bool(const std::string& device)>& deviceExists) {
    std::string chineseMissing;
    std::string englishMissing;
    for (int number = PortMap::kFirstPort; number <= PortMap::kLastPort; ++number) {
        if (number == usedNumber || !map.pinned(number) || deviceExists(*map.device(number))) {
            continue;
        }
        const std::string named = portAndDevice(map, number);
        chineseMissing += (chineseMissing.empty() ? "" : "、") + named;
        englishMissing += (englishMissing.empty() ? "" : ", ") + named;
    }
    if (chineseMissing.empty()) {
        return std::nullopt;
    }
    const std::string used = portAndDevice(map, usedNumber);
    return PortNote{chineseMissing + " 未找到，正在使用 " + used,
                    englishMissing + " not found; polling " + used + " instead"};
}

}  // namespace seriallink
