// modbus_load PORT CLIENTS PERIOD_MS SECONDS: CLIENTS Modbus TCP clients (libmodbus), each on a
// thread and a connection of its own, read the 28 input registers of every station 1 to 16 once
// every PERIOD_MS for SECONDS, from 127.0.0.1:PORT. Prints, one "name value" per line, the number
// of requests, of failed ones and of rounds that began late, and the median, 99th percentile and
// largest request latency in microseconds.
//
// modbus_load PORT --wait SECONDS: waits until every station is served, at most SECONDS; the
// exit status says whether they were.
#include <modbus.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kStations = 16;
constexpr int kRegisters = 28;

modbus_t* connectTo(int port) {
    modbus_t* client = modbus_new_tcp("127.0.0.1", port);
    if (client == nullptr) {
        return nullptr;
    }
    modbus_set_response_timeout(client, 5, 0);
    if (modbus_connect(client) != 0) {
        modbus_free(client);
        return nullptr;
    }
    return client;
}

bool everyStationServed(int port) {
    modbus_t* client = connectTo(port);
    if (client == nullptr) {
        return false;
    }
    bool served = true;
    std::uint16_t words[kRegisters];
    for (int station = 1; station <= kStations && served; ++station) {
        modbus_set_slave(client, station);
        served = modbus_read_input_registers(client, 0, kRegisters, words) == kRegisters;
    }
    modbus_close(client);
    modbus_free(client);
    return served;
}

int waitForStations(int port, int seconds) {
    const auto end = Clock::now() + std::chrono::seconds(seconds);
    while (Clock::now() < end) {
        if (everyStationServed(port)) {
            return 0;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
    std::fprintf(stderr, "not every station was served within %d s\n", seconds);
    return 1;
}

struct Totals {
    std::mutex mutex;
    std::vector<std::int64_t> latenciesUs;
    std::int64_t failed = 0;
    std::int64_t lateRounds = 0;
};

void runClient(int port, std::chrono::milliseconds period, Clock::time_point end, Totals& totals) {
    modbus_t* client = connectTo(port);
    if (client == nullptr) {
        const std::lock_guard<std::mutex> lock(totals.mutex);
        totals.failed += 1;
        return;
    }
    std::vector<std::int64_t> latencies;
    std::int64_t failed = 0;
    std::int64_t late = 0;
    std::uint16_t words[kRegisters];
    for (auto round = Clock::now(); round < end; round += period) {
        if (Clock::now() > round + period) {
            ++late;
            continue;
        }
        std::this_thread::sleep_until(round);
        for (int station = 1; station <= kStations; ++station) {
            modbus_set_slave(client, station);
            const auto sent = Clock::now();
            const bool good = modbus_read_input_registers(client, 0, kRegisters, words) == kRegisters;
            latencies.push_back(
                std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - sent).count());
            failed += good ? 0 : 1;
        }
    }
    modbus_close(client);
    modbus_free(client);
    const std::lock_guard<std::mutex> lock(totals.mutex);
    totals.latenciesUs.insert(totals.latenciesUs.end(), latencies.begin(), latencies.end());
    totals.failed += failed;
    totals.lateRounds += late;
}

std::int64_t percentile(const std::vector<std::int64_t>& sorted, double share) {
    if (sorted.empty()) {
        return 0;
    }
    const auto at = static_cast<std::size_t>(share * static_cast<double>(sorted.size() - 1));
    return sorted[at];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[2]) == "--wait") {
        return waitForStations(std::atoi(argv[1]), std::atoi(argv[3]));
    }
    if (argc != 5) {
        std::fprintf(stderr, "usage: modbus_load PORT CLIENTS PERIOD_MS SECONDS\n"
                             "       modbus_load PORT --wait SECONDS\n");
        return 2;
    }
    const int port = std::atoi(argv[1]);
    const int clients = std::atoi(argv[2]);
    const std::chrono::milliseconds period(std::atoi(argv[3]));
    const auto end = Clock::now() + std::chrono::seconds(std::atoi(argv[4]));
    Totals totals;
    std::vector<std::thread> threads;
    for (int i = 0; i < clients; ++i) {
        threads.emplace_back(runClient, port, period, end, std::ref(totals));
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    std::sort(totals.latenciesUs.begin(), totals.latenciesUs.end());
    std::printf("requests %zu\nfailed %lld\nlate_rounds %lld\np50_us %lld\np99_us %lld\nmax_us %lld\n",
                totals.latenciesUs.size(), static_cast<long long>(totals.failed),
                static_cast<long long>(totals.lateRounds),
                static_cast<long long>(percentile(totals.latenciesUs, 0.5)),
                static_cast<long long>(percentile(totals.latenciesUs, 0.99)),
                static_cast<long long>(totals.latenciesUs.empty() ? 0 : totals.latenciesUs.back()));
    return totals.failed == 0 ? 0 : 1;
}
