#include "records/server_settings.h"

#include <array>
#include <cstddef>
#include <utility>

#include "text/characters.h"
#include "text/key_value_lines.h"

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
    const std::optional<std::string> problem = ::text::readKeyValueLines(
        text, [&settings](const std::string& key, std::string_view value) {
            return assign(settings, key, value);
        });
    if (problem) {
        return {std::nullopt, *problem};
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
