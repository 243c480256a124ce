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
    Diameter,           // Combo8
    TotalizerUnit,      // Combo2
    RangeValue,         // Text2
    RangeUnit,          // Combo3
    RangeExponent,      // Combo11
    Damping,            // Combo10
    OutputMode,         // Combo7
    PulseEquivalent,    // Combo9
    FrequencyRange,     // Text4
    FlowDirection,      // Combo1
    CutoffEnable,       // Combo4
    CutoffValue,        // Text5
    UpperAlarmEnable,   // Combo5
    UpperAlarmValue,    // Text7
    LowerAlarmEnable,   // Combo6
    LowerAlarmValue,    // Text8
    SensorCoefficient,  // Text10
    ZeroCorrection,     // Text9
    FlowMultiplier,     // Text1
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

// The saved parameter set: what the parameter window shows on every opening. It lives as long as
// the program and is replaced only by a completed write or by "保存本次设置".
struct SavedParameters {
    std::string str_koujing;
    std::string str_zongliangdanwei;
    std::string str_liangcheng;
    std::string str_liangchengdanwei;
    std::string str_liangchengming;
    std::string str_zunishijian;
    std::string str_shuchufangshi;
    std::string str_mochongdangliangdanwei;
    std::string str_pinlvshuchufanwei;
    std::string str_liuxiangxuanze;
    std::string str_xiaoxinhao;
    std::string str_xiaoxinhaozhi;
    std::string str_shangxianbaojing;
    std::string str_shangxianbaojingzhi;
    std::string str_xiaxianbaojing;
    std::string str_xiaxianbaojingzhi;
    std::string str_chuanganqixishu;
    std::string str_lingdian;
    std::string str_yibiaoxishu;

    [[nodiscard]] ParameterTexts texts() const;
    void assign(const ParameterTexts& texts);
};

}  // namespace parameters
