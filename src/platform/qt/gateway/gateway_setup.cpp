#include "platform/qt/gateway/gateway_setup.h"

#include "platform/qt/files/regular_file.h"
#include "records/server_settings.h"
#include "records/sql/qt_protected_file_reader.h"

namespace platform::qt {

namespace {

constexpr std::size_t kLongestSettings = 65536;

}  // namespace

GatewaySetup readGatewaySetup() {
    GatewaySetup setup;
    const std::string name = gateway::kGatewaySettingsFile;
    const FileRead file = readRegularFile(name, kLongestSettings);
    if (!file.refusal.empty()) {
        setup.problems.push_back(file.refusal + "; no gateway");
        return setup;
    }
    if (!file.bytes) {
        return setup;
    }
    const gateway::CheckedSettings settings = gateway::parseGatewaySettings(*file.bytes);
    if (!settings.value) {
        setup.problems.push_back(name + " " + settings.problem + "; no gateway");
        return setup;
    }
    setup.settings = *settings.value;
    if (setup.settings.mqtt && !setup.settings.mqtt->passwordFile.empty()) {
        records::sql::QtProtectedFileReader reader;
        const records::Checked<std::string> password =
            records::readPassword(reader, setup.settings.mqtt->passwordFile);
        if (password.value) {
            setup.mqttPassword = *password.value;
        } else {
            setup.mqttRefusal = password.problem;
        }
    }
    const FileRead records = readRegularFile(records::kServerSettingsFile, kLongestSettings);
    if (records.bytes) {
        const records::Checked<records::ServerSettings> server =
            records::parseServerSettings(*records.bytes);
        if (server.value) {
            setup.site = server.value->site;
        }
    }
    return setup;
}

}  // namespace platform::qt
