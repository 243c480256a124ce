// The texts that tell the operator where a write stands.
#include <gtest/gtest.h>

#include <string>

#include "session/write_texts.h"

namespace session {
namespace {

using parameters::ExchangePhase;
using parameters::Param;

TEST(WriteTexts, EachTextOnce) {
    const struct {
        std::string shown;
        const char* expected;
    } texts[] = {
        // A field's message names the field by its caption.
        {fieldMessage(Param::CutoffValue, "输入格式不对"), "小信号切除值：输入格式不对"},
        {fieldMessage(Param::RangeUnit, "请正确选择量程单位！不能错误输入"),
         "量程单位：请正确选择量程单位！不能错误输入"},
        {fieldMessage(Param::FlowMultiplier, "参数输入有错，不能进行设置！"),
         "流量倍乘系数：参数输入有错，不能进行设置！"},
        // Progress: the password is step 1, step 13 on the line is step 14, the closing step 15.
        {progressText(ExchangePhase::Idle, 0, false), ""},
        {progressText(ExchangePhase::AwaitingStartAck, 100, false), "等待仪表应答"},
        {progressText(ExchangePhase::AwaitingStartAck, 100, true), "仪表无应答"},
        {progressText(ExchangePhase::PasswordDue, 0, false), "第 1 步，共 15 步"},
        {progressText(ExchangePhase::PasswordPrompt, 0, false), "第 1 步，共 15 步"},
        {progressText(ExchangePhase::Stepping, 13, false), "第 14 步，共 15 步"},
        {progressText(ExchangePhase::Stepping, 15, false), "第 15 步，共 15 步"},
        {progressText(ExchangePhase::Stepping, 5, true), "第 6 步，共 15 步：未完成"},
        {progressText(ExchangePhase::Completed, 15, false), "第 15 步，共 15 步：完成"},
        {progressText(ExchangePhase::Ended, 11, false), "第 12 步，共 15 步：已停止"},
        // Seconds left of the meter's 30, rounded up.
        {secondsLeftText(0), "设置时限剩余 30 秒"},
        {secondsLeftText(1), "设置时限剩余 30 秒"},
        {secondsLeftText(1000), "设置时限剩余 29 秒"},
        {secondsLeftText(29001), "设置时限剩余 1 秒"},
        {secondsLeftText(30000), "设置时限剩余 0 秒"},
        {secondsLeftText(95000), "设置时限剩余 0 秒"},
        {secondsLeftText(-5000), "设置时限剩余 30 秒"},  // the clock was set back
        // The disabled write button says why and for how long.
        {writeButtonHint(true, 101, 200), "写入进行中"},
        {writeButtonHint(false, 101, 200), "21 秒后可再次设置"},
        {writeButtonHint(false, 100, 200), "20 秒后可再次设置"},
        {writeButtonHint(false, 101, 1000), "101 秒后可再次设置"},
        {writeButtonHint(false, 1, 260), "1 秒后可再次设置"},
        {writeButtonHint(false, 0, 200), "1 秒后可再次设置"},
    };
    for (const auto& t : texts) {
        EXPECT_EQ(t.shown, t.expected);
    }
}

}  // namespace
}  // namespace session
