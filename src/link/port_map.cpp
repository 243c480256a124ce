#include "link/port_map.h"

#include <algorithm>
#include <cstddef>
#include <utility>

#include "text/characters.h"

namespace seriallink {
namespace {

bool hasBlank(std::string_view text) {
    return std::any_of(text.begin(), text.end(), ::text::isBlank);
}

// A UTF-8 byte order mark, as some editors put before the first line.
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

struct ConfigLine {
    int number;
    std::string device;
};

// A line that is not blank or a comment: the port it pins, or `why` not.
std::optional<ConfigLine> parseConfigLine(std::string_view line, std::string& why) {
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
        why = "not COMn=device";
        return std::nullopt;
    }
    const auto number = parsePortName(text::trimBlanks(line.substr(0, equals)), why);
    if (!number) {
        return std::nullopt;
    }
    const std::string_view device = text::trimBlanks(line.substr(equals + 1));
    if (device.empty()) {
        why = "no device after \"=\"";
        return std::nullopt;
    }
    if (hasBlank(device) || device.find('=') != device.npos) {
        why = "a device name holds no blank and no \"=\"";
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

std::optional<int> parsePortName(std::string_view key, std::string& why) {
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
    const auto digit = [](char c) { return text::isDigit(c); };
    const bool com =
        key.size() > 3 && lower(key[0]) == 'c' && lower(key[1]) == 'o' && lower(key[2]) == 'm';
    const std::string_view digits = com ? key.substr(3) : std::string_view();
    int number = 0;
    if (com && digits.size() <= 2 && std::all_of(digits.begin(), digits.end(), digit)) {
        for (const char c : digits) {
            number = number * 10 + (c - '0');
        }
    }
    if (number < PortMap::kFirstPort || number > PortMap::kLastPort) {
        why = "\"" + std::string(key) + "\" is not a port name COM1 to COM10";
        return std::nullopt;
    }
    return number;
}

PortConfig readPortConfig(std::string_view text) {
    PortConfig config;
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
        text.remove_prefix(kByteOrderMark.size());
    }
    for (int number = 1; !text.empty(); ++number) {
        const std::size_t newline = text.find('\n');
        std::string_view written = text.substr(0, newline);
        text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
        if (!written.empty() && written.back() == '\r') {
            written.remove_suffix(1);
        }
        const std::string_view line = ::text::trimBlanks(written.substr(0, written.find('#')));
        if (line.empty()) {
            continue;
        }
        std::string why;
        if (const auto pinned = parseConfigLine(line, why)) {
            config.pinned[static_cast<std::size_t>(pinned->number - PortMap::kFirstPort)] =
                pinned->device;
        } else {
            config.unread.push_back({number, std::string(written), why});
        }
    }
    return config;
}

std::string configComplaints(const PortConfig& config, std::string_view fileName) {
    std::string complaints;
    if (!config.refusal.empty()) {
        complaints += config.refusal + "\n";
    }
    for (const UnreadLine& line : config.unread) {
        complaints += std::string(fileName) + " line " + std::to_string(line.number) + ": \"" +
                      line.text + "\" not understood: " + line.why + "\n";
    }
    return complaints;
}

PortMap PortMap::fromConfig(std::string_view confText, std::vector<SystemDevice> systemDevices) {
    return fromConfig(readPortConfig(confText), std::move(systemDevices));
}

PortMap PortMap::fromConfig(PortConfig config, std::vector<SystemDevice> systemDevices) {
    PortMap map;
    map.config_ = std::move(config);
    map.devices_ = map.config_.pinned;

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

bool PortMap::pinned(int comNumber) const {
    return comNumber >= kFirstPort && comNumber <= kLastPort &&
           config_.pinned[static_cast<std::size_t>(comNumber - kFirstPort)].has_value();
}

}  // namespace seriallink
