#pragma once

#include <string>

#include "service/check_findings.h"

namespace service {

// What "gateway.conf" asks for, when there is one, as the service would run it on the port named
// `bus` ("COM1"): each part's settings, why the file or the MQTT password file cannot be used, and
// whether the Modbus address can be listened on now.
void checkGateway(const std::string& bus, CheckFindings& findings);

}  // namespace service
