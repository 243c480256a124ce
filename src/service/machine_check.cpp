#include "service/machine_check.h"

#include <QDir>
#include <QFileInfo>
#include <QString>

#include <vector>

#include "link/port_diagnosis.h"
#include "platform/qt/files/regular_file.h"
#include "platform/qt/qt_clock.h"
#include "platform/qt/serial/port_survey.h"
#include "records/records_store.h"
#include "records/server_settings.h"
#include "records/sql/qt_protected_file_reader.h"
#include "records/sql/server_connection.h"
#include "records/sql/store_factory.h"
#include "records/store_status.h"
#include "service/gateway_check.h"
#include "service/machine_ports.h"
#include "session/port_discovery.h"

namespace service {

namespace {

constexpr const char* kPortConfigFile = "comports.conf";

std::string mode(const Options& options) {
    return options.multiStation ? std::string("stations 1 to 16 in turn")
                                : "station " + std::to_string(int{options.station}) + " alone";
}

// The findings on the port polled; the name of the chosen port ("COM1"), empty without one.
std::string checkPort(const Options& options, CheckFindings& findings) {
    const seriallink::PortMap map = pollingPortMap(options.port);
    const std::string complaints = seriallink::configComplaints(map.config(), kPortConfigFile);
    for (std::size_t start = 0; start < complaints.size();) {
        const std::size_t end = complaints.find('\n', start);
        findings.add(Finding::Note, complaints.substr(start, end - start));
        start = end + 1;
    }
    // The port named on the command line is told of even with no device behind it.
    const int named = !options.port ? 0 : (options.port->device.empty() ? options.port->number : 1);
    std::vector<seriallink::PortLine> usable;
    std::vector<seriallink::PortLine> refused;
    for (const seriallink::PortLine& line : platform::qt::surveyPorts(map)) {
        if (line.state == seriallink::PortState::Usable) {
            usable.push_back(line);
        } else if (!line.device.empty() || line.number == named) {
            refused.push_back(line);
        }
    }
    std::string chosenBy;
    std::size_t position = 0;
    if (!options.port) {
        const platform::qt::FileRead config =
            platform::qt::readRegularFile(session::kConfigFile, session::kConfigBytes);
        if (!config.refusal.empty()) {
            findings.add(Finding::Note, config.refusal + "; the first usable port is polled");
        }
        if (config.bytes && !usable.empty()) {
            const std::vector<std::uint8_t> bytes(config.bytes->begin(), config.bytes->end());
            position = session::chosenPort(bytes, usable.size());
            chosenBy = std::string(", chosen by ") + session::kConfigFile;
        }
    }
    if (usable.empty()) {
        for (const seriallink::PortLine& line : refused) {
            findings.add(
                Finding::Problem,
                "port " + portName(options.port, line.number, line.device) + ": " + line.reason);
        }
        findings.add(Finding::Problem, "no usable port");
        return {};
    }
    const seriallink::PortLine& chosen = usable[position];
    findings.add(Finding::Fine, "port " + portName(options.port, chosen.number, chosen.device) +
                                    ": usable" + chosenBy + "; polled at " + options.lineSpeed +
                                    " baud, " + mode(options));
    return "COM" + std::to_string(chosen.number);
}

void checkServerStore(CheckFindings& findings) {
    records::sql::QtProtectedFileReader passwords;
    const auto login =
        records::sql::readServerLogin(QString::fromUtf8(records::kServerSettingsFile), passwords);
    if (!login.value) {
        findings.add(Finding::Problem, "records store: " + login.problem);
        return;
    }
    platform::qt::QtClock clock;
    const std::unique_ptr<records::Store> store = records::sql::readingStores(clock)();
    const auto count = store->count(records::RecordFilter{});
    if (!count) {
        findings.add(Finding::Problem, "records store " + storeName() + ": " +
                                           records::reasonEnglish(store->health()));
        return;
    }
    findings.add(Finding::Fine,
                 "records store " + storeName() + ": " + std::to_string(*count) + " records");
}

void checkFileStore(CheckFindings& findings) {
    const std::string name = records::kDatabaseFile;
    const QFileInfo file(QString::fromUtf8(records::kDatabaseFile));
    const QFileInfo directory(file.absolutePath());
    // The file's journal is made beside it at every record.
    if (!directory.isWritable()) {
        findings.add(Finding::Problem, "records store " + name + ": the working directory " +
                                           directory.absoluteFilePath().toStdString() +
                                           " may not be written");
        return;
    }
    if (!file.exists()) {
        findings.add(Finding::Fine, "records store " + name + ": missing; made at start");
        return;
    }
    platform::qt::QtClock clock;
    const std::unique_ptr<records::Store> store = records::sql::readingStores(clock)();
    const auto count = store->count(records::RecordFilter{});
    if (!count) {
        findings.add(Finding::Problem,
                     "records store " + name + ": " + records::reasonEnglish(store->health()));
    } else if (!file.isWritable()) {
        findings.add(Finding::Problem, "records store " + name + ": read-only");
    } else {
        findings.add(Finding::Fine,
                     "records store " + name + ": " + std::to_string(*count) + " records");
    }
}

}  // namespace

std::string storeName() {
    if (!QFileInfo::exists(QString::fromUtf8(records::kServerSettingsFile))) {
        return records::kDatabaseFile;
    }
    const platform::qt::FileRead text =
        platform::qt::readRegularFile(records::kServerSettingsFile, 64 * 1024);
    const records::Checked<records::ServerSettings> settings =
        records::parseServerSettings(text.bytes.value_or(""));
    if (!settings.value) {
        return std::string("the server that ") + records::kServerSettingsFile + " names";
    }
    const records::ServerSettings& server = *settings.value;
    return std::string("table ") + records::kTable + " of database " + server.database + " on " +
           (server.host.empty() ? std::string("the local server") : server.host) + " port " +
           std::to_string(server.port) + " as " + server.user +
           (server.site.empty() ? std::string() : ", site " + server.site);
}

CheckFindings checkThisMachine(const Options& options) {
    CheckFindings findings;
    const std::string bus = checkPort(options, findings);
    if (QFileInfo::exists(QString::fromUtf8(records::kServerSettingsFile))) {
        checkServerStore(findings);
    } else {
        checkFileStore(findings);
    }
    checkGateway(bus, findings);
    return findings;
}

}  // namespace service
