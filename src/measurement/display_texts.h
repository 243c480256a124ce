#pragma once

#include <string>
#include <tuple>

namespace measurement {

// The texts of the main window's measurement displays. The window shows exactly these texts; the
// presentation writes them, and the logging step and the total difference read them back.
struct DisplayTexts {
    std::string flow;                      // Label29, signed
    std::string flowUnit;                  // Label30
    std::string percent;                   // Label31, signed, with "%"
    std::string resistance;                // Label32
    std::string diameter;                  // Label33
    std::string velocity;                  // Label34, signed
    std::string forwardTotal;              // Label35
    std::string forwardUnit;               // Label36
    std::string reverseTotal;              // Label37
    std::string reverseUnit;               // Label38
    std::string status;                    // Label39, communication and alarm status
    std::string rangeRatio;                // Label40
    std::string cutoffEnable = "禁止";     // Label42
    std::string upperEnable = "禁止";      // Label44
    std::string lowerEnable = "禁止";      // Label46
    std::string emptyPipeEnable = "禁止";  // Label49
    std::string totalDifference;           // Label51
    std::string differenceUnit;            // Label52
    std::string failureCount;              // Label59
    std::string failureHours;              // Label60
    std::string failureMinutes;            // Label61

    // Blanks what a run of unanswered polls clears: Label29 to Label40, Label51 and Label52.
    void blankMeasurement() {
        flow.clear();
        flowUnit.clear();
        percent.clear();
        resistance.clear();
        diameter.clear();
        velocity.clear();
        forwardTotal.clear();
        forwardUnit.clear();
        reverseTotal.clear();
        reverseUnit.clear();
        status.clear();
        rangeRatio.clear();
        totalDifference.clear();
        differenceUnit.clear();
    }

  private:
    auto tied() const {
        return std::tie(flow, flowUnit, percent, resistance, diameter, velocity, forwardTotal,
                        forwardUnit, reverseTotal, reverseUnit, status, rangeRatio, cutoffEnable,
                        upperEnable, lowerEnable, emptyPipeEnable, totalDifference, differenceUnit,
                        failureCount, failureHours, failureMinutes);
    }

  public:
    friend bool operator==(const DisplayTexts& a, const DisplayTexts& b) {
        return a.tied() == b.tied();
    }
    friend bool operator!=(const DisplayTexts& a, const DisplayTexts& b) { return !(a == b); }
};

}  // namespace measurement
