// Feeds arbitrary bytes from a client to the Modbus TCP request reader and answers every request
// it takes, as the server does with the bytes of one connection. Any crash, sanitizer report or
// broken invariant is a finding.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "fuzz_check.h"
#include "gateway/modbus_request.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    gateway::RegisterBlock block{};
    const gateway::StationRegisters registers =
        [&block](std::uint8_t station) -> std::optional<gateway::RegisterBlock> {
        return station % 2 == 0 ? std::optional(block) : std::nullopt;
    };
    std::size_t at = 0;
    while (at < size) {
        const gateway::ReadResult read = gateway::readRequest(data + at, size - at);
        if (read.status != gateway::RequestRead::Complete) {
            // A reader that waits may only wait for less than a whole request.
            require(read.status == gateway::RequestRead::Malformed ||
                    size - at < gateway::kLongestRequest);
            break;
        }
        require(read.length >= gateway::kHeaderBytes + 1 && read.length <= size - at &&
                read.length <= gateway::kLongestRequest);
        require(read.request.pdu.size() == read.length - gateway::kHeaderBytes);
        const std::vector<std::uint8_t> answer = gateway::answerRequest(read.request, registers);
        // Every answer is a whole response: header, unit echoed, length that counts the rest.
        require(answer.size() >= 9 && answer.size() <= 7 + 2 + 2 * 125);
        require(static_cast<std::size_t>(answer[4] << 8 | answer[5]) == answer.size() - 6);
        require(answer[0] == data[at] && answer[1] == data[at + 1] &&
                answer[6] == read.request.unit);
        at += read.length;
    }
    return 0;
}
