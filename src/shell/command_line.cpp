#include "command_line.h"

#include <cctype>

#include "link/port_diagnosis.h"
#include "platform/qt/serial/port_survey.h"
#include "platform/qt/serial/qt_serial_port.h"
#include "text/characters.h"

namespace shell {

namespace {

// YYYY-MM-DD: digits with a "-" after the year and after the month.
bool isDate(const std::string& text) {
    constexpr std::size_t kLength = 10;
    if (text.size() != kLength) {
        return false;
    }
    for (std::size_t i = 0; i < kLength; ++i) {
        const bool dash = i == 4 || i == 7;
        if (dash ? text[i] != '-' : !text::isDigit(static_cast<unsigned char>(text[i]))) {
            return false;
        }
    }
    return true;
}

std::optional<std::uint8_t> stationNumber(const std::string& text) {
    if (text.empty() || text.size() > 2) {
        return std::nullopt;
    }
    int number = 0;
    for (const char c : text) {
        if (!text::isDigit(static_cast<unsigned char>(c))) {
            return std::nullopt;
        }
        number = number * 10 + (c - '0');
    }
    if (number < 1 || number > 16) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(number);
}

CommandLine refuse(const std::string& why) {
    CommandLine refused;
    refused.action = CommandLineAction::Refuse;
    refused.refused = why;
    return refused;
}

// The options that go with each action besides the action itself.
bool fits(const CommandLine& line) {
    const bool filters = line.fromDate || line.toDate;
    switch (line.action) {
        case CommandLineAction::Export:
            return !line.multiStation;
        case CommandLineAction::Headless:
            return !filters && !(line.multiStation && line.station);
        case CommandLineAction::Run:
            return !filters && !line.station && !line.multiStation;
        default:
            return true;
    }
}

}  // namespace

CommandLine readCommandLine(const std::vector<std::string>& arguments) {
    CommandLine line;
    const auto act = [&line](CommandLineAction action) {
        if (line.action == CommandLineAction::Run) {
            line.action = action;
        }
    };
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string name = arguments[i];
        std::optional<std::string> value;
        if (const auto equals = name.find('=');
            name.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.erase(equals);
        }
        const bool takesValue =
            name == "--export" || name == "--station" || name == "--from" || name == "--to";
        if (takesValue && !value) {
            if (i + 1 >= arguments.size()) {
                return refuse("option '" + name + "' needs a value");
            }
            value = arguments[++i];
        } else if (!takesValue && value) {
            return refuse("unrecognized option '" + arguments[i] + "'");
        }
        if (name == "-h" || name == "--help") {
            act(CommandLineAction::Help);
        } else if (name == "--version") {
            act(CommandLineAction::Version);
        } else if (name == "--list-ports") {
            act(CommandLineAction::ListPorts);
        } else if (name == "--headless") {
            act(CommandLineAction::Headless);
        } else if (name == "--multi") {
            line.multiStation = true;
        } else if (name == "--export") {
            act(CommandLineAction::Export);
            line.exportPath = *value;
        } else if (name == "--station") {
            line.station = stationNumber(*value);
            if (!line.station) {
                return refuse("station '" + *value + "' is not 1 to 16");
            }
        } else if (name == "--from" || name == "--to") {
            if (!isDate(*value)) {
                return refuse("date '" + *value + "' is not YYYY-MM-DD");
            }
            (name == "--from" ? line.fromDate : line.toDate) = *value;
        } else {
            const bool option = !name.empty() && name.front() == '-';
            return refuse((option ? "unrecognized option '" : "unexpected argument '") +
                          arguments[i] + "'");
        }
    }
    if (!fits(line)) {
        return refuse("these options do not go together");
    }
    return line;
}

std::string usage() {
    return "Usage: tuskocp [OPTION]\n"
           "Polls electromagnetic flowmeters on an RS-485 bus through a serial port, shows their\n"
           "values, logs them into kvt97.mdb and writes their parameters.\n"
           "\n"
           "  --headless [--multi | --station N]\n"
           "                poll and log without any window: station 1, all sixteen in turn\n"
           "                (--multi) or station N; ends on SIGTERM or SIGINT\n"
           "  --export FILE [--station N] [--from YYYY-MM-DD] [--to YYYY-MM-DD]\n"
           "                write the records that match, oldest first, to FILE: an Excel\n"
           "                workbook when FILE ends in .xlsx, else CSV (UTF-8, for\n"
           "                spreadsheets); then exit\n"
           "  --list-ports  print the device behind each of COM1 to COM10 and why a port\n"
           "                cannot be used, then exit\n"
           "  -h, --help    print this help and exit\n"
           "  --version     print the version and exit\n"
           "\n"
           "Without an option the main window opens. The working directory holds the records\n"
           "store kvt97.mdb and, if wanted, comports.conf (COM numbers to devices) and config.dat\n"
           "(the port to use).\n";
}

std::string refusal(const CommandLine& commandLine) {
    return "tuskocp: " + commandLine.refused + "\n" + usage();
}

std::string portTableOfThisMachine() {
    return seriallink::portTable(platform::qt::surveyPorts(platform::qt::portMapForThisMachine()));
}

}  // namespace shell
