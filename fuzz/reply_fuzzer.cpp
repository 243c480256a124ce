// Feeds arbitrary deliveries to the reply path of the main window's core: the frame copy, the
// checks, decoding by any command byte, presentation and the station memory. Any crash, sanitizer
// report or broken invariant is a finding.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "measurement/display_texts.h"
#include "measurement/number_text.h"
#include "measurement/presentation.h"
#include "measurement/reply_decoder.h"
#include "measurement/reply_frame.h"
#include "measurement/station_memory.h"
#include "text/leading_number.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    const std::uint8_t station = data[0];
    const std::uint8_t command = data[1];
    measurement::ReplyFrame frame{};
    measurement::DisplayTexts texts;
    measurement::StationMemory memory;
    std::string alarmText;

    // Several deliveries in a row, as a port would hand them over: the length of each is taken
    // from the input itself so that short blocks and long blocks both occur.
    std::size_t at = 2;
    while (at < size) {
        const std::size_t length = std::min<std::size_t>(data[at] % 16, size - at - 1);
        const std::vector<std::uint8_t> block(data + at + 1, data + at + 1 + length);
        at += 1 + length;
        const measurement::ReplyFrame before = frame;
        measurement::copyBlock(frame, block);
        for (std::size_t i = block.size(); i < frame.size(); ++i) {
            require(frame[i] == before[i]);  // missing positions keep the previous frame
        }
        if (measurement::checkFrame(frame, station, command) != measurement::FrameCheck::Valid) {
            texts.status = measurement::kStatusError;
            continue;
        }
        if (const auto reply = measurement::decodeReply(frame, command)) {
            measurement::present(*reply, texts, alarmText);
            measurement::storeReply(memory, station, *reply, texts);
        } else {
            require(command > 8);
        }
    }
    // The texts read back as numbers without trouble, whatever they hold.
    (void)text::leadingNumber(texts.forwardTotal);
    (void)text::leadingNumber(texts.flow);
    return 0;
}
