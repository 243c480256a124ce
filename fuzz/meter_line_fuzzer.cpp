// Arbitrary byte streams with arbitrary pauses sent to the simulated meters: every answer they
// give is a well-formed frame of the station it came from.
#include <cstddef>
#include <cstdint>

#include "fuzz_check.h"
#include "meter_line.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    meter_sim::StationSet stations;
    stations.set();
    stations.reset(0);
    meter_sim::MeterLine line(stations, meter_sim::Password{1, 2, 3, 4}, 0);
    std::int64_t now = 0;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        now += static_cast<std::int64_t>(data[i + 1]) * 997;  // up to about 250 ms apart
        const meter_sim::LineOutput output = line.receive(data[i], now);
        for (const meter_sim::Heard& heard : output.heard) {
            if (heard.answer) {
                const meter_sim::Frame& frame = heard.answer->frame;
                require(frame[0] >= 1 && frame[0] <= 16);
                require(frame[9] == 0xAA);
            }
        }
    }
    return 0;
}
