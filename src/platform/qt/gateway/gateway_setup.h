#pragma once

#include <string>
#include <vector>

#include "gateway/gateway_settings.h"

namespace platform::qt {

// What the gateway is to do in this working directory.
struct GatewaySetup {
    gateway::GatewaySettings settings;  // everything off without "gateway.conf"
    // Why "gateway.conf" was not used, one line each: the gateway stays off.
    std::vector<std::string> problems;
    std::string mqttPassword;
    // Why publishing does not start although it is set up (a password file open to others).
    std::string mqttRefusal;
    std::string site;  // the site "records.conf" names, for the topic prefix
};

// Reads "gateway.conf" (a regular file only), the password file it names (owner-only) and the
// site of "records.conf".
[[nodiscard]] GatewaySetup readGatewaySetup();

}  // namespace platform::qt
