// Test helper: runs the per-minute logging step on the store in the given directory until killed,
// printing the number of records the file holds after each logging opportunity. Its clock steps
// through the given day of October 2007 twenty seconds per opportunity, so each minute has three.
#include <QCoreApplication>
#include <QDir>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fakes/fake_clock.h"
#include "measurement/logging.h"
#include "platform/qt/records/sqlite_records_binding.h"
#include "records/records_store.h"
#include "sqlite_direct.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int day = argc == 3 ? std::atoi(argv[2]) : 0;
    if (day < 1 || day > 31 || !QDir::setCurrent(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "usage: records_append_child <directory> <day 1-31>\n");
        return 2;
    }
    platform::qt::SqliteRecordsBinding binding;
    if (!records::openStore(binding)) {
        return 1;
    }
    // Counted on a connection of its own, as any other reader of the file would count.
    records_test::SqliteDirect counter(records::kDatabaseFile, SQLITE_OPEN_READONLY);
    if (!counter.ok()) {
        return 1;
    }
    fakes::FakeClock clock;
    clock.date = "2007-10-" + std::to_string(100 + day).substr(1);
    measurement::DisplayTexts texts;
    texts.flow = "+1234.56";
    texts.flowUnit = "m3/h";
    std::int16_t logMinute = 0;
    // Stops at the end of the day should the test that started it die without killing it.
    for (int second = 60; second < 24 * 3600; second += 20) {
        char time[16];
        std::snprintf(time, sizeof time, "%d:%02d:%02d", second / 3600, second / 60 % 60,
                      second % 60);
        clock.time = time;
        measurement::runLoggingStep(logMinute, 1, texts, "通讯正常", clock, binding);
        const std::int64_t count = counter.number("SELECT count(*) FROM \"数据监测\"");
        if (count < 0) {
            return 1;
        }
        std::printf("%lld\n", static_cast<long long>(count));
        std::fflush(stdout);
    }
    return 0;
}
