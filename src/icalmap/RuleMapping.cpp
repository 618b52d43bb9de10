#include "icalmap/RuleMapping.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <numeric>
#include <vector>

namespace {

constexpr std::uint32_t kAllMonths = 0xFFF;
constexpr std::uint32_t kAllDays = 0x7F;

bool HasBit(std::uint32_t mask, int bit) {
    return ((mask >> bit) & 1u) != 0;
}

// The set bits of `mask` among the first `count`, each plus `first`, in order.
std::vector<int> Listed(std::uint32_t mask, int count, int first) {
    std::vector<int> values;
    for (int bit = 0; bit < count; ++bit) {
        if (HasBit(mask, bit)) values.push_back(bit + first);
    }
    return values;
}

// BYDAY without ordinals for the weekdays of `mask` (bit 0 Monday).
std::vector<CWeekdayNum> Weekdays(std::uint32_t mask) {
    std::vector<CWeekdayNum> days;
    for (const int day : Listed(mask, 7, 0)) days.push_back({0, day});
    return days;
}

// INTERVAL holds an int; a longer step has no rule.
bool SetInterval(CRecurrenceRule& rule, std::int64_t interval) {
    if (interval < 1 || interval > std::numeric_limits<int>::max()) return false;
    rule.interval = static_cast<int>(interval);
    return true;
}

struct SConditions {
    std::uint32_t months = kAllMonths;
    std::uint32_t days = kAllDays;
    bool timed = false;
    std::int32_t timeFrom = 0;  // seconds of the day, both inclusive
    std::int32_t timeTo = 0;
};

SConditions ConditionsOf(const DateEntryProperties& p) {
    SConditions c;
    c.months = static_cast<std::uint32_t>(p.CondMonth) & kAllMonths;
    c.days = static_cast<std::uint32_t>(p.CondWeekdays) & kAllDays;
    c.timed = p.CondTimeEnable != 0;
    c.timeFrom = p.CondStartTime.GetSecondOfDay();
    c.timeTo = p.CondEndTime.GetSecondOfDay();
    return c;
}

// A rule whose every occurrence starts at the time of day of `first` passes the time
// condition always or never.
bool TimeOfDayPasses(const SConditions& c, IcalSeconds timeOfDay) {
    return !c.timed || (timeOfDay >= c.timeFrom && timeOfDay <= c.timeTo);
}

// BYMONTH for a rule that meets every month.
std::vector<int> MonthLimit(const SConditions& c) {
    return c.months == kAllMonths ? std::vector<int>() : Listed(c.months, 12, 1);
}

std::optional<CRecurrenceRule> FixedPeriod(const DateEntryProperties& p, const SConditions& c,
                                           int firstWeekday, IcalSeconds timeOfDay) {
    const std::int64_t rate = p.RepeatRate;
    const std::int64_t hours = p.RepeatUnit == kRepeatUnitWeeks  ? rate * 168
                               : p.RepeatUnit == kRepeatUnitDays ? rate * 24
                                                                 : rate;
    const bool fifth = p.RepeatWeekdayCount == kRepeatWeekdayFifth;
    CRecurrenceRule rule;
    rule.byMonth = MonthLimit(c);
    if (fifth) rule.byMonthDay = {29, 30, 31};
    if (hours % 24 != 0) {
        rule.freq = EFrequency::Hourly;
        if (!SetInterval(rule, hours)) return std::nullopt;
        if (c.days != kAllDays) rule.byDay = Weekdays(c.days);
        if (c.timed) {
            const IcalSeconds withinHour = timeOfDay % 3600;
            for (int hour = 0; hour < 24; ++hour) {
                const IcalSeconds time = hour * 3600 + withinHour;
                if (time >= c.timeFrom && time <= c.timeTo) rule.byHour.push_back(hour);
            }
            if (rule.byHour.empty()) return std::nullopt;
            if (rule.byHour.size() == 24) rule.byHour.clear();
        }
        return rule;
    }
    if (!TimeOfDayPasses(c, timeOfDay)) return std::nullopt;
    const bool weekly = hours % 168 == 0;
    if (weekly && !fifth && rule.byMonth.empty()) {
        // Every occurrence falls on the weekday of the first.
        if (!HasBit(c.days, firstWeekday)) return std::nullopt;
        rule.freq = EFrequency::Weekly;
        if (!SetInterval(rule, hours / 168)) return std::nullopt;
        return rule;
    }
    rule.freq = EFrequency::Daily;
    if (!SetInterval(rule, hours / 24)) return std::nullopt;
    if (c.days != kAllDays) rule.byDay = Weekdays(c.days);
    return rule;
}

// The shortest and the longest month (February counted with 28 and 29 days) that a series
// stepping `step` months from `month` meets.
void MonthLengthsMet(int month, std::int64_t step, int& shortest, int& longest) {
    static constexpr int kLength[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const std::int64_t cycle = std::gcd(step, std::int64_t{12});
    shortest = 31;
    longest = 28;
    for (int m = 0; m < 12; ++m) {
        if ((m - (month - 1) + 12) % cycle != 0) continue;
        shortest = std::min(shortest, kLength[m]);
        longest = std::max(longest, m == 1 ? 29 : kLength[m]);
    }
}

std::optional<CRecurrenceRule> MonthlyByDay(const DateEntryProperties& p, const SConditions& c,
                                            const CCivilFields& first, IcalSeconds timeOfDay) {
    if (!TimeOfDayPasses(c, timeOfDay)) return std::nullopt;
    const std::int64_t step =
        p.RepeatUnit == kRepeatUnitYears ? std::int64_t{p.RepeatRate} * 12 : p.RepeatRate;
    const bool fifth = p.RepeatWeekdayCount == kRepeatWeekdayFifth;
    // The day of S, which the series keeps and a shorter month cuts to its last day.
    const int day = p.StartDate.Get().GetDay();
    if (fifth && day < 29) return std::nullopt;

    CRecurrenceRule rule;
    rule.freq = EFrequency::Monthly;
    rule.byMonth = MonthLimit(c);
    if (step % 12 == 0) {
        // A yearly series meets one month only: the month condition passes it or nothing.
        if (!HasBit(c.months, first.month - 1)) return std::nullopt;
        rule.freq = EFrequency::Yearly;
        rule.byMonth.clear();
    }
    if (!SetInterval(rule, rule.freq == EFrequency::Yearly ? step / 12 : step)) {
        return std::nullopt;
    }
    const bool weekdayLimit = c.days != kAllDays;
    if (weekdayLimit) rule.byDay = Weekdays(c.days);
    int shortest = 0;
    int longest = 0;
    MonthLengthsMet(first.month, step, shortest, longest);
    if (day <= shortest) {
        // The day exists in every month met. With a weekday limit BYMONTHDAY must be there,
        // or BYDAY would add days instead of limiting them.
        if (weekdayLimit || day > 28) rule.byMonthDay = {day};
    } else if (day >= longest && !fifth) {
        // No month met is longer: always its last day.
        rule.byMonthDay = {-1};
    } else {
        // The last of the days from 28 (29 under the fifth-weekday check) to S's day that
        // the month has. A weekday limit would act before that choice and pick an earlier
        // day where the calendar has none.
        if (weekdayLimit) return std::nullopt;
        for (int d = fifth ? 29 : 28; d <= day; ++d) rule.byMonthDay.push_back(d);
        if (rule.byMonthDay.size() > 1) rule.bySetPos = {-1};
    }
    if (rule.freq == EFrequency::Yearly && !rule.byMonthDay.empty()) {
        // BYMONTHDAY alone would expand a yearly rule over every month.
        rule.byMonth = {first.month};
    }
    return rule;
}

std::optional<CRecurrenceRule> MonthlyByWeekday(const DateEntryProperties& p, const SConditions& c,
                                                IcalSeconds timeOfDay) {
    if (p.RepeatWeekdayCount < kRepeatWeekdayFirst || p.RepeatWeekdayCount > kRepeatWeekdayLast ||
        p.RepeatWeekday < 0 || p.RepeatWeekday > 6) {
        return std::nullopt;
    }
    if (!TimeOfDayPasses(c, timeOfDay) || !HasBit(c.days, p.RepeatWeekday)) return std::nullopt;
    CRecurrenceRule rule;
    rule.freq = EFrequency::Monthly;
    rule.byMonth = MonthLimit(c);
    rule.byDay = {{p.RepeatWeekdayCount == kRepeatWeekdayLast ? -1 : p.RepeatWeekdayCount + 1,
                   p.RepeatWeekday}};
    return rule;
}

}  // namespace

bool CRuleMapping::IsSeries(const DateEntryProperties& p) {
    if (p.Repeat == kRepeatMonthlyWeekday) return true;
    return p.Repeat == kRepeatEvery && p.RepeatRate >= 1 && p.RepeatUnit >= kRepeatUnitHours &&
           p.RepeatUnit <= kRepeatUnitYears;
}

std::optional<CRecurrenceRule> CRuleMapping::Build(const DateEntryProperties& p,
                                                   IcalSeconds first) {
    if (!IsSeries(p)) return std::nullopt;
    const SConditions c = ConditionsOf(p);
    if (c.months == 0 || c.days == 0) return std::nullopt;
    const CCivilFields fields = CCivilTime::FromSeconds(first);
    const IcalSeconds timeOfDay = fields.hour * 3600 + fields.minute * 60 + fields.second;
    if (p.Repeat == kRepeatMonthlyWeekday) return MonthlyByWeekday(p, c, timeOfDay);
    if (p.RepeatUnit <= kRepeatUnitWeeks) {
        const int weekday =
            CCivilTime::DayOfWeek(CCivilTime::DaysFromCivil(fields.year, fields.month, fields.day));
        return FixedPeriod(p, c, weekday, timeOfDay);
    }
    return MonthlyByDay(p, c, fields, timeOfDay);
}
