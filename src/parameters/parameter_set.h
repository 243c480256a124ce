#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace parameters {

// The nineteen parameters of a meter, in the fixed order of every copy between the saved set and
// the window's fields.
enum class Param : std::uint8_t {
    Diameter,
    TotalizerUnit,
    RangeValue,
    RangeUnit,
    RangeExponent,
    Damping,
    OutputMode,
    PulseEquivalent,
    FrequencyRange,
    FlowDirection,
    CutoffEnable,
    CutoffValue,
    UpperAlarmEnable,
    UpperAlarmValue,
    LowerAlarmEnable,
    LowerAlarmValue,
    SensorCoefficient,
    ZeroCorrection,
    FlowMultiplier,
};

inline constexpr std::size_t kParamCount = 19;

// The texts of the nineteen parameters, indexed by Param.
using ParameterTexts = std::array<std::string, kParamCount>;

[[nodiscard]] constexpr std::size_t indexOf(Param param) {
    return static_cast<std::size_t>(param);
}

// Every parameter in the fixed order.
[[nodiscard]] const std::array<Param, kParamCount>& allParams();

// The eleven selection fields choose from a fixed option list; the other eight are typed numbers.
[[nodiscard]] bool isSelection(Param param);

// The options of a selection field in list order; empty for a numeric field.
[[nodiscard]] const std::vector<std::string_view>& options(Param param);

// The one-byte code an option travels as. It is the option's position in its list, except for the
// range exponent: "+0" to "+5" are 0 to 5, "-1" is 6 and "-2" is 7. None for a text that is not
// an option of the field.
[[nodiscard]] std::optional<std::uint8_t> wireCode(Param param, std::string_view text);

// What a meter is set to before anything was written or saved during this run.
[[nodiscard]] const ParameterTexts& defaultTexts();

// The name of a parameter as the parameter window's caption gives it, without the colon: "口径",
// "小信号切除值". The range unit has no caption of its own and is called "量程单位".
[[nodiscard]] std::string_view fieldName(Param param);

// The saved parameter set: what the parameter window shows on every opening. It lives as long as
// the program and is replaced only by a completed write or by "保存本次设置".
class SavedParameters {
  public:
    [[nodiscard]] const ParameterTexts& texts() const { return texts_; }
    [[nodiscard]] const std::string& text(Param param) const { return texts_[indexOf(param)]; }
    void assign(const ParameterTexts& texts) { texts_ = texts; }

  private:
    ParameterTexts texts_;
};

}  // namespace parameters
