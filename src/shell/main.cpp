#include <QApplication>
#include <QCoreApplication>
#include <QThread>

#include <algorithm>
#include <future>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "application.h"
#include "command_line.h"
#include "platform/qt/files/export_target.h"
#include "platform/qt/qt_chinese_texts.h"
#include "platform/qt/qt_clock.h"
#include "platform/qt/qt_file_writer.h"
#include "platform/qt/serial/qt_serial_port.h"
#include "records/export.h"
#include "records/sql/store_factory.h"
#include "service/service_program.h"

namespace {

// `--export`: the records store of the working directory (the file, or the server that
// "records.conf" names), as an Excel workbook or CSV after the file's name.
int exportRecords(const shell::CommandLine& commandLine) {
    platform::qt::QtClock clock;
    const std::unique_ptr<records::Store> store = records::sql::readingStores(clock)();
    records::RecordFilter filter;
    filter.station = commandLine.station;
    filter.fromDate = commandLine.fromDate;
    filter.toDate = commandLine.toDate;
    platform::qt::QtFileWriter writer;
    const records::ExportResult result =
        records::exportRecords(*store, filter, writer, commandLine.exportPath);
    switch (result.problem) {
        case records::ExportProblem::None:
            break;
        case records::ExportProblem::Store: {
            const std::string detail = store->health().detail;
            std::cerr << "tuskocp: cannot read the records store"
                      << (detail.empty() ? "" : ": " + detail) << "\n";
            return shell::kExportFailedStatus;
        }
        case records::ExportProblem::Destination:
            std::cerr << "tuskocp: cannot export to " << commandLine.exportPath << "\n";
            return shell::kExportFailedStatus;
        case records::ExportProblem::TooManyRecords:
            std::cerr << "tuskocp: " << result.records << " records do not fit in one worksheet of "
                      << records::kWorkbookRecordLimit
                      << " rows; nothing was written. Export fewer (--station, --from, --to) "
                         "or export to CSV\n";
            return shell::kExportFailedStatus;
    }
    std::cerr << "tuskocp: " << result.records << " records written to " << commandLine.exportPath
              << "\n";
    return 0;
}

}  // namespace

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
            std::cerr << shell::refusal(commandLine);
            return shell::kUsageStatus;
        case shell::CommandLineAction::ListPorts: {
            // The serial ports need an event loop's thread, not a display.
            const QCoreApplication app(argc, argv);
            std::cout << shell::portTableOfThisMachine();
            return 0;
        }
        case shell::CommandLineAction::Export: {
            if (const auto refused = platform::qt::exportRefusal(commandLine.exportPath)) {
                std::cerr << "tuskocp: not exported: " << refused->english << "\n";
                return shell::kExportFailedStatus;
            }
            const QCoreApplication app(argc, argv);
            return exportRecords(commandLine);
        }
        case shell::CommandLineAction::Headless:
            // The service tuskocpd under this program's name: no window, no display.
            return service::runService(argc, argv, commandLine.serviceArguments,
                                       {"tuskocp", shell::usage(), "TuskoCP " TUSKO_VERSION});
        case shell::CommandLineAction::Run:
            break;
    }
    // The serial devices are looked up while the connection to the display is made; polling
    // waits for both. Qt takes the first thread that asks for its thread data as the program's
    // main thread: this one asks before the lookup starts.
    QThread::currentThread();
    std::future<seriallink::PortMap> portMap =
        std::async(std::launch::async, [] { return platform::qt::portMapForThisMachine(); });
    QApplication app(argc, argv);
    // Qt's own dialogs and buttons in the language of the program's captions.
    const platform::qt::QtChineseTexts qtTexts(app);
    if (!qtTexts.installed()) {
        std::cerr << "tuskocp: Qt's Chinese translations ("
                  << platform::qt::QtChineseTexts::catalogueFile().toStdString() << " in "
                  << platform::qt::QtChineseTexts::qtDirectory().toStdString()
                  << ") are missing; Qt's dialogs stay in English\n";
    }
    shell::Application program(portMap.get());
    return program.run();
}
