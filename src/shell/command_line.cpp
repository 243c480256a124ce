#include "command_line.h"

#include <cctype>

#include "service/machine_ports.h"
#include "text/characters.h"
#include "text/command_option.h"

namespace shell {

namespace {

constexpr int kMonths = 12;

bool isLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month) {
    constexpr int kDays[kMonths] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

// YYYY-MM-DD of a day that is in the calendar: digits with a "-" after the year and after the
// month, a year from 0001, a month 01 to 12, a day of that month.
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
    const auto number = [&text](std::size_t from, std::size_t count) {
        int value = 0;
        for (std::size_t i = from; i < from + count; ++i) {
            value = value * 10 + (text[i] - '0');
        }
        return value;
    };
    const int year = number(0, 4);
    const int month = number(5, 2);
    const int day = number(8, 2);
    return year >= 1 && month >= 1 && month <= kMonths && day >= 1 &&
           day <= daysInMonth(year, month);
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

// The options given besides the action, by the name they were given under.
struct OtherOptions {
    std::string station;  // "--station", or empty when not given
    std::string multi;
    std::string from;
    std::string to;
    // The service's own options.
    std::string port;
    std::string speed;
    std::string check;
};

// Why an option does not go with the action (`actionName` as given, empty for the main window),
// or nothing when all fit.
std::optional<std::string> misfit(const CommandLine& line, const std::string& actionName,
                                  const OtherOptions& given) {
    std::vector<std::string> unfit;
    switch (line.action) {
        case CommandLineAction::Export:
            unfit = {given.multi, given.port, given.speed, given.check};
            break;
        case CommandLineAction::Headless:
            unfit = {given.from, given.to};
            if (line.multiStation && line.station) {
                return "options '--multi' and '--station' do not go together";
            }
            break;
        default:
            unfit = {given.station, given.multi, given.from, given.to,
                     given.port,    given.speed, given.check};
            break;
    }
    for (const std::string& option : unfit) {
        if (option.empty()) {
            continue;
        }
        if (actionName.empty()) {
            const bool filter = option == given.from || option == given.to;
            const bool both = option == given.station;
            return "option '" + option + "' goes only with " +
                   (filter ? "--export" : (both ? "--headless or --export" : "--headless"));
        }
        return "option '" + option + "' does not go with '" + actionName + "'";
    }
    return std::nullopt;
}

}  // namespace

CommandLine readCommandLine(const std::vector<std::string>& arguments) {
    CommandLine line;
    std::string actionName;
    OtherOptions given;
    std::size_t actionIndex = 0;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::size_t index = i;
        const text::CommandOption option = text::readCommandOption(
            arguments, i, {"--export", "--station", "--from", "--to", "--port", "--speed"});
        if (!option.refusal.empty()) {
            return refuse(option.refusal);
        }
        const std::string& name = option.name;
        const std::optional<std::string>& value = option.value;
        std::optional<CommandLineAction> action;
        std::string* other = nullptr;
        if (name == "-h" || name == "--help") {
            action = CommandLineAction::Help;
        } else if (name == "--version") {
            action = CommandLineAction::Version;
        } else if (name == "--list-ports") {
            action = CommandLineAction::ListPorts;
        } else if (name == "--headless") {
            action = CommandLineAction::Headless;
        } else if (name == "--export") {
            action = CommandLineAction::Export;
            if (value->empty()) {
                return refuse("option '--export' needs a file name");
            }
            line.exportPath = *value;
        } else if (name == "--port" || name == "--speed" || name == "--check") {
            other =
                name == "--port" ? &given.port : (name == "--speed" ? &given.speed : &given.check);
        } else if (name == "--multi") {
            other = &given.multi;
            line.multiStation = true;
        } else if (name == "--station") {
            other = &given.station;
            line.station = stationNumber(*value);
            if (!line.station) {
                return refuse("station '" + *value + "' is not 1 to 16");
            }
        } else if (name == "--from" || name == "--to") {
            other = name == "--from" ? &given.from : &given.to;
            if (!isDate(*value)) {
                return refuse("date '" + *value + "' is not a day written YYYY-MM-DD");
            }
            (name == "--from" ? line.fromDate : line.toDate) = *value;
        } else {
            const bool option = !name.empty() && name.front() == '-';
            return refuse((option ? "unrecognized option '" : "unexpected argument '") +
                          arguments[i] + "'");
        }
        // One action at a time, and each option once: a second one could only be a mistake.
        if (action && !actionName.empty()) {
            return refuse(actionName == name ? "option '" + name + "' given twice"
                                             : "options '" + actionName + "' and '" + name +
                                                   "' do not go together: one action at a time");
        }
        if (action) {
            line.action = *action;
            actionName = name;
            actionIndex = index;
        } else if (!other->empty()) {
            return refuse("option '" + name + "' given twice");
        } else {
            *other = name;
        }
    }
    if (const auto why = misfit(line, actionName, given)) {
        return refuse(*why);
    }
    if (line.fromDate && line.toDate && *line.fromDate > *line.toDate) {
        return refuse("--from " + *line.fromDate + " is later than --to " + *line.toDate);
    }
    if (line.action == CommandLineAction::Headless) {
        line.serviceArguments = arguments;
        line.serviceArguments.erase(line.serviceArguments.begin() +
                                    static_cast<std::ptrdiff_t>(actionIndex));
    }
    return line;
}

std::string usage() {
    return "Usage: tuskocp [OPTION]\n"
           "Polls electromagnetic flowmeters on an RS-485 bus through a serial port, shows their\n"
           "values, logs them into kvt97.mdb and writes their parameters.\n"
           "\n"
           "  --headless [--port COMn|DEVICE] [--speed BAUD] [--multi | --station N] [--check]\n"
           "                poll and log without any window, as the service tuskocpd does with\n"
           "                the same options (see tuskocpd --help): station 1, all sixteen in\n"
           "                turn (--multi) or station N; ends on SIGTERM or SIGINT\n"
           "  --export FILE [--station N] [--from YYYY-MM-DD] [--to YYYY-MM-DD]\n"
           "                write the records that match, oldest first, to FILE: an Excel\n"
           "                workbook when FILE ends in .xlsx, else CSV (UTF-8, for\n"
           "                spreadsheets); then exit\n"
           "  --list-ports  print the device behind each of COM1 to COM10 and why a port\n"
           "                cannot be used, then exit\n"
           "  -h, --help    print this help and exit\n"
           "  --version     print the version and exit\n"
           "\n"
           "Without an option the main window opens. One action at a time; the other options\n"
           "only where shown. The working directory holds the records store kvt97.mdb and, if\n"
           "wanted, comports.conf (COM numbers to devices) and config.dat (the port to use).\n"
           "\n"
           "Exit status: 0 done, 1 no usable port (or --check found a problem), 2 a command line\n"
           "refused, 3 the export failed or was refused.\n";
}

std::string refusal(const CommandLine& commandLine) {
    return "tuskocp: " + commandLine.refused + "\n" + usage();
}

std::string portTableOfThisMachine() {
    return service::portTable(service::pollingPortMap(std::nullopt), std::nullopt);
}

std::string portReasons(const seriallink::PortMap& map) {
    return service::portReasons(map);
}

std::string portNotes(const seriallink::PortMap& map, int usedNumber) {
    return service::portNotes(map, usedNumber, "tuskocp");
}

}  // namespace shell
