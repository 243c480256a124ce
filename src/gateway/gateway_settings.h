#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace gateway {

// When this file is in the working directory, the program passes the stations' values on to the
// plant: as a Modbus TCP server, to an MQTT broker, or both.
inline constexpr const char* kGatewaySettingsFile = "gateway.conf";

struct ListenAddress {
    static constexpr const char* kDefaultAddress = "127.0.0.1";
    static constexpr int kDefaultPort = 1502;

    std::string address = kDefaultAddress;  // an IPv4 address, or an IPv6 address without brackets
    int port = kDefaultPort;

    // "127.0.0.1:1502", "[::1]:1502"
    [[nodiscard]] std::string text() const;
};

struct MqttSettings {
    static constexpr int kDefaultPort = 1883;

    std::string host;
    int port = kDefaultPort;
    std::string user;          // empty: none is sent
    std::string passwordFile;  // empty: no password is sent
    std::string cafile;        // set: the connection is TLS, checked against these authorities
    std::string prefix;        // empty: "tuskocp/" and the site or the bus
};

struct GatewaySettings {
    std::optional<ListenAddress> modbus;  // nothing: no Modbus server
    std::optional<MqttSettings> mqtt;     // nothing: nothing is published
};

// A value, or why there is none.
struct CheckedSettings {
    std::optional<GatewaySettings> value;
    std::string problem;  // set when there is no value: "line 3: unknown key "x""
};

// Reads the text of "gateway.conf": lines "key=value", blanks around key and value dropped, blank
// lines and lines starting with "#" ignored, each key at most once. modbus_listen is "off" (the
// default), "on" (127.0.0.1:1502), ADDRESS, ADDRESS:PORT or :PORT, an IPv6 address in brackets;
// mqtt_host turns publishing on, with mqtt_port, mqtt_user, mqtt_password_file, mqtt_cafile and
// mqtt_prefix beside it. Any other line makes the whole text unusable.
[[nodiscard]] CheckedSettings parseGatewaySettings(std::string_view text);

// The topic prefix: the one set, else "tuskocp/" followed by the site, or by the bus when there
// is no site; the characters a topic level may not hold ("/", "+", "#") become "_".
[[nodiscard]] std::string topicPrefix(const MqttSettings& settings, const std::string& site,
                                      const std::string& bus);

// One line per part, for whoever checks the program's configuration ("Modbus TCP: listening on
// 127.0.0.1:1502, read-only, no authentication", "MQTT: off"); `prefix` is the topic prefix in
// force.
[[nodiscard]] std::vector<std::string> describeSettings(const GatewaySettings& settings,
                                                        const std::string& prefix);

}  // namespace gateway
