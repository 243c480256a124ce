#include "link/port_map.h"

#include <algorithm>
#include <cstddef>

#include "text/characters.h"

namespace seriallink {
namespace {

bool hasBlank(std::string_view text) {
    return std::any_of(text.begin(), text.end(), ::text::isBlank);
}

std::optional<int> parsePortName(std::string_view key) {
    if (key.size() < 4 || key.size() > 5) {
        return std::nullopt;
    }
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
    if (lower(key[0]) != 'c' || lower(key[1]) != 'o' || lower(key[2]) != 'm') {
        return std::nullopt;
    }
    int number = 0;
    for (const char c : key.substr(3)) {
        if (!text::isDigit(c)) {
            return std::nullopt;
        }
        number = number * 10 + (c - '0');
    }
    if (number < PortMap::kFirstPort || number > PortMap::kLastPort) {
        return std::nullopt;
    }
    return number;
}

struct ConfigLine {
    int number;
    std::string device;
};

std::optional<ConfigLine> parseConfigLine(std::string_view line) {
    line = line.substr(0, line.find('#'));
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
        return std::nullopt;
    }
    const auto number = parsePortName(text::trimBlanks(line.substr(0, equals)));
    const std::string_view device = text::trimBlanks(line.substr(equals + 1));
    if (!number || device.empty() || hasBlank(device) || device.find('=') != device.npos) {
        return std::nullopt;
    }
    return ConfigLine{*number, std::string(device)};
}

// Orders texts so that runs of digits compare by their value: ttyS2 < ttyS10 < ttyUSB0.
bool naturalLess(std::string_view a, std::string_view b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (text::isDigit(a[i]) && text::isDigit(b[j])) {
            const std::size_t startA = i;
            const std::size_t startB = j;
            while (i < a.size() && text::isDigit(a[i])) {
                ++i;
            }
            while (j < b.size() && text::isDigit(b[j])) {
                ++j;
            }
            std::string_view digitsA = a.substr(startA, i - startA);
            std::string_view digitsB = b.substr(startB, j - startB);
            const auto stripZeros = [](std::string_view& digits) {
                while (digits.size() > 1 && digits.front() == '0') {
                    digits.remove_prefix(1);
                }
            };
            stripZeros(digitsA);
            stripZeros(digitsB);
            if (digitsA.size() != digitsB.size()) {
                return digitsA.size() < digitsB.size();
            }
            if (digitsA != digitsB) {
                return digitsA < digitsB;
            }
        } else {
            if (a[i] != b[j]) {
                return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
            }
            ++i;
            ++j;
        }
    }
    if (a.size() - i != b.size() - j) {
        return a.size() - i < b.size() - j;
    }
    return a < b;
}

}  // namespace

PortMap PortMap::fromConfig(std::string_view confText, std::vector<SystemDevice> systemDevices) {
    PortMap map;
    while (!confText.empty()) {
        const std::size_t newline = confText.find('\n');
        const auto line = parseConfigLine(confText.substr(0, newline));
        if (line) {
            map.devices_[line->number - kFirstPort] = line->device;
        }
        confText.remove_prefix(newline == std::string_view::npos ? confText.size() : newline + 1);
    }

    // An unused built-in port opens as well as an adapter does; the adapter is the one wanted.
    const auto sortName = [](const SystemDevice& device) -> std::string_view {
        return device.stableName.empty() ? device.path : device.stableName;
    };
    std::stable_sort(systemDevices.begin(), systemDevices.end(),
                     [&sortName](const SystemDevice& a, const SystemDevice& b) {
                         if (a.adapter != b.adapter) {
                             return a.adapter;
                         }
                         return naturalLess(sortName(a), sortName(b));
                     });

    // A device reported twice, or named in the file, takes one number only.
    auto freeSlot = map.devices_.begin();
    for (const SystemDevice& device : systemDevices) {
        if (std::find(map.devices_.begin(), map.devices_.end(), device.path) !=
            map.devices_.end()) {
            continue;
        }
        freeSlot = std::find(freeSlot, map.devices_.end(), std::nullopt);
        if (freeSlot == map.devices_.end()) {
            break;
        }
        *freeSlot = device.path;
    }
    return map;
}

PortMap PortMap::identity() {
    PortMap map;
    for (int number = kFirstPort; number <= kLastPort; ++number) {
        map.devices_[number - kFirstPort] = "COM" + std::to_string(number);
    }
    return map;
}

std::optional<std::string> PortMap::device(int comNumber) const {
    if (comNumber < kFirstPort || comNumber > kLastPort) {
        return std::nullopt;
    }
    return devices_[comNumber - kFirstPort];
}

}  // namespace seriallink
