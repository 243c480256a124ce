#include "service/gateway_check.h"

#include <QFileInfo>
#include <QHostAddress>
#include <QTcpServer>

#include "gateway/gateway_settings.h"
#include "platform/qt/gateway/gateway_setup.h"

namespace service {

void checkGateway(const std::string& bus, CheckFindings& findings) {
    if (!QFileInfo::exists(QString::fromUtf8(gateway::kGatewaySettingsFile))) {
        return;
    }
    const platform::qt::GatewaySetup setup = platform::qt::readGatewaySetup();
    for (const std::string& problem : setup.problems) {
        findings.add(Finding::Problem, problem);
    }
    if (!setup.problems.empty()) {
        return;
    }
    const gateway::GatewaySettings& settings = setup.settings;
    if (!settings.modbus && !settings.mqtt) {
        findings.add(Finding::Fine, std::string("gateway: off (") + gateway::kGatewaySettingsFile +
                                        " turns nothing on)");
        return;
    }
    const std::string prefix =
        settings.mqtt ? gateway::topicPrefix(*settings.mqtt, setup.site, bus) : std::string();
    for (const std::string& line : gateway::describeSettings(settings, prefix)) {
        findings.add(Finding::Fine, line);
    }
    if (settings.modbus) {
        // Tried and given up at once; the running service, holding it, makes this a note only.
        QTcpServer probe;
        if (!probe.listen(QHostAddress(QString::fromStdString(settings.modbus->address)),
                          static_cast<quint16>(settings.modbus->port))) {
            findings.add(Finding::Note,
                         "Modbus TCP: " + settings.modbus->text() +
                             " cannot be listened on now: " + probe.errorString().toStdString());
        }
    }
    if (!setup.mqttRefusal.empty()) {
        findings.add(Finding::Problem, "MQTT: nothing is published: " + setup.mqttRefusal);
    }
}

}  // namespace service
