// poll_log_stats LOG FROM_US TO_US [INTERVAL_US]: the polling cadence as the meter simulator's
// byte log shows it, for the requests whose first byte arrived between FROM_US and TO_US
// (monotonic clock).
//
// A request is the four bytes 2A, station, command, 2E; its reply is the next "tx" line. Prints,
// one "name value" per line: the number of requests, of answered ones and of stations polled,
// and the medians of the request period (first byte to the next request's first byte, after an
// answered request), the request's span (first to last byte) and the meter's reply time (last
// request byte to the reply). With the poll timer's INTERVAL_US, also the cadence: the median of
// each answered request's period divided by the interval plus that request's own span and reply
// time. Span and reply time swing with the machine's scheduling and their spread is one-sided,
// so the median period lies above the sum of the three medians even when the poller adds
// nothing; each request divided by its own parts does not mix them up.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kRequestStart = 0x2A;
constexpr int kRequestEnd = 0x2E;
constexpr int kRequestBytes = 4;

struct Request {
    std::int64_t firstUs = 0;
    std::int64_t lastUs = 0;
    int bytes = 0;
    int station = 0;
    bool complete = false;
    std::optional<std::int64_t> replyUs;
};

std::vector<Request> readRequests(std::istream& log) {
    std::vector<Request> requests;
    std::string line;
    while (std::getline(log, line)) {
        std::istringstream fields(line);
        std::int64_t us = 0;
        std::string kind;
        if (!(fields >> us >> kind)) {
            continue;
        }
        if (kind == "tx") {
            if (!requests.empty() && requests.back().complete && !requests.back().replyUs) {
                requests.back().replyUs = us;
            }
            continue;
        }
        std::string hex;
        if (kind != "rx" || !(fields >> hex)) {
            continue;
        }
        const int byte = static_cast<int>(std::strtol(hex.c_str(), nullptr, 16));
        if (byte == kRequestStart) {
            requests.push_back(Request{us, us, 1, 0, false, std::nullopt});
            continue;
        }
        if (requests.empty() || requests.back().complete) {
            continue;
        }
        Request& request = requests.back();
        ++request.bytes;
        if (request.bytes == 2) {
            request.station = byte;
        }
        if (request.bytes == kRequestBytes && byte == kRequestEnd) {
            request.complete = true;
            request.lastUs = us;
        }
    }
    return requests;
}

double median(std::vector<double> values) {
    if (values.empty()) {
        return 0.0;
    }
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr, "usage: poll_log_stats LOG FROM_US TO_US [INTERVAL_US]\n");
        return 2;
    }
    std::ifstream log(argv[1]);
    if (!log) {
        std::fprintf(stderr, "poll_log_stats: cannot read %s\n", argv[1]);
        return 2;
    }
    const std::int64_t from = std::atoll(argv[2]);
    const std::int64_t to = std::atoll(argv[3]);
    const double interval = argc == 5 ? std::atof(argv[4]) : 0.0;

    std::vector<Request> requests = readRequests(log);
    requests.erase(
        std::remove_if(requests.begin(), requests.end(),
                       [&](const Request& r) { return r.firstUs < from || r.firstUs > to; }),
        requests.end());

    std::vector<double> periods, spans, replies, cadences;
    std::set<int> stations;
    for (std::size_t i = 0; i < requests.size(); ++i) {
        const Request& r = requests[i];
        if (!r.complete) {
            continue;
        }
        stations.insert(r.station);
        spans.push_back(static_cast<double>(r.lastUs - r.firstUs));
        if (r.replyUs) {
            replies.push_back(static_cast<double>(*r.replyUs - r.lastUs));
            if (i + 1 < requests.size()) {
                const auto period = static_cast<double>(requests[i + 1].firstUs - r.firstUs);
                periods.push_back(period);
                cadences.push_back(period /
                                   (interval + static_cast<double>(*r.replyUs - r.firstUs)));
            }
        }
    }
    std::printf("requests %zu\nanswered %zu\nstations %zu\n", requests.size(), replies.size(),
                stations.size());
    std::printf("period_us %.0f\nspan_us %.0f\nreply_us %.0f\n", median(periods), median(spans),
                median(replies));
    if (interval > 0) {
        std::printf("cadence %.4f\n", median(cadences));
    }
    return requests.empty() ? 1 : 0;
}
