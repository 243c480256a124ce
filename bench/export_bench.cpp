// export_bench [records] [directory]: the records export of 1,000,000 records (by default), each
// record handed over from memory as a store's walk hands it over:
//   - the CSV formatting alone, into a sink that only counts the bytes (median of 5 runs);
//   - CSV and the Excel workbook written to files in `directory` (the system's temporary
//     directory by default), each in a process of its own, with its time and peak memory, for a
//     tenth of the records and for all of them: the same peak for both means flat memory.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench_support.h"
#include "platform/qt/qt_file_writer.h"
#include "records/export.h"
#include "records/store.h"

namespace {

constexpr int kRuns = 5;
constexpr long kPool = 1024;

// Records that differ in station, time, flow and totals, as the meters' displays give them.
records::StoredRecord recordNumber(long n) {
    records::StoredRecord r;
    r.key = n;
    r.fields = {std::to_string(n % 16 + 1),
                "2026-12-08/" + std::to_string(n / 60 % 24) + ":" + std::to_string(n % 60 / 10) +
                    std::to_string(n % 10),
                "100",
                (n % 3 ? "+" : "-") + std::to_string(n % 5000) + ".56m3/h",
                "+45.6%",
                "1:4",
                "+1.25",
                n % 7 ? std::to_string(n) + ".78m3" : "1.5E+07m3",
                ".5m3",
                n % 5 ? "通讯正常" : "通讯正常 上限报警,"};
    return r;
}

// Hands `count` records to the sink, cycling through a pool, as views into their texts.
class GeneratedStore final : public records::Store {
  public:
    explicit GeneratedStore(long count) : count_(count) {
        for (long n = 0; n < kPool; ++n) {
            pool_.push_back(recordNumber(n));
        }
    }
    bool append(const records::MeasurementRecord&) override { return false; }
    std::optional<std::vector<records::StoredRecord>> newest(const records::RecordFilter&,
                                                             std::size_t) override {
        return std::nullopt;
    }
    std::optional<std::int64_t> count(const records::RecordFilter&) override { return count_; }
    bool walk(const records::RecordFilter&, const records::RecordSink& sink) override {
        records::RecordView view;
        for (long n = 0; n < count_; ++n) {
            const records::StoredRecord& r = pool_[static_cast<std::size_t>(n % kPool)];
            for (std::size_t i = 0; i < view.size(); ++i) {
                view[i] = r.fields[i];
            }
            if (!sink(n + 1, view)) {
                return false;
            }
        }
        return true;
    }
    bool clear() override { return false; }
    records::StoreHealth health() const override { return {}; }

  private:
    long count_;
    std::vector<records::StoredRecord> pool_;
};

// Counts what it is given and keeps nothing.
class CountingWriter final : public platform::FileWriter {
  public:
    long long bytes = 0;
    bool begin(const std::string&) override {
        bytes = 0;
        return true;
    }
    bool append(std::string_view text) override {
        bytes += static_cast<long long>(text.size());
        return true;
    }
    bool finish() override { return true; }
    void abandon() override {}
};

// The export into a file, in this process: the child's part.
int exportToFile(long count, const std::string& path) {
    GeneratedStore store(count);
    platform::qt::QtFileWriter writer;
    const records::ExportResult result = records::exportRecords(store, {}, writer, path);
    return result.written && result.records == count ? 0 : 1;
}

struct ChildRun {
    bool ok = false;
    double seconds = 0;
    long peakKiB = 0;
    long long bytes = 0;
};

ChildRun runChild(const char* self, long count, const std::string& path) {
    ChildRun run;
    const std::string records = std::to_string(count);
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        execl(self, self, "--child", records.c_str(), path.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (child < 0 || wait4(child, &status, 0, &usage) != child) {
        return run;
    }
    run.seconds = bench::msSince(start) / 1000;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    run.peakKiB = usage.ru_maxrss;
    if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
        std::fseek(file, 0, SEEK_END);
        run.bytes = std::ftell(file);
        std::fclose(file);
    }
    std::remove(path.c_str());
    return run;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--child") == 0) {
        return exportToFile(std::atol(argv[2]), argv[3]);
    }
    const long count = argc > 1 ? std::atol(argv[1]) : 1000000;
    const std::string directory = argc > 2 ? argv[2] : "/tmp";
    if (count < 10) {
        std::fprintf(stderr, "usage: export_bench [records >= 10] [directory]\n");
        return 1;
    }

    GeneratedStore store(count);
    CountingWriter counter;
    std::vector<double> runs;
    for (int i = 0; i < kRuns; ++i) {
        const auto start = std::chrono::steady_clock::now();
        const records::ExportResult result = records::exportRecords(store, {}, counter, "x.csv");
        runs.push_back(bench::msSince(start) / 1000);
        if (!result.written || result.records != count) {
            std::fprintf(stderr, "export_bench: the export failed\n");
            return 1;
        }
    }
    std::printf(
        "CSV formatting alone, %ld records from memory: %.3f s (median of %d), %lld bytes\n", count,
        bench::median(runs), kRuns, counter.bytes);

    std::printf("\n%-10s %10s %10s %14s %14s\n", "format", "records", "seconds", "peak KiB",
                "file bytes");
    bool allOk = true;
    for (const char* extension : {"csv", "xlsx"}) {
        for (const long records : {count / 10, count}) {
            const std::string path =
                directory + "/export-bench-" + std::to_string(getpid()) + "." + extension;
            const ChildRun run = runChild(argv[0], records, path);
            allOk = allOk && run.ok;
            std::printf("%-10s %10ld %10.3f %14ld %14lld%s\n", extension, records, run.seconds,
                        run.peakKiB, run.bytes, run.ok ? "" : "  FAILED");
        }
    }
    std::printf("(each file written by a process of its own; peak = its largest resident size)\n");
    return allOk ? 0 : 1;
}
