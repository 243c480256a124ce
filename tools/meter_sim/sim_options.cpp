#include "sim_options.h"

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <map>

namespace meter_sim {
namespace {

std::optional<long long> parseInteger(const std::string& text, long long minimum,
                                      long long maximum) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    errno = 0;
    const unsigned long long value = std::strtoull(text.c_str(), nullptr, 10);
    if (errno == ERANGE || value < static_cast<unsigned long long>(minimum) ||
        value > static_cast<unsigned long long>(maximum)) {
        return std::nullopt;
    }
    return static_cast<long long>(value);
}

std::optional<std::uint64_t> parseSeed(const std::string& text) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    errno = 0;
    const unsigned long long value = std::strtoull(text.c_str(), nullptr, 10);
    if (errno == ERANGE) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> parseRate(const std::string& text) {
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || end != text.c_str() + text.size() || errno == ERANGE || !(value >= 0.0) ||
        value > 1.0) {
        return std::nullopt;
    }
    return value;
}

using Setter = std::function<bool(SimOptions&, const std::string&)>;

Setter rate(double FaultRates::*member) {
    return [member](SimOptions& o, const std::string& v) {
        const auto value = parseRate(v);
        if (value) {
            o.faults.*member = *value;
        }
        return value.has_value();
    };
}

const std::map<std::string, Setter>& valueOptions() {
    static const std::map<std::string, Setter> options = {
        {"--link",
         [](SimOptions& o, const std::string& v) {
             o.linkPath = v;
             return !v.empty();
         }},
        {"--stations",
         [](SimOptions& o, const std::string& v) {
             const auto stations = parseStations(v);
             if (stations) {
                 o.stations = *stations;
             }
             return stations.has_value();
         }},
        {"--fault-stations",
         [](SimOptions& o, const std::string& v) {
             const auto stations = parseStations(v);
             if (stations) {
                 o.faultStations = *stations;
             }
             return stations.has_value();
         }},
        {"--password",
         [](SimOptions& o, const std::string& v) {
             const auto password = parsePassword(v);
             if (password) {
                 o.password = *password;
             }
             return password.has_value();
         }},
        {"--reply-delay-ms",
         [](SimOptions& o, const std::string& v) {
             const auto ms = parseInteger(v, 0, 10000);
             if (ms) {
                 o.replyDelayMs = static_cast<int>(*ms);
             }
             return ms.has_value();
         }},
        {"--log",
         [](SimOptions& o, const std::string& v) {
             o.logPath = v;
             return !v.empty();
         }},
        {"--seed",
         [](SimOptions& o, const std::string& v) {
             o.seed = parseSeed(v);
             return o.seed.has_value();
         }},
        {"--duration-s",
         [](SimOptions& o, const std::string& v) {
             const auto s = parseInteger(v, 0, 100'000'000);
             if (s) {
                 o.durationS = static_cast<int>(*s);
             }
             return s.has_value();
         }},
        {"--fault-no-reply", rate(&FaultRates::noReply)},
        {"--fault-bad-check", rate(&FaultRates::badCheck)},
        {"--fault-wrong-station", rate(&FaultRates::wrongStation)},
        {"--fault-wrong-command", rate(&FaultRates::wrongCommand)},
        {"--fault-bad-end", rate(&FaultRates::badEnd)},
        {"--fault-late", rate(&FaultRates::late)},
        {"--fault-extra-bytes", rate(&FaultRates::extraBytes)},
        {"--fault-split", rate(&FaultRates::split)},
        {"--fault-noise", rate(&FaultRates::noise)},
    };
    return options;
}

}  // namespace

std::optional<SimOptions> parseOptions(int argc, char** argv, std::string& error) {
    SimOptions options;
    options.stations = *parseStations("1-16");
    options.faultStations = options.stations;
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        if (name == "--help" || name == "-h") {
            options.help = true;
            continue;
        }
        if (name == "--fault-writes") {
            options.faultWrites = true;
            continue;
        }
        std::optional<std::string> value;
        if (const auto equals = name.find('='); equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.erase(equals);
        }
        const auto option = valueOptions().find(name);
        if (option == valueOptions().end()) {
            error = "unknown option " + name;
            return std::nullopt;
        }
        if (!value) {
            if (i + 1 >= argc) {
                error = "missing value for " + name;
                return std::nullopt;
            }
            value = argv[++i];
        }
        if (!option->second(options, *value)) {
            error = "bad value for " + name + ": \"" + *value + "\"";
            return std::nullopt;
        }
    }
    return options;
}

std::string usageText() {
    return R"(usage: tuskocp-meter-sim [options]

Simulates one to sixteen electromagnetic flowmeters on one RS-485 line behind a
pseudo-terminal. The first line on stdout is "device: /dev/pts/N".

  --link PATH              also make PATH a symbolic link to the device (an
                           existing symbolic link is replaced; removed on exit)
  --stations LIST          stations present, e.g. 1-16, 1,3,5 or 1-4,9 (default
                           1-16); polls of other stations get no reply
  --password DIGITS        parameter-write password, 1 to 4 digits, padded with
                           leading zeros as the PC pads it (default 1234)
  --reply-delay-ms MS      time from the last byte of a request to the reply
                           (default 5)
  --log FILE               log every byte received and every reply sent, one
                           event a line, microseconds of the monotonic clock
                           first: "<us> rx 2A", "<us> heard poll station 1
                           command 0", "<us> tx 01 00 ... AA | <what>",
                           "<us> fault <what> [<faults>]"
  --seed N                 seed of the fault generator (default: from the clock;
                           printed as "seed: N" on stdout)
  --duration-s N           exit after N seconds (default 0: run until SIGINT or
                           SIGTERM)

Fault injection, RATE from 0 to 1 = probability per reply (default 0); faults
are drawn independently and can combine:
  --fault-no-reply RATE    send no reply at all
  --fault-bad-check RATE   change the check byte (byte 8)
  --fault-wrong-station RATE
                           put the next station number in byte 0
  --fault-wrong-command RATE
                           put another command index (0..8) in byte 1; a write
                           reply gets another step number
  --fault-bad-end RATE     end the reply with 0x55 instead of 0xAA
  --fault-late RATE        hold the reply back until the first byte of the
                           next poll has arrived, then send it
  --fault-extra-bytes RATE append 1 to 3 random bytes to the reply
  --fault-split RATE       send the reply in two parts 5 to 20 ms apart
  --fault-noise RATE       send 1 to 4 random bytes just before the reply
  --fault-stations LIST    the stations whose replies the faults hit (default
                           1-16), e.g. 3,7 for two stations with a bad line
  --fault-writes           let the faults hit the replies of the parameter write
                           too (by default only measurement replies are hit)

  --help                   show this text

Signals: SIGINT and SIGTERM stop the simulator; SIGUSR1 silences every meter
(they keep reading but answer nothing) and the next SIGUSR1 lets them answer
again, as if the line lost power and came back.
)";
}

}  // namespace meter_sim
