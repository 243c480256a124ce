#include <QApplication>
#include <QCoreApplication>

#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "application.h"
#include "command_line.h"

int main(int argc, char** argv) {
    const shell::CommandLine commandLine =
        shell::readCommandLine(std::vector<std::string>(argv + std::min(argc, 1), argv + argc));
    switch (commandLine.action) {
        case shell::CommandLineAction::Help:
            std::cout << shell::usage();
            return 0;
        case shell::CommandLineAction::Version:
            std::cout << "TuskoCP " << TUSKO_VERSION << "\n";
            return 0;
        case shell::CommandLineAction::Refuse:
            std::cerr << shell::refusal(commandLine.refused);
            return shell::kUsageStatus;
        case shell::CommandLineAction::ListPorts: {
            // The serial ports need an event loop's thread, not a display.
            const QCoreApplication app(argc, argv);
            std::cout << shell::portTableOfThisMachine();
            return 0;
        }
        case shell::CommandLineAction::Run:
            break;
    }
    QApplication app(argc, argv);
    shell::Application program;
    return program.run();
}
