#include "trend/ticks.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <optional>

namespace trend {

namespace {

enum class Unit { Minute, Day, Month, Year };

struct Step {
    Unit unit;
    int count;
};

constexpr double kMinutesPerDay = 1440;
constexpr double kMinutesPerMonth = 43830;  // a twelfth of an average year
constexpr double kMinutesPerYear = 525960;

constexpr std::array<Step, 22> kSteps = {
    {{Unit::Minute, 1},   {Unit::Minute, 2},   {Unit::Minute, 5},   {Unit::Minute, 10},
     {Unit::Minute, 15},  {Unit::Minute, 30},  {Unit::Minute, 60},  {Unit::Minute, 120},
     {Unit::Minute, 180}, {Unit::Minute, 360}, {Unit::Minute, 720}, {Unit::Day, 1},
     {Unit::Day, 2},      {Unit::Day, 5},      {Unit::Day, 10},     {Unit::Day, 15},
     {Unit::Month, 1},    {Unit::Month, 2},    {Unit::Month, 3},    {Unit::Month, 6},
     {Unit::Year, 1},     {Unit::Year, 2}}};

double lengthOf(const Step& step) {
    switch (step.unit) {
        case Unit::Minute:
            return step.count;
        case Unit::Day:
            return step.count * kMinutesPerDay;
        case Unit::Month:
            return step.count * kMinutesPerMonth;
        case Unit::Year:
            break;
    }
    return step.count * kMinutesPerYear;
}

std::string format(const char* pattern, int a, int b = 0, int c = 0) {
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), pattern, a, b, c);
    return text.data();
}

TimeTick tickAt(Minute minute, Unit unit) {
    const CivilTime t = civilOf(minute);
    switch (unit) {
        case Unit::Minute:
            return {minute, format("%d:%02d", t.hour, t.minute),
                    format("%04d-%02d-%02d", t.year, t.month, t.day)};
        case Unit::Day:
            return {minute, format("%02d-%02d", t.month, t.day), format("%04d", t.year)};
        case Unit::Month:
            return {minute, format("%04d-%02d", t.year, t.month), {}};
        case Unit::Year:
            break;
    }
    return {minute, format("%04d", t.year), {}};
}

// Whether a day of the month carries a mark at a step of `count` days: the 1st and every
// count-th day after it, but not one so close to the next month's 1st that their labels meet.
bool markedDay(const CivilTime& day, int count) {
    if ((day.day - 1) % count != 0) {
        return false;
    }
    const int left = daysInMonth(day.year, day.month) - day.day + 1;
    return count == 1 || 2 * left >= count;
}

std::vector<Minute> marks(double from, double to, const Step& step) {
    std::vector<Minute> found;
    const auto first = static_cast<Minute>(std::ceil(from));
    const auto last = static_cast<Minute>(std::floor(to));
    if (step.unit == Unit::Minute) {
        const Minute n = step.count;
        const Minute start = first >= 0 ? (first + n - 1) / n * n : first / n * n;
        for (Minute m = start; m <= last; m += n) {
            found.push_back(m);
        }
        return found;
    }
    CivilTime t = civilOf(first);
    t.hour = 0;
    t.minute = 0;
    if (step.unit == Unit::Day) {
        for (Minute m = minuteOf(t); m <= last; m += 1440) {
            if (m >= first && markedDay(civilOf(m), step.count)) {
                found.push_back(m);
            }
        }
        return found;
    }
    t.day = 1;
    if (step.unit == Unit::Year) {
        t.month = 1;
    }
    for (Minute m = minuteOf(t); m <= last; m = minuteOf(t)) {
        const bool marked =
            step.unit == Unit::Month ? (t.month - 1) % step.count == 0 : t.year % step.count == 0;
        if (m >= first && marked) {
            found.push_back(m);
        }
        if (step.unit == Unit::Year || ++t.month > 12) {
            t.month = 1;
            ++t.year;
        }
    }
    return found;
}

std::vector<TimeTick> ticksOf(double from, double to, const Step& step) {
    std::vector<TimeTick> ticks;
    std::string context;
    for (const Minute m : marks(from, to, step)) {
        TimeTick tick = tickAt(m, step.unit);
        if (tick.context == context) {
            tick.context.clear();
        } else {
            context = tick.context;
        }
        ticks.push_back(std::move(tick));
    }
    return ticks;
}

}  // namespace

std::vector<TimeTick> timeTicks(double from, double to, int maxTicks) {
    if (!(to > from) || maxTicks < 1) {
        return {};
    }
    std::vector<Step> steps(kSteps.begin(), kSteps.end());
    // Then years 5, 10, 20, 50... apart, until one step spans the whole view.
    for (int power = 1; steps.back().count * kMinutesPerYear <= to - from; power *= 10) {
        for (const int factor : {5, 10, 20}) {
            steps.push_back({Unit::Year, factor * power});
        }
    }
    // The finest step that keeps to the number, and puts at least one mark into the view when a
    // step can.
    std::optional<std::vector<TimeTick>> fewest;
    for (const Step& step : steps) {
        if ((to - from) / lengthOf(step) + 1 > maxTicks) {
            continue;
        }
        std::vector<TimeTick> ticks = ticksOf(from, to, step);
        if (static_cast<int>(ticks.size()) > maxTicks) {
            continue;
        }
        if (!ticks.empty()) {
            return ticks;
        }
        if (!fewest) {
            fewest = std::move(ticks);
        }
    }
    return fewest.value_or(std::vector<TimeTick>{});
}

std::string minuteText(Minute minute) {
    const CivilTime t = civilOf(minute);
    return format("%04d-%02d-%02d", t.year, t.month, t.day) + format(" %d:%02d", t.hour, t.minute);
}

std::vector<ValueTick> valueTicks(double low, double high, int maxTicks) {
    if (!std::isfinite(low) || !std::isfinite(high) || !(high > low) || maxTicks < 2) {
        return {};
    }
    const double span = high - low;
    for (auto e = static_cast<int>(std::floor(std::log10(span / (maxTicks - 1))));; ++e) {
        const double power = std::pow(10.0, e);
        for (const double factor : {1.0, 2.0, 2.5, 5.0}) {
            const double step = factor * power;
            if (span / step + 1 > maxTicks) {
                continue;
            }
            const int decimals = std::max(0, -e + (factor == 2.5 ? 1 : 0));
            std::vector<ValueTick> ticks;
            for (auto k = static_cast<long long>(std::ceil(low / step));
                 static_cast<double>(k) * step <= high; ++k) {
                const double value = static_cast<double>(k) * step;
                std::array<char, 48> text{};
                std::snprintf(text.data(), text.size(), "%.*f", decimals, k == 0 ? 0.0 : value);
                ticks.push_back({value, text.data()});
            }
            return ticks;
        }
    }
}

}  // namespace trend
