#include "gateway/gateway_settings.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <utility>

#include "text/characters.h"
#include "text/key_value_lines.h"

namespace gateway {

namespace {

constexpr int kHighestPort = 65535;

std::optional<int> portNumber(std::string_view text) {
    if (text.empty() || text.size() > 5 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return ::text::isDigit(c); })) {
        return std::nullopt;
    }
    int number = 0;
    for (const char c : text) {
        number = number * 10 + (c - '0');
    }
    if (number < 1 || number > kHighestPort) {
        return std::nullopt;
    }
    return number;
}

bool isIpv4(std::string_view text) {
    int parts = 0;
    while (true) {
        const std::size_t dot = text.find('.');
        const std::string_view part = text.substr(0, dot);
        if (part.empty() || part.size() > 3 ||
            !std::all_of(part.begin(), part.end(), [](char c) { return ::text::isDigit(c); }) ||
            std::stoi(std::string(part)) > 255) {
            return false;
        }
        ++parts;
        if (dot == std::string_view::npos) {
            return parts == 4;
        }
        text.remove_prefix(dot + 1);
    }
}

bool isIpv6(std::string_view text) {
    const auto hexOrColon = [](char c) {
        return ::text::isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || c == ':' ||
               c == '.';
    };
    return text.find(':') != std::string_view::npos &&
           std::all_of(text.begin(), text.end(), hexOrColon);
}

// The value of modbus_listen; the problem when it is not understood.
std::optional<std::string> readListen(std::string_view value,
                                      std::optional<ListenAddress>& listen) {
    if (value == "off") {
        listen.reset();
        return std::nullopt;
    }
    ListenAddress address;
    if (value == "on") {
        listen = address;
        return std::nullopt;
    }
    std::string_view host = value;
    std::string_view port;
    if (!value.empty() && value.front() == '[') {
        const std::size_t close = value.find(']');
        if (close == std::string_view::npos) {
            return "modbus_listen: \"]\" missing after the IPv6 address";
        }
        host = value.substr(1, close - 1);
        const std::string_view rest = value.substr(close + 1);
        if (!rest.empty() && rest.front() != ':') {
            return "modbus_listen: \":PORT\" expected after the IPv6 address";
        }
        port = rest.empty() ? rest : rest.substr(1);
        if (!isIpv6(host)) {
            return "modbus_listen: \"" + std::string(host) + "\" is not an IPv6 address";
        }
    } else {
        const std::size_t colon = value.find(':');
        if (colon != std::string_view::npos) {
            host = value.substr(0, colon);
            port = value.substr(colon + 1);
            if (port.empty()) {
                return "modbus_listen: no port after \":\"";
            }
        }
        if (!host.empty() && !isIpv4(host)) {
            return "modbus_listen must be off, on, or ADDRESS:PORT with an IPv4 address or an "
                   "IPv6 address in brackets";
        }
    }
    if (!host.empty()) {
        address.address = std::string(host);
    }
    if (!port.empty()) {
        const std::optional<int> number = portNumber(port);
        if (!number) {
            return "modbus_listen: the port must be a number from 1 to 65535";
        }
        address.port = *number;
    }
    listen = address;
    return std::nullopt;
}

// Stores one key's value; the problem when the key is unknown or the value unusable.
std::optional<std::string> assign(GatewaySettings& settings, MqttSettings& mqtt,
                                  std::string_view key, std::string_view value) {
    if (key == "modbus_listen") {
        return readListen(value, settings.modbus);
    }
    if (key == "mqtt_port") {
        const std::optional<int> port = portNumber(value);
        if (!port) {
            return "mqtt_port must be a number from 1 to 65535";
        }
        mqtt.port = *port;
        return std::nullopt;
    }
    if (key == "mqtt_prefix" && (value.find_first_of("+#") != std::string_view::npos ||
                                 value.front() == '/' || value.back() == '/')) {
        return "mqtt_prefix may not hold \"+\" or \"#\", nor begin or end with \"/\"";
    }
    const std::array<std::pair<std::string_view, std::string*>, 5> texts = {{
        {"mqtt_host", &mqtt.host},
        {"mqtt_user", &mqtt.user},
        {"mqtt_password_file", &mqtt.passwordFile},
        {"mqtt_cafile", &mqtt.cafile},
        {"mqtt_prefix", &mqtt.prefix},
    }};
    for (const auto& [name, target] : texts) {
        if (key == name) {
            *target = std::string(value);
            return std::nullopt;
        }
    }
    return "unknown key \"" + std::string(key) + "\"";
}

}  // namespace

std::string ListenAddress::text() const {
    const bool v6 = address.find(':') != std::string::npos;
    return (v6 ? "[" + address + "]" : address) + ":" + std::to_string(port);
}

CheckedSettings parseGatewaySettings(std::string_view text) {
    GatewaySettings settings;
    MqttSettings mqtt;
    std::vector<std::string> seen;
    const std::optional<std::string> problem = ::text::readKeyValueLines(
        text,
        [&settings, &mqtt](const std::string& key, std::string_view value) {
            return assign(settings, mqtt, key, value);
        },
        &seen);
    if (problem) {
        return {std::nullopt, *problem};
    }
    const bool mqttKeys = std::any_of(seen.begin(), seen.end(), [](const std::string& key) {
        return key.rfind("mqtt_", 0) == 0;
    });
    if (mqttKeys && mqtt.host.empty()) {
        return {std::nullopt, "mqtt_host is required with the other mqtt_ keys"};
    }
    if (!mqtt.passwordFile.empty() && mqtt.user.empty()) {
        return {std::nullopt, "mqtt_password_file needs mqtt_user"};
    }
    if (!mqtt.host.empty()) {
        settings.mqtt = mqtt;
    }
    return {settings, {}};
}

std::string topicPrefix(const MqttSettings& settings, const std::string& site,
                        const std::string& bus) {
    if (!settings.prefix.empty()) {
        return settings.prefix;
    }
    std::string level = site.empty() ? bus : site;
    std::replace_if(
        level.begin(), level.end(), [](char c) { return c == '/' || c == '+' || c == '#'; }, '_');
    return "tuskocp/" + (level.empty() ? std::string("bus") : level);
}

std::vector<std::string> describeSettings(const GatewaySettings& settings,
                                          const std::string& prefix) {
    std::vector<std::string> lines;
    if (settings.modbus) {
        lines.push_back("Modbus TCP: on " + settings.modbus->text() +
                        ", units 1 to 16 are the stations, read-only, no authentication");
    } else {
        lines.emplace_back("Modbus TCP: off");
    }
    if (!settings.mqtt) {
        lines.emplace_back("MQTT: off");
        return lines;
    }
    const MqttSettings& mqtt = *settings.mqtt;
    std::string line = "MQTT: to the broker " + mqtt.host + ":" + std::to_string(mqtt.port);
    line += mqtt.cafile.empty() ? ", no TLS" : ", TLS with the authorities in " + mqtt.cafile;
    if (!mqtt.user.empty()) {
        line += ", user " + mqtt.user;
    }
    if (!mqtt.passwordFile.empty()) {
        line += ", password from " + mqtt.passwordFile;
    }
    line += ", topics under " + prefix + "/";
    lines.push_back(line);
    return lines;
}

}  // namespace gateway
