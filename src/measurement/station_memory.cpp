#include "measurement/station_memory.h"

#include <variant>

namespace measurement {

namespace {

// One overload per reply kind, so that a new kind cannot be left out.
struct Store {
    StationMemory& memory;
    std::size_t i;
    const DisplayTexts& texts;

    void operator()(const FlowReply& flow) const {
        memory.shunshi[i] = flow.value;
        memory.E_liuliang[i] = texts.flowUnit;
        memory.flowText[i] = texts.flow + texts.flowUnit;
    }
    void operator()(const VelocityReply& velocity) const {
        memory.liusu[i] = velocity.value;
        memory.velocityText[i] = texts.velocity;
    }
    void operator()(const PercentReply& percent) const {
        memory.baifenbi[i] = percent.value;
        memory.percentText[i] = texts.percent;
    }
    void operator()(const ResistanceReply& resistance) const {
        memory.dianzu[i] = resistance.value;
    }
    void operator()(const TotalReply& total) const {
        if (total.direction == TotalDirection::Forward) {
            memory.zongliang_zhengxiang[i] = total.value;
            memory.E_LJ_zheng[i] = texts.forwardUnit;
            memory.forwardText[i] = texts.forwardTotal + texts.forwardUnit;
        } else {
            memory.zongliang_fanxiang[i] = total.value;
            memory.E_LJ_fan[i] = texts.reverseUnit;
            memory.reverseText[i] = texts.reverseTotal + texts.reverseUnit;
        }
    }
    void operator()(const DiameterReply&) const { memory.guanjing[i] = texts.diameter; }
    void operator()(const AlarmReply&) const { memory.alarmText[i] = texts.status; }
    // Power failures are shown only.
    void operator()(const PowerFailureReply&) const {}
};

}  // namespace

void storeReply(StationMemory& memory, std::uint8_t station, const DecodedReply& reply,
                const DisplayTexts& texts) {
    if (station < 1 || station > StationMemory::kStations) {
        return;
    }
    std::visit(Store{memory, station - 1u, texts}, reply);
}

}  // namespace measurement
