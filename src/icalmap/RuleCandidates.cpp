#include "icalmap/RuleCandidates.h"

#include <numeric>

#include "store/DateEntryCodes.h"

namespace {

using SCandidate = CExactEntries::SCandidate;
using EFrequency = CRuleCandidates::EFrequency;

int Shifted(int weekday, int dayShift) {
    return ((weekday + dayShift) % 7 + 7) % 7;
}

// The CondWeekdays bits of the plain weekdays of BYDAY, moved by `dayShift`; 127 for none.
std::int32_t WeekdayBits(const CRuleCandidates::SRule& rule, int dayShift) {
    std::int32_t bits = 0;
    for (const auto& [ordinal, weekday] : rule.ByDay) {
        if (ordinal == 0) bits |= 1 << Shifted(weekday, dayShift);
    }
    return bits == 0 ? 127 : bits;
}

SCandidate Every(int rate, int unit, const CRuleCandidates::SRule& rule) {
    SCandidate candidate;
    candidate.Rule.Repeat = kRepeatEvery;
    candidate.Rule.RepeatRate = rate;
    candidate.Rule.RepeatUnit = unit;
    if (rule.ByMonth != 0) candidate.Rule.CondMonth = static_cast<std::int32_t>(rule.ByMonth);
    return candidate;
}

// The calendar's RepeatWeekdayCount of a BYDAY ordinal, or -1 when it has none.
int WeekdayCount(int ordinal) {
    if (ordinal >= 1 && ordinal <= 5) return ordinal - 1;
    return ordinal == -1 ? kRepeatWeekdayLast : -1;
}

bool HasOrdinals(const CRuleCandidates::SRule& rule) {
    for (const auto& byDay : rule.ByDay) {
        if (byDay.first != 0) return true;
    }
    return false;
}

// One "n-th weekday of the month" series per ordinal weekday, limited to BYMONTH.
void AddMonthlyWeekdays(const CRuleCandidates::SRule& rule, int dayShift,
                        std::vector<SCandidate>& candidates) {
    for (const auto& [ordinal, weekday] : rule.ByDay) {
        const int count = WeekdayCount(ordinal);
        if (count < 0) continue;
        SCandidate candidate;
        candidate.Rule.Repeat = kRepeatMonthlyWeekday;
        candidate.Rule.RepeatWeekdayCount = count;
        candidate.Rule.RepeatWeekday = Shifted(weekday, dayShift);
        if (rule.ByMonth != 0) candidate.Rule.CondMonth = static_cast<std::int32_t>(rule.ByMonth);
        candidate.AnchorWeekday = candidate.Rule.RepeatWeekday;
        candidates.push_back(candidate);
    }
}

// The days of the month of a monthly rule: one series each, anchored on that day; the
// calendar moves a day that a month lacks to its last day, which the check then drops, and a
// series on the 31st is the last day of every month.
void AddMonthDays(const CRuleCandidates::SRule& rule, int months, int eventMonthDay, int dayShift,
                  std::vector<SCandidate>& candidates) {
    std::vector<int> days = rule.ByMonthDay;
    if (days.empty()) days.push_back(eventMonthDay);
    for (const int day : days) {
        if (day == 0 || day < -1 || day > 31) continue;
        SCandidate candidate = Every(months, kRepeatUnitMonths, rule);
        if (dayShift == 0) candidate.AnchorMonthDay = day == -1 ? 31 : day;
        candidates.push_back(candidate);
    }
}

}  // namespace

