// Test helper: appends records to the store in the given directory until killed, printing the
// number of stored records after each append has returned.
#include <QCoreApplication>
#include <QDir>
#include <chrono>
#include <cstdio>

#include "platform/qt/records/sqlite_records_binding.h"
#include "records/records_store.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2 || !QDir::setCurrent(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "usage: records_append_child <directory>\n");
        return 2;
    }
    platform::qt::SqliteRecordsBinding binding;
    if (!records::openStore(binding)) {
        return 1;
    }
    records::MeasurementRecord record;
    record.date = "2007-10-10/9:13";
    record.flow = "+1234.56m3/h";
    record.alarm = "通讯正常";
    // Stops by itself should the test that started it die without killing it.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline) {
        record.station = static_cast<std::uint8_t>(record.station % 16 + 1);
        records::appendRecord(binding, record);
        const std::optional<std::int64_t> count = binding.recordCount();
        if (!count) {
            return 1;
        }
        std::printf("%lld\n", static_cast<long long>(*count));
        std::fflush(stdout);
    }
    return 0;
}
