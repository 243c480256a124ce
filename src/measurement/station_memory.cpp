#include "measurement/station_memory.h"

namespace measurement {

void storeReply(StationMemory& memory, std::uint8_t station, const DecodedReply& reply,
                const DisplayTexts& texts) {
    if (station < 1 || station > StationMemory::kStations) {
        return;
    }
    const std::size_t i = station - 1u;
    if (const auto* flow = std::get_if<FlowReply>(&reply)) {
        memory.shunshi[i] = flow->value;
        memory.E_liuliang[i] = texts.flowUnit;
    } else if (const auto* velocity = std::get_if<VelocityReply>(&reply)) {
        memory.liusu[i] = velocity->value;
    } else if (const auto* percent = std::get_if<PercentReply>(&reply)) {
        memory.baifenbi[i] = percent->value;
    } else if (const auto* resistance = std::get_if<ResistanceReply>(&reply)) {
        memory.dianzu[i] = resistance->value;
    } else if (const auto* total = std::get_if<TotalReply>(&reply)) {
        if (total->direction == TotalDirection::Forward) {
            memory.zongliang_zhengxiang[i] = total->value;
            memory.E_LJ_zheng[i] = texts.forwardUnit;
        } else {
            memory.zongliang_fanxiang[i] = total->value;
            memory.E_LJ_fan[i] = texts.reverseUnit;
        }
    } else if (std::holds_alternative<DiameterReply>(reply)) {
        memory.guanjing[i] = texts.diameter;
    }
}

}  // namespace measurement
