// Feeds arbitrary deliveries to the main window's reply handling: the frame copy, the checks,
// decoding by any command byte, presentation and the station memory. Any crash, sanitizer report
// or broken invariant is a finding.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "measurement/presentation.h"
#include "measurement/reply_pipeline.h"
#include "text/leading_number.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    const std::uint8_t station = data[0];
    const std::uint8_t command = data[1];
    measurement::ReplyState replies;

    // Several deliveries in a row, as a port would hand them over: the length of each is taken
    // from the input itself so that short blocks and long blocks both occur.
    std::size_t at = 2;
    while (at < size) {
        const std::size_t length = std::min<std::size_t>(data[at] % 16, size - at - 1);
        const std::vector<std::uint8_t> block(data + at + 1, data + at + 1 + length);
        at += 1 + length;
        const measurement::ReplyFrame before = replies.Rx_Frame;
        replies.requestSent(station);
        const measurement::FrameCheck check = replies.receive(block, station, command, "10:00:00");
        if (check != measurement::FrameCheck::Valid) {
            require(replies.display.status == measurement::kStatusError);
            // Positions the block did not reach keep the previous frame; nothing was decoded.
            for (std::size_t i = block.size(); i < before.size(); ++i) {
                require(replies.Rx_Frame[i] == before[i]);
            }
        }
    }
    // The texts read back as numbers without trouble, whatever they hold.
    (void)text::leadingNumber(replies.display.forwardTotal);
    (void)text::leadingNumber(replies.display.flow);
    return 0;
}
