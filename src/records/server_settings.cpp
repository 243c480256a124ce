#include "records/server_settings.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <utility>
#include <vector>

#include "text/characters.h"

namespace records {

namespace {

constexpr unsigned kGroupAndOthers = 0077;
constexpr int kHighestPort = 65535;

std::optional<int> portNumber(std::string_view text) {
    if (text.empty() || text.size() > 5) {
        return std::nullopt;
    }
    int number = 0;
    for (const char c : text) {
        if (!::text::isDigit(c)) {
            return std::nullopt;
        }
        number = number * 10 + (c - '0');
    }
    if (number < 1 || number > kHighestPort) {
        return std::nullopt;
    }
    return number;
}

// Stores one key's value; the problem when the key is unknown or the value unusable.
std::optional<std::string> assign(ServerSettings& settings, std::string_view key,
                                  std::string_view value) {
    const std::array<std::pair<std::string_view, std::string*>, 5> texts = {{
        {"host", &settings.host},
        {"database", &settings.database},
        {"user", &settings.user},
        {"password_file", &settings.passwordFile},
        {"site", &settings.site},
    }};
    for (const auto& [name, target] : texts) {
        if (key == name) {
            *target = std::string(value);
            return std::nullopt;
        }
    }
    if (key == "port") {
        const std::optional<int> port = portNumber(value);
        if (!port) {
            return "port must be a number from 1 to 65535";
        }
        settings.port = *port;
        return std::nullopt;
    }
    return "unknown key \"" + std::string(key) + "\"";
}

}  // namespace

Checked<ServerSettings> parseServerSettings(std::string_view text) {
    ServerSettings settings;
    std::vector<std::string> seen;
    int lineNumber = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = ::text::trimBlanks(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++lineNumber;
        if (line.empty() || line.front() == '#') {
            continue;
        }
        const auto fail = [lineNumber](const std::string& why) {
            return Checked<ServerSettings>{std::nullopt,
                                           "line " + std::to_string(lineNumber) + ": " + why};
        };
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            return fail("not key=value");
        }
        const std::string key(::text::trimBlanks(line.substr(0, equals)));
        const std::string_view value = ::text::trimBlanks(line.substr(equals + 1));
        if (value.empty()) {
            return fail("no value for \"" + key + "\"");
        }
        if (std::find(seen.begin(), seen.end(), key) != seen.end()) {
            return fail("\"" + key + "\" given twice");
        }
        seen.push_back(key);
        if (const std::optional<std::string> problem = assign(settings, key, value)) {
            return fail(*problem);
        }
    }
    if (settings.database.empty() || settings.user.empty()) {
        return {std::nullopt, "database and user are required"};
    }
    return {settings, {}};
}

Checked<std::string> readPassword(platform::ProtectedFileReader& reader, const std::string& path) {
    const std::optional<platform::ProtectedFile> file = reader.read(path);
    if (!file) {
        return {std::nullopt, "password file " + path + " cannot be read"};
    }
    if ((file->permissions & kGroupAndOthers) != 0) {
        return {std::nullopt,
                "password file " + path + " is open to group or others (chmod 600 it)"};
    }
    std::string password = file->contents.substr(0, file->contents.find('\n'));
    if (!password.empty() && password.back() == '\r') {
        password.pop_back();
    }
    return {password, {}};
}

}  // namespace records
