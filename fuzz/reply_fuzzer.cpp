// Feeds arbitrary deliveries to the main window's reply handling: the frame of a block, the
// checks, decoding by any command byte, presentation and the station's state. Any crash,
// sanitizer report or broken invariant is a finding.
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
    measurement::ReplyPipeline replies;

    // Several deliveries in a row, as a port would hand them over: the length of each is taken
    // from the input itself so that short blocks and long blocks both occur.
    std::size_t at = 2;
    while (at < size) {
        const std::size_t length = std::min<std::size_t>(data[at] % 16, size - at - 1);
        const std::vector<std::uint8_t> block(data + at + 1, data + at + 1 + length);
        at += 1 + length;
        const measurement::StationState* state = replies.memory.find(station);
        const int validBefore = state != nullptr ? state->counters.validReplies : 0;
        (void)replies.requestSent(station);
        const measurement::ReplyOutcome outcome =
            replies.receive(block, station, command, "10:00:00");
        if (outcome.check != measurement::FrameCheck::Valid) {
            require(replies.display.status == measurement::kStatusError);
            // Nothing was decoded into the station's state.
            require(state == nullptr || state->counters.validReplies == validBefore);
        }
        if (block.size() < measurement::kReplyLength) {
            require(outcome.check == measurement::FrameCheck::ShortBlock);
        }
    }
    // The texts read back as numbers without trouble, whatever they hold.
    (void)text::leadingNumber(replies.display.forwardTotal);
    (void)text::leadingNumber(replies.display.flow);
    return 0;
}
