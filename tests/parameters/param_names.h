#pragma once

#include <ostream>

#include "parameters/parameter_set.h"

namespace parameters {

// A parameter's name as the code spells it, for the names and messages of tests.
inline const char* nameOf(Param param) {
    switch (param) {
        case Param::Diameter:
            return "Diameter";
        case Param::TotalizerUnit:
            return "TotalizerUnit";
        case Param::RangeValue:
            return "RangeValue";
        case Param::RangeUnit:
            return "RangeUnit";
        case Param::RangeExponent:
            return "RangeExponent";
        case Param::Damping:
            return "Damping";
        case Param::OutputMode:
            return "OutputMode";
        case Param::PulseEquivalent:
            return "PulseEquivalent";
        case Param::FrequencyRange:
            return "FrequencyRange";
        case Param::FlowDirection:
            return "FlowDirection";
        case Param::CutoffEnable:
            return "CutoffEnable";
        case Param::CutoffValue:
            return "CutoffValue";
        case Param::UpperAlarmEnable:
            return "UpperAlarmEnable";
        case Param::UpperAlarmValue:
            return "UpperAlarmValue";
        case Param::LowerAlarmEnable:
            return "LowerAlarmEnable";
        case Param::LowerAlarmValue:
            return "LowerAlarmValue";
        case Param::SensorCoefficient:
            return "SensorCoefficient";
        case Param::ZeroCorrection:
            return "ZeroCorrection";
        case Param::FlowMultiplier:
            return "FlowMultiplier";
    }
    return "unknown";
}

// GoogleTest prints a parameter by its name.
inline void PrintTo(Param param, std::ostream* out) {
    *out << nameOf(param);
}

}  // namespace parameters