std::vector<SCandidate> CRuleCandidates::Build(const SRule& rule, int eventWeekday,
                                               int eventMonthDay, int dayShift) {
    std::vector<SCandidate> candidates;
    if (rule.OtherParts || rule.Interval < 1) return candidates;
    const bool ordinals = HasOrdinals(rule);
    if (rule.LastOfSet) {
        // The last of some weekdays in a month: its last day where that is one of them (a
        // series on the 31st with the weekday condition), else the last of one weekday; the
        // check keeps what fits and leaves the rest single.
        if (rule.Frequency != EFrequency::Monthly || ordinals || rule.ByDay.empty() ||
            !rule.ByMonthDay.empty()) {
            return candidates;
        }
        SCandidate monthEnd = Every(rule.Interval, kRepeatUnitMonths, rule);
        monthEnd.Rule.CondWeekdays = WeekdayBits(rule, dayShift);
        monthEnd.AnchorMonthDay = dayShift == 0 ? 31 : -1;
        candidates.push_back(monthEnd);
        CRuleCandidates::SRule lastWeekdays = rule;
        for (auto& byDay : lastWeekdays.ByDay) byDay.first = -1;
        AddMonthlyWeekdays(lastWeekdays, dayShift, candidates);
        return candidates;
    }
    switch (rule.Frequency) {
        case EFrequency::Secondly:
            break;
        case EFrequency::Minutely:
            if (rule.Interval % 60 == 0 && !ordinals) {
                SCandidate candidate = Every(rule.Interval / 60, kRepeatUnitHours, rule);
                candidate.Rule.CondWeekdays = WeekdayBits(rule, dayShift);
                candidates.push_back(candidate);
            }
            break;
        case EFrequency::Hourly:
        case EFrequency::Daily:
            if (!ordinals && rule.ByMonthDay.empty()) {
                SCandidate candidate =
                    Every(rule.Interval,
                          rule.Frequency == EFrequency::Hourly ? kRepeatUnitHours : kRepeatUnitDays,
                          rule);
                candidate.Rule.CondWeekdays = WeekdayBits(rule, dayShift);
                candidates.push_back(candidate);
            }
            break;
        case EFrequency::Weekly: {
            if (ordinals) break;
            std::vector<int> weekdays;
            for (const auto& byDay : rule.ByDay) weekdays.push_back(byDay.second);
            if (weekdays.empty()) weekdays.push_back(eventWeekday);
            if (weekdays.size() > 1 && rule.Interval == 1) {
                SCandidate candidate = Every(1, kRepeatUnitDays, rule);
                candidate.Rule.CondWeekdays = WeekdayBits(rule, dayShift);
                candidates.push_back(candidate);
                break;
            }
            // One series per weekday, each every Interval weeks from its first occurrence.
            for (const int weekday : weekdays) {
                SCandidate candidate = Every(rule.Interval, kRepeatUnitWeeks, rule);
                candidate.AnchorWeekday = Shifted(weekday, dayShift);
                candidates.push_back(candidate);
            }
            break;
        }
        case EFrequency::Monthly:
            // With an interval above 1 the monthly weekday yields surplus months, which the
            // check drops (or refuses the series for).
            if (ordinals && rule.ByMonthDay.empty()) {
                AddMonthlyWeekdays(rule, dayShift, candidates);
            } else if (!rule.ByDay.empty() && rule.ByMonthDay.empty()) {
                SCandidate candidate = Every(1, kRepeatUnitDays, rule);
                candidate.Rule.CondWeekdays = WeekdayBits(rule, dayShift);
                candidates.push_back(candidate);
            } else if (rule.ByDay.empty()) {
                AddMonthDays(rule, rule.Interval, eventMonthDay, dayShift, candidates);
            }
            break;
        case EFrequency::Yearly: {
            int months = 0;
            for (std::uint32_t bits = rule.ByMonth; bits != 0; bits &= bits - 1) ++months;
            if (ordinals && rule.ByMonthDay.empty() && months > 0) {
                AddMonthlyWeekdays(rule, dayShift, candidates);
            } else if (rule.ByDay.empty() && rule.ByMonthDay.size() <= 1) {
                if (months <= 1) {
                    candidates.push_back(Every(rule.Interval, kRepeatUnitYears, rule));
                } else if (rule.Interval == 1) {
                    AddMonthDays(rule, 1, eventMonthDay, dayShift, candidates);
                }
            }
            break;
        }
    }
    return candidates;
}

std::optional<CRuleCandidates::SRule> CRuleCandidates::Guess(
    const std::vector<IcalSeconds>& starts) {
    constexpr IcalSeconds kDay = CCivilTime::kSecondsPerDay;
    if (starts.size() < 3) return std::nullopt;
    auto dayOf = [](IcalSeconds wall) {
        return wall >= 0 ? wall / kDay : (wall - kDay + 1) / kDay;
    };
    const IcalSeconds timeOfDay = starts.front() - dayOf(starts.front()) * kDay;
    const CCivilFields first = CCivilTime::FromSeconds(starts.front());
    std::int64_t dayStep = 0;
    std::int64_t monthStep = 0;
    bool sameMonthDay = true;
    std::uint32_t weekdays = 0;
    for (std::size_t i = 0; i < starts.size(); ++i) {
        const std::int64_t day = dayOf(starts[i]);
        if (starts[i] - day * kDay != timeOfDay) return std::nullopt;
        weekdays |= 1u << CCivilTime::DayOfWeek(day);
        const CCivilFields fields = CCivilTime::FromSeconds(starts[i]);
        sameMonthDay = sameMonthDay && fields.day == first.day;
        if (i == 0) continue;
        dayStep = std::gcd(dayStep, day - dayOf(starts[i - 1]));
        monthStep = std::gcd(
            monthStep, std::int64_t{fields.year - first.year} * 12 + fields.month - first.month);
    }
    if (dayStep < 1 || dayStep > 366) return std::nullopt;
    SRule rule;
    if (dayStep % 7 == 0) {
        rule.Frequency = EFrequency::Weekly;
        rule.Interval = static_cast<int>(dayStep / 7);
    } else if (sameMonthDay && monthStep >= 1 && monthStep <= 12) {
        rule.Frequency = EFrequency::Monthly;
        rule.Interval = static_cast<int>(monthStep);
    } else {
        rule.Frequency = EFrequency::Daily;
        rule.Interval = static_cast<int>(dayStep);
        if (dayStep == 1 && weekdays != 0x7F) {
            for (int weekday = 0; weekday < 7; ++weekday) {
                if ((weekdays >> weekday) & 1u) rule.ByDay.emplace_back(0, weekday);
            }
        }
    }
    return rule;
}
