// The write exchange driven by arbitrary ticks, password answers and reply blocks of any length:
// its counters stay in their ranges, its step is always one it can be at, and every frame it
// builds carries its check byte and end byte.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "parameters/write_exchange.h"

namespace {

using parameters::WriteExchange;

void checkFrame(const parameters::Frame& frame, std::uint8_t station) {
    require(frame[0] == station);
    require(frame[8] == parameters::xorOf(frame, 0, 7));
    require(frame[9] == parameters::kFrameEnd);
}

void checkVariables(const WriteExchange& exchange) {
    const parameters::ExchangeVariables& v = exchange.variables();
    const std::uint8_t step = v.step;
    require(step <= parameters::kLastParameterStep || step == parameters::kClosingStep ||
            step == parameters::kStartAckStep);
    require(v.ticksSinceAnswer >= 0 && v.ticksSinceAnswer <= 200);
    require(v.ticksSinceStart >= 0 && v.ticksSinceStart <= 100);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const auto station = static_cast<std::uint8_t>(1 + data[0] % 16);
    WriteExchange exchange;
    exchange.reset(station);
    std::size_t i = 1;
    while (i < size) {
        const std::uint8_t op = data[i++];
        switch (op % 5) {
            case 0:
                exchange.startSent();
                break;
            case 1: {
                const WriteExchange::TickResult tick = exchange.tick();
                if (tick.action == WriteExchange::TickAction::AskPassword) {
                    const std::size_t length = op / 5 % 7;
                    const std::string answer(reinterpret_cast<const char*>(data + i),
                                             std::min(length, size - i));
                    i += answer.size();
                    if (const auto frame = exchange.passwordAnswered(answer)) {
                        checkFrame(*frame, station);
                        require((*frame)[1] == parameters::kPasswordStep);
                        exchange.frameSent();
                    }
                } else if (tick.action == WriteExchange::TickAction::SendStep) {
                    const parameters::Frame frame = exchange.stepFrame({});
                    checkFrame(frame, station);
                    require(frame[1] == exchange.variables().step);
                    exchange.frameSent();
                }
                break;
            }
            case 2: {
                // A reply block of any length, exactly as many bytes as arrived.
                const std::size_t length = std::min<std::size_t>(op / 5 % 16, size - i);
                const std::vector<std::uint8_t> block(data + i, data + i + length);
                i += length;
                (void)exchange.reply(block);
                break;
            }
            case 3:
                exchange.disarm();
                break;
            default:
                (void)exchange.leave(op & 0x80);
                break;
        }
        checkVariables(exchange);
    }
    return 0;
}
