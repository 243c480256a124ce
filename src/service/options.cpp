#include "service/options.h"

#include <algorithm>
#include <utility>

#include "link/polling.h"
#include "text/characters.h"
#include "text/command_option.h"

namespace service {

namespace {

Options refuse(std::string why) {
    Options refused;
    refused.action = Action::Refuse;
    refused.refused = std::move(why);
    return refused;
}

std::optional<std::uint8_t> stationNumber(const std::string& text) {
    if (text.empty() || text.size() > 2 || !std::all_of(text.begin(), text.end(), [](char c) {
            return text::isDigit(static_cast<unsigned char>(c));
        })) {
        return std::nullopt;
    }
    const int number = std::stoi(text);
    if (number < 1 || number > 16) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(number);
}

bool startsWithCom(const std::string& text) {
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
    return text.size() >= 3 && lower(text[0]) == 'c' && lower(text[1]) == 'o' &&
           lower(text[2]) == 'm';
}

// A port name COM1 to COM10, or a path with a "/" in it; why not otherwise.
std::optional<PortChoice> portChoice(const std::string& text, std::string& why) {
    PortChoice choice;
    if (startsWithCom(text)) {
        const auto number = seriallink::parsePortName(text, why);
        if (!number) {
            return std::nullopt;
        }
        choice.number = *number;
        return choice;
    }
    if (text.find('/') == std::string::npos) {
        why = "\"" + text + "\" is neither a port name COM1 to COM10 nor a device path such as " +
              "/dev/ttyUSB0";
        return std::nullopt;
    }
    choice.device = text;
    return choice;
}

std::string joined(const std::vector<std::string>& texts) {
    std::string all;
    for (const std::string& text : texts) {
        all += (all.empty() ? "" : ", ") + text;
    }
    return all;
}

}  // namespace

Options readOptions(const std::vector<std::string>& arguments) {
    Options options;
    std::string actionName;
    std::vector<std::string> given;  // the options other than actions, by name
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const text::CommandOption option =
            text::readCommandOption(arguments, i, {"--port", "--speed", "--station"});
        if (!option.refusal.empty()) {
            return refuse(option.refusal);
        }
        const std::string& name = option.name;
        const std::optional<std::string>& value = option.value;
        std::optional<Action> action;
        std::string why;
        if (name == "-h" || name == "--help") {
            action = Action::Help;
        } else if (name == "--version") {
            action = Action::Version;
        } else if (name == "--check") {
            action = Action::Check;
        } else if (name == "--port") {
            options.port = portChoice(*value, why);
            if (!options.port) {
                return refuse("option '--port': " + why);
            }
        } else if (name == "--speed") {
            const std::vector<std::string> speeds = seriallink::listedLineSpeeds();
            if (std::find(speeds.begin(), speeds.end(), *value) == speeds.end()) {
                return refuse("speed '" + *value + "' is not one of " + joined(speeds));
            }
            options.lineSpeed = *value;
        } else if (name == "--multi") {
            options.multiStation = true;
        } else if (name == "--station") {
            const auto station = stationNumber(*value);
            if (!station) {
                return refuse("station '" + *value + "' is not 1 to 16");
            }
            options.station = *station;
        } else {
            const bool option = !name.empty() && name.front() == '-';
            return refuse((option ? "unrecognized option '" : "unexpected argument '") +
                          arguments[i] + "'");
        }
        if (action) {
            if (!actionName.empty()) {
                return refuse(actionName == name
                                  ? "option '" + name + "' given twice"
                                  : "options '" + actionName + "' and '" + name +
                                        "' do not go together: one action at a time");
            }
            options.action = *action;
            actionName = name;
        } else if (std::find(given.begin(), given.end(), name) != given.end()) {
            return refuse("option '" + name + "' given twice");
        } else {
            given.push_back(name);
        }
    }
    const auto isGiven = [&given](const char* name) {
        return std::find(given.begin(), given.end(), name) != given.end();
    };
    if (isGiven("--multi") && isGiven("--station")) {
        return refuse("options '--multi' and '--station' do not go together");
    }
    if ((options.action == Action::Help || options.action == Action::Version) && !given.empty()) {
        return refuse("option '" + given.front() + "' does not go with '" + actionName + "'");
    }
    return options;
}

seriallink::PortMap portMapFor(const PortChoice& choice, const seriallink::PortMap& machine) {
    seriallink::PortConfig config;
    if (choice.device.empty()) {
        config = machine.config();
        config.pinned = {};
        config.pinned[choice.number - 1] = machine.device(choice.number);
    } else {
        config.pinned[0] = choice.device;
    }
    return seriallink::PortMap::fromConfig(std::move(config), {});
}

std::string portName(const std::optional<PortChoice>& choice, int number,
                     const std::string& device) {
    if (choice && !choice->device.empty()) {
        return choice->device;
    }
    return "COM" + std::to_string(number) + (device.empty() ? "" : " (" + device + ")");
}

std::string usage(const std::string& program) {
    const std::string speeds = joined(seriallink::listedLineSpeeds());
    return "Usage: " + program +
           " [--port COMn|DEVICE] [--speed BAUD] [--multi | --station N] [--check]\n"
           "Polls electromagnetic flowmeters on an RS-485 bus through a serial port and logs one\n"
           "record a minute of every answering meter into the records store of the working\n"
           "directory, without any window or display, until SIGTERM or SIGINT.\n"
           "\n"
           "  --port COMn|DEVICE  poll COM1 to COM10 as comports.conf and the system number them,\n"
           "                      or the serial device DEVICE (a path, e.g. /dev/ttyUSB0); "
           "without\n"
           "                      it the first usable port, or the one config.dat chooses\n"
           "  --speed BAUD        line speed, one of " +
           speeds +
           "\n"
           "                      (default 14400)\n"
           "  --multi             poll stations 1 to 16 in turn\n"
           "  --station N         poll station N (1 to 16) alone; station 1 without either\n"
           "  --check             check the port, the files and the records store with the "
           "options\n"
           "                      given, print what was found and exit\n"
           "  -h, --help          print this help and exit\n"
           "  --version           print the version and exit\n"
           "\n"
           "The working directory holds the records store kvt97.mdb (made when missing) or\n"
           "records.conf (a table on a PostgreSQL server) and, if wanted, comports.conf (COM\n"
           "numbers to devices) and config.dat (the port to use). Standard error gets one line "
           "for\n"
           "the start, each problem of the records store and its end, each station that stops\n"
           "answering and answers again, and a summary at the end.\n"
           "\n"
           "Exit status: 0 ended by SIGTERM or SIGINT, or --check found everything usable; 1 no\n"
           "usable port (the ports follow on standard error) or --check found a problem; 2 a\n"
           "command line refused.\n";
}

}  // namespace service
