// Test helper: appends records to the records store of the given directory, as the program logs
// into it (the file, or the server that records.conf there names), until killed. Each record is
// one minute of the given day of October 2007; after each append that returned true it prints how
// many have in this run.
#include <QCoreApplication>
#include <QDir>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fakes/fake_clock.h"
#include "records/sql/store_factory.h"
#include "sample_records.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int day = argc == 3 ? std::atoi(argv[2]) : 0;
    if (day < 1 || day > 31 || !QDir::setCurrent(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "usage: records_store_append_child <directory> <day 1-31>\n");
        return 2;
    }
    fakes::FakeClock clock;
    const records::sql::LoggingStore opened = records::sql::openLoggingStore(clock);
    long long appended = 0;
    // Stops at the end of the day should the test that started it die without killing it.
    for (int minute = 0; minute < 24 * 60; ++minute) {
        records::MeasurementRecord record = records_test::recordNumber(minute);
        record.date = "2007-10-" + std::to_string(100 + day).substr(1) + "/" +
                      std::to_string(minute / 60) + ":" +
                      std::to_string(100 + minute % 60).substr(1);
        if (!opened.store->append(record)) {
            std::fprintf(stderr, "append failed\n");
            return 1;
        }
        std::printf("%lld\n", ++appended);
        std::fflush(stdout);
    }
    return 0;
}
