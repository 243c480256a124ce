#include "command_line.h"

#include <optional>

#include "link/port_diagnosis.h"
#include "platform/qt/serial/port_survey.h"
#include "platform/qt/serial/qt_serial_port.h"

namespace shell {

namespace {

std::optional<CommandLineAction> optionAction(const std::string& argument) {
    if (argument == "-h" || argument == "--help") {
        return CommandLineAction::Help;
    }
    if (argument == "--version") {
        return CommandLineAction::Version;
    }
    if (argument == "--list-ports") {
        return CommandLineAction::ListPorts;
    }
    return std::nullopt;
}

}  // namespace

CommandLine readCommandLine(const std::vector<std::string>& arguments) {
    CommandLine commandLine;
    for (const std::string& argument : arguments) {
        const auto action = optionAction(argument);
        if (!action) {
            return CommandLine{CommandLineAction::Refuse, argument};
        }
        if (commandLine.action == CommandLineAction::Run) {
            commandLine.action = *action;
        }
    }
    return commandLine;
}

std::string usage() {
    return "Usage: tuskocp [OPTION]\n"
           "Polls electromagnetic flowmeters on an RS-485 bus through a serial port, shows their\n"
           "values, logs them into kvt97.mdb and writes their parameters.\n"
           "\n"
           "  --list-ports  print the device behind each of COM1 to COM10 and why a port\n"
           "                cannot be used, then exit\n"
           "  -h, --help    print this help and exit\n"
           "  --version     print the version and exit\n"
           "\n"
           "Without an option the main window opens. The working directory holds the records\n"
           "store kvt97.mdb and, if wanted, comports.conf (COM numbers to devices) and config.dat\n"
           "(the port to use).\n";
}

std::string refusal(const std::string& refused) {
    const bool option = !refused.empty() && refused.front() == '-';
    return std::string("tuskocp: ") + (option ? "unrecognized option '" : "unexpected argument '") +
           refused + "'\n" + usage();
}

std::string portTableOfThisMachine() {
    return seriallink::portTable(platform::qt::surveyPorts(platform::qt::portMapForThisMachine()));
}

}  // namespace shell
