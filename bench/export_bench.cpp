// export_bench [records]: the export's own work on 1,000,000 records (by default) that a store
// made in memory hands over as a walk would, written to a sink that only counts the bytes.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "records/csv_export.h"
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
    std::optional<std::string> beginNamed(const std::string&) override { return std::nullopt; }
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const long count = argc > 1 ? std::atol(argv[1]) : 1000000;
    if (count < 1) {
        std::fprintf(stderr, "usage: export_bench [records]\n");
        return 1;
    }
    GeneratedStore store(count);
    CountingWriter writer;
    std::vector<double> runs;
    for (int i = 0; i < kRuns; ++i) {
        const auto start = std::chrono::steady_clock::now();
        const records::ExportResult result = records::exportRecords(store, {}, writer, "x.csv");
        runs.push_back(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        if (!result.written || result.records != count) {
            std::fprintf(stderr, "export_bench: the export failed\n");
            return 1;
        }
    }
    std::printf("CSV formatting of %ld records from memory: %.3f s (median of %d), %lld bytes\n",
                count, median(runs), kRuns, writer.bytes);
    return 0;
}
